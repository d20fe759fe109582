#include "link/ReceiverSession.h"

#include <algorithm>
#include <chrono>

#include "link/Commands.h"
#include "link/PollPacer.h"
#include "link/ReplyFields.h"
#include "link/UsbSerialFtdi.h"

namespace zr {

int CReceiverSession::OpenAll()
{
    std::erase_if(m_receivers, [](const SessionReceiver& r) { return !r.link; });
    for (auto& r : m_receivers)
        r.stale = true;
    CUSBSerialFTDI::DeviceList devices;
    CUSBSerialFTDI::EnumerateDevices(devices);
    int opened = 0;
    for (const auto& d : devices) {
        SessionReceiver r;
        r.port = d.portName;
        auto link = std::make_unique<CReceiverLink>(m_events);
        SerialSettings settings;
        settings.baudRate = kReceiverBaud;
        if (link->Open(d.portName, settings) == 0) {
            r.link = std::move(link);
            r.identifying = true;
            r.link->StartIdentification();
            ++opened;
        } else {
            r.error = link->LastError();
        }
        m_receivers.push_back(std::move(r));
    }
    return opened;
}

int CReceiverSession::PendingIdentifications() const
{
    return static_cast<int>(std::count_if(m_receivers.begin(), m_receivers.end(), [](const SessionReceiver& r) { return r.identifying; }));
}

bool CReceiverSession::OnIdentifyDone(LinkId link, bool identified)
{
    SessionReceiver* r = Find(link);
    if (!r || !r->identifying)
        return false;
    r->link->JoinIdentification();
    r->identifying = false;
    r->identified = identified && r->link->Identified;
    if (!r->identified) {
        r->error = r->link->LastError();
        r->link->Close(); // its reader lets it go and LinkClosed follows
    }
    return PendingIdentifications() == 0;
}

std::vector<StateRecord> CReceiverSession::Number()
{
    std::vector<SessionReceiver*> who;
    std::vector<StateRecord> records;
    for (auto& r : m_receivers) {
        if (r.stale || !r.identified || !r.link)
            continue;
        StateRecord rec{};
        r.link->CopyReply(rec.data(), kF0);
        who.push_back(&r);
        records.push_back(rec);
    }
    const std::vector<int> positions = NumberReceivers(records);
    std::vector<StateRecord> ordered(records.size());
    for (std::size_t i = 0; i < who.size(); ++i) {
        ordered[static_cast<std::size_t>(positions[i])] = records[i];
        if (positions[i] >= kMaxReceivers) {
            who[i]->link->Close(); // beyond the 16 numbers: not served, port not kept open
            continue;
        }
        who[i]->recNo = positions[i];
        who[i]->link->RecNo = positions[i];
    }
    return ordered;
}

void CReceiverSession::OnLinkClosed(LinkId link)
{
    if (SessionReceiver* r = Find(link)) {
        r->link->JoinReadThread();
        r->identifying = false;
        r->link.reset(); // joins whatever else the link ran
    }
}

bool CReceiverSession::Reopen(SessionReceiver& r, const std::string& port)
{
    if (r.link || r.identifying)
        return false;
    auto link = std::make_unique<CReceiverLink>(m_events);
    SerialSettings settings;
    settings.baudRate = kReceiverBaud;
    r.identified = false;
    if (link->Open(port, settings) != 0) {
        r.error = link->LastError();
        return false;
    }
    r.port = port;
    r.error.clear();
    r.link = std::move(link);
    r.identifying = true;
    r.link->StartIdentification();
    return true;
}

int CReceiverSession::IdentifyAll(CLinkEventQueue& queue)
{
    while (PendingIdentifications() > 0) {
        auto e = queue.Take(std::chrono::milliseconds(1000));
        if (!e)
            continue; // identification always ends: every wait is bounded
        if (e->type == LinkEventType::IdentifyDone)
            OnIdentifyDone(e->link, e->ok);
        else if (e->type == LinkEventType::LinkClosed)
            OnLinkClosed(e->link);
    }
    return static_cast<int>(Number().size());
}

void CReceiverSession::CloseAll()
{
    for (auto& r : m_receivers)
        if (r.link)
            r.link->Close(); // only aborts a link still identifying
}

void CReceiverSession::DestroyAll()
{
    CloseAll();
    for (auto& r : m_receivers)
        r.link.reset(); // joins every thread of the link
    m_receivers.clear();
}

SessionReceiver* CReceiverSession::Find(LinkId link)
{
    // An event may outlive its link: only links still owned count.
    for (auto& r : m_receivers)
        if (r.link && r.link->Id() == link)
            return &r;
    return nullptr;
}

CReceiverLink* CReceiverSession::FindLink(LinkId link)
{
    SessionReceiver* r = Find(link);
    return r ? r->link.get() : nullptr;
}

CReceiverLink* CReceiverSession::LinkOf(int recNo) const
{
    for (const auto& r : m_receivers)
        if (r.link && !r.stale && r.link->RecNo == recNo)
            return r.link.get();
    return nullptr;
}

bool CReceiverSession::AnyReceiverBusy() const
{
    for (int n = 0; n < kMaxReceivers; ++n)
        if (const CReceiverLink* link = LinkOf(n); link && ReceiverModeFromState(ReplyChar(link->Reply(kF0).data(), F0Field::State)) != kModeIdle)
            return true;
    return false;
}

std::size_t CReceiverSession::LinkCount() const
{
    return static_cast<std::size_t>(std::count_if(m_receivers.begin(), m_receivers.end(), [](const SessionReceiver& r) { return r.link != nullptr; }));
}

} // namespace zr
