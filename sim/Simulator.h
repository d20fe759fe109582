#pragma once
// A set of simulated receivers, each on its own pseudo-terminal.
#include <memory>
#include <string>
#include <vector>

#include "sim/SimReceiver.h"

namespace zr::sim {

class CSimulator {
public:
    // Starts one receiver per config; false if a pseudo-terminal cannot be made.
    bool Start(const std::vector<SimReceiverConfig>& configs);
    bool Start(int count);
    void Stop();
    std::vector<std::string> PortPaths() const;
    // The ':'-separated list for ZRQ6930_PORTS.
    std::string PortList() const;
    CSimReceiver& Receiver(std::size_t i) { return *m_receivers.at(i); }
    std::size_t Size() const { return m_receivers.size(); }

private:
    std::vector<std::unique_ptr<CSimReceiver>> m_receivers;
};

} // namespace zr::sim
