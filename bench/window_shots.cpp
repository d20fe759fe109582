// Pictures of the windows as a user sees them: the main window with four
// simulated receivers, FBS Detail, FW Version and ID View opened on them, the
// scans and the walk test running, and the viewers on the logs they wrote.
// Run under xvfb-run (or offscreen); writes PNG files into the folder given.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QSpinBox>
#include <cstdio>

#include "GuiHarness.h"
#include "app/MainFrame.h"
#include "graph/StaticRfGraph.h"
#include "info/FbsDlg.h"
#include "info/FwVerDlg.h"
#include "info/IdDlg.h"
#include "scan/ChScanDlg.h"
#include "scan/SpScanDlg.h"
#include "scan/FrequencyPlanDlg.h"
#include "scan/WaterfallDlg.h"
#include "ui/MessageBox.h"
#include "walk/WalkDlg.h"
#include "sim/Simulator.h"

int main(int argc, char** argv)
{
    const QString folder = argc > 1 ? argv[1] : ".";
    zr::bench::PrepareHeadless("shots");
    QApplication app(argc, argv);
    QApplication::setApplicationName("ZR-Q6930 Maintenance Software");
    // Every message box answered Yes (or OK) and printed, so nothing waits for a hand.
    zr::SetMessageBoxHandler([](const zr::MessageBoxRequest& r) {
        std::printf("message: %s\n", qPrintable(r.text));
        return r.buttons == zr::MsgButtons::Ok ? zr::MsgAnswer::Ok : zr::MsgAnswer::Yes;
    });
    zr::sim::CSimulator sims;
    if (!sims.Start(4))
        return 1;
    setenv("ZRQ6930_PORTS", sims.PortList().c_str(), 1);
    zr::CMainFrame frame(false);
    frame.show();
    if (!zr::bench::ConnectWindow(*frame.View()))
        return 1;
    frame.View()->Table()->selectRow(1);
    frame.View()->ToolButton(zr::kIdFbsButton)->click();
    zr::bench::Pump(std::chrono::milliseconds(1500));
    auto shootOnce = [&](QWidget* w, const QString& name) {
        w->grab().save(QDir(folder).filePath(name));
        std::printf("%s: \"%s\" %dx%d\n", qPrintable(name), qPrintable(w->windowTitle()), w->width(), w->height());
    };
    // A graph window also at 800 px wide: its labels must fit there too.
    auto shoot = [&](QWidget* w, const char* name) {
        shootOnce(w, name);
        if (!w->findChild<zr::CStaticRfGraph*>())
            return;
        const QSize size = w->size();
        w->resize(800, size.height());
        zr::bench::Pump(std::chrono::milliseconds(200));
        shootOnce(w, QString(name).replace(".png", "-800.png"));
        w->resize(size);
        zr::bench::Pump(std::chrono::milliseconds(100));
    };
    shoot(&frame, "main.png");
    shoot(frame.findChild<zr::CFbsDlg*>(), "fbs.png");
    frame.findChild<zr::CFbsDlg*>()->close();
    zr::bench::Pump(std::chrono::milliseconds(200));
    frame.View()->ShowFwVersion();
    frame.View()->ShowIdView();
    zr::bench::Pump(std::chrono::milliseconds(1000));
    shoot(frame.findChild<zr::CFwVerDlg*>(), "fwver.png");
    shoot(frame.findChild<zr::CIdDlg*>(), "id.png");
    frame.findChild<zr::CIdDlg*>()->close();
    zr::bench::Pump(std::chrono::milliseconds(200));

    auto* scan = frame.findChild<zr::CChScanDlg*>();
    frame.View()->Table()->selectRow(0);
    frame.View()->ToolButton(zr::kIdChScanButton)->click();
    scan->Banks()->setCurrentIndex(0);
    scan->StartButton()->click();
    zr::bench::Pump(std::chrono::milliseconds(2500));
    shoot(scan, "chscan.png");
    scan->StopButton()->click();
    zr::bench::Pump(std::chrono::milliseconds(300));
    scan->close();

    // Two megahertz: several sweeps, so the time-domain view has points.
    auto* spectrum = frame.findChild<zr::CSpScanDlg*>("spScanDlg");
    frame.View()->ToolButton(zr::kIdSpScanButton)->click();
    spectrum->StopEdit()->setText("608.000");
    spectrum->StartButton()->click();
    zr::bench::Pump(std::chrono::milliseconds(30000));
    shoot(spectrum, "spscan.png");
    spectrum->StopButton()->click();
    zr::bench::Pump(std::chrono::milliseconds(300));
    spectrum->SaveLog();
    const std::string spectrumLog = spectrum->LogPath();
    spectrum->close();

    auto* walk = frame.View()->WalkDialog();
    frame.View()->Table()->selectRow(2);
    frame.View()->ToolButton(zr::kIdWalkButton)->click();
    walk->TraceBox(2)->setChecked(true);
    walk->TraceBox(3)->setChecked(true);
    walk->StartButton()->click();
    zr::bench::Pump(std::chrono::milliseconds(12000));
    shoot(walk, "walk.png");
    walk->StopButton()->click();
    walk->SaveLog();
    const std::string walkLog = walk->LogPath();
    walk->close();

    frame.View()->StartRecording();
    zr::bench::Pump(std::chrono::milliseconds(30000));
    const std::string backgroundLog = frame.View()->LogDocOf(0)->CurrentPath();
    frame.View()->StopRecording();
    zr::bench::Pump(std::chrono::milliseconds(300));

    auto openAndShoot = [&](const std::string& log, zr::CToolWindow* viewer, const char* name) {
        frame.View()->OpenLogFile(log);
        while (static_cast<zr::CWalkDlg*>(viewer)->Loading())
            zr::bench::Pump(std::chrono::milliseconds(10));
        zr::bench::Pump(std::chrono::milliseconds(300));
        shoot(viewer, name);
    };
    openAndShoot(walkLog, frame.View()->WalkLogViewer(), "walklog.png");
    openAndShoot(backgroundLog, frame.View()->BackgroundLogViewer(), "background.png");

    frame.View()->OpenLogFile(spectrumLog);
    zr::bench::Pump(std::chrono::milliseconds(500));
    auto* viewer = frame.View()->SpectrumLogViewer();
    shoot(viewer, "splog.png"); // the busy share shaded behind the curve
    viewer->ShowWaterfall();
    zr::bench::Pump(std::chrono::milliseconds(300));
    shoot(viewer->Waterfall(), "waterfall.png");
    viewer->Marker()->ProcessKey(zr::kKeyHome); // the highest frequency of the sweep
    viewer->ChangeView();
    while (frame.View()->TimeDomainViewer()->Loading())
        zr::bench::Pump(std::chrono::milliseconds(10));
    zr::bench::Pump(std::chrono::milliseconds(300));
    shoot(frame.View()->TimeDomainViewer(), "timedomain.png");

    // The plan on the spectrum log shown, then the check of the receivers' frequencies.
    viewer->PlanButton()->click();
    auto* plan = frame.View()->FrequencyPlanDialog();
    while (plan->Running())
        zr::bench::Pump(std::chrono::milliseconds(10));
    plan->CountBox()->setValue(4);
    plan->Calculate();
    while (plan->Running())
        zr::bench::Pump(std::chrono::milliseconds(10));
    zr::bench::Pump(std::chrono::milliseconds(300));
    shoot(plan, "plan.png");
    frame.View()->CheckReceiverFrequencies();
    zr::bench::Pump(std::chrono::milliseconds(300));
    shoot(plan, "plancheck.png");
    return 0;
}
