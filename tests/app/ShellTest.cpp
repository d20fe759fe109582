#include <QLocalSocket>
#include <QDir>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "GuiFixture.h"
#include "app/AboutDlg.h"
#include "app/Application.h"
#include "info/FwVerDlg.h"
#include "logs/LogFileDoc.h"
#include "logs/LogReader.h"
#include "logs/gui/LoadingFileDlg.h"
#include "logs/gui/LogConvertDlg.h"
#include "platform/Clock.h"
#include "ui/FileDialog.h"

namespace zr::test {
namespace {

TEST(Shell, DetailSwitchIsOnlyAnExactFirstToken)
{
    const std::pair<const char*, bool> cases[] = {{"/d", true},      {"\"/d\"", true},   {"  /d", false}, {"/d --simulate 4", true},
                                                  {"x /d", false},   {"", false},        {"/D", false},   {"\"/d\" x", true},
                                                  {"/dd", false}};
    for (auto [raw, detail] : cases)
        EXPECT_EQ(IsDetailMode(raw), detail) << raw;
    // After a quoted token the next token starts at the blank: empty, so the scan stops.
    EXPECT_EQ(CommandLineTokens("a \"b c\" d"), (QStringList{"a", "b c"}));
    EXPECT_EQ(CommandLineTokens("a b  c"), (QStringList{"a", "b"}));
    EXPECT_EQ(RawCommandLine({"prog", "/d", "a b"}), "/d \"a b\"");
    // The log to open: the argument after an optional "/d".
    const std::pair<QStringList, const char*> files[] = {{{"prog", "/d", "a b.nlg"}, "a b.nlg"}, {{"prog", "x.wlg"}, "x.wlg"},
                                                         {{"prog", "/d"}, ""},                   {{"prog"}, ""},
                                                         {{"prog", "--help"}, ""}};
    for (const auto& [args, file] : files)
        EXPECT_EQ(LogFileArgument(args), file) << args.join(' ').toStdString();
}

TEST(Shell, SimulateOption)
{
    QStringList args{"prog", "/d", "--simulate", "4"};
    QString error;
    EXPECT_EQ(TakeSimulateOption(args, error), 4);
    EXPECT_EQ(args, (QStringList{"prog", "/d"}));
    QStringList bad{"prog", "--simulate", "x"};
    EXPECT_EQ(TakeSimulateOption(bad, error), -1);
}

TEST(Shell, SecondCopyIsRefusedAndActivatesTheFirst)
{
    const QString key = QString("zrq6930-test-%1").arg(QCoreApplication::applicationPid());
    CSingleInstance first(key), second(key);
    ASSERT_TRUE(first.Acquire());
    int activated = 0;
    first.SetActivateHandler([&] { ++activated; });
    EXPECT_FALSE(second.Acquire());
    EXPECT_TRUE(second.ActivateFirst());
    EXPECT_TRUE(PumpUntil([&] { return activated == 1; }));
    // Started with a log: the first copy opens it by its full path, the
    // system's bytes as they are (a name need not be valid UTF-8).
    for (const std::string& name : {std::string("night log.nlg"), std::string("caf\xe9.nlg")}) {
        std::string opened;
        first.SetOpenHandler([&](const std::string& file) { opened = file; });
        EXPECT_TRUE(second.ActivateFirst(name));
        EXPECT_TRUE(PumpUntil([&] { return !opened.empty(); }));
        EXPECT_EQ(opened, (std::filesystem::current_path() / name).string());
    }
    EXPECT_EQ(activated, 3);
}

TEST(Shell, AboutBoxVersionAndItsTwoEntries)
{
    EXPECT_EQ(VersionText(false), "1.1.0");
    EXPECT_EQ(VersionText(true), "1.1.0.0");
    std::vector<std::string> sent;
    bool answer = false;
    CAboutDlg about(true, {[&] { sent.push_back("FW Version"); return answer; }, [&] { sent.push_back("ID View"); return answer; }}, nullptr);
    EXPECT_EQ(about.VersionLabel()->text(), "Version 1.1.0.0");
    about.show();
    about.OnIconDoubleClicked(true, false); // Ctrl up: nothing
    about.FwVerButton()->click();           // refused: stays open
    EXPECT_TRUE(about.isVisible());
    answer = true;
    about.OnIconDoubleClicked(true, true);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(sent, (std::vector<std::string>{"FW Version", "ID View"}));
}

using Information = GuiFixture;

TEST_F(Information, FwVersionAndIdViewFromTheAboutBox)
{
    StartReceivers({sim::DefaultConfig(0), sim::DefaultConfig(1)});
    EXPECT_EQ(View().ShowFwVersion(), 0);
    EXPECT_EQ(m_messages, QStringList{"No receiver connected."});
    EXPECT_EQ(View().ShowIdView(), 0);
    Connect(2);
    EXPECT_EQ(View().ShowFwVersion(), 1);
    auto* fw = m_frame->findChild<CFwVerDlg*>();
    ASSERT_TRUE(fw);
    EXPECT_EQ(fw->List()->item(1, 1)->text(), "v1.2.3");
    EXPECT_EQ(fw->List()->rowCount(), 2);
    // Enter and Escape close it as a plain dialog; it opens again on request.
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
        QTest::keyClick(fw->List(), key);
        EXPECT_FALSE(fw->isVisible());
        EXPECT_EQ(View().ShowFwVersion(), 1);
        EXPECT_TRUE(fw->isVisible());
    }
    EXPECT_EQ(View().ShowIdView(), 1);
    EXPECT_EQ(View().PollPeriod(), 1000000);
    ASSERT_TRUE(PumpUntil([&] { return m_sim.Receiver(1).RequestCount("F6") > 0; }));
    auto* idList = m_frame->findChild<QDialog*>("idDlg")->findChild<QTableWidget*>();
    ASSERT_TRUE(PumpUntil([&] { return idList->item(1, 1)->text() == "1101 - 0101"; }));
    m_frame->findChild<QDialog*>("idDlg")->close();
    ASSERT_TRUE(PumpUntil([&] { return View().PollPeriod() == 5000000; }));
    EXPECT_TRUE(View().LinkOf(0)->SendRingKinds().empty());
}

// However ID View goes away, the ID polling ends; a Background Log started
// afterwards polls F4 alone and records every answer.
TEST_F(Information, IdViewGoneByEscapeOrEnterLeavesNoIdPollingBehind)
{
    StartReceivers({sim::DefaultConfig(0)});
    Connect(1);
    auto* id = m_frame->findChild<QDialog*>("idDlg");
    for (int key : {Qt::Key_Escape, Qt::Key_Return}) {
        ASSERT_EQ(View().ShowIdView(), 1);
        ASSERT_TRUE(PumpUntil([&] { return m_sim.Receiver(0).RequestCount("F6") > 0; }));
        QTest::keyClick(id->findChild<QTableWidget*>(), static_cast<Qt::Key>(key));
        EXPECT_FALSE(id->isVisible());
        ASSERT_TRUE(PumpUntil([&] { return View().PollPeriod() == 5000000; })) << key;
        EXPECT_TRUE(View().LinkOf(0)->SendRingKinds().empty());
    }

    View().StartRecording();
    const int f0 = m_sim.Receiver(0).RequestCount("F0"), f6 = m_sim.Receiver(0).RequestCount("F6");
    ASSERT_TRUE(PumpUntil([&] { return m_sim.Receiver(0).RequestCount("F4") >= 5; }));
    EXPECT_EQ(Cell(0, 8), "Logging     ");
    const int requestedBeforeStop = m_sim.Receiver(0).RequestCount("F4");
    View().StopRecording();
    EXPECT_EQ(m_sim.Receiver(0).RequestCount("F6"), f6);
    EXPECT_LE(m_sim.Receiver(0).RequestCount("F0"), f0 + 1); // at most one in flight at the start
    const int answered = m_sim.Receiver(0).RequestCount("F4");
    std::filesystem::path log;
    for (const auto& e : std::filesystem::directory_iterator(m_logDir.Path()))
        log = e.path();
    CLogReader reader;
    ASSERT_EQ(reader.Open(log.string(), kLogNorm), kLogOpened);
    int records = 0;
    for (LogRecord r; reader.Next(r);)
        ++records;
    EXPECT_GE(records, requestedBeforeStop - 1); // the one in flight at the stop is not recorded
    EXPECT_LE(records, answered);
}

using Conversion = GuiFixture;

TEST_F(Conversion, DialogConvertsIntoTheLogFolderWithProgress)
{
    StartReceivers({sim::DefaultConfig(0)});
    CTempDir elsewhere;
    const std::string source = elsewhere.File("7_20240101-000000_001.nlg");
    {
        std::ofstream out(source, std::ios::binary);
        auto h = BuildLogHeader(kLogNorm, 6, 0, nullptr);
        out.write(reinterpret_cast<const char*>(h.data()), 32);
        DataRow row{};
        row[7] = 50;
        for (int i = 0; i < 7000; ++i) {
            auto r = BuildLogRecord(LocalTimeToFileTime({2024, 1, 1, 0, 0, 0, 0}) + i * 1000000LL, row);
            out.write(reinterpret_cast<const char*>(r.data()), 32);
        }
    }
    SetFileDialogHandler([&](const QString& folder, const QString& filter) {
        EXPECT_EQ(folder.toStdString(), m_logDir.Path() + "/");
        EXPECT_EQ(filter, "LogFile(*.nlg)");
        return QString::fromStdString(source);
    });
    m_frame->Action(32786)->trigger();
    auto* dlg = View().ConvertDialog();
    ASSERT_TRUE(dlg->isVisible());
    dlg->Browse();
    EXPECT_EQ(dlg->OutputPath().toStdString(), m_logDir.File("7_20240101-000000_001.log"));
    dlg->ConvertButton()->click();
    ASSERT_TRUE(PumpUntil([&] { return !dlg->Running(); }));
    EXPECT_EQ(m_messages, QStringList{"Conversion completed."});
    EXPECT_FALSE(View().LoadingDialog()->isVisible());
    EXPECT_EQ(View().LoadingDialog()->Progress().Counter(), 7001);
    EXPECT_EQ(View().LoadingDialog()->Progress().Position(), View().LoadingDialog()->Progress().RangeMaximum());

    // Overwrite declined: the text stays as it was.
    std::ofstream(dlg->OutputPath().toStdString()) << "keep";
    m_messages.clear();
    m_answers = {MsgAnswer::No};
    dlg->ConvertButton()->click();
    ASSERT_TRUE(PumpUntil([&] { return !dlg->Running(); }));
    EXPECT_EQ(m_messages, QStringList{"The output file (*.log) already exists. Do you want to overwrite it?"});
    std::ifstream in(dlg->OutputPath().toStdString());
    std::string text;
    in >> text;
    EXPECT_EQ(text, "keep");
    SetFileDialogHandler(nullptr);
}

TEST(LoadingDialog, ShownForLargeWalkLogsOnlyAndAlwaysForConversions)
{
    CTempDir dir;
    auto make = [&](const char* name, std::size_t size) {
        std::ofstream(dir.File(name), std::ios::binary) << std::string(size, '\0');
        return QString::fromStdString(dir.File(name));
    };
    CLoadingFileDlg dlg;
    dlg.StartLoading(make("small", 204800), false);
    EXPECT_FALSE(dlg.isVisible());
    dlg.EndLoading();
    dlg.StartLoading(make("large", 204832), false);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.Progress().Divisor(), 64);
    EXPECT_EQ(dlg.Bar()->maximum(), 100);
    dlg.ReportBlocks(640);
    dlg.ApplyProgress();
    EXPECT_EQ(dlg.Bar()->value(), 10);
    dlg.EndLoading();
    EXPECT_FALSE(dlg.isVisible());
    dlg.StartLoading(make("tiny", 64), true);
    EXPECT_TRUE(dlg.isVisible());
    dlg.EndLoading();
}

} // namespace
} // namespace zr::test
