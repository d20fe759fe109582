#include "link/PollPacer.h"

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

int64_t PacingNow()
{
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count() / 100;
}

} // namespace zr
