#pragma once
// Shared by the window benchmarks: a real event loop for a while, and a
// connected main window on the receivers in ZRQ6930_PORTS.
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <string>

#include "app/MaintenanceView.h"

namespace zr::bench {

// Headless, with a log folder of its own; call before the application object.
inline void PrepareHeadless(const char* name)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::string dir = std::string("/tmp/zrq6930-") + name + "-XXXXXX";
    if (mkdtemp(dir.data()))
        setenv("ZRQ6930_LOG_DIR", dir.c_str(), 1);
}

// Runs the event loop for a while, sleeping when idle as the application does.
inline void Pump(std::chrono::milliseconds d)
{
    QEventLoop loop;
    QTimer::singleShot(d, &loop, &QEventLoop::quit);
    loop.exec();
}

// Presses Connect and waits up to 20 s; true when connected.
inline bool ConnectWindow(CZRQ6930_MaintenanceView& view)
{
    view.ConnectButton()->click();
    for (int i = 0; i < 400 && view.ConnectState() != kConnected; ++i)
        Pump(std::chrono::milliseconds(50));
    return view.ConnectState() == kConnected;
}

} // namespace zr::bench
