#pragma once
// The CLI's owner of the links: opens every adapter, identifies all receivers
// in parallel and numbers them as the main window does.
#include <memory>
#include <string>
#include <vector>

#include "link/MessageQueue.h"
#include "link/ReceiverLink.h"
#include "link/ReceiverRow.h"

namespace zr::cli {

struct SessionReceiver {
    std::string port;
    std::unique_ptr<CReceiverLink> link; // null once closed and joined
    bool identified = false;
    int recNo = -1; // 0..15 when numbered
};

class CReceiverSession {
public:
    ~CReceiverSession();
    // Opens every adapter found; returns how many opened.
    int OpenAll();
    // Identifies every opened receiver, closes the refused ones, numbers the
    // first 16 identified. Returns the number identified.
    int IdentifyAll();
    std::vector<SessionReceiver>& Receivers() { return m_receivers; }
    CMessageQueue& Queue() { return m_queue; }
    SessionReceiver* Find(uintptr_t linkPtr);
    // Handles a LINK_CLOSED message: joins and deletes the link.
    void OnLinkClosed(uintptr_t linkPtr);
    void CloseAll();

private:
    CMessageQueue m_queue;
    std::vector<SessionReceiver> m_receivers;
};

} // namespace zr::cli
