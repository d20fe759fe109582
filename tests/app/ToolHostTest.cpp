// Which window hears what: the tool host's routing by receiver, the windows
// that hear every mode, and closing with a tool that declines.
#include <gtest/gtest.h>

#include <QCloseEvent>
#include <string>
#include <vector>

#include "app/ToolHost.h"
#include "ui/ToolWindow.h"

namespace zr {
namespace {

// A window that writes down what it heard, and may decline to close.
class CRecordingWindow : public CToolWindow {
public:
    CRecordingWindow(int receiver, bool everyMode = false) : CToolWindow(nullptr, "recording", "Recording", DialogKeys::Ignored), m_everyMode(everyMode)
    {
        SetReceiver(receiver);
    }
    std::vector<std::string> heard;
    bool running = false;
    void OnPollReply(const ReceiverReply& r) override { heard.push_back("reply " + std::to_string(r.recNo)); }
    void OnReceiverMode(int recNo, int32_t mode) override { heard.push_back("mode " + std::to_string(recNo) + "=" + std::to_string(mode)); }
    void OnOneShot(int recNo, int, bool ok) override { heard.push_back("oneshot " + std::to_string(recNo) + (ok ? " ok" : " failed")); }
    void OnReceiverLost(int recNo) override { heard.push_back("lost " + std::to_string(recNo)); }
    bool IsRunning() const override { return running; }
    bool HearsEveryMode() const override { return m_everyMode; }

protected:
    void closeEvent(QCloseEvent* e) override { running ? e->ignore() : e->accept(); }

private:
    bool m_everyMode;
};

TEST(ToolHost, EachWindowHearsItsReceiverAndTheOnesThatHearEveryMode)
{
    CToolHost host;
    auto* second = new CRecordingWindow(1);
    auto* all = new CRecordingWindow(CToolWindow::kAllReceivers);
    auto* none = new CRecordingWindow(CToolWindow::kNoReceiver, true); // hears every mode, serves nobody
    host.Register(second, CToolHost::Role::Tool, true);
    host.Register(all, CToolHost::Role::Information, false);
    host.Register(none, CToolHost::Role::Information, false);
    ReceiverReply r;
    r.recNo = 1;
    host.ForwardReply(r);
    r.recNo = 0;
    host.ForwardReply(r);
    host.ForwardMode(0, 3);
    host.ForwardOneShot(1, 0, true);
    host.ReceiverLost(0);
    struct Case {
        CRecordingWindow* window;
        std::vector<std::string> heard;
    };
    const Case cases[] = {
        {second, {"reply 1", "oneshot 1 ok"}},
        {all, {"reply 1", "reply 0", "mode 0=3", "oneshot 1 ok", "lost 0"}},
        {none, {"mode 0=3"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.window->heard, c.heard);
    host.DeleteAll();
}

TEST(ToolHost, ClosingStopsAtATestThatRunsAndGuardsCountOnlyWhenShown)
{
    CToolHost host;
    auto* tool = new CRecordingWindow(0);
    auto* info = new CRecordingWindow(CToolWindow::kAllReceivers);
    host.Register(tool, CToolHost::Role::Tool, true);
    host.Register(info, CToolHost::Role::Information, false);
    EXPECT_FALSE(host.AnyGuardedVisible());
    tool->show();
    info->show();
    EXPECT_TRUE(host.AnyGuardedVisible());
    tool->running = true;
    EXPECT_TRUE(host.AnyToolRunning());
    EXPECT_FALSE(host.CloseAll()); // the running test declines: nothing else closes
    EXPECT_TRUE(tool->isVisible());
    EXPECT_TRUE(info->isVisible());
    tool->running = false;
    EXPECT_TRUE(host.CloseAll());
    EXPECT_FALSE(tool->isVisible());
    EXPECT_FALSE(info->isVisible());
    EXPECT_FALSE(host.AnyGuardedVisible());
    host.DeleteAll();
}

} // namespace
} // namespace zr
