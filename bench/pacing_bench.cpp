// Sixteen simulated receivers paced at 100 ms by the main window (Background
// Log recording): the achieved period per receiver measured at the simulator,
// and the tool's CPU use (simulator threads excluded). Then, on the same
// receivers in the same minutes, `zrq6930 record` and the least work of the
// job (poll_baseline: one thread polling and appending the same records),
// each a process of its own, in rounds that take turns: the window's and the
// command's CPU as ratios to the least work.
//   pacing_bench SECONDS [ZRQ6930 POLL_BASELINE [ROUNDS]]
#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <optional>
#include <csignal>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "BenchTable.h"
#include "GuiHarness.h"
#include "app/MainFrame.h"
#include "app/MaintenanceView.h"
#include "ui/MessageBox.h"
#include "sim/Simulator.h"

namespace {

// CPU seconds of a process's threads (the scheduler's own count, in ns),
// leaving out the threads named `skip`.
double ThreadsCpuSeconds(const std::string& process, const char* skip)
{
    double total = 0;
    DIR* d = opendir((process + "/task").c_str());
    if (!d)
        return 0;
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] == '.')
            continue;
        const std::string base = process + "/task/" + e->d_name;
        std::ifstream comm(base + "/comm");
        std::string name;
        std::getline(comm, name);
        if (skip && name == skip)
            continue;
        std::ifstream stat(base + "/schedstat");
        double ns = 0;
        if (stat >> ns)
            total += ns / 1e9;
    }
    closedir(d);
    return total;
}

// This process's threads without the simulator's.
double ToolCpuSeconds()
{
    return ThreadsCpuSeconds("/proc/self", "zr-sim");
}

double ProcessCpuSeconds(pid_t pid)
{
    return ThreadsCpuSeconds("/proc/" + std::to_string(pid), nullptr);
}

// Runs `argv` with the simulated ports; after `warmUp` s (finding the
// receivers) its CPU is measured over `seconds`, then it is stopped as
// Ctrl+C would. The CPU share of one core, and the F4 polls answered meanwhile.
struct ChildPhase {
    double cpuShare = 0;
    std::size_t polls = 0;
};
ChildPhase RunChild(const std::vector<std::string>& argv, zr::sim::CSimulator& sim, int warmUp, int seconds)
{
    ChildPhase out;
    const pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    std::this_thread::sleep_for(std::chrono::seconds(warmUp));
    std::size_t before = 0;
    for (std::size_t i = 0; i < 16; ++i)
        before += sim.Receiver(i).RequestTimes("F4").size();
    const double cpu0 = ProcessCpuSeconds(pid);
    const auto t0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double cpu = ProcessCpuSeconds(pid) - cpu0;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    for (std::size_t i = 0; i < 16; ++i)
        out.polls += sim.Receiver(i).RequestTimes("F4").size();
    out.polls -= before;
    kill(pid, SIGINT);
    waitpid(pid, nullptr, 0);
    out.cpuShare = cpu / wall;
    return out;
}

double Percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())))];
}

using zr::bench::Pump;

// A fresh window on the simulated ports, recording: its CPU share over
// `seconds` after a second of settling; the window is gone afterwards.
std::optional<double> WindowRecordingCpu(int seconds)
{
    auto frame = std::make_unique<zr::CMainFrame>(false);
    frame->show();
    zr::CZRQ6930_MaintenanceView& view = *frame->View();
    if (!zr::bench::ConnectWindow(view))
        return std::nullopt;
    view.StartRecording();
    Pump(std::chrono::milliseconds(1000));
    const double cpu0 = ToolCpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    Pump(std::chrono::seconds(seconds));
    const double cpu = ToolCpuSeconds() - cpu0;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    view.StopBackgroundLog(2);
    return cpu / wall;
}

} // namespace

