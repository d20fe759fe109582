#include "link/ReceiverRecovery.h"

#include <algorithm>

#include "link/Commands.h"
#include "link/ReceiverLink.h"
#include "link/ReplyFields.h"
#include "link/UsbSerialFtdi.h"

namespace zr {

std::string ReceiverIdentity::Text() const
{
    return model + " " + band + " bank " + bank + " channel " + channel;
}

ReceiverIdentity IdentityOf(const CReceiverLink& link)
{
    const ReplySlot m0 = link.Reply(kM0), f0 = link.Reply(kF0);
    return {ReplyFieldText(m0.data(), M0Field::Model), BandCodeFromModel(m0.data()), ReplyFieldText(f0.data(), F0Field::Bank),
            ReplyFieldText(f0.data(), F0Field::Channel)};
}

CReceiverRecovery::CReceiverRecovery(CReceiverSession& session, std::function<void(const std::string&)> report, std::chrono::milliseconds retry)
    : m_session(session), m_report(std::move(report)), m_retry(retry)
{
}

void CReceiverRecovery::Report(const Away& a, const std::string& port, const std::string& what)
{
    if (m_report)
        m_report("Receiver " + std::to_string(a.receiver->recNo + 1) + " (" + port + "): " + what);
}

void CReceiverRecovery::Lost(SessionReceiver& r)
{
    Away a{&r, r.link ? IdentityOf(*r.link) : ReceiverIdentity{}, r.port, std::chrono::steady_clock::now() + m_retry, {}, {}};
    const std::string why = r.link && !r.link->LastError().empty() ? ": " + r.link->LastError() : "";
    Report(a, r.port, "Comm Error" + why + "; asked again every " + std::to_string(m_retry.count()) + " ms");
    m_away.push_back(std::move(a));
}

void CReceiverRecovery::Abandon()
{
    for (Away& a : m_away)
        if (a.receiver->link && a.receiver->identifying)
            a.receiver->link->Close(); // its LinkClosed event deletes it
    m_away.clear();
}

bool CReceiverRecovery::TryPort(Away& a, const std::string& port)
{
    return m_session.Reopen(*a.receiver, port);
}

void CReceiverRecovery::Tick()
{
    const auto now = std::chrono::steady_clock::now();
    for (Away& a : m_away) {
        if (now < a.next || a.receiver->link || a.receiver->identifying)
            continue; // not yet, or its last link has not gone
        a.next = now + m_retry;
        if (TryPort(a, a.port))
            continue;
        // Its port will not open: the adapter may be back under another name.
        // One free port per attempt, each in turn.
        CUSBSerialFTDI::DeviceList devices;
        CUSBSerialFTDI::EnumerateDevices(devices);
        // A port is free when no link uses it and it is no known receiver's
        // own: another receiver that is away comes back on its own port.
        std::vector<std::string> free;
        for (const auto& d : devices) {
            const bool taken = std::any_of(m_session.Receivers().begin(), m_session.Receivers().end(), [&](const SessionReceiver& r) {
                return r.port == d.portName && (r.link || r.identifying || (r.recNo >= 0 && &r != a.receiver));
            });
            const bool someonesOwn = std::any_of(m_away.begin(), m_away.end(), [&](const Away& other) { return other.port == d.portName; });
            if (!taken && !someonesOwn)
                free.push_back(d.portName);
        }
        auto untried = std::find_if(free.begin(), free.end(), [&](const std::string& p) {
            return std::find(a.triedPorts.begin(), a.triedPorts.end(), p) == a.triedPorts.end();
        });
        if (untried == free.end()) {
            a.triedPorts.clear(); // every one tried: the next round starts over
            continue;
        }
        a.triedPorts.push_back(*untried);
        TryPort(a, *untried);
    }
}

bool CReceiverRecovery::OnIdentifyDone(const LinkEvent& e, std::vector<SessionReceiver*>& back)
{
    if (e.type != LinkEventType::IdentifyDone)
        return false;
    SessionReceiver* r = m_session.Find(e.link);
    auto it = std::find_if(m_away.begin(), m_away.end(), [&](const Away& a) { return a.receiver == r; });
    if (!r || it == m_away.end())
        return false;
    m_session.OnIdentifyDone(e.link, e.ok); // a refused one is closed there
    if (!r->identified || !r->link)
        return true;
    const ReceiverIdentity identity = IdentityOf(*r->link);
    if (identity != it->identity) {
        // Someone else's receiver on that port: never mixed into this log.
        if (it->strangerReported != r->port) {
            Report(*it, r->port, "another receiver answers here (" + identity.Text() + "); it is not recorded");
            it->strangerReported = r->port;
        }
        r->link->Close();
        // Someone else's receiver is not asked who it is every second.
        it->next = std::chrono::steady_clock::now() + kStrangerRetry;
        return true;
    }
    r->link->RecNo = r->recNo;
    Report(*it, r->port, r->port == it->port ? "answers again" : "answers again, now on " + r->port + " (was " + it->port + ")");
    back.push_back(r);
    m_away.erase(it);
    return true;
}

} // namespace zr
