#pragma once
// Auto- or manual-reset event with wait-for-any: kernel events and
// WaitForMultipleObjects on Windows, a condition-variable stand-in elsewhere.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <vector>

namespace zr {

class CEventWaiter;

class CEvent {
public:
    explicit CEvent(bool manualReset = false, bool initiallySet = false);
    CEvent(const CEvent&) = delete;
    CEvent& operator=(const CEvent&) = delete;
#ifdef _WIN32
    ~CEvent();
#endif

    void Set();
    void Reset();
    bool IsSet() const;

private:
    friend int WaitForAny(CEvent* const* events, std::size_t count, int timeoutMs);
#ifdef _WIN32
    void* m_handle; // a kernel event; its waits are the system's own
    bool m_manualReset;
#else
    bool TryTake(); // caller holds m_mutex

    mutable std::mutex m_mutex;
    bool m_manualReset;
    bool m_signalled;
    std::vector<CEventWaiter*> m_waiters;
#endif
};

constexpr int kWaitTimeout = -1;
constexpr int kInfinite = -1;

// Returns the index of the first signalled event (lowest index wins, as the
// Windows call does) or kWaitTimeout. timeoutMs < 0 waits without limit.
int WaitForAny(CEvent* const* events, std::size_t count, int timeoutMs);

inline bool WaitFor(CEvent& ev, int timeoutMs)
{
    CEvent* one[] = {&ev};
    return WaitForAny(one, 1, timeoutMs) == 0;
}

} // namespace zr
