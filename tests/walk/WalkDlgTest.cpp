#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <cstring>
#include <filesystem>

#include "../app/GuiFixture.h"
#include "LogFiles.h"
#include "logs/LogReader.h"
#include "scan/SpScanDlg.h"
#include "ui/FileDialog.h"
#include "walk/WalkDlg.h"

namespace zr::test {
namespace {

ReceiverReply F1(const char* text)
{
    ReceiverReply r;
    r.kind = kF1;
    std::memcpy(r.reply.data(), text, std::strlen(text));
    return r;
}

uint64_t RecordsIn(const std::string& path)
{
    return (std::filesystem::file_size(path) - kLogHeaderSize) / kLogRecordSize;
}

// A live Walk Test window without an owner: its own rules only.
class WalkDialog : public GuiFixture {
protected:
    void SetUp() override
    {
        GuiFixture::SetUp();
        m_dlg = std::make_unique<CWalkDlg>(nullptr, nullptr, kWalkLive);
        m_dlg->SetReceiver(2);
        m_dlg->ShowFresh();
    }
    void TearDown() override
    {
        m_dlg.reset();
        GuiFixture::TearDown();
    }
    bool LookIs(bool start, bool stop, bool save, bool open)
    {
        return m_dlg->StartButton()->isEnabled() == start && m_dlg->StopButton()->isEnabled() == stop && m_dlg->SaveButton()->isEnabled() == save &&
               m_dlg->OpenButton()->isEnabled() == open;
    }
    std::unique_ptr<CWalkDlg> m_dlg;
};

TEST_F(WalkDialog, KeepOrDeleteTheLogAndTheReceiverModes)
{
    EXPECT_EQ(m_dlg->windowTitle(), "Walk Test > RECEIVER 3");
    EXPECT_TRUE(LookIs(true, false, true, true));
    m_dlg->Start();
    EXPECT_TRUE(m_dlg->Running());
    EXPECT_TRUE(LookIs(false, true, false, false));
    EXPECT_EQ(m_dlg->State(), kLogStateUndecided);
    const std::string first = m_dlg->LogPath();
    m_dlg->OnPollReply(F1("F13145671")); // a sync digit of 3: neither yes nor no
    m_dlg->OnPollReply(F1("F10050600"));
    EXPECT_EQ(m_dlg->Graph()->Model().TraceSize(0), 2);
    EXPECT_EQ(RecordsIn(first), 2u);
    EXPECT_EQ(m_dlg->ReadOut(0)->text(), "45"); // the marker stands on the first sample
    EXPECT_EQ(m_dlg->ReadOut(2)->text(), "---");
    EXPECT_EQ(m_dlg->ReadOut(3)->text(), "Yes");
    // The receiver's own walk-test state and an idle receiver keep Stop at hand.
    m_dlg->SetReceiverMode(kModeWalkTest);
    m_dlg->SetReceiverMode(kModeIdle);
    EXPECT_TRUE(LookIs(false, true, false, false));
    // So do the modes that do not end the test themselves: the user is never locked out.
    for (int32_t mode : {kModeSpectrumScan, kModeChannelScanPc}) {
        m_dlg->SetReceiverMode(mode);
        EXPECT_TRUE(m_dlg->Running()) << mode;
        EXPECT_TRUE(LookIs(false, true, false, false)) << mode;
    }
    m_dlg->StopButton()->click();
    EXPECT_TRUE(LookIs(true, false, true, true));
    EXPECT_EQ(m_dlg->State(), kLogStateUndecided);

    // Cancel abandons the start: nothing changes.
    m_answers = {MsgAnswer::Cancel};
    m_dlg->Start();
    EXPECT_FALSE(m_dlg->Running());
    EXPECT_EQ(m_dlg->State(), kLogStateUndecided);
    EXPECT_EQ(m_dlg->Graph()->Model().TraceSize(0), 2);
    EXPECT_EQ(m_messages, QStringList{"Do you save the log data?"});

    // No deletes the undecided log before the next test starts; a channel scan stops that one.
    m_messages.clear();
    m_answers = {MsgAnswer::No};
    m_dlg->Start();
    // (The new log may take the deleted one's name within the same second.)
    EXPECT_TRUE(!std::filesystem::exists(first) || RecordsIn(first) == 0);
    const std::string second = m_dlg->LogPath();
    m_dlg->SetReceiverMode(kModeChannelScanRx);
    EXPECT_FALSE(m_dlg->Running());
    EXPECT_TRUE(LookIs(false, false, false, false));
    EXPECT_EQ(m_messages, (QStringList{"Do you save the log data?", "Walk Test was stopped due to Channel Scan"}));
    EXPECT_EQ(m_dlg->State(), kLogStateUndecided);

    // Unavailable while idle: everything disabled, no message. While running: stopped, the log kept.
    m_messages.clear();
    m_dlg->SetReceiverMode(kModeIdle);
    m_dlg->SaveLog();
    m_dlg->SetReceiverMode(kModeUnavailable);
    EXPECT_TRUE(LookIs(false, false, false, false));
    m_dlg->SetReceiverMode(kModeIdle);
    m_dlg->Start();
    m_dlg->SetReceiverMode(kModeUnavailable);
    EXPECT_EQ(m_messages, (QStringList{"The log data was saved.",
                                       "Walk Test was stopped due to the connection error. Log data was saved in the log folder."}));
    EXPECT_EQ(m_dlg->State(), kLogStateKept);
    EXPECT_TRUE(std::filesystem::exists(second));
    m_dlg->close();
    EXPECT_FALSE(m_dlg->isVisible()); // a kept log asks nothing
}

TEST_F(WalkDialog, TheHourOfGraphAndTheTwoHoursOfLogEndTheTest)
{
    m_dlg->Start();
    for (int i = 0; i < kWalkGraphMaxSamples; ++i)
        m_dlg->Graph()->AddSample({50, 50, 0, 0}, true, false);
    EXPECT_TRUE(m_dlg->Running());
    m_dlg->Graph()->AddSample({50, 50, 0, 0}, true, false);
    m_dlg->Graph()->AddSample({50, 50, 0, 0}, true, false); // two notices, one stop
    PumpFor(std::chrono::milliseconds(20));
    EXPECT_FALSE(m_dlg->Running());
    EXPECT_EQ(m_messages, QStringList{"Time Limit Exceeded. Walk Test was stopped."});
    EXPECT_EQ(m_dlg->Graph()->Model().TraceSize(0), kWalkGraphMaxSamples);
    // The window followed the newest sample to the end, and the newest is in it.
    EXPECT_EQ(m_dlg->Graph()->Model().pointCount, kWalkGraphMaxSamples);
    EXPECT_EQ(m_dlg->Graph()->Model().last, m_dlg->Graph()->Model().pointCount - 1);
    EXPECT_EQ(m_dlg->ScrollBar()->value(), m_dlg->Graph()->Model().first);

    m_messages.clear();
    m_answers = {MsgAnswer::Yes};
    CManualClock clock(LocalTimeToFileTime({2024, 5, 17, 12, 0, 0, 0}));
    SetClock(&clock);
    m_dlg->Start();
    m_dlg->OnPollReply(F1("F10045600"));
    clock.Advance(2 * 3600 * kFileTimePerSecond);
    m_dlg->OnPollReply(F1("F10045600"));
    PumpFor(std::chrono::milliseconds(20));
    SetClock(nullptr);
    EXPECT_FALSE(m_dlg->Running());
    EXPECT_EQ(m_messages, (QStringList{"Do you save the log data?", "The log data was saved.", "Time Limit Exceeded. Walk Test was stopped."}));
}

TEST_F(WalkDialog, TypedTimesAndTheMarkersReadOut)
{
    // 0:1:30.500 at 100 ms per point is point 905, beyond the first window: the window goes there.
    m_dlg->Marker()->setFocus();
    m_dlg->Marker()->selectAll();
    QTest::keyClicks(m_dlg->Marker(), "0:1:30.500");
    QTest::keyClick(m_dlg->Marker(), Qt::Key_Return);
    const CRfGraphModel& m = m_dlg->Graph()->Model();
    EXPECT_EQ(m.markerX, m.IndexToX(905));
    EXPECT_LE(m.first, 905);
    EXPECT_GE(m.last, 905);
    EXPECT_EQ(m_dlg->ScrollBar()->value(), m.first);
    EXPECT_EQ(m_dlg->Marker()->text(), "000:01:30.500");
    // Letters are not times; the arrows move the marker one point.
    QTest::keyClicks(m_dlg->Marker(), "ab");
    QTest::keyClick(m_dlg->Marker(), Qt::Key_Right);
    EXPECT_EQ(m_dlg->Marker()->text(), "000:01:30.600");

    // After a zoom the bar still spans every possible window: its end (End on the bar) shows the last point.
    for (int mode : {0, 1, 1}) {
        m_dlg->ZoomBy(mode);
        EXPECT_EQ(m_dlg->ScrollBar()->maximum(), m.pointCount - 1 - (m.last - m.first)) << mode;
        m_dlg->ScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
        EXPECT_EQ(m.last, m.pointCount - 1) << mode;
        EXPECT_EQ(m_dlg->ScrollBar()->value(), m.first) << mode;
        m_dlg->ScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
        EXPECT_EQ(m.first, 0) << mode;
        const int to = std::min(7, m_dlg->ScrollBar()->maximum());
        m_dlg->ScrollBar()->setValue(to); // no action at all, as an accessibility client sets it
        EXPECT_EQ(m.first, to) << mode;
        m_dlg->ScrollBar()->setValue(0);
    }

    // The check boxes show and hide the traces.
    EXPECT_TRUE(m_dlg->TraceBox(0)->isChecked());
    EXPECT_FALSE(m_dlg->TraceBox(2)->isChecked());
    m_dlg->TraceBox(2)->setChecked(true);
    EXPECT_EQ(m_dlg->Graph()->Model().visible[2], 1);
}

TEST_F(WalkDialog, TheGraphSavesAsAPicture)
{
    QString asked;
    SetFileDialogHandler([&](const QString& suggested, const QString&) {
        asked = suggested;
        return QString::fromStdString(m_logDir.File("walk")); // ".png" is added
    });
    m_dlg->Start();
    m_dlg->OnPollReply(F1("F10045600"));
    emit m_dlg->Graph()->saveImageRequested();
    SetFileDialogHandler(nullptr);
    EXPECT_TRUE(asked.endsWith("Walk_Test_RECEIVER_3.png")) << asked.toStdString();
    QImage saved(QString::fromStdString(m_logDir.File("walk.png")));
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.size(), m_dlg->Graph()->size());
    m_dlg->Stop();
}

// A log opened in the live window: its title names the receiver and the file,
// and a time-domain view of a log not yet opened names the frequency alone.
TEST_F(WalkDialog, LoadedTitles)
{
    WriteLog(m_logDir.File("site.wlg"), kLogWalk, {WalkRow(50, 40, false, false)});
    ASSERT_TRUE(m_dlg->LoadLog(m_logDir.File("site.wlg")));
    ASSERT_TRUE(PumpUntil([&] { return !m_dlg->Loading() && m_dlg->State() == kLogStateOpened; }));
    EXPECT_EQ(m_dlg->windowTitle(), "Walk Test (log) > RECEIVER3 > site.wlg");

    CWalkDlg timeDomain(nullptr, nullptr, kTimeDomainViewer);
    SpectrumLogSettings settings{606100 / 25, 606150 / 25, 0};
    WriteLog(m_logDir.File("s.slg"), kLogSpec, {SpectrumRow(606100, 20), SpectrumRow(606125, 40), SpectrumRow(606150, 20)}, &settings);
    timeDomain.ShowTimeDomain(606125, kLogStateUndecided, m_logDir.File("s.slg")); // a scan's own log, not opened
    ASSERT_TRUE(PumpUntil([&] { return !timeDomain.Loading() && timeDomain.State() == kLogStateOpened; }));
    EXPECT_EQ(timeDomain.windowTitle(), "Spectrum Scan (time domain) > 606.125MHz");
}

class WalkTest : public GuiFixture {
protected:
    CWalkDlg* Live() { return View().WalkDialog(); }
};

TEST_F(WalkTest, LiveTestPollsF1AndItsLogOpensInTheViewer)
{
    StartReceivers({sim::DefaultConfig(0), sim::DefaultConfig(1)});
    Connect(2);
    View().Table()->selectRow(1);
    View().ToolButton(kIdWalkButton)->click();
    ASSERT_TRUE(Live()->isVisible());
    EXPECT_EQ(Live()->windowTitle(), "Walk Test > RECEIVER 2");
    Live()->StartButton()->click();
    EXPECT_EQ(View().PollPeriod(), 1000000);
    EXPECT_EQ(Cell(1, 8), "Walk-test   ");
    ASSERT_TRUE(PumpUntil([&] { return Live()->Graph()->Model().TraceSize(0) >= 5; }));
    EXPECT_GT(Live()->Graph()->Model().ValueAt(0, 4), 0);
    EXPECT_TRUE(Live()->StopButton()->isEnabled()); // the receiver's walk-test state leaves it
    Live()->close();
    EXPECT_TRUE(Live()->isVisible());
    EXPECT_EQ(m_messages, QStringList{"Walk Test is running."});
    EXPECT_EQ(View().ShowIdView(), 0); // the guard holds while it is open

    Live()->StopButton()->click();
    EXPECT_EQ(View().PollPeriod(), 5000000);
    const std::string log = Live()->LogPath();
    const int samples = Live()->Graph()->Model().TraceSize(0);
    EXPECT_GE(RecordsIn(log), static_cast<uint64_t>(samples));
    m_messages.clear();
    m_answers = {MsgAnswer::Yes};
    Live()->close();
    EXPECT_FALSE(Live()->isVisible());

    // The log opens in the Walk-Test Log viewer: every record a point.
    ASSERT_TRUE(View().OpenLogFile(log));
    CWalkDlg* viewer = View().WalkLogViewer();
    ASSERT_TRUE(PumpUntil([&] { return !viewer->Loading() && viewer->State() == kLogStateOpened; }));
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->windowTitle(), "Walk Test Log > " + QFileInfo(PathText(log)).fileName());
    EXPECT_EQ(static_cast<uint64_t>(viewer->Graph()->Model().TraceSize(0)), RecordsIn(log));
    EXPECT_TRUE(viewer->Graph()->isVisible());
    EXPECT_TRUE(viewer->OpenButton()->isEnabled());
    EXPECT_FALSE(viewer->StartButton()->isVisible());

