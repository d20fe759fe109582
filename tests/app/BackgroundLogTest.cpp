#include <QAction>
#include <algorithm>
#include <filesystem>

#include "GuiFixture.h"
#include "logs/LogReader.h"
#include "platform/Clock.h"

namespace zr::test {
namespace {

namespace fs = std::filesystem;

using BackgroundLog = GuiFixture;

std::vector<std::string> LogFiles(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(BackgroundLog, RecordsEveryReceiverIntoItsOwnFileAndStops)
{
    StartReceivers({sim::DefaultConfig(0), sim::DefaultConfig(1)});
    m_frame->UpdateMenuState();
    EXPECT_FALSE(m_frame->Action(32788)->isEnabled()); // not connected
    Connect(2);
    m_frame->UpdateMenuState();
    EXPECT_TRUE(m_frame->Action(32788)->isEnabled());
    EXPECT_FALSE(m_frame->Action(32789)->isEnabled());

    View().StartRecording();
    EXPECT_TRUE(View().IsRecording());
    EXPECT_TRUE(View().LoggingLabel()->isVisibleTo(&View()));
    EXPECT_EQ(Cell(0, 8), "Logging     ");
    EXPECT_EQ(Cell(1, 8), "Logging     ");
    EXPECT_FALSE(View().ToolButton(1001)->isEnabled());
    EXPECT_EQ(View().PollPeriod(), 1000000);
    m_frame->UpdateMenuState();
    EXPECT_FALSE(m_frame->Action(32788)->isEnabled());
    EXPECT_TRUE(m_frame->Action(32789)->isEnabled());
    EXPECT_FALSE(m_frame->Action(32786)->isEnabled());
    EXPECT_TRUE(m_frame->Action(32787)->isEnabled());

    auto files = LogFiles(m_logDir.Path());
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].substr(0, 2), "1_");
    EXPECT_EQ(files[1].substr(0, 2), "2_");
    EXPECT_EQ(files[0].substr(files[0].size() - 8), "_001.nlg");
    const std::string path = m_logDir.File(files[0]);
    ASSERT_TRUE(PumpUntil([&] { return fs::file_size(path) >= 32 + 5 * 32; }));

    // Tools refuse while recording; disconnect and quit refuse too.
    View().Table()->selectRow(0);
    View().OnToolButton(1001);
    View().OnToolButton(1004);
    View().ConnectButton()->click();
    EXPECT_EQ(m_messages, (QStringList{"During Background Log recording, cannot start Walk Test.", "Background Log recording is running."}));
    EXPECT_EQ(View().ConnectState(), kConnected);
    m_messages.clear();
    m_answers = {MsgAnswer::Yes};
    EXPECT_FALSE(m_frame->close());
    EXPECT_EQ(m_messages, (QStringList{"Do you quit this program?", "Background Log recording is running."}));

    m_messages.clear();
    View().StopRecording();
    EXPECT_EQ(m_messages, QStringList{"Background Log recording was stopped."});
    EXPECT_FALSE(View().LoggingLabel()->isVisibleTo(&View()));
    EXPECT_EQ(Cell(0, 8), "     -      ");
    EXPECT_EQ(View().PollPeriod(), 5000000);
    const auto size = fs::file_size(path);
    EXPECT_EQ((size - 32) % 32, 0u);
    PumpFor(std::chrono::milliseconds(300));
    EXPECT_EQ(fs::file_size(path), size); // nothing written after the stop

