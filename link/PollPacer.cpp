#include "link/PollPacer.h"

#include <algorithm>
#include <chrono>

namespace zr {

void CPollPacer::Restart(int recNo, int periodMs)
{
    if (recNo < 0 || recNo >= kMaxReceivers)
        return;
    m_firstTick[static_cast<std::size_t>(recNo)] = true;
    m_period = static_cast<int64_t>(periodMs) * 10000;
}

bool CPollPacer::Tick(int recNo, int64_t now)
{
    if (recNo < 0 || recNo >= kMaxReceivers)
        return false;
    auto& next = m_next[static_cast<std::size_t>(recNo)];
    if (m_firstTick[static_cast<std::size_t>(recNo)]) {
        next = now;
        m_firstTick[static_cast<std::size_t>(recNo)] = false;
    }
    if (now - next <= m_period)
        return false;
    while (now - next > m_period)
        next += m_period;
    return true;
}

int64_t CPollPacer::DueAt(int recNo) const
{
    if (recNo < 0 || recNo >= kMaxReceivers || m_firstTick[static_cast<std::size_t>(recNo)])
        return 0;
    return m_next[static_cast<std::size_t>(recNo)] + m_period + 1;
}

int64_t CPollPacer::NextWait(const std::vector<int>& recNos, int64_t now) const
{
    int64_t soonest = -1;
    for (int recNo : recNos) {
        const int64_t due = DueAt(recNo);
        const int64_t wait = due == 0 ? int64_t{kPacingTickMs} * 10000 : std::max<int64_t>(0, due - now);
        soonest = soonest < 0 ? wait : std::min(soonest, wait);
    }
    return soonest;
}

int64_t PacingNow()
{
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count() / 100;
}

} // namespace zr