    // The other viewers refuse it; a file that is no log at all is refused before any viewer.
    m_messages.clear();
    ASSERT_TRUE(View().BackgroundLogViewer()->LoadLog(log));
    ASSERT_TRUE(PumpUntil([&] { return !View().BackgroundLogViewer()->Loading(); }));
    std::ofstream(m_logDir.File("notes.nlg")) << "not a log at all, only text long enough";
    EXPECT_FALSE(View().OpenLogFile(m_logDir.File("notes.nlg")));
    EXPECT_FALSE(View().OpenLogFile(m_logDir.File("missing.wlg")));
    EXPECT_EQ(m_messages, (QStringList{"Invalid file type.", "Invalid file type.", "Cannot open file. File unselected or being used by another program."}));
    EXPECT_EQ(View().BackgroundLogViewer()->State(), kLogStateNone);

    // Quitting while a load runs leaves no thread behind.
    ASSERT_TRUE(viewer->LoadLog(log));
    m_frame.reset();
}

TEST_F(WalkTest, ALostReceiverStopsTheTestAndKeepsItsLog)
{
    StartReceivers({sim::DefaultConfig(0), sim::DefaultConfig(1)});
    Connect(2);
    View().Table()->selectRow(0);
    View().ToolButton(kIdWalkButton)->click();
    Live()->StartButton()->click();
    ASSERT_TRUE(PumpUntil([&] { return Live()->Graph()->Model().TraceSize(0) >= 2; }));
    const std::string log = Live()->LogPath();
    m_sim.Receiver(0).HangUp();
    ASSERT_TRUE(PumpUntil([&] { return !Live()->isVisible(); }));
    EXPECT_EQ(m_messages, QStringList{"Walk Test was stopped due to the connection error. Log data was saved in the log folder."});
    EXPECT_FALSE(Live()->Running());
    EXPECT_EQ(Live()->State(), kLogStateKept);
    EXPECT_TRUE(std::filesystem::exists(log));
    EXPECT_EQ(View().ConnectState(), kConnected);
}

