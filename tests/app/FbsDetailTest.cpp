#include <QTest>

#include "GuiFixture.h"
#include "info/FbsDlg.h"

namespace zr::test {
namespace {

class FbsDetail : public GuiFixture {
protected:
    void StartQuiet(int count)
    {
        std::vector<sim::SimReceiverConfig> cfgs;
        for (int i = 0; i < count; ++i) {
            cfgs.push_back(sim::DefaultConfig(i));
            cfgs.back().changeEveryMs = 0; // filters stand still unless a test moves them
        }
        StartReceivers(cfgs);
        Connect(count);
    }
    CFbsDlg* Dialog() { return m_frame->findChild<CFbsDlg*>(); }
    QString Row(int row)
    {
        auto* list = Dialog()->List();
        return list->CellText(row, 0) + "|" + list->CellText(row, 1) + "|" + list->CellText(row, 2) + "|" + list->CellText(row, 3);
    }
};

TEST_F(FbsDetail, ShowsTheSelectedReceiversFiltersAndStopsPollingThemWhenClosed)
{
    StartQuiet(2);
    View().Table()->selectRow(1);
    View().ToolButton(kIdFbsButton)->click();
    ASSERT_TRUE(Dialog()->isVisible());
    EXPECT_EQ(Dialog()->windowTitle(), "FBS Detail > RECEIVER 2");
    EXPECT_EQ(Row(0), "1| - | - | - "); // until the first replies arrive
    EXPECT_EQ(View().PollPeriod(), 1000000);
    // Filters 1, 3, 5, 7 of the simulator are on; 125 Hz at -3.0 dB, 1250 Hz at -12.0 dB.
    ASSERT_TRUE(PumpUntil([&] { return Row(6) != "7| - | - | - "; }));
    EXPECT_EQ(Row(0), "1|0.125|-3|On");
    EXPECT_EQ(Row(1), "2| - | - |Off");
    EXPECT_EQ(Row(3), "4| - | - |Off");
    EXPECT_EQ(Row(2), "3|0.500|0|On");
    EXPECT_EQ(m_sim.Receiver(0).RequestCount("F5"), 0); // only the receiver shown

    // Enter and Escape neither close it nor press anything; the tool buttons and ID View wait.
    QTest::keyClick(Dialog()->List(), Qt::Key_Escape);
    QTest::keyClick(Dialog()->List(), Qt::Key_Return);
    EXPECT_TRUE(Dialog()->isVisible());
    EXPECT_EQ(View().ShowIdView(), 0);
    m_frame->UpdateMenuState();
    EXPECT_FALSE(m_frame->Action(kCmdStartRecording)->isEnabled());

    Dialog()->close();
    ASSERT_TRUE(PumpUntil([&] { return View().PollPeriod() == 5000000; }));
    EXPECT_TRUE(View().LinkOf(1)->SendRingKinds().empty());
    const int f5 = m_sim.Receiver(1).RequestCount("F5");
    PumpFor(std::chrono::milliseconds(300));
    EXPECT_EQ(m_sim.Receiver(1).RequestCount("F5"), f5);
    EXPECT_TRUE(m_messages.isEmpty());
}

TEST_F(FbsDetail, FollowsAChangingFilterAndHidesWhenItsReceiverIsLost)
{
    sim::SimReceiverConfig lively = sim::DefaultConfig(0);
    lively.changeEveryMs = 50;
    StartReceivers({lively, sim::DefaultConfig(1)});
    Connect(2);
    View().Table()->selectRow(0);
    View().ToolButton(kIdFbsButton)->click();
    ASSERT_TRUE(PumpUntil([&] { return Row(6) != "7| - | - | - "; }));
    QStringList first;
    for (int r = 0; r < 7; ++r)
        first << Row(r);
    ASSERT_TRUE(PumpUntil([&] {
        for (int r = 0; r < 7; ++r)
            if (Row(r) != first[r])
                return true;
        return false;
    }));
    m_sim.Receiver(0).HangUp();
    ASSERT_TRUE(PumpUntil([&] { return !Dialog()->isVisible(); }));
    EXPECT_EQ(Cell(0, 8), "Comm Error  ");
    // The closed message of a lost receiver changes nothing: the shared period
    // stays at the tool's 100 ms until the next programme change.
    PumpFor(std::chrono::milliseconds(100));
    EXPECT_EQ(View().PollPeriod(), 1000000);
    EXPECT_TRUE(View().IsMonitored(1));
}

TEST_F(FbsDetail, NothingOpensDuringRecordingAndIdViewIsRefusedToo)
{
    StartQuiet(1);
    View().StartRecording();
    View().OnToolButton(kIdFbsButton);
    EXPECT_FALSE(Dialog()->isVisible());
    EXPECT_EQ(View().ShowIdView(), 0);
    EXPECT_TRUE(m_messages.isEmpty()); // FBS Detail refuses silently
    // The tools say why, each in its own words, and none opens.
    const std::pair<int, const char*> tools[] = {{kIdWalkButton, "During Background Log recording, cannot start Walk Test."},
                                                 {kIdChScanButton, "During Background Log recording, cannot start Channel Scan."},
                                                 {kIdSpScanButton, "During Background Log recording, cannot start Spectrum Scan."}};
    for (const auto& [button, text] : tools) {
        m_messages.clear();
        View().OnToolButton(button);
        EXPECT_EQ(m_messages, QStringList{text});
    }
    for (const QDialog* d : m_frame->findChildren<QDialog*>())
        EXPECT_FALSE(d->isVisible()) << d->objectName().toStdString();
    View().StopRecording();
}

} // namespace
} // namespace zr::test
