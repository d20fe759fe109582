#include "link/LinkEventQueue.h"

namespace zr {

void CLinkEventQueue::Post(const LinkEvent& event)
{
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(event);
    }
    m_cv.notify_one();
}

void CLinkEventQueue::PostAll(const std::vector<LinkEvent>& events)
{
    {
        std::lock_guard lock(m_mutex);
        m_queue.insert(m_queue.end(), events.begin(), events.end());
    }
    m_cv.notify_one();
}

std::optional<LinkEvent> CLinkEventQueue::Take(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    if (!m_cv.wait_for(lock, timeout, [this] { return !m_queue.empty(); }))
        return std::nullopt;
    LinkEvent e = m_queue.front();
    m_queue.pop_front();
    return e;
}

std::optional<LinkEvent> CLinkEventQueue::TakeUntil(std::chrono::steady_clock::time_point deadline)
{
    std::unique_lock lock(m_mutex);
    if (m_queue.empty() && (std::chrono::steady_clock::now() >= deadline || !m_cv.wait_until(lock, deadline, [this] { return !m_queue.empty(); })))
        return std::nullopt;
    LinkEvent e = m_queue.front();
    m_queue.pop_front();
    return e;
}

std::optional<LinkEvent> CLinkEventQueue::TryTake()
{
    return Take(std::chrono::milliseconds(0));
}

std::optional<LinkEvent> CLinkEventQueue::WaitFor(const std::function<bool(const LinkEvent&)>& match, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        auto e = TakeUntil(deadline);
        if (!e)
            return std::nullopt;
        if (match(*e))
            return e;
    }
}

std::size_t CLinkEventQueue::Size() const
{
    std::lock_guard lock(m_mutex);
    return m_queue.size();
}

} // namespace zr
