#include <QCloseEvent>
#include <QHeaderView>
#include <filesystem>

#include "GuiFixture.h"
#include "link/Commands.h"

namespace zr::test {
namespace {

using MainView = GuiFixture;

sim::SimReceiverConfig At(int bank, int channel, int index = 0)
{
    sim::SimReceiverConfig c = sim::DefaultConfig(index);
    c.bank = bank;
    c.channel = channel;
    return c;
}

TEST_F(MainView, ConnectNumbersByBankAndChannelAndKeepsRowsCurrent)
{
    sim::SimReceiverConfig refused = At(0, 0);
    refused.faults.silent = true;
    // Ports found in the order 2, 1; a tie keeps port order; one never answers.
    StartReceivers({At(2, 5, 0), At(1, 9, 1), refused, At(1, 9, 2)});
    EXPECT_EQ(View().ConnectionLabel()->text(), "Disconnected");
    Connect(3);
    EXPECT_EQ(View().ConnectionLabel()->text(), "Connected");
    EXPECT_EQ(View().ConnectButton()->text(), "Disconnect");
    EXPECT_EQ(Cell(0, 1), "1");
    EXPECT_EQ(Cell(0, 2), "9");
    EXPECT_EQ(Cell(1, 1), "1");
    EXPECT_EQ(Cell(2, 1), "2");
    EXPECT_EQ(Cell(2, 2), "5");
    EXPECT_EQ(View().LinkOf(0)->PortName(), m_sim.Receiver(1).PortPath());
    EXPECT_EQ(View().LinkOf(1)->PortName(), m_sim.Receiver(3).PortPath());
    EXPECT_EQ(View().LinkOf(2)->PortName(), m_sim.Receiver(0).PortPath());
    EXPECT_EQ(View().Table()->SelectedRow(), 0);
    EXPECT_TRUE(View().ToolButton(1001)->isEnabled());
    ASSERT_TRUE(PumpUntil([&] { return View().LinkCount() == 3; })); // the refused link is gone

    // A state change at the receiver reaches its row at the next poll.
    m_sim.Receiver(0).SetState('4');
    ASSERT_TRUE(PumpUntil([&] { return Cell(2, 8) == "Starting    "; }));
    const int writes = View().Table()->CellWrites();
    PumpFor(std::chrono::milliseconds(1200)); // unchanged replies rewrite no cell
    EXPECT_EQ(View().Table()->CellWrites(), writes);
    EXPECT_TRUE(m_messages.isEmpty());
}

TEST_F(MainView, NoReceiverConnected)
{
    sim::SimReceiverConfig silent = At(0, 0);
    silent.faults.silent = true;
    StartReceivers({silent});
    View().ConnectButton()->click();
    ASSERT_TRUE(PumpUntil([&] { return !m_messages.isEmpty(); }));
    EXPECT_EQ(m_messages, QStringList{"No receiver connected."});
    EXPECT_EQ(View().ConnectState(), kDisconnected);
    EXPECT_TRUE(View().ConnectButton()->isEnabled());
    ASSERT_TRUE(PumpUntil([&] { return View().LinkCount() == 0; }));

    m_messages.clear();
    CEnvGuard none("ZRQ6930_PORTS", "/dev/zrq6930-none");
    View().ConnectButton()->click();
    EXPECT_EQ(m_messages, QStringList{"No receiver connected."});
    EXPECT_EQ(m_frame->StatusText(), "/dev/zrq6930-none: cannot open: No such file or directory"); // and why
}

TEST_F(MainView, UnpluggingOneThenTheLastReceiver)
{
    StartReceivers({At(1, 1, 0), At(2, 2, 1)});
    Connect(2);
    View().Table()->selectRow(1);
    ASSERT_TRUE(View().ToolButton(1002)->isEnabled());
    m_sim.Receiver(1).HangUp();
    ASSERT_TRUE(PumpUntil([&] { return Cell(1, 8) == "Comm Error  "; }));
    EXPECT_EQ(Cell(1, 1), " - ");
    EXPECT_FALSE(View().ToolButton(1002)->isEnabled());
    EXPECT_EQ(View().ConnectState(), kConnected);
    ASSERT_TRUE(PumpUntil([&] { return View().LinkCount() == 1; }));
    View().Table()->selectRow(0);
    EXPECT_TRUE(View().ToolButton(1002)->isEnabled());
    View().Table()->selectRow(1);
    EXPECT_FALSE(View().ToolButton(1002)->isEnabled());

    m_sim.Receiver(0).HangUp();
    ASSERT_TRUE(PumpUntil([&] { return View().ConnectState() == kDisconnected; }));
    EXPECT_EQ(View().Table()->rowCount(), 2); // the table is not emptied
    EXPECT_EQ(Cell(0, 8), "Comm Error  ");
    EXPECT_EQ(View().ConnectionLabel()->text(), "Disconnected");
    EXPECT_EQ(View().ConnectButton()->text(), "Connect");
    ASSERT_TRUE(PumpUntil([&] { return View().LinkCount() == 0 && View().ConnectButton()->isEnabled(); }));
    EXPECT_TRUE(m_messages.isEmpty());
}

TEST_F(MainView, UserDisconnectEmptiesTheTableAndClosesEveryPort)
{
    StartReceivers({At(1, 1, 0), At(2, 2, 1)});
    Connect(2);
    View().ConnectButton()->click();
    EXPECT_EQ(View().ConnectState(), kDisconnected);
    EXPECT_EQ(View().Table()->rowCount(), 0);
    EXPECT_FALSE(View().ConnectButton()->isEnabled());
    ASSERT_TRUE(PumpUntil([&] { return View().LinkCount() == 0 && View().ConnectButton()->isEnabled(); }));
    Connect(2); // the ports can be opened again
}

TEST_F(MainView, QuitAsksWhileConnectedAndNoKeepsEverythingRunning)
{
    StartReceivers({At(1, 1, 0)});
    EXPECT_EQ(View().QueryQuit(), 1); // disconnected: no question
    Connect(1);
    m_answers = {MsgAnswer::No};
    EXPECT_FALSE(m_frame->close());
    EXPECT_EQ(m_messages, QStringList{"Do you quit this program?"});
    EXPECT_EQ(View().ConnectState(), kConnected);
    const int polls = m_sim.Receiver(0).RequestCount("F0");
    ASSERT_TRUE(PumpUntil([&] { return m_sim.Receiver(0).RequestCount("F0") > polls; }));

    m_answers = {MsgAnswer::Yes};
    EXPECT_TRUE(m_frame->close());
    EXPECT_EQ(View().LinkCount(), 0u);
}

// A scan start or stop, once the receiver acknowledges it, switches the
// receiver's programme; a refused one only slows the pacing down again.
TEST_F(MainView, OneShotAcknowledgementsSwitchTheProgramme)
{
    sim::SimReceiverConfig refusing = At(2, 2, 1);
    refusing.faults.rejectCode = "S1";
    refusing.faults.rejectReason = "02";
    StartReceivers({At(1, 1, 0), refusing});
    Connect(2);
    CReceiverLink* link = View().LinkOf(0);
    link->StartOneShot(MakeC1(1));
    ASSERT_TRUE(PumpUntil([&] { return Cell(0, 8) == "Ch scan (PC)" && m_sim.Receiver(0).RequestCount("F3") > 0; }));
    EXPECT_EQ(View().PollPeriod(), 1000000);
    EXPECT_EQ(link->WaitTimeoutMs.load(), kPollWaitMs);
    link->StartOneShot(MakeCommand(kC0));
    ASSERT_TRUE(PumpUntil([&] { return View().PollPeriod() == 5000000 && Cell(0, 8) == "     -      "; }));
    EXPECT_EQ(link->PollCommand().kind, kF0);

    CReceiverLink* other = View().LinkOf(1);
    other->StartOneShot(MakeS1(606000, 636000, 25));
    ASSERT_TRUE(PumpUntil([&] { return m_sim.Receiver(1).RequestCount("S1") > 0 && other->WaitTimeoutMs.load() == kPollWaitMs; }));
    EXPECT_EQ(other->PollCommand().kind, kF0); // unchanged
    EXPECT_EQ(View().PollPeriod(), 5000000);
    EXPECT_TRUE(m_messages.isEmpty());
}

TEST_F(MainView, PowerResumeIsNotedAndClearedByTheNextConnect)
{
    StartReceivers({At(1, 1, 0)});
    View().OnPowerResumed();
    EXPECT_TRUE(View().ResumeNoted());
    EXPECT_EQ(View().ConnectState(), kDisconnected); // nothing reconnects by itself
    Connect(1);
    EXPECT_FALSE(View().ResumeNoted());
}

TEST_F(MainView, SixteenRowsShowAtTheDefaultSize)
{
    StartReceivers({});
    QApplication::processEvents();
    CListCtrlMain* table = View().Table();
    table->setRowCount(16);
    const int rowHeight = table->verticalHeader()->defaultSectionSize();
    EXPECT_LE(rowHeight, table->fontMetrics().height() + 8); // compact rows
    EXPECT_GE(table->viewport()->height(), 16 * rowHeight) << "window " << m_frame->width() << "x" << m_frame->height();
}

TEST_F(MainView, MoreThanSixteenReceiversServeTheFirstSixteenByNumber)
{
    std::vector<sim::SimReceiverConfig> cfgs;
    for (int i = 0; i < 17; ++i)
        cfgs.push_back(At(16 - i > 15 ? 15 : 16 - i, i % 16, i)); // the first port sorts last
    cfgs[0].bank = 15, cfgs[0].channel = 15;
    cfgs[1].bank = 15, cfgs[1].channel = 14;
    StartReceivers(cfgs);
    Connect(17);
    for (int n = 0; n < 16; ++n)
        EXPECT_TRUE(View().IsMonitored(n)) << n;
    EXPECT_EQ(View().LinkOf(15)->PortName(), m_sim.Receiver(1).PortPath());
    ASSERT_TRUE(PumpUntil([&] { return View().LinkCount() == 16; })); // the 17th port was closed
    EXPECT_EQ(Cell(16, 0), "17");
    const int polls = m_sim.Receiver(0).RequestCount("F0");
    PumpFor(std::chrono::milliseconds(1100));
    EXPECT_EQ(m_sim.Receiver(0).RequestCount("F0"), polls);
}

} // namespace
} // namespace zr::test
