#include "link/LinkEventBatch.h"

namespace zr {

namespace {
thread_local CLinkEventBatch* t_batch = nullptr;
}

CLinkEventBatch::CLinkEventBatch()
{
    t_batch = this;
}

CLinkEventBatch::~CLinkEventBatch()
{
    Flush();
    t_batch = nullptr;
}

void CLinkEventBatch::Post(ILinkEventSink* sink, const LinkEvent& event)
{
    if (t_batch)
        t_batch->m_pending.emplace_back(sink, event);
    else
        sink->Post(event);
}

void CLinkEventBatch::Flush()
{
    // A few sinks at most (one per owner): each gets its own events in one call.
    while (!m_pending.empty()) {
        ILinkEventSink* sink = m_pending.front().first;
        m_scratch.clear();
        std::size_t kept = 0;
        for (auto& [to, event] : m_pending) {
            if (to == sink)
                m_scratch.push_back(event);
            else
                m_pending[kept++] = {to, event};
        }
        m_pending.resize(kept);
        sink->PostAll(m_scratch);
    }
}

} // namespace zr
