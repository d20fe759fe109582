// zrq6930-maintenance: the maintenance tool's main window.
#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/Application.h"
#include "app/MainFrame.h"
#include "app/MaintenanceView.h"
#include "publish/LiveFeed.h"
#include "publish/PublishSetup.h"
#include "ui/FileDialog.h"
#include "ui/MessageBox.h"
#ifndef _WIN32
#include "sim/Simulator.h"
#endif

namespace {

// Qt aborts when it finds no display; say what is missing instead.
bool HaveDisplay()
{
#if defined(__linux__)
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform)
        return true; // the user chose one (offscreen, xcb, wayland ...)
    return (std::getenv("DISPLAY") && *std::getenv("DISPLAY")) || (std::getenv("WAYLAND_DISPLAY") && *std::getenv("WAYLAND_DISPLAY"));
#else
    return true;
#endif
}

} // namespace

namespace {

// The command line's own bytes for `argument`: Qt's text for a name that is
// not valid in the locale's encoding no longer names the file.
std::string NativeArgument(const QString& argument, int argc, char** argv)
{
    if (argument.isEmpty())
        return {};
    for (int i = 1; i < argc; ++i)
        if (QString::fromLocal8Bit(argv[i]) == argument)
            return argv[i];
    return zr::NativePath(argument);
}

} // namespace

int main(int argc, char** argv)
{
    if (!HaveDisplay()) {
        std::fprintf(stderr, "zrq6930-maintenance: no display (DISPLAY is not set); for a headless run set QT_QPA_PLATFORM=offscreen\n");
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("ZR-Q6930 Maintenance Software");

    QStringList args = QApplication::arguments();
    QString error;
    const int simulate = zr::TakeSimulateOption(args, error);
    if (simulate < 0) {
        std::fprintf(stderr, "zrq6930-maintenance: %s\n", qPrintable(error));
        return 2;
    }

    zr::PublishRequest publishRequest;
    if (!zr::TakePublishArguments(args, publishRequest, error)) {
        std::fprintf(stderr, "zrq6930-maintenance: %s\n", qPrintable(error));
        return 2;
    }

    // For headless runs and scripted tests: answer every message box with the
    // given answer (yes or no) and print its text on standard error.
    if (const char* answer = std::getenv("ZRQ6930_AUTO_ANSWER"); answer && *answer) {
        const bool yes = std::string(answer) == "yes";
        zr::SetMessageBoxHandler([yes](const zr::MessageBoxRequest& r) {
            std::fprintf(stderr, "%s\n", qPrintable(r.text));
            std::fflush(stderr);
            if (r.buttons == zr::MsgButtons::Ok)
                return zr::MsgAnswer::Ok;
            return yes ? zr::MsgAnswer::Yes : zr::MsgAnswer::No;
        });
    }

    zr::CSingleInstance instance;
    const std::string logFile = NativeArgument(zr::LogFileArgument(args), argc, argv);
    if (!instance.Acquire()) {
        // A log opened from the desktop goes to the copy that runs.
        if (!logFile.empty() && instance.ActivateFirst(logFile))
            return 0;
        zr::ShowMessage(nullptr, "The program is already running.");
        instance.ActivateFirst();
        return 1;
    }

    // Simulated receivers are found through the same discovery as adapters.
#ifdef _WIN32
    if (simulate > 0) {
        std::fprintf(stderr, "zrq6930-maintenance: --simulate needs pseudo-terminals, which Windows has not\n");
        return 2;
    }
#else
    zr::sim::CSimulator simulator;
    if (simulate > 0) {
        if (!simulator.Start(simulate)) {
            std::fprintf(stderr, "zrq6930-maintenance: cannot create simulated receivers\n");
            return 1;
        }
        const char* existing = std::getenv("ZRQ6930_PORTS");
        std::string ports = simulator.PortList();
        if (existing && *existing)
            ports = std::string(existing) + ":" + ports;
        setenv("ZRQ6930_PORTS", ports.c_str(), 1);
    }
#endif

    // Live publishing, when asked: the feed hears the view, the publisher's
    // own thread talks to the broker.
    std::unique_ptr<zr::CMqttPublisher> publisher;
    std::unique_ptr<zr::CLiveFeed> live;
    if (publishRequest.asked) {
        std::string why;
        publisher = zr::StartPublisher(publishRequest, "zrq6930-maintenance", why, zr::PrintPublishNotice);
        if (!publisher) {
            std::fprintf(stderr, "zrq6930-maintenance: cannot publish: %s\n", why.c_str());
            return 2;
        }
        live = std::make_unique<zr::CLiveFeed>(*publisher);
    }

    const bool detail = zr::IsDetailMode(zr::RawCommandLine(args));
    auto frame = std::make_unique<zr::CMainFrame>(detail);
    if (publisher) {
        frame->View()->SetLiveFeed(live.get());
        frame->ShowPublishing(*publisher);
    }
    instance.SetActivateHandler([&frame] {
        frame->setWindowState((frame->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
        frame->show();
        frame->raise();
        frame->activateWindow();
    });
    frame->adjustSize();
    if (QScreen* screen = QApplication::primaryScreen())
        frame->move(screen->availableGeometry().topLeft());
    frame->show();
    // A log named on the command line opens in its viewer, as a double-click would.
    if (!logFile.empty())
        QTimer::singleShot(0, frame.get(), [&frame, logFile] { frame->View()->OpenLogFile(logFile); });
    instance.SetOpenHandler([&frame](const std::string& file) { frame->View()->OpenLogFile(file); });
    const int rc = QApplication::exec();
    frame.reset(); // links and their threads end before the simulator
    if (publisher) {
        live.reset();
        publisher->Stop();
        std::fprintf(stderr, "%s\n", zr::PublishTotalsText(publisher->GetStats()).c_str());
    }
#ifndef _WIN32
    simulator.Stop();
#endif
    return rc;
}
