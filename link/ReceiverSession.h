#pragma once
// The receivers of one connection: opens every adapter, identifies them in
// parallel, numbers them by bank and channel, owns their links, and closes and
// joins them. Event-driven: its owner feeds it the link events it takes;
// IdentifyAll runs the same steps for a caller that owns a queue.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "link/LinkEventQueue.h"
#include "link/ReceiverLink.h"
#include "link/ReceiverRow.h"

namespace zr {

struct SessionReceiver {
    std::string port;
    std::unique_ptr<CReceiverLink> link; // null once closed and joined
    bool identifying = false;
    bool identified = false;
    bool stale = false; // left over from an earlier connection, still closing
    int recNo = -1;     // 0..15 when numbered
    std::string error;  // why the port could not be opened or served
};

class CReceiverSession {
public:
    explicit CReceiverSession(ILinkEventSink* events) : m_events(events) {}
    ~CReceiverSession() { DestroyAll(); }
    CReceiverSession(const CReceiverSession&) = delete;
    CReceiverSession& operator=(const CReceiverSession&) = delete;

    // Opens every adapter found and starts its identification; returns how
    // many opened.
    int OpenAll();
    // A link's identification ended: a refused receiver's link is closed.
    // True when no identification of this connection is pending any more.
    bool OnIdentifyDone(LinkId link, bool identified);
    int PendingIdentifications() const;
    // Numbers the identified receivers: the first 16 by position get their
    // RecNo, the others are closed. Returns their state records in number order.
    std::vector<StateRecord> Number();
    // A link's reader let it go: joins and deletes the link.
    void OnLinkClosed(LinkId link);
    // A receiver that stopped answering, asked again: a new link in the same
    // place (pointers to it stay good) on `port`, its own or the one a
    // replugged adapter came back on, and its identification started. False
    // when its old link has not gone yet or the port does not open (error set).
    bool Reopen(SessionReceiver& r, const std::string& port);

    // OpenAll's adapters identified and numbered, serving `queue`, which must
    // be where this session's links post. Returns the number identified.
    int IdentifyAll(CLinkEventQueue& queue);

    // Closes every link; each goes when its LinkClosed event is handled.
    void CloseAll();
    // Closes every link and joins its threads now.
    void DestroyAll();

    // By the id a link's events carry (CReceiverLink::Id); nullptr for a
    // link that is gone, whatever link now lives where it lived.
    SessionReceiver* Find(LinkId link);
    CReceiverLink* FindLink(LinkId link);
    CReceiverLink* LinkOf(int recNo) const;
    // A numbered receiver reports a scan or a walk test (or is unavailable).
    bool AnyReceiverBusy() const;
    std::size_t LinkCount() const;
    std::vector<SessionReceiver>& Receivers() { return m_receivers; }
    const std::vector<SessionReceiver>& Receivers() const { return m_receivers; }

private:
    ILinkEventSink* m_events;
    std::vector<SessionReceiver> m_receivers; // in the order the ports were found
};

} // namespace zr
