#include "cli/PollLoop.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "cli/CliCommon.h"
#include "link/ReceiverRecovery.h"
#include "link/AppMessages.h"
#include "link/ToolFacts.h"
#include "platform/SerialPort.h"

namespace zr::cli {

bool OpenAndIdentify(CReceiverSession& session, CMessageQueue& queue)
{
    session.OpenAll();
    if (session.IdentifyAll(queue) > 0)
        return true;
    std::fprintf(stderr, "%s\n", kNoReceiverText);
    // A port that is there but held, or refused, is worth more than that.
    for (const SessionReceiver& r : session.Receivers())
        if (!r.error.empty())
            std::fprintf(stderr, "%s: %s\n", r.port.c_str(), r.error.c_str());
    return false;
}

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

bool RunOneShot(CReceiverSession& session, CMessageQueue& queue, SessionReceiver& r, const CommandDesc& command)
{
    const uintptr_t link = r.link->Id();
    r.link->StartOneShot(command);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        auto m = queue.Take(std::chrono::milliseconds(100));
        if (!m)
            continue;
        if (m->msg == WM_APP_LINK_CLOSED)
            session.OnLinkClosed(m->wParam);
        else if ((m->msg == WM_APP_ONESHOT_DONE || m->msg == WM_APP_ONESHOT_FAILED) && m->wParam == link) {
            r.link->WaitTimeoutMs = kPollWaitMs;
            return m->msg == WM_APP_ONESHOT_DONE;
        }
    }
    return false;
}

LoopEnd RunPollLoop(CReceiverSession& session, CMessageQueue& queue, std::vector<SessionReceiver*>& served, const PollProgramme& programme,
                    double seconds, const PollLoopHandlers& handlers)
{
    CPollPacer pacer;
    const auto serve = [&](SessionReceiver* r) {
        r->link->StartPolling();
        ApplyPollProgramme(*r->link, programme);
        pacer.Restart(r->recNo, programme.periodMs);
    };
    for (SessionReceiver* r : served)
        serve(r);
    CReceiverRecovery* const recovery = handlers.recovery;
    // A message of the loop's own: the loop's end, or nothing to say.
    auto handle = [&](const AppMessage& m) -> std::optional<LoopEnd> {
        if (m.msg == WM_APP_LINK_CLOSED) {
            session.OnLinkClosed(m.wParam);
            return std::nullopt;
        }
        if (m.msg != WM_APP_POLL_REPLY && m.msg != WM_APP_POLL_FAILED) {
            std::vector<SessionReceiver*> back;
            if (recovery && recovery->OnMessage(m, back)) {
                for (SessionReceiver* r : back) {
                    served.push_back(r);
                    serve(r);
                }
                return std::nullopt;
            }
            if (handlers.other && !handlers.other(m))
                return LoopEnd::ByHandler;
            return std::nullopt;
        }
        SessionReceiver* r = session.Find(m.wParam);
        auto it = std::find(served.begin(), served.end(), r);
        if (!r || it == served.end())
            return std::nullopt;
        if (m.msg == WM_APP_POLL_REPLY) {
            if (handlers.reply && !handlers.reply(*r, static_cast<int>(m.lParam)))
                return LoopEnd::ByHandler;
        } else {
            if (handlers.lost)
                handlers.lost(*r);
            if (recovery)
                recovery->Lost(*r);
            served.erase(it);
            r->link->Close();
        }
        return std::nullopt;
    };
    // Between the ticks that find a poll due the loop waits on the messages:
    // replies are handled as they come, and nothing wakes it for nothing.
    // The wait is capped so Ctrl+C and the time limit are seen soon.
    constexpr auto kLongestWait = std::chrono::milliseconds(50);
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        if (StopRequested())
            return LoopEnd::Stopped;
        if (served.empty() && (!recovery || !recovery->Pending()))
            return LoopEnd::AllLost;
        if (recovery)
            recovery->Tick();
        if (std::ferror(stdout))
            return LoopEnd::OutputFailed;
        if (seconds >= 0 && std::chrono::steady_clock::now() - start >= std::chrono::duration<double>(seconds))
            return LoopEnd::TimeUp;
        const int64_t now = PacingNow();
        std::vector<int> recNos;
        for (SessionReceiver* r : served) {
            recNos.push_back(r->recNo);
            if (pacer.Tick(r->recNo, now))
                r->link->TriggerPoll();
        }
        const int64_t wait = pacer.NextWait(recNos, now);
        const auto deadline = std::chrono::steady_clock::now() +
                              std::min<std::chrono::steady_clock::duration>(kLongestWait, std::chrono::microseconds(std::max<int64_t>(1000, wait / 10)));
        for (;;) {
            // Until the deadline to the microsecond: a wait cut to whole
            // milliseconds would spin through the last one.
            auto m = queue.TakeUntil(deadline);
            if (!m)
                break;
            if (const auto end = handle(*m))
                return *end;
            if (StopRequested() || (served.empty() && (!recovery || !recovery->Pending())))
                break;
        }
    }
}

} // namespace zr::cli
