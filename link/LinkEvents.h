#pragma once
// What a link tells its owner. Links post these from their threads; the owner
// takes them on its own thread in the order they were posted. Each names its
// link by an id no other link of this process ever carries, so a late event of
// a closed link cannot be taken for a new link's.
#include <cstdint>
#include <vector>

#include "link/Frame.h"

namespace zr {

using LinkId = uint64_t;

enum class LinkEventType : uint8_t {
    IdentifyDone,  // ok: identified (model, settings and versions read)
    PollReply,     // kind answered; reply and state as they were stored then
    PollFailed,    // kind went unanswered after every try, or could not be sent
    OneShotResult, // a scan start or stop: ok when the receiver acknowledged it
    LinkClosed,    // its reader has let it go: the link may be joined and deleted
};

struct LinkEvent {
    LinkEventType type = LinkEventType::LinkClosed;
    LinkId link = 0;
    int kind = kUnknownKind;
    bool ok = false;
    ReplySlot reply{}; // PollReply: the reply of `kind`
    ReplySlot state{}; // PollReply: the F0 reply, state character and settings
};

class ILinkEventSink {
public:
    virtual ~ILinkEventSink() = default;
    // Any thread; never blocks; keeps order.
    virtual void Post(const LinkEvent& event) = 0;
    // Several at once, in order: a sink that wakes its owner per hand-over
    // wakes it once for all of them.
    virtual void PostAll(const std::vector<LinkEvent>& events)
    {
        for (const LinkEvent& e : events)
            Post(e);
    }
};

} // namespace zr
