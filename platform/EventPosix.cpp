#include "platform/Event.h"

#include <algorithm>

namespace zr {

// One waiter per WaitForAny call; every event it waits on holds a pointer to it
// while the wait lasts, so a Set wakes exactly the threads that care.
class CEventWaiter {
public:
    // Called with the event's mutex held, so the waiter (on its thread's
    // stack) outlives the call; the notify comes after the waiter's own lock
    // is released, so the woken thread does not wake only to block on it.
    void Notify()
    {
        {
            std::lock_guard lock(m_mutex);
            m_notified = true;
        }
        m_cv.notify_one();
    }
    bool WaitUntil(std::chrono::steady_clock::time_point deadline, bool infinite)
    {
        std::unique_lock lock(m_mutex);
        if (infinite)
            m_cv.wait(lock, [this] { return m_notified; });
        else
            m_cv.wait_until(lock, deadline, [this] { return m_notified; });
        bool notified = m_notified;
        m_notified = false;
        return notified;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_notified = false;
};

CEvent::CEvent(bool manualReset, bool initiallySet) : m_manualReset(manualReset), m_signalled(initiallySet) {}

void CEvent::Set()
{
    std::lock_guard lock(m_mutex);
    m_signalled = true;
    for (CEventWaiter* w : m_waiters)
        w->Notify();
}

void CEvent::Reset()
{
    std::lock_guard lock(m_mutex);
    m_signalled = false;
}

bool CEvent::IsSet() const
{
    std::lock_guard lock(m_mutex);
    return m_signalled;
}

bool CEvent::TryTake()
{
    if (!m_signalled)
        return false;
    if (!m_manualReset)
        m_signalled = false;
    return true;
}

int WaitForAny(CEvent* const* events, std::size_t count, int timeoutMs)
{
    const bool infinite = timeoutMs < 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(infinite ? 0 : timeoutMs);
    CEventWaiter waiter;
    for (;;) {
        int taken = kWaitTimeout;
        std::size_t registered = 0;
        for (; registered < count; ++registered) {
            CEvent* ev = events[registered];
            std::lock_guard lock(ev->m_mutex);
            if (ev->TryTake()) {
                taken = static_cast<int>(registered);
                break;
            }
            ev->m_waiters.push_back(&waiter);
        }
        bool notified = false;
        if (taken == kWaitTimeout)
            notified = waiter.WaitUntil(deadline, infinite);
        for (std::size_t i = 0; i < registered; ++i) {
            CEvent* ev = events[i];
            std::lock_guard lock(ev->m_mutex);
            auto& ws = ev->m_waiters;
            ws.erase(std::remove(ws.begin(), ws.end(), &waiter), ws.end());
        }
        if (taken != kWaitTimeout)
            return taken;
        if (!notified)
            return kWaitTimeout;
        // Woken: loop and take the lowest signalled event (another waiter may
        // have taken an auto-reset one first).
    }
}

} // namespace zr
