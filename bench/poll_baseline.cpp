// The least work of a recording: one thread, no window, no queue. Every
// period it sends the F4 poll to each port, reads the replies as they come
// (30 ms to answer), and appends each answered poll's record, as the
// Background Log writes it, to a file per receiver kept open; with --reopen
// each record is appended as the log writer does it (open, write, close, so
// the file on disk is whole after every record).
//   poll_baseline [--reopen] PERIOD_MS SECONDS OUTDIR PORT...
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "link/Commands.h"
#include "link/Frame.h"
#include "logs/LogFormat.h"
#include "platform/Clock.h"

int main(int argc, char** argv)
{
    const bool reopen = argc > 1 && std::string(argv[1]) == "--reopen";
    if (reopen)
        --argc, ++argv;
    if (argc < 5) {
        std::fprintf(stderr, "usage: poll_baseline [--reopen] PERIOD_MS SECONDS OUTDIR PORT...\n");
        return 2;
    }
    const auto period = std::chrono::milliseconds(std::atoi(argv[1]));
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(std::atoi(argv[2]));
    struct Receiver {
        int port = -1, log = -1;
        std::string logPath;
        zr::CFrameAssembler frames;
        bool answered = false;
    };
    std::vector<Receiver> receivers(static_cast<std::size_t>(argc - 4));
    for (std::size_t i = 0; i < receivers.size(); ++i) {
        Receiver& r = receivers[i];
        r.port = open(argv[4 + i], O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios t{};
        if (r.port < 0 || tcgetattr(r.port, &t) != 0)
            return 1;
        cfmakeraw(&t);
        tcsetattr(r.port, TCSANOW, &t);
        r.logPath = std::string(argv[3]) + "/rx" + std::to_string(i + 1) + ".nlg";
        r.log = open(r.logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0644);
        const auto header = zr::BuildLogHeader(zr::kLogNorm, static_cast<int>(i), 0, nullptr);
        if (r.log < 0 || write(r.log, header.data(), header.size()) != static_cast<ssize_t>(header.size()))
            return 1;
        if (reopen) {
            close(r.log);
            r.log = -1;
        }
    }
    uint8_t request[zr::kRequestBufferSize];
    const int requestLength = zr::BuildRequest(zr::CommandDesc{zr::kF4, {}}, request);
    std::vector<pollfd> fds(receivers.size());
    for (auto next = std::chrono::steady_clock::now(); next < end; next += period) {
        std::this_thread::sleep_until(next);
        for (Receiver& r : receivers) {
            r.answered = false;
            if (write(r.port, request, static_cast<std::size_t>(requestLength)) != requestLength)
                r.answered = true; // nothing to wait for
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(30);
        for (;;) {
            std::size_t waiting = 0;
            for (std::size_t i = 0; i < receivers.size(); ++i) {
                fds[i] = {receivers[i].port, static_cast<short>(receivers[i].answered ? 0 : POLLIN), 0};
                waiting += !receivers[i].answered;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
            if (waiting == 0 || left <= 0 || poll(fds.data(), fds.size(), static_cast<int>(left)) <= 0)
                break;
            for (std::size_t i = 0; i < receivers.size(); ++i) {
                Receiver& r = receivers[i];
                if (!(fds[i].revents & POLLIN))
                    continue;
                uint8_t bytes[256];
                const ssize_t got = read(r.port, bytes, sizeof bytes);
                for (ssize_t k = 0; k < got && !r.answered; ++k) {
                    if (r.frames.Feed(bytes[k]) != 1 || r.frames.Validate().status != 0 || r.frames.Validate().kind != zr::kF4)
                        continue;
                    r.answered = true;
                    const auto record = zr::BuildLogRecord(zr::LocalTimeToFileTime(zr::CurrentClock().Now()), zr::DecodeF4(r.frames.Buffer()));
                    const int log = reopen ? open(r.logPath.c_str(), O_WRONLY | O_APPEND) : r.log;
                    if (log < 0 || write(log, record.data(), record.size()) != static_cast<ssize_t>(record.size()))
                        return 1;
                    if (reopen && close(log) != 0)
                        return 1;
                }
            }
        }
    }
    for (Receiver& r : receivers) {
        close(r.port);
        if (r.log >= 0)
            close(r.log);
    }
    return 0;
}
