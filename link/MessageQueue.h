#pragma once
// Thread-safe message queue owner, for the CLI and the tests: workers post,
// one consumer thread takes messages in order.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

#include "link/Owner.h"

namespace zr {

struct AppMessage {
    uint32_t msg = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

class CMessageQueue : public IMessageOwner {
public:
    using SendHandler = std::function<intptr_t(const AppMessage&)>;

    void Post(uint32_t msg, uintptr_t wParam, intptr_t lParam) override;
    // There is no consumer loop to run sent messages on, so a sent message runs
    // the send handler on the caller's thread (serialised); without one it
    // answers 0, as a window without a handler would.
    intptr_t Send(uint32_t msg, uintptr_t wParam, intptr_t lParam) override;
    void SetSendHandler(SendHandler handler);

    // Waits up to timeout for the next message.
    std::optional<AppMessage> Take(std::chrono::milliseconds timeout);
    // Waits until `deadline` at the latest; a deadline passed takes only
    // what is there, without a system call.
    std::optional<AppMessage> TakeUntil(std::chrono::steady_clock::time_point deadline);
    std::optional<AppMessage> TryTake();
    // Waits for the first message accepted by `match`; others are dropped.
    std::optional<AppMessage> WaitFor(const std::function<bool(const AppMessage&)>& match, std::chrono::milliseconds timeout);
    std::size_t Size() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<AppMessage> m_queue;
    std::mutex m_sendMutex;
    SendHandler m_sendHandler;
};

} // namespace zr
