#pragma once
// The receivers of one connection: opens every adapter, identifies them in
// parallel, numbers them by bank and channel, owns their links, and closes and
// joins them. Event-driven, so the window feeds it the messages its owner
// receives; IdentifyAll runs the same steps for a caller that owns a queue.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "link/MessageQueue.h"
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
    explicit CReceiverSession(IMessageOwner* owner) : m_owner(owner) {}
    ~CReceiverSession() { DestroyAll(); }
    CReceiverSession(const CReceiverSession&) = delete;
    CReceiverSession& operator=(const CReceiverSession&) = delete;

    // Opens every adapter found and starts its identification; returns how
    // many opened.
    int OpenAll();
    // WM_APP_IDENTIFY_DONE: a refused receiver's link is closed. True when no
    // identification of this connection is pending any more.
    bool OnIdentifyDone(uintptr_t link, intptr_t result);
    int PendingIdentifications() const;
    // Numbers the identified receivers: the first 16 by position get their
    // RecNo, the others are closed. Returns their state records in number order.
    std::vector<StateRecord> Number();
    // WM_APP_LINK_CLOSED: joins and deletes the link.
    void OnLinkClosed(uintptr_t link);
    // A receiver that stopped answering, asked again: a new link in the same
    // place (pointers to it stay good) on `port`, its own or the one a
    // replugged adapter came back on, and its identification started. False
    // when its old link has not gone yet or the port does not open (error set).
    bool Reopen(SessionReceiver& r, const std::string& port);

    // OpenAll's adapters identified and numbered, serving `queue`, which must
    // be this session's owner. Returns the number identified.
    int IdentifyAll(CMessageQueue& queue);

    // Closes every link; each goes when its WM_APP_LINK_CLOSED is handled.
    void CloseAll();
    // Closes every link and joins its threads now.
    void DestroyAll();

    // By the id a link's messages carry (CReceiverLink::Id); nullptr for a
    // link that is gone, whatever link now lives where it lived.
    SessionReceiver* Find(uintptr_t link);
    CReceiverLink* FindLink(uintptr_t link);
    CReceiverLink* LinkOf(int recNo) const;
    // A numbered receiver reports a scan or a walk test (or is unavailable).
    bool AnyReceiverBusy() const;
    std::size_t LinkCount() const;
    std::vector<SessionReceiver>& Receivers() { return m_receivers; }
    const std::vector<SessionReceiver>& Receivers() const { return m_receivers; }

private:
    IMessageOwner* m_owner;
    std::vector<SessionReceiver> m_receivers; // in the order the ports were found
};

} // namespace zr
