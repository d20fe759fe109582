#include "cli/ReceiverSession.h"

#include <chrono>

#include "link/AppMessages.h"
#include "link/PollPacer.h"
#include "link/UsbSerialFtdi.h"

namespace zr::cli {

CReceiverSession::~CReceiverSession()
{
    CloseAll();
}

void CReceiverSession::CloseAll()
{
    for (auto& r : m_receivers)
        if (r.link)
            r.link->Close();
    for (auto& r : m_receivers)
        r.link.reset(); // joins every thread of the link
}

int CReceiverSession::OpenAll()
{
    CUSBSerialFTDI::DeviceList devices;
    CUSBSerialFTDI::EnumerateDevices(devices);
    int opened = 0;
    for (const auto& d : devices) {
        SessionReceiver r;
        r.port = d.portName;
        auto link = std::make_unique<CReceiverLink>(&m_queue);
        SerialSettings settings;
        settings.baudRate = kReceiverBaud;
        if (link->Open(d.portName, settings) == 0) {
            r.link = std::move(link);
            ++opened;
        }
        m_receivers.push_back(std::move(r));
    }
    return opened;
}

SessionReceiver* CReceiverSession::Find(uintptr_t linkPtr)
{
    for (auto& r : m_receivers)
        if (r.link && reinterpret_cast<uintptr_t>(r.link.get()) == linkPtr)
            return &r;
    return nullptr;
}

void CReceiverSession::OnLinkClosed(uintptr_t linkPtr)
{
    if (SessionReceiver* r = Find(linkPtr))
        r->link.reset();
}

int CReceiverSession::IdentifyAll()
{
    int pending = 0;
    for (auto& r : m_receivers)
        if (r.link) {
            r.link->StartIdentification();
            ++pending;
        }
    while (pending > 0) {
        auto m = m_queue.Take(std::chrono::milliseconds(1000));
        if (!m)
            continue; // identification always ends: every wait is bounded
        if (m->msg == WM_APP_IDENTIFY_DONE) {
            SessionReceiver* r = Find(m->wParam);
            if (!r)
                continue;
            --pending;
            r->link->JoinIdentification();
            r->identified = m->lParam == 0 && r->link->Identified;
            if (!r->identified)
                r->link->Close();
        } else if (m->msg == WM_APP_LINK_CLOSED) {
            OnLinkClosed(m->wParam);
        }
    }
    std::vector<StateRecord> records;
    std::vector<SessionReceiver*> who;
    for (auto& r : m_receivers) {
        if (!r.identified)
            continue;
        StateRecord rec{};
        r.link->CopyReply(rec.data(), kF0);
        records.push_back(rec);
        who.push_back(&r);
    }
    const std::vector<int> positions = NumberReceivers(records);
    for (std::size_t i = 0; i < who.size(); ++i) {
        if (positions[i] >= kMaxReceivers)
            continue; // beyond the 16 numbers: not served
        who[i]->recNo = positions[i];
        who[i]->link->RecNo = positions[i];
    }
    return static_cast<int>(records.size());
}

} // namespace zr::cli