TEST_F(WalkTest, BackgroundLogsAndSpectrumTimeDomainOpenInTheirViewers)
{
    StartReceivers({sim::DefaultConfig(0)});
    std::vector<DataRow> rows = {WalkRow(50, 40, false, false), WalkRow(20, 10, true, true), WalkRow(60, 55, false, true)};
    WriteLog(m_logDir.File("night.nlg"), kLogNorm, rows);
    // Dropped on the main window, as from a file manager.
    QMimeData dropped;
    dropped.setUrls({QUrl::fromLocalFile(QString::fromStdString(m_logDir.File("night.nlg")))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_frame.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_frame.get(), &drop);
    CWalkDlg* background = View().BackgroundLogViewer();
    ASSERT_TRUE(PumpUntil([&] { return background->State() == kLogStateOpened; }));
    EXPECT_EQ(background->windowTitle(), "Background Log > night.nlg");
    EXPECT_TRUE(background->Caution()->isVisible());
    EXPECT_EQ(background->Graph()->Model().traces[1], (std::vector<uint16_t>{40, 10, 55}));
    EXPECT_EQ(background->Graph()->Model().traces[3], (std::vector<uint16_t>{0, 1, 1}));
    EXPECT_EQ(background->ReadOut(0)->text(), "50");
    EXPECT_NE(background->Graph()->Walk().startTime, 0);
    // What went wrong, listed; choosing one moves the marker there.
    ASSERT_EQ(background->EventRows().rowCount(), 2);
    EXPECT_EQ(background->EventRows().index(0).data().toString(), "09:30:05.100  sync error  0:00:00.100");
    EXPECT_EQ(background->EventRows().index(1).data().toString(), "09:30:05.100  data error  0:00:00.100");
    background->ShowPoint(2);
    background->EventList()->setCurrentIndex(background->EventList()->model()->index(0, 0));
    EXPECT_EQ(background->Graph()->Model().markerX, background->Graph()->Model().IndexToX(1));
    EXPECT_EQ(background->ReadOut(2)->text(), "Yes");
    EXPECT_EQ(View().WalkLogViewer()->EventList(), nullptr); // the Background Log viewer's alone
    // Closed and opened again from the Log menu: empty, not the last file.
    background->close();
    View().ShowBackgroundLogViewer();
    EXPECT_TRUE(background->isVisible());
    EXPECT_EQ(background->State(), kLogStateNone);
    EXPECT_EQ(background->Graph()->Model().TraceSize(0), 0);
    EXPECT_EQ(background->EventRows().rowCount(), 0);
    EXPECT_EQ(background->windowTitle(), "Background Log");

    // A walk log of a header alone: an empty graph with no start time, opened all the same,
    // by a name that is not UTF-8 (as copied from an old PC): the system's bytes name the file.
    const std::string latin1Name = m_logDir.File("empty\xe9.wlg");
    WriteLog(latin1Name, kLogWalk, {});
    ASSERT_TRUE(View().OpenLogFile(latin1Name));
    CWalkDlg* walkLog = View().WalkLogViewer();
    ASSERT_TRUE(PumpUntil([&] { return walkLog->State() == kLogStateOpened; }));
    EXPECT_EQ(walkLog->Graph()->Walk().startTime, 0);
    EXPECT_EQ(walkLog->Graph()->Model().TraceSize(0), 0);

    // A spectrum log's Change View: the marker frequency over time, one point per sweep.
    SpectrumLogSettings settings{606100 / 25, 606150 / 25, 0};
    WriteLog(m_logDir.File("stage.slg"), kLogSpec,
             {SpectrumRow(606100, 20), SpectrumRow(606125, 40), SpectrumRow(606125, 52), SpectrumRow(606125, 47), SpectrumRow(606150, 20),
              SpectrumRow(606100, 20), SpectrumRow(606125, 33), SpectrumRow(606150, 20)},
             &settings);
    ASSERT_TRUE(View().OpenLogFile(m_logDir.File("stage.slg")));
    CSpScanDlg* spectrum = View().SpectrumLogViewer();
    ASSERT_TRUE(PumpUntil([&] { return spectrum->State() == kLogStateOpened; }));
    spectrum->Marker()->ProcessKey(kKeyRight); // 606.100 -> 606.125
    spectrum->ChangeView();
    CWalkDlg* timeDomain = View().TimeDomainViewer();
    ASSERT_TRUE(timeDomain->isVisible());
    ASSERT_TRUE(PumpUntil([&] { return timeDomain->State() == kLogStateOpened; }));
    EXPECT_EQ(timeDomain->windowTitle(), "Spectrum Scan (time domain) > stage.slg > 606.125MHz");
    EXPECT_EQ(timeDomain->Graph()->Model().traces[0], (std::vector<uint16_t>{52, 33}));
    EXPECT_EQ(timeDomain->MsPerPoint(), 600);
    EXPECT_EQ(timeDomain->Marker()->text(), "000:00:00.000");
    EXPECT_EQ(timeDomain->ReadOut(0)->text(), "52");
    EXPECT_FALSE(timeDomain->OpenButton()->isVisible());
    EXPECT_TRUE(timeDomain->Caution()->isVisible());
    EXPECT_TRUE(m_messages.isEmpty()) << m_messages.join("|").toStdString();

    // Change View twice before the first load is in: each frequency's data under its own
    // title, and the newest request is the one that stays.
    spectrum->Marker()->ProcessKey(kKeyLeft); // 606.100
    spectrum->ChangeView();
    spectrum->Marker()->ProcessKey(kKeyRight);
    spectrum->Marker()->ProcessKey(kKeyRight); // 606.150
    spectrum->ChangeView();
    ASSERT_TRUE(PumpUntil([&] { return timeDomain->windowTitle().endsWith("606.150MHz") && !timeDomain->Loading(); })) << timeDomain->windowTitle().toStdString() << " " << spectrum->Marker()->text().toStdString();
    PumpFor(std::chrono::milliseconds(100));
    EXPECT_EQ(timeDomain->windowTitle(), "Spectrum Scan (time domain) > stage.slg > 606.150MHz");
    EXPECT_EQ(timeDomain->Graph()->Model().traces[0], (std::vector<uint16_t>{20, 20}));
}

} // namespace
} // namespace zr::test
