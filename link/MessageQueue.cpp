#include "link/MessageQueue.h"

namespace zr {

void CMessageQueue::Post(uint32_t msg, uintptr_t wParam, intptr_t lParam)
{
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back({msg, wParam, lParam});
    }
    m_cv.notify_one();
}

intptr_t CMessageQueue::Send(uint32_t msg, uintptr_t wParam, intptr_t lParam)
{
    std::lock_guard lock(m_sendMutex);
    return m_sendHandler ? m_sendHandler({msg, wParam, lParam}) : 0;
}

void CMessageQueue::SetSendHandler(SendHandler handler)
{
    std::lock_guard lock(m_sendMutex);
    m_sendHandler = std::move(handler);
}

std::optional<AppMessage> CMessageQueue::Take(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    if (!m_cv.wait_for(lock, timeout, [this] { return !m_queue.empty(); }))
        return std::nullopt;
    AppMessage m = m_queue.front();
    m_queue.pop_front();
    return m;
}

std::optional<AppMessage> CMessageQueue::TakeUntil(std::chrono::steady_clock::time_point deadline)
{
    std::unique_lock lock(m_mutex);
    if (m_queue.empty() && (std::chrono::steady_clock::now() >= deadline || !m_cv.wait_until(lock, deadline, [this] { return !m_queue.empty(); })))
        return std::nullopt;
    AppMessage m = m_queue.front();
    m_queue.pop_front();
    return m;
}

std::optional<AppMessage> CMessageQueue::TryTake()
{
    return Take(std::chrono::milliseconds(0));
}

std::optional<AppMessage> CMessageQueue::WaitFor(const std::function<bool(const AppMessage&)>& match, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() < 0)
            return std::nullopt;
        auto m = Take(left);
        if (!m)
            return std::nullopt;
        if (match(*m))
            return m;
    }
}

std::size_t CMessageQueue::Size() const
{
    std::lock_guard lock(m_mutex);
    return m_queue.size();
}

} // namespace zr
