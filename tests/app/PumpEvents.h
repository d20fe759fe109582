#pragma once
// Waiting in the window's tests while the event loop is served.
#include <QApplication>
#include <chrono>
#include <functional>
#include <thread>

namespace zr::test {

// Waits while serving the event loop.
inline bool PumpUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout = std::chrono::seconds(15))
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

inline void PumpFor(std::chrono::milliseconds d)
{
    PumpUntil([] { return false; }, d);
}

} // namespace zr::test