    CLogReader reader;
    ASSERT_EQ(reader.Open(path, kLogNorm), kLogOpened);
    LogRecord r;
    ASSERT_TRUE(reader.Next(r));
    EXPECT_EQ(r.row[10], 0x01); // bank 0, channel 1 of the first simulated receiver
    EXPECT_GT(r.row[7], 0);
}

TEST_F(BackgroundLog, ARecordThatCannotBeWrittenIsToldOnceAndRecordingGoesOn)
{
    StartReceivers({sim::DefaultConfig(0)});
    Connect(1);
    View().StartRecording();
    const std::string path = View().LogDocOf(0)->CurrentPath();
    fs::remove(path);
    int told = 0;
    QObject::connect(&View(), &CZRQ6930_MaintenanceView::statusMessage, [&](const QString& t) { told += t.startsWith("Cannot write the Background Log"); });
    const int polls = m_sim.Receiver(0).RequestCount("F4");
    ASSERT_TRUE(PumpUntil([&] { return m_sim.Receiver(0).RequestCount("F4") > polls + 5; }));
    PumpFor(std::chrono::milliseconds(100));
    EXPECT_EQ(told, 1);
    EXPECT_TRUE(m_frame->StatusText().startsWith("Cannot write the Background Log of receiver 1"));
    EXPECT_TRUE(View().IsRecording());
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(BackgroundLog, EightHourLimitShowsOnlyItsOwnMessage)
{
    StartReceivers({sim::DefaultConfig(0)});
    Connect(1);
    CManualClock clock(LocalTimeToFileTime({2024, 5, 17, 9, 0, 0, 0}));
    SetClock(&clock);
    View().StartRecording();
    clock.Advance(288000000000LL);
    ASSERT_TRUE(PumpUntil([&] { return !View().IsRecording(); }));
    SetClock(nullptr);
    EXPECT_EQ(m_messages, QStringList{"Time Limit Exceeded. Background Log was stopped. (8 hours)"});
    View().OnRecordingTimeLimit(); // a late one changes nothing
    EXPECT_EQ(m_messages.size(), 1);
}

// While recording, a receiver silent for a moment is asked again: its row
// reads "Comm Error" meanwhile, the status bar says so both ways, the others
// record on, and it records on into the same log once it is back.
TEST_F(BackgroundLog, ASilentReceiverComesBackIntoItsLogWhileRecording)
{
    sim::SimReceiverConfig silent = sim::DefaultConfig(0);
    silent.faults.silenceAtMs = 1500;
    silent.faults.silenceForMs = 1500;
    StartReceivers({silent, sim::DefaultConfig(1)});
    Connect(2);
    QStringList told;
    QObject::connect(&View(), &CZRQ6930_MaintenanceView::statusMessage, [&](const QString& t) { told << t; });
    View().StartRecording();
    int recNo = 0, row = 0;
    while (recNo < 2 && View().LinkOf(recNo)->PortName() != m_sim.Receiver(0).PortPath())
        ++recNo;
    while (row < 2 && View().Table()->ReceiverOfRow(row) != recNo)
        ++row;
    ASSERT_LT(row, 2);
    const std::string log = View().LogDocOf(recNo)->CurrentPath();
    ASSERT_TRUE(PumpUntil([&] { return Cell(row, 8) == "Comm Error  "; }));
    EXPECT_TRUE(View().IsRecording());
    const auto during = fs::file_size(log);
    ASSERT_TRUE(PumpUntil([&] { return Cell(row, 8) == "Logging     "; }, std::chrono::seconds(10)));
    ASSERT_TRUE(PumpUntil([&] { return fs::file_size(log) >= during + 10 * 32; })); // its own log goes on
    EXPECT_TRUE(std::any_of(told.begin(), told.end(), [](const QString& t) { return t.contains("Comm Error"); })) << told.join("|").toStdString();
    EXPECT_TRUE(std::any_of(told.begin(), told.end(), [](const QString& t) { return t.endsWith("answers again"); })) << told.join("|").toStdString();
    EXPECT_TRUE(m_messages.isEmpty());
    View().StopRecording();
    // The losses and returns are kept beside the logs.
    bool kept = false;
    for (const auto& e : fs::directory_iterator(m_logDir.Path()))
        kept = kept || (e.path().filename().string().rfind("record_", 0) == 0 && test::Slurp(e.path().string()).find("answers again") != std::string::npos);
    EXPECT_TRUE(kept);
}

TEST_F(BackgroundLog, ABusyReceiverBlocksTheStart)
{
    sim::SimReceiverConfig scanning = sim::DefaultConfig(1);
    StartReceivers({sim::DefaultConfig(0), scanning});
    Connect(2);
    m_sim.Receiver(1).SetState('5'); // a channel scan run by the receiver
    ASSERT_TRUE(PumpUntil([&] { return Cell(1, 8) == "Ch scan (Rx)"; }));
    View().StartRecording();
    EXPECT_EQ(m_messages, QStringList{"This function is not available during scanning or walk testing."});
    EXPECT_FALSE(View().IsRecording());
    EXPECT_TRUE(LogFiles(m_logDir.Path()).empty());
}

// Busy with its own channel scan once recording runs: F4 is answered with E1
// reason 5. The row says what the receiver reports, never a made-up frequency.
TEST_F(BackgroundLog, AReceiverBusyWhileRecordingShowsItsOwnState)
{
    StartReceivers({sim::DefaultConfig(0)});
    Connect(1);
    View().StartRecording();
    ASSERT_TRUE(PumpUntil([&] { return Cell(0, 8) == "Logging     " && Cell(0, 3) != "  ---.---  "; }));
    sim::SimFaults busy;
    busy.busyCodes = "F4";
    m_sim.Receiver(0).SetFaults(busy);
    ASSERT_TRUE(PumpUntil([&] { return Cell(0, 8) == "Ch scan (Rx)"; }));
    EXPECT_EQ(Cell(0, 3), "  ---.---  ");
    View().StopRecording();
}

TEST_F(BackgroundLog, OpenLogFolderCreatesTheFolder)
{
    CTempDir home;
    CEnvGuard noOverride("ZRQ6930_LOG_DIR", "");
    CEnvGuard data("XDG_DATA_HOME", home.Path());
    StartReceivers({sim::DefaultConfig(0)});
    CEnvGuard noBrowser("BROWSER", "true");
    View().OpenLogFolder();
    EXPECT_TRUE(fs::is_directory(home.File("Ombrix/ZR-Q6930/log")));
}

} // namespace
} // namespace zr::test
