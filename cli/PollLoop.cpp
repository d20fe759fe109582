#include "cli/PollLoop.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "cli/CliCommon.h"
#include "link/AppMessages.h"

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

LoopEnd RunPollLoop(CReceiverSession& session, CMessageQueue& queue, std::vector<SessionReceiver*>& served, const PollProgramme& programme,
                    double seconds, const PollLoopHandlers& handlers)
{
    CPollPacer pacer;
    for (SessionReceiver* r : served) {
        r->link->StartPolling();
        ApplyPollProgramme(*r->link, programme);
        pacer.Restart(r->recNo, programme.periodMs);
    }
    const auto start = std::chrono::steady_clock::now();
    auto nextTick = start;
    for (;;) {
        if (StopRequested())
            return LoopEnd::Stopped;
        if (served.empty())
            return LoopEnd::AllLost;
        if (std::ferror(stdout))
            return LoopEnd::OutputFailed;
        if (seconds >= 0 && std::chrono::steady_clock::now() - start >= std::chrono::duration<double>(seconds))
            return LoopEnd::TimeUp;
        nextTick += std::chrono::milliseconds(kPacingTickMs);
        const int64_t now = PacingNow();
        for (SessionReceiver* r : served)
            if (pacer.Tick(r->recNo, now))
                r->link->TriggerPoll();
        while (auto m = queue.TryTake()) {
            if (m->msg == WM_APP_LINK_CLOSED) {
                session.OnLinkClosed(m->wParam);
                continue;
            }
            if (m->msg != WM_APP_POLL_REPLY && m->msg != WM_APP_POLL_FAILED) {
                if (handlers.other && !handlers.other(*m))
                    return LoopEnd::ByHandler;
                continue;
            }
            SessionReceiver* r = session.Find(m->wParam);
            auto it = std::find(served.begin(), served.end(), r);
            if (!r || it == served.end())
                continue;
            if (m->msg == WM_APP_POLL_REPLY) {
                if (handlers.reply)
                    handlers.reply(*r, static_cast<int>(m->lParam));
            } else {
                if (handlers.lost)
                    handlers.lost(*r);
                served.erase(it);
                r->link->Close();
            }
        }
        std::this_thread::sleep_until(nextTick);
        if (std::chrono::steady_clock::now() - nextTick > std::chrono::milliseconds(100))
            nextTick = std::chrono::steady_clock::now(); // a stall is not made up
    }
}

} // namespace zr::cli
