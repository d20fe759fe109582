// What the window asks of Windows itself, with the windows platform plugin
// under Wine: a resume from sleep reaches the main view through the power
// broadcast, and the process runs at high priority while receivers are
// connected.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QTest>
#include <cstdio>
#include <functional>
#include <memory>

#include "app/MainFrame.h"
#include "app/MaintenanceView.h"
#include "platform/Process.h"

#include <windows.h>

namespace zr::test {
namespace {

TEST(WindowsDesktop, AResumeFromSleepIsNotedThroughThePowerBroadcast)
{
    ASSERT_EQ(QGuiApplication::platformName(), "windows");
    auto frame = std::make_unique<CMainFrame>(false);
    frame->show();
    const HWND window = reinterpret_cast<HWND>(frame->winId());
    const auto pump = [](const std::function<bool()>& until) {
        for (int i = 0; i < 500 && !until(); ++i) {
            QApplication::processEvents(QEventLoop::AllEvents, 10);
            ::Sleep(10);
        }
        return until();
    };
    pump([&] { return ::IsWindowVisible(window) != FALSE; });
    EXPECT_FALSE(frame->View()->ResumeNoted());
    ::SendMessageW(window, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    EXPECT_FALSE(frame->View()->ResumeNoted());
    // Windows sends the broadcast to the window procedure. Wine at times
    // leaves a new prefix's first window unmapped, and Qt's procedure then
    // ignores it: the same message posted goes through the event loop's
    // filter, which the program relies on just the same.
    ::SendMessageW(window, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    if (!pump([&] { return frame->View()->ResumeNoted(); })) {
        std::printf("the sent broadcast was not seen; posted instead\n");
        ::PostMessageW(window, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    }
    EXPECT_TRUE(pump([&] { return frame->View()->ResumeNoted(); }));
}

TEST(WindowsDesktop, HighPriorityAndNoSleepWhileAsked)
{
    ASSERT_TRUE(RaiseProcessPriority());
    EXPECT_EQ(::GetPriorityClass(::GetCurrentProcess()), static_cast<DWORD>(HIGH_PRIORITY_CLASS));
    EXPECT_TRUE(KeepSystemAwake(true));
    EXPECT_TRUE(KeepSystemAwake(false));
}

} // namespace
} // namespace zr::test
