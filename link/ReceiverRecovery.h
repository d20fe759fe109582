#pragma once
// An unattended recording rides out a receiver's silence. A receiver that
// fails is asked again every second on its port and re-identified when
// it answers; it serves again only when it is the same receiver (model, band,
// bank, channel). When its port will not open (the adapter was unplugged),
// the ports that are free now are tried, so a replugged adapter comes back
// under its new name. Each loss, return and stranger is reported as a line.
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "link/ReceiverSession.h"

namespace zr {

// What makes a receiver the same one when it answers again.
struct ReceiverIdentity {
    std::string model, band, bank, channel;
    bool operator==(const ReceiverIdentity&) const = default;
    std::string Text() const; // "ZR-Q6930 G1 bank 0 channel 1"
};
ReceiverIdentity IdentityOf(const CReceiverLink& link);

class CReceiverRecovery {
public:
    // `report` hears each event as a line ("Receiver 3 (/dev/ttyUSB2): answers again").
    CReceiverRecovery(CReceiverSession& session, std::function<void(const std::string&)> report,
                      std::chrono::milliseconds retry = std::chrono::seconds(1));

    // A served receiver stopped answering; called before its link closes.
    void Lost(SessionReceiver& r);
    // Starts the attempts that are due.
    void Tick();
    // The identifications it started end here (true when `e` ended one of
    // them); a receiver that is itself again is added to `back`.
    bool OnIdentifyDone(const LinkEvent& e, std::vector<SessionReceiver*>& back);
    // Some receiver is still away.
    bool Pending() const { return !m_away.empty(); }
    // The recording ends: attempts under way are closed, none follows.
    void Abandon();
    // After a stranger answered, the next attempt waits this long.
    static constexpr std::chrono::seconds kStrangerRetry{10};

private:
    struct Away {
        SessionReceiver* receiver;
        ReceiverIdentity identity;
        std::string port; // where it was
        std::chrono::steady_clock::time_point next;
        std::vector<std::string> triedPorts; // other ports tried this round
        std::string strangerReported;        // the port a stranger was last reported on
    };
    bool TryPort(Away& a, const std::string& port);
    void Report(const Away& a, const std::string& port, const std::string& what);

    CReceiverSession& m_session;
    std::function<void(const std::string&)> m_report;
    std::chrono::milliseconds m_retry;
    std::vector<Away> m_away;
};

} // namespace zr
