#pragma once
// Where the live feed puts what it has to say: topics relative to this PC's
// own (rx/1, recording ...). The publisher implements it; tests collect.
#include <string>

namespace zr {

class ILiveSink {
public:
    virtual ~ILiveSink() = default;
    // A retained state: the latest replaces what was not sent yet; "" clears it.
    virtual void PutState(const std::string& topic, std::string payload) = 0;
    // A message of its own that is not retained.
    virtual void PutEvent(const std::string& topic, std::string payload) = 0;
};

} // namespace zr
