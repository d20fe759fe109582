// Sixteen simulated receivers paced at 100 ms by the main window (Background
// Log recording): the achieved period per receiver measured at the simulator,
// and the tool's CPU use (simulator threads excluded).
#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <thread>
#include <unistd.h>

#include "BenchTable.h"
#include "GuiHarness.h"
#include "app/MainFrame.h"
#include "app/MaintenanceView.h"
#include "ui/MessageBox.h"
#include "sim/Simulator.h"

namespace {

// CPU seconds of this process's threads, without the simulator's.
double ToolCpuSeconds()
{
    double total = 0;
    DIR* d = opendir("/proc/self/task");
    if (!d)
        return 0;
    const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] == '.')
            continue;
        const std::string base = std::string("/proc/self/task/") + e->d_name;
        std::ifstream comm(base + "/comm");
        std::string name;
        std::getline(comm, name);
        if (name == "zr-sim")
            continue;
        std::ifstream stat(base + "/stat");
        std::string line;
        std::getline(stat, line);
        const auto close = line.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream rest(line.substr(close + 2));
        std::string field;
        double utime = 0, stime = 0;
        for (int i = 3; i <= 15 && rest >> field; ++i) {
            if (i == 14)
                utime = std::stod(field);
            if (i == 15)
                stime = std::stod(field);
        }
        total += (utime + stime) / tick;
    }
    closedir(d);
    return total;
}

double Percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())))];
}

using zr::bench::Pump;

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
    frame.reset();
    sim.Stop();
    return 0;
}
