#include "cli/PollLoop.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "cli/CliCommon.h"
#include "link/ToolFacts.h"
#include "platform/SerialPort.h"

namespace zr::cli {

std::vector<SessionReceiver*> InNumberOrder(CReceiverSession& session)
{
    std::vector<SessionReceiver*> out;
    for (auto& r : session.Receivers())
        if (r.recNo >= 0 && r.link)
            out.push_back(&r);
    std::sort(out.begin(), out.end(), [](auto* a, auto* b) { return a->recNo < b->recNo; });
    return out;
}

bool ParseAmount(const std::string& text, double max, double& out)
{
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != 0 || !std::isfinite(v) || v < 0 || v > max)
        return false;
    out = v;
    return true;
}

bool ParseReceiverOption(const char* command, const std::string& text, std::vector<int>& recNos)
{
    double v = 0;
    if (!ParseAmount(text, kMaxReceivers, v) || v < 1 || v != static_cast<int>(v)) {
        std::fprintf(stderr, "zrq6930 %s: --rx takes a receiver number from 1 to 16\n", command);
        return false;
    }
    recNos.push_back(static_cast<int>(v) - 1);
    return true;
}

bool SelectReceivers(const char* command, CReceiverSession& session, const std::vector<int>& wanted, std::vector<SessionReceiver*>& out)
{
    // Numbers follow bank and channel over every receiver: with one out of
    // reach they would shift, and a number could name another receiver.
    for (const SessionReceiver& r : session.Receivers()) {
        const std::size_t held = r.error.find(kPortHeldText);
        if (!wanted.empty() && held != std::string::npos) {
            std::fprintf(stderr, "zrq6930 %s: %s is %s; receiver numbers count every receiver, so none can be chosen by number until it is free\n", command,
                         r.port.c_str(), r.error.c_str() + held);
            return false;
        }
    }
    for (int n : wanted) {
        if (!session.LinkOf(n)) {
            std::fprintf(stderr, "zrq6930 %s: no receiver number %d\n", command, n + 1);
            return false;
        }
    }
    for (SessionReceiver* r : InNumberOrder(session))
        if (wanted.empty() || std::find(wanted.begin(), wanted.end(), r->recNo) != wanted.end())
            out.push_back(r);
    return true;
}

bool CCliReceivers::OpenAndIdentify()
{
    Session().OpenAll();
    if (Session().IdentifyAll(m_queue) > 0)
        return true;
    std::fprintf(stderr, "%s\n", kNoReceiverText);
    // A port that is there but held, or refused, is worth more than that.
    for (const SessionReceiver& r : Session().Receivers())
        if (!r.error.empty())
            std::fprintf(stderr, "%s: %s\n", r.port.c_str(), r.error.c_str());
    return false;
}

void CCliReceivers::HandleEventsUntil(std::chrono::steady_clock::time_point deadline, const std::function<bool()>& done)
{
    // Until the deadline to the microsecond: a wait cut to whole
    // milliseconds would spin through the last one.
    while (!done()) {
        auto e = m_queue.TakeUntil(deadline);
        if (!e)
            return;
        m_controller.HandleEvent(*e);
    }
}

bool CCliReceivers::RunOneShot(SessionReceiver& r, const CommandDesc& command)
{
    if (!m_controller.StartOneShot(r.recNo, command, false))
        return false;
    m_oneShotRecNo = r.recNo;
    m_oneShotAcknowledged.reset();
    HandleEventsUntil(std::chrono::steady_clock::now() + std::chrono::seconds(5), [this] { return m_oneShotAcknowledged.has_value(); });
    m_oneShotRecNo = -1;
    return m_oneShotAcknowledged.value_or(false);
}

void CCliReceivers::OneShotDone(int recNo, int kind, bool acknowledged)
{
    (void)kind;
    if (recNo == m_oneShotRecNo)
        m_oneShotAcknowledged = acknowledged;
}

void CCliReceivers::Replied(const ReceiverReply& reply)
{
    if (!m_handlers || !m_served || m_endedByHandler)
        return;
    for (SessionReceiver* r : *m_served)
        if (r->recNo == reply.recNo && m_handlers->reply && !m_handlers->reply(*r, reply))
            m_endedByHandler = true;
}

void CCliReceivers::ReceiverLost(SessionReceiver& r, bool recovering)
{
    (void)recovering;
    if (!m_served)
        return;
    const auto it = std::find(m_served->begin(), m_served->end(), &r);
    if (it == m_served->end())
        return;
    if (m_handlers && m_handlers->lost)
        m_handlers->lost(r);
    m_served->erase(it);
}

void CCliReceivers::ReceiverBack(SessionReceiver& r)
{
    if (m_served)
        m_served->push_back(&r);
}

LoopEnd CCliReceivers::RunPollLoop(std::vector<SessionReceiver*>& served, const PollProgramme& programme, double seconds, const PollLoopHandlers& handlers)
{
    m_handlers = &handlers;
    m_served = &served;
    m_endedByHandler = false;
    if (handlers.recovery)
        m_controller.StartRecovery(handlers.recovery);
    for (SessionReceiver* r : served)
        m_controller.Serve(*r, programme);
    const auto finish = [&](LoopEnd end) {
        m_recoveryPending = m_controller.RecoveryPending();
        for (int n = 0; n < kMaxReceivers; ++n)
            m_controller.StopServing(n);
        if (handlers.recovery)
            m_controller.StopRecovery();
        m_handlers = nullptr;
        m_served = nullptr;
        return end;
    };
    const auto allLost = [&] { return served.empty() && !m_controller.RecoveryPending(); };
    // Between the pacing's wake-ups the loop waits on the events: replies are
    // handled as they come, and nothing wakes it for nothing. The wait is
    // capped so Ctrl+C and the time limit are seen soon.
    constexpr int64_t kLongestWaitUs = 50000;
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        if (StopRequested())
            return finish(LoopEnd::Stopped);
        if (allLost())
            return finish(LoopEnd::AllLost);
        if (std::ferror(stdout))
            return finish(LoopEnd::OutputFailed);
        if (seconds >= 0 && std::chrono::steady_clock::now() - start >= std::chrono::duration<double>(seconds))
            return finish(LoopEnd::TimeUp);
        if (m_clock.WakeAt() >= 0 && PacingNow() >= m_clock.WakeAt())
            m_controller.OnWake();
        const int64_t wakeAt = m_clock.WakeAt();
        const int64_t waitUs = wakeAt < 0 ? kLongestWaitUs : std::clamp<int64_t>((wakeAt - PacingNow()) / 10, 1000, kLongestWaitUs);
        HandleEventsUntil(std::chrono::steady_clock::now() + std::chrono::microseconds(waitUs),
                          [&] { return m_endedByHandler || StopRequested() || allLost(); });
        if (m_endedByHandler)
            return finish(LoopEnd::ByHandler);
    }
}

} // namespace zr::cli
