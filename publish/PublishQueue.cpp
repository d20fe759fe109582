#include "publish/PublishQueue.h"

#include <algorithm>

namespace zr {

void CPublishQueue::PutState(const std::string& topic, std::string payload, int64_t nowMs)
{
    State& s = m_states[topic];
    if (s.pending && !m_connected && nowMs - s.putMs >= m_minIntervalMs)
        ++m_dropped;
    s.payload = std::move(payload);
    s.pending = true;
    s.putMs = nowMs;
}

void CPublishQueue::PutEvent(const std::string& topic, std::string payload)
{
    if (m_events.size() >= m_eventCapacity) {
        ++m_dropped;
        return;
    }
    m_events.push_back({topic, std::move(payload), false});
}

void CPublishQueue::SetConnected(bool connected)
{
    if (connected && !m_connected)
        for (auto& [topic, s] : m_states) {
            s.pending = true;
            s.nextSlotMs = INT64_MIN / 2;
        }
    m_connected = connected;
}

std::vector<OutMessage> CPublishQueue::TakeDue(int64_t nowMs, std::size_t max)
{
    std::vector<OutMessage> out;
    if (!m_connected)
        return out;
    while (!m_events.empty() && out.size() < max) {
        out.push_back(std::move(m_events.front()));
        m_events.pop_front();
    }
    for (auto& [topic, s] : m_states) {
        if (out.size() >= max)
            break;
        if (!s.pending || nowMs < s.nextSlotMs)
            continue;
        out.push_back({topic, s.payload, true});
        s.pending = false;
        s.nextSlotMs = s.nextSlotMs < nowMs - m_minIntervalMs ? nowMs + m_minIntervalMs
                                                              : std::max(s.nextSlotMs + m_minIntervalMs, nowMs + m_minIntervalMs / 2);
    }
    return out;
}

int64_t CPublishQueue::NextDueInMs(int64_t nowMs) const
{
    if (!m_connected)
        return -1;
    if (!m_events.empty())
        return 0;
    int64_t next = -1;
    for (const auto& [topic, s] : m_states) {
        if (!s.pending)
            continue;
        const int64_t in = std::max<int64_t>(0, s.nextSlotMs - nowMs);
        next = next < 0 ? in : std::min(next, in);
    }
    return next;
}

bool CPublishQueue::Empty() const
{
    return m_events.empty() && std::none_of(m_states.begin(), m_states.end(), [](const auto& e) { return e.second.pending; });
}

} // namespace zr
