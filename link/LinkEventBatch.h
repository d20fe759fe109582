#pragma once
// Events posted on a thread that collects them (the reading loop) go out
// together when it flushes: the replies of one wake-up of the loop reach
// their owner in one hand-over, not one each. Order per sink is kept.
#include <utility>
#include <vector>

#include "link/LinkEvents.h"

namespace zr {

class CLinkEventBatch {
public:
    // The constructing thread collects its events from now on; the batch
    // flushes and stops collecting when destroyed.
    CLinkEventBatch();
    ~CLinkEventBatch();
    CLinkEventBatch(const CLinkEventBatch&) = delete;
    CLinkEventBatch& operator=(const CLinkEventBatch&) = delete;

    // Where the calling thread's events go now: its batch, or straight to
    // the sink when it collects none.
    static void Post(ILinkEventSink* sink, const LinkEvent& event);
    // Hands everything collected to its sinks.
    void Flush();

private:
    std::vector<std::pair<ILinkEventSink*, LinkEvent>> m_pending;
    std::vector<LinkEvent> m_scratch;
};

} // namespace zr
