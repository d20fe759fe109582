// Soak run: sixteen simulated receivers with injected faults (noise, split
// frames, corrupt checksums now and then, busy replies, a cable pulled) under
// the main window, Background Log recording, for N seconds. Prints what it
// saw and the memory use at the start and the end.
#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

#include "GuiHarness.h"
#include "app/MainFrame.h"
#include "app/MaintenanceView.h"
#include "ui/MessageBox.h"
#include "sim/Simulator.h"

namespace {

long RssKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

using zr::bench::Pump;

} // namespace

int main(int argc, char** argv)
{
    zr::bench::PrepareHeadless("soak");
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    QApplication app(argc, argv);
    int messages = 0;
    zr::SetMessageBoxHandler([&](const zr::MessageBoxRequest& r) {
        std::printf("message: %s\n", qPrintable(r.text));
        ++messages;
        return zr::MsgAnswer::Yes;
    });
    std::vector<zr::sim::SimReceiverConfig> cfgs;
    for (int i = 0; i < 16; ++i)
        cfgs.push_back(zr::sim::DefaultConfig(i));
    cfgs[1].faults.noise = true;
    cfgs[2].faults.splitBytes = 1;
    cfgs[3].faults.splitBytes = 5;
    cfgs[4].faults.busyCodes = "F4";
    cfgs[5].faults.noise = true, cfgs[5].faults.splitBytes = 2;
    zr::sim::CSimulator sim;
    if (!sim.Start(cfgs))
        return 1;
    setenv("ZRQ6930_PORTS", sim.PortList().c_str(), 1);
    auto frame = std::make_unique<zr::CMainFrame>(false);
    zr::CZRQ6930_MaintenanceView& view = *frame->View();
    if (!zr::bench::ConnectWindow(view))
        return 1;
    view.StartRecording();
    const long rss0 = RssKb();
    std::mt19937 rng(7);
    const auto start = std::chrono::steady_clock::now();
    bool pulled = false;
    int corruptBursts = 0;
    while (std::chrono::steady_clock::now() - start < std::chrono::seconds(seconds)) {
        // Now and then a burst of corrupt checksums on receiver 7.
        zr::sim::SimFaults f;
        f.corruptChecksum = rng() % 10 == 0;
        corruptBursts += f.corruptChecksum;
        sim.Receiver(6).SetFaults(f);
        if (!pulled && std::chrono::steady_clock::now() - start > std::chrono::seconds(seconds / 2)) {
            sim.Receiver(9).HangUp(); // a cable pulled half way
            pulled = true;
        }
        Pump(std::chrono::milliseconds(500));
    }
    int monitored = 0, commErrors = 0;
    std::string lost;
    for (int n = 0; n < 16; ++n) {
        monitored += view.IsMonitored(n);
        if (view.Table()->CellText(n, 8) == "Comm Error  ") {
            ++commErrors;
            lost += ' ';
            lost += std::to_string(n + 1);
        }
    }
    std::printf("rows in Comm Error (receiver numbers):%s; the 7th port had bursts of corrupt replies, the 10th was unplugged\n", lost.c_str());
    std::size_t f4 = 0;
    for (std::size_t i = 0; i < 16; ++i)
        f4 += static_cast<std::size_t>(sim.Receiver(i).RequestCount("F4"));
    std::printf("soak %d s: %zu F4 polls, %d corrupt bursts, monitored %d of 16, rows in Comm Error %d, messages %d\n", seconds, f4, corruptBursts,
                monitored, commErrors, messages);
    std::printf("RSS %ld kB after connect, %ld kB at the end\n", rss0, RssKb());
    view.StopBackgroundLog(2);
    frame.reset();
    sim.Stop();
    return 0;
}
