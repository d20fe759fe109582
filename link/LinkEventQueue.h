#pragma once
// A link event sink for a caller without a window (the command line, the
// tests): links post, one consumer thread takes the events in order.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

#include "link/LinkEvents.h"

namespace zr {

class CLinkEventQueue : public ILinkEventSink {
public:
    void Post(const LinkEvent& event) override;
    void PostAll(const std::vector<LinkEvent>& events) override;

    // Waits up to timeout for the next event.
    std::optional<LinkEvent> Take(std::chrono::milliseconds timeout);
    // Waits until `deadline` at the latest; a deadline passed takes only
    // what is there, without a system call.
    std::optional<LinkEvent> TakeUntil(std::chrono::steady_clock::time_point deadline);
    std::optional<LinkEvent> TryTake();
    // Waits for the first event accepted by `match`; others are dropped.
    std::optional<LinkEvent> WaitFor(const std::function<bool(const LinkEvent&)>& match, std::chrono::milliseconds timeout);
    std::size_t Size() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<LinkEvent> m_queue;
};

} // namespace zr