int main(int argc, char** argv)
{
    zr::bench::PrepareHeadless("pacing");
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 20;
    QApplication app(argc, argv);
    zr::SetMessageBoxHandler([](const zr::MessageBoxRequest& r) {
        std::fprintf(stderr, "message: %s\n", qPrintable(r.text));
        return zr::MsgAnswer::Yes;
    });
    zr::sim::CSimulator sim;
    if (!sim.Start(16))
        return 1;
    setenv("ZRQ6930_PORTS", sim.PortList().c_str(), 1);
    auto frame = std::make_unique<zr::CMainFrame>(false);
    frame->show();
    zr::CZRQ6930_MaintenanceView& view = *frame->View();
    if (!zr::bench::ConnectWindow(view))
        return 1;
    struct Phase {
        double wall, cpu;
        std::vector<double> all, medians, p99s;
    };
    // Measures one poll programme: periods at the simulator, the tool's CPU.
    auto measure = [&](const char* code) {
        Pump(std::chrono::milliseconds(1000));
        std::vector<std::size_t> before(16);
        for (std::size_t i = 0; i < 16; ++i)
            before[i] = sim.Receiver(i).RequestTimes(code).size();
        Phase p;
        const double cpu0 = ToolCpuSeconds();
        const auto t0 = std::chrono::steady_clock::now();
        Pump(std::chrono::seconds(seconds));
        p.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        p.cpu = ToolCpuSeconds() - cpu0;
        for (std::size_t i = 0; i < 16; ++i) {
            const auto times = sim.Receiver(i).RequestTimes(code);
            std::vector<double> periods;
            for (std::size_t k = before[i] + 1; k < times.size(); ++k)
                periods.push_back(std::chrono::duration<double, std::milli>(times[k] - times[k - 1]).count());
            p.all.insert(p.all.end(), periods.begin(), periods.end());
            p.medians.push_back(Percentile(periods, 0.5));
            p.p99s.push_back(Percentile(periods, 0.99));
        }
        return p;
    };
    auto print = [](const char* what, const Phase& p) {
        std::printf("%s, %.1f s: %zu polls measured at the simulator\n", what, p.wall, p.all.size());
        std::printf("  period median %.1f ms, p99 %.1f ms (all receivers); per receiver median %.1f..%.1f, p99 %.1f..%.1f ms\n",
                    Percentile(p.all, 0.5), Percentile(p.all, 0.99), *std::min_element(p.medians.begin(), p.medians.end()),
                    *std::max_element(p.medians.begin(), p.medians.end()), *std::min_element(p.p99s.begin(), p.p99s.end()),
                    *std::max_element(p.p99s.begin(), p.p99s.end()));
        std::printf("  tool CPU %.2f %% of one core (simulator threads excluded)\n", 100.0 * p.cpu / p.wall);
    };
    const Phase idle = measure("F0"); // the baseline: F0 every 500 ms
    view.StartRecording();             // every receiver polls F4 every 100 ms
    const Phase fast = measure("F4");
    print("16 receivers at 500 ms (baseline)", idle);
    print("16 receivers at 100 ms (Background Log recording)", fast);
    std::printf("CPU ratio 100 ms / 500 ms: %.2f\n", (fast.cpu / fast.wall) / std::max(1e-9, idle.cpu / idle.wall));
    std::printf("tool CPU per answered poll: %.0f us at 100 ms, %.0f us at 500 ms\n", 1e6 * fast.cpu / std::max<std::size_t>(1, fast.all.size()),
                1e6 * idle.cpu / std::max<std::size_t>(1, idle.all.size()));
    zr::bench::TableRow("16 receivers recording at 100 ms: tool CPU, % of one core", 100.0 * fast.cpu / fast.wall, "%", "the same at 500 ms, idle",
                        100.0 * idle.cpu / idle.wall, "< 1 %");
    view.StopBackgroundLog(2);
    frame.reset(); // the ports are free again
    if (argc > 3) {
        // Rounds that take turns (window, command, least work, least work
        // reopening), each program's least CPU of the rounds: other loads on
        // a shared machine only ever add to a slice's figure, and the turns
        // give every program the same chances at the quiet minutes (the
        // medians are printed beside).
        const int rounds = argc > 4 ? std::max(1, std::atoi(argv[4])) : 5;
        const std::string logDir = std::getenv("ZRQ6930_LOG_DIR");
        std::vector<std::string> baselineArgs{argv[3], "100", std::to_string(seconds + 4), logDir};
        for (const std::string& port : sim.PortPaths())
            baselineArgs.push_back(port);
        std::vector<std::string> reopeningArgs = baselineArgs;
        reopeningArgs.insert(reopeningArgs.begin() + 1, "--reopen");
        std::vector<double> window{fast.cpu / fast.wall}, record, least, leastReopening;
        for (int round = 0; round < rounds; ++round) {
            if (round > 0) {
                const std::optional<double> share = WindowRecordingCpu(seconds);
                if (!share)
                    return 1;
                window.push_back(*share);
            }
            const ChildPhase rec = RunChild({argv[2], "record"}, sim, 3, seconds);
            const ChildPhase base = RunChild(baselineArgs, sim, 1, seconds);
            const ChildPhase reopening = RunChild(reopeningArgs, sim, 1, seconds);
            record.push_back(rec.cpuShare);
            least.push_back(base.cpuShare);
            leastReopening.push_back(reopening.cpuShare);
            std::printf("round %d, %d s each, CPU %% of one core (polls answered): window %.2f, zrq6930 record %.2f (%zu), "
                        "least work %.2f (%zu), least work reopening %.2f (%zu)\n",
                        round + 1, seconds, 100 * window.back(), 100 * rec.cpuShare, rec.polls, 100 * base.cpuShare, base.polls,
                        100 * reopening.cpuShare, reopening.polls);
        }
        const auto Least = [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); };
        const double w = Least(window), r = Least(record), l = Least(least), lr = Least(leastReopening);
        std::printf("medians of %d rounds: window %.2f %%, zrq6930 record %.2f %%, least work %.2f %%, least work reopening %.2f %%\n", rounds,
                    100 * Percentile(window, 0.5), 100 * Percentile(record, 0.5), 100 * Percentile(least, 0.5), 100 * Percentile(leastReopening, 0.5));
        std::printf("least of %d rounds: least work (one thread polling and appending) %.2f %%, appending as the log writer does "
                    "(open, write, close per record) %.2f %%\n",
                    rounds, 100 * l, 100 * lr);
        std::printf("zrq6930 record %.2f %%: ratio %.2f, %.2f to the log writer's least work\n", 100 * r, r / std::max(1e-9, l), r / std::max(1e-9, lr));
        std::printf("window recording %.2f %%: ratio %.2f, %.2f to the log writer's least work\n", 100 * w, w / std::max(1e-9, l), w / std::max(1e-9, lr));
        zr::bench::TableRow("16 receivers at 100 ms: window CPU, % of one core", 100 * w, "%", "least work (poll_baseline)", 100 * l, "< 1.5x");
        zr::bench::TableRow("16 receivers at 100 ms: zrq6930 record CPU, % of one core", 100 * r, "%", "least work (poll_baseline)", 100 * l, "< 1.5x");
        zr::bench::TableRow("16 receivers at 100 ms: window CPU, % of one core", 100 * w, "%",
                            "least work appending as the log writer does (poll_baseline --reopen)", 100 * lr, "< 1.5x");
        zr::bench::TableRow("16 receivers at 100 ms: zrq6930 record CPU, % of one core", 100 * r, "%",
                            "least work appending as the log writer does (poll_baseline --reopen)", 100 * lr, "< 1.5x");
    }
    sim.Stop();
    return 0;
}
