// Pictures of the windows as a user sees them: the main window with four
// simulated receivers, and FBS Detail, FW Version and ID View opened on them.
// Run under xvfb-run (or offscreen); writes PNG files into the folder given.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <cstdio>

#include "GuiHarness.h"
#include "app/MainFrame.h"
#include "info/FbsDlg.h"
#include "info/FwVerDlg.h"
#include "info/IdDlg.h"
#include "scan/ChScanDlg.h"
#include "scan/SpScanDlg.h"
#include "link/AppMessages.h"
#include "sim/Simulator.h"

int main(int argc, char** argv)
{
    const QString folder = argc > 1 ? argv[1] : ".";
    zr::bench::PrepareHeadless("shots");
    QApplication app(argc, argv);
    QApplication::setApplicationName("ZR-Q6930 Maintenance Software");
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
    auto shoot = [&](QWidget* w, const char* name) {
        w->grab().save(QDir(folder).filePath(name));
        std::printf("%s: \"%s\"\n", name, qPrintable(w->windowTitle()));
    };
    shoot(&frame, "main.png");
    shoot(frame.findChild<zr::CFbsDlg*>(), "fbs.png");
    frame.findChild<zr::CFbsDlg*>()->close();
    zr::bench::Pump(std::chrono::milliseconds(200));
    frame.SendToView(zr::WM_APP_SHOW_FW_VERSION);
    frame.SendToView(zr::WM_APP_SHOW_ID_VIEW);
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

    auto* spectrum = frame.findChild<zr::CSpScanDlg*>("spScanDlg");
    frame.View()->ToolButton(zr::kIdSpScanButton)->click();
    spectrum->StopEdit()->setText("616.000");
    spectrum->StartButton()->click();
    zr::bench::Pump(std::chrono::milliseconds(4000));
    shoot(spectrum, "spscan.png");
    spectrum->StopButton()->click();
    zr::bench::Pump(std::chrono::milliseconds(300));
    return 0;
}
