#include <QTest>
#include <cstring>

#include "../app/GuiFixture.h"
#include "scan/ChScanDlg.h"

namespace zr::test {
namespace {

class ChannelScan : public GuiFixture {
protected:
    CChScanDlg* Dialog() { return m_frame->findChild<CChScanDlg*>(); }
    void Open(int row)
    {
        View().Table()->selectRow(row);
        View().ToolButton(kIdChScanButton)->click();
        ASSERT_TRUE(Dialog()->isVisible());
    }
};

TEST_F(ChannelScan, ScansTheChosenBankIntoBarsAndStopsOnRequest)
{
    sim::SimReceiverConfig rx = sim::DefaultConfig(0); // its own channel 1 reads high
    StartReceivers({rx, sim::DefaultConfig(1)});
    Connect(2);
    Open(0);
    EXPECT_EQ(Dialog()->windowTitle(), "Channel Scan > RECEIVER 1");
    EXPECT_EQ(Dialog()->Graph()->BankIndex(), -1); // the title reads "Bank: --- / Peak Hold:  - "
    EXPECT_EQ(Dialog()->Graph()->Model().peakHoldTitle, 2);
    EXPECT_EQ(Dialog()->Marker()->text(), "0");
    EXPECT_TRUE(Dialog()->StartButton()->isEnabled());
    EXPECT_FALSE(Dialog()->StopButton()->isEnabled());

    Dialog()->Banks()->setCurrentIndex(4); // "A"
    Dialog()->StartButton()->click();
    EXPECT_EQ(Dialog()->BankCode(), 10);
    ASSERT_TRUE(PumpUntil([&] { return Dialog()->Confirmation() == 2 && Dialog()->StopButton()->isEnabled(); }));
    // The confirmation may arrive before the first scan poll goes out.
    EXPECT_TRUE(PumpUntil([&] { return m_sim.Receiver(0).RequestLog().back() == "F3"; }));
    EXPECT_EQ(Cell(0, 8), "Ch scan (PC)");
    EXPECT_EQ(View().PollPeriod(), 1000000);
    ASSERT_TRUE(PumpUntil([&] { return Dialog()->Graph()->Model().ValueAt(0, 1) > 50; }));
    EXPECT_LT(Dialog()->Graph()->Model().ValueAt(0, 2), 30);
    EXPECT_EQ(Dialog()->Graph()->BankIndex(), 4);

    // Enter, Escape and the close button keep a running scan's window open.
    QTest::keyClick(Dialog(), Qt::Key_Escape);
    QTest::keyClick(Dialog(), Qt::Key_Return);
    Dialog()->close();
    EXPECT_TRUE(Dialog()->isVisible());
    EXPECT_EQ(m_messages, QStringList{"Channel Scan is running."});
    m_messages.clear();
    View().StartRecording(); // the menu item is disabled; the command refuses too
    EXPECT_FALSE(View().IsRecording());
    EXPECT_EQ(m_messages, QStringList{"This function is not available during scanning or walk testing."});
    // The other tools and ID View wait while it is open.
    EXPECT_EQ(View().ShowIdView(), 0);

    Dialog()->StopButton()->click();
    ASSERT_TRUE(PumpUntil([&] { return Dialog()->StartButton()->isEnabled(); }));
    EXPECT_EQ(m_sim.Receiver(0).RequestCount("C0"), 1);
    EXPECT_EQ(View().PollPeriod(), 5000000);
    Dialog()->close();
    EXPECT_FALSE(Dialog()->isVisible());
}

TEST_F(ChannelScan, AStartTheReceiverNeverConfirmsTimesOut)
{
    sim::SimReceiverConfig refusing = sim::DefaultConfig(0);
    refusing.faults.rejectCode = "C1";
    refusing.faults.rejectReason = "02";
    StartReceivers({refusing});
    Connect(1);
    Open(0);
    Dialog()->StartButton()->click();
    EXPECT_FALSE(Dialog()->StartButton()->isEnabled());
    ASSERT_TRUE(PumpUntil([&] { return !m_messages.isEmpty(); }));
    EXPECT_EQ(m_messages, QStringList{"Cannot start scanning."});
    EXPECT_FALSE(Dialog()->Running());
    EXPECT_TRUE(Dialog()->StartButton()->isEnabled());
    EXPECT_FALSE(Dialog()->StopButton()->isEnabled());
}

TEST_F(ChannelScan, ALostReceiverStopsTheScanAndTheWindowGoes)
{
    StartReceivers({sim::DefaultConfig(0), sim::DefaultConfig(1)});
    Connect(2);
    Open(0);
    Dialog()->StartButton()->click();
    ASSERT_TRUE(PumpUntil([&] { return Dialog()->Confirmation() == 2; }));
    m_sim.Receiver(0).HangUp();
    ASSERT_TRUE(PumpUntil([&] { return !Dialog()->isVisible(); }));
    EXPECT_EQ(m_messages, QStringList{"Channel Scan was stopped due to the connection error."});
    EXPECT_FALSE(Dialog()->Running());
    EXPECT_EQ(View().ConnectState(), kConnected); // the other receiver goes on
}

ReceiverReply F3(const char* text)
{
    ReceiverReply r;
    r.kind = kF3;
    std::memcpy(r.reply.data(), text, std::strlen(text));
    return r;
}

// Only the scanned bank's readable channels become bars; with Peak Hold a bar
// keeps its highest level, without it the newest.
TEST_F(ChannelScan, RepliesOfAnotherBankOrUnreadableAreLeftOutAndPeakHoldKeepsTheHighest)
{
    for (bool peak : {false, true}) {
        CChScanDlg dlg(nullptr, nullptr); // no owner: the dialog's own rules only
        dlg.SetReceiver(0);
        dlg.show();
        dlg.Banks()->setCurrentIndex(4); // "A"
        dlg.PeakHold()->setChecked(peak);
        dlg.StartButton()->click();
        const CRfGraphModel& m = dlg.Graph()->Model();
        struct Case {
            const char* reply;
            int channel, level; // the bar afterwards
        };
        const Case cases[] = {
            {"F355A3", 3, 55},
            {"F366B4", 4, 0},               // bank B while A is scanned
            {"F377?5", 5, 0},               // the bank unreadable
            {"F388A?", 3, 55},              // the channel unreadable: nothing moves
            {"F310A4", 4, 10},
            {"F320A3", 3, peak ? 55 : 20}, // lower on the next sweep
        };
        for (const Case& c : cases) {
            dlg.OnPollReply(F3(c.reply));
            EXPECT_EQ(m.ValueAt(0, c.channel), c.level) << c.reply << " peak " << peak;
        }
        dlg.StopButton()->click();
    }
}

} // namespace
} // namespace zr::test
