// Soak of the window: 17 simulated receivers with injected faults (noise,
// split frames, about 1 % corrupt checksums, busy replies, a cable pulled half
// way, one that never answers) under the main window, Background Log
// recording, for N seconds. Prints per receiver the records written against
// the F4 polls answered and the poll period at the simulator, the memory at
// the start and the end, and the threads left once the window is gone.
#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "GuiHarness.h"
#include "SoakReport.h"
#include "app/MainFrame.h"
#include "app/MaintenanceView.h"
#include "ui/MessageBox.h"
#include "sim/Simulator.h"

using zr::bench::Pump;

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
    const auto cfgs = zr::bench::SoakReceivers(seconds);
    zr::sim::CSimulator sim;
    if (!sim.Start(cfgs))
        return 1;
    setenv("ZRQ6930_PORTS", sim.PortList().c_str(), 1);
    auto frame = std::make_unique<zr::CMainFrame>(false);
    zr::CZRQ6930_MaintenanceView& view = *frame->View();
    if (!zr::bench::ConnectWindow(view))
        return 1;
    view.StartRecording();
    // Which log each simulated receiver's replies go to (links go when lost).
    std::vector<std::string> logs(sim.Size());
    for (int n = 0; n < 16; ++n) {
        const zr::CLogFileDoc* doc = view.LogDocOf(n);
        const zr::CReceiverLink* link = view.LinkOf(n);
        for (std::size_t i = 0; doc && link && i < sim.Size(); ++i)
            if (sim.Receiver(i).PortPath() == link->PortName())
                logs[i] = doc->CurrentPath();
    }
    const long rss0 = zr::bench::ProcStatus("self", "VmRSS");
    const long threads0 = zr::bench::ProcStatus("self", "Threads");
    Pump(std::chrono::seconds(seconds));
    const long rss1 = zr::bench::ProcStatus("self", "VmRSS");
    int monitored = 0;
    for (int n = 0; n < 16; ++n)
        monitored += view.IsMonitored(n);
    view.StopBackgroundLog(2);
    std::printf("window soak %d s: monitored %d of 16 at the end, messages %d; sim 10 unplugged half way, sim 17 never answers\n", seconds, monitored,
                messages);
    zr::bench::PrintReceiverTable(sim, logs);
    frame.reset();
    std::printf("RSS %ld kB after connect, %ld kB at the end; threads %ld while recording, %ld once the window is gone (the simulator's included)\n", rss0, rss1, threads0,
                zr::bench::ProcStatus("self", "Threads"));
    sim.Stop();
    return 0;
}
