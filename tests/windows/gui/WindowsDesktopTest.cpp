// What the window asks of Windows itself, with the windows platform plugin
// under Wine: a resume from sleep reaches the main view through the power
// broadcast, and the process runs at high priority while receivers are
// connected.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QTest>
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
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get(), 10000));
    EXPECT_FALSE(frame->View()->ResumeNoted());
    const HWND window = reinterpret_cast<HWND>(frame->winId());
    ::SendMessageW(window, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    EXPECT_FALSE(frame->View()->ResumeNoted());
    ::SendMessageW(window, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    QApplication::processEvents();
    EXPECT_TRUE(frame->View()->ResumeNoted());
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
