#pragma once
// The receiver of a link's (or a log writer's) application messages.
#include <cstdint>

namespace zr {

class IMessageOwner {
public:
    virtual ~IMessageOwner() = default;
    // Queued; never blocks; keeps order.
    virtual void Post(uint32_t msg, uintptr_t wParam, intptr_t lParam) = 0;
    // Handled before it returns; the result is the handler's.
    virtual intptr_t Send(uint32_t msg, uintptr_t wParam, intptr_t lParam) = 0;
};

} // namespace zr
