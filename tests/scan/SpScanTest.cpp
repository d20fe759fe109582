#include <QAccessible>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "../app/GuiFixture.h"
#include "../walk/LogFiles.h"
#include "platform/Clock.h"
#include "scan/SpScanDlg.h"
#include "scan/WaterfallDlg.h"

namespace zr::test {
namespace {

TEST(SpectrumSettings, RangeErrorsComposeOneMessage)
{
    struct Case {
        int start, stop, step;
        const char* lines;
    };
    const Case cases[] = {
        {606000, 636000, 25, ""},
        {606000, 606000, 25, "Stop Frequency must be more than Start Frequency.\n"},
        {605000, 637000, 25, "The value must be 606.000MHz and over.\nThe value must be 636.000MHz and under.\n"},
        {606100, 636000, 125, "The value must be a multiple of Step Frequency.\n"},
        {606100, 635900, 125, "The value must be a multiple of Step Frequency.\nThe value must be a multiple of Step Frequency.\n"},
    };
    for (const auto& c : cases) {
        const QString expected = *c.lines ? QString("Frequency setting error:\n") + c.lines : QString();
        EXPECT_EQ(RangeErrors(c.start, c.stop, c.step, 606000, 636000), expected) << c.start << " " << c.stop << " " << c.step;
    }
    EXPECT_EQ(ParseFrequency("606.125"), 606125);
    EXPECT_EQ(ParseFrequency("606"), 0);
    EXPECT_EQ(FrequencyText(0), "000.000");
}

class SpectrumScan : public GuiFixture {
protected:
    CSpScanDlg* Live() { return m_frame->findChild<CSpScanDlg*>("spScanDlg"); }
    CSpScanDlg* Viewer() { return m_frame->findChild<CSpScanDlg*>("spLogViewer"); }
};

TEST_F(SpectrumScan, ScansARangeIntoALogThatTheViewerReadsBack)
{
    StartReceivers({sim::DefaultConfig(0)}); // band G1
    Connect(1);
    View().ToolButton(kIdSpScanButton)->click();
    CSpScanDlg* dlg = Live();
    ASSERT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->windowTitle(), "Spectrum Scan > RECEIVER 1");
    EXPECT_EQ(dlg->StartEdit()->text(), "606.000");
    EXPECT_EQ(dlg->StopEdit()->text(), "636.000");
    EXPECT_EQ(dlg->Graph()->Model().pointCount, 1201);

    dlg->StopEdit()->setText("606.500"); // 21 points: the simulator sweeps them quickly
    dlg->StartButton()->click();
    ASSERT_TRUE(PumpUntil([&] { return dlg->Confirmation() == 2 && dlg->State() == kLogStateUndecided; }));
    EXPECT_EQ(Cell(0, 8), "Sp scan     ");
    EXPECT_EQ(dlg->Graph()->Model().pointCount, 21);
    EXPECT_TRUE(std::filesystem::exists(dlg->LogPath()));
    ASSERT_TRUE(PumpUntil([&] { return dlg->Graph()->Model().ValueAt(0, 20) > 0 && dlg->Graph()->Model().ValueAt(0, 0) > 0; }));
    dlg->close();
    EXPECT_TRUE(dlg->isVisible()); // running
    EXPECT_EQ(m_messages.takeLast(), "Spectrum Scan is running.");
    dlg->StopButton()->click();
    ASSERT_TRUE(PumpUntil([&] { return dlg->StartButton()->isEnabled(); }));
    EXPECT_EQ(View().PollPeriod(), 5000000);

    // Kept, then read back by the viewer: each frequency's highest level.
    const std::string log = dlg->LogPath();
    m_answers = {MsgAnswer::Yes};
    dlg->close();
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(m_messages.mid(m_messages.size() - 2), (QStringList{"Do you save the log data?", "The log data was saved."}));
    ASSERT_TRUE(std::filesystem::exists(log));
    View().ShowSpectrumLogViewer();
    ASSERT_TRUE(Viewer()->isVisible());
    EXPECT_EQ(Viewer()->windowTitle(), "Spectrum Scan Log");
    ASSERT_TRUE(Viewer()->LoadLog(log));
    ASSERT_TRUE(PumpUntil([&] { return !Viewer()->Loading() && Viewer()->State() == kLogStateOpened; }));
    EXPECT_EQ(Viewer()->windowTitle(), "Spectrum Scan Log > " + QString::fromStdString(std::filesystem::path(log).filename().string()));
    EXPECT_EQ(Viewer()->Graph()->Model().pointCount, 21);
    EXPECT_EQ(Viewer()->StopEdit()->text(), "606.500");
    EXPECT_GT(Viewer()->Graph()->Model().ValueAt(0, 0), 0);
    EXPECT_GT(std::filesystem::file_size(log), 32u + 20 * 32u); // every point of the sweep was logged
    EXPECT_TRUE(Viewer()->PeakHold()->isChecked());
    // The grey behind the curve says what it is, and can be switched off.
    EXPECT_TRUE(Viewer()->ShadeBox()->isVisible());
    EXPECT_TRUE(Viewer()->ShadeBox()->text().contains("busy share"));
    Viewer()->ShadeBox()->click();
    EXPECT_FALSE(Viewer()->Graph()->Model().shadeShown);
    Viewer()->ShadeBox()->click();

    std::ofstream(m_logDir.File("bad.slg")) << std::string(64, 'x');
    m_messages.clear();
    ASSERT_TRUE(Viewer()->LoadLog(m_logDir.File("bad.slg")));
    ASSERT_TRUE(PumpUntil([&] { return !Viewer()->Loading(); }));
    EXPECT_EQ(m_messages, QStringList{"Invalid file type."});
    EXPECT_EQ(Viewer()->Graph()->Model().pointCount, 21); // the previous data stay

    // Quitting while a load runs leaves no thread behind and nothing crashes.
    ASSERT_TRUE(Viewer()->LoadLog(log));
    m_frame.reset();
}

// The bar follows the window with Qt's rule (positions are first points,
// a page is the span, nothing to scroll: disabled), and any change of its
// value, a click or an accessibility client's, moves the plot.
// A receiver lost mid-scan: the scan stops with the message, the log stays
// with what it had, its writer closed, and the window goes.
TEST_F(SpectrumScan, ALostReceiverStopsTheScanAndKeepsItsLog)
{
    StartReceivers({sim::DefaultConfig(0), sim::DefaultConfig(1)});
    Connect(2);
    View().ToolButton(kIdSpScanButton)->click();
    CSpScanDlg* dlg = Live();
    dlg->StopEdit()->setText("606.500");
    dlg->StartButton()->click();
    ASSERT_TRUE(PumpUntil([&] { return dlg->State() == kLogStateUndecided && std::filesystem::file_size(dlg->LogPath()) > 32u + 3 * 32u; }));
    const std::string log = dlg->LogPath();
    m_sim.Receiver(0).HangUp();
    ASSERT_TRUE(PumpUntil([&] { return !dlg->isVisible(); }));
    EXPECT_EQ(m_messages, QStringList{"Spectrum Scan was stopped due to the connection error. Log data was saved in the log folder."});
    EXPECT_FALSE(dlg->Running());
    EXPECT_FALSE(dlg->LogWriting());
    const auto size = std::filesystem::file_size(log);
    EXPECT_EQ((size - 32) % 32, 0u); // whole records
    PumpFor(std::chrono::milliseconds(300));
    EXPECT_EQ(std::filesystem::file_size(log), size);
    EXPECT_EQ(View().ConnectState(), kConnected); // the other receiver goes on
}

// A step the range does not fit is refused with the range's message and the
// list goes back; a fitting 125 kHz step goes to the receiver as it stands.
TEST_F(SpectrumScan, AStepTheRangeDoesNotFitRevertsAnd125kHzGoesOnTheWire)
{
    CTempDir wire;
    sim::SimReceiverConfig rx = sim::DefaultConfig(0);
    rx.wireLogPath = wire.File("rx.bin");
    StartReceivers({rx});
    Connect(1);
    View().ToolButton(kIdSpScanButton)->click();
    CSpScanDlg* dlg = Live();
    dlg->StartEdit()->setText("606.100");
    dlg->Steps()->setCurrentIndex(1);
    emit dlg->Steps()->activated(1); // as the user's choice of "125kHz"
    EXPECT_EQ(m_messages, QStringList{"Frequency setting error:\nThe value must be a multiple of Step Frequency.\n"});
    EXPECT_EQ(dlg->Steps()->currentIndex(), 0);

    m_messages.clear();
    dlg->StartEdit()->setText("606.125");
    dlg->StopEdit()->setText("606.500");
    dlg->Steps()->setCurrentIndex(1);
    emit dlg->Steps()->activated(1);
    EXPECT_TRUE(m_messages.isEmpty());
    dlg->StartButton()->click();
    ASSERT_TRUE(PumpUntil([&] { return dlg->Confirmation() == 2; }));
    EXPECT_NE(Slurp(wire.File("rx.bin")).find("S1606125606500125"), std::string::npos);
    EXPECT_EQ(dlg->Graph()->Model().pointCount, 4);
    dlg->StopButton()->click();
    ASSERT_TRUE(PumpUntil([&] { return !dlg->Running(); }));
}

TEST_F(SpectrumScan, TheScrollBarFollowsTheWindowAndMovesThePlot)
{
    StartReceivers({sim::DefaultConfig(0)});
    Connect(1);
    CSpScanDlg dlg(nullptr, nullptr);
    dlg.SetLimits(606000, 636000);
    dlg.ShowFresh();
    dlg.StopEdit()->setText("611.000");
    dlg.StartEdit()->setText("610.000");
    dlg.StartButton()->click();
    dlg.BeginLog(); // as the start's acknowledgement does: the range applies
    const CRfGraphModel& m = dlg.Graph()->Model();
    QScrollBar* bar = dlg.ScrollBar();
    ASSERT_EQ(m.pointCount, 41);
    EXPECT_EQ(dlg.Marker()->text(), "610.000"); // the new range's first point, not the old marker
    EXPECT_EQ(bar->maximum(), 0); // every point in view
    EXPECT_FALSE(bar->isEnabled());
    dlg.ZoomInButton()->click();
    const int span = m.last - m.first;
    ASSERT_LT(span, 40);
    EXPECT_EQ(bar->maximum(), 40 - span);
    EXPECT_EQ(bar->pageStep(), span);
    EXPECT_TRUE(bar->isEnabled());
    bar->setValue(bar->maximum());
    EXPECT_EQ(m.last, 40);
    EXPECT_EQ(m.first, bar->value());
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(m.first, bar->value());
    EXPECT_EQ(m.first, 40 - 2 * span);

    // What a screen reader hears: the graph by the window's title, with the marker's reading;
    // the frequency boxes and their arrows by what they are.
    const auto accessible = [](QWidget* w, QAccessible::Text t) { return QAccessible::queryAccessibleInterface(w)->text(t).toStdString(); };
    EXPECT_EQ(accessible(dlg.Graph(), QAccessible::Name), dlg.windowTitle().toStdString());
    EXPECT_EQ(accessible(dlg.Graph(), QAccessible::Description), "Marker " + dlg.Marker()->text().toStdString() + ": RF Level [dBuV] " + dlg.Level()->text().toStdString());
    EXPECT_EQ(accessible(dlg.StartEdit(), QAccessible::Name), "Start frequency [MHz]");
    EXPECT_EQ(accessible(dlg.StopEdit(), QAccessible::Name), "Stop frequency [MHz]");
    dlg.StopButton()->click();
}

TEST_F(SpectrumScan, PointsOutsideTheRangeAreIgnoredAndADiscardedLogIsDeleted)
{
    StartReceivers({sim::DefaultConfig(0)});
    Connect(1);
    CSpScanDlg dlg(nullptr, nullptr); // no owner: nothing is sent, the dialog's own rules only
    dlg.SetLimits(606000, 636000);
    dlg.ShowFresh();
    dlg.StopEdit()->setText("606.500");
    dlg.StartButton()->click();
    dlg.AddPoint(40, 30, 606500); // exactly the stop: the last point
    dlg.AddPoint(50, 50, 606525); // above it: ignored
    dlg.AddPoint(20, 35, 606000);
    EXPECT_EQ(dlg.Graph()->Model().ValueAt(0, 20), 40);
    EXPECT_EQ(dlg.Graph()->Model().ValueAt(0, 0), 35);
    dlg.BeginLog();
    const std::string log = dlg.LogPath();
    ASSERT_TRUE(std::filesystem::exists(log));
    dlg.Stop();
    m_answers = {MsgAnswer::No};
    dlg.close();
    EXPECT_FALSE(std::filesystem::exists(log));
    EXPECT_EQ(dlg.State(), kLogStateNone);
}

// A dialog without an owner: its own rules only, nothing sent anywhere.
class SpectrumDialog : public GuiFixture {
protected:
    void SetUp() override
    {
        GuiFixture::SetUp();
        m_dlg = std::make_unique<CSpScanDlg>(nullptr, nullptr);
        m_dlg->SetLimits(606000, 636000);
        m_dlg->ShowFresh();
    }
    void TearDown() override
    {
        m_dlg.reset();
        GuiFixture::TearDown();
    }
    static ReceiverReply F2(int level, int khz)
    {
        ReceiverReply r;
        r.kind = kF2;
        const std::string text = QString::asprintf("F2%02d%06d", level, khz).toStdString();
        std::memcpy(r.reply.data(), text.data(), text.size());
        return r;
    }
    std::unique_ptr<CSpScanDlg> m_dlg;
};

TEST_F(SpectrumDialog, KeepOrDeleteAndTheMarkerAtTheWindowsEdge)
{
    m_dlg->StopEdit()->setText("606.500");
    m_dlg->StartButton()->click();
    m_dlg->BeginLog();
    m_dlg->Stop();
    // Cancel abandons the start: nothing changes.
    m_answers = {MsgAnswer::Cancel};
    m_dlg->StartButton()->setEnabled(true);
    m_dlg->StartButton()->click();
    EXPECT_FALSE(m_dlg->Running());
    EXPECT_EQ(m_dlg->State(), kLogStateUndecided);
    EXPECT_EQ(m_messages, QStringList{"Do you save the log data?"});
    m_dlg->SaveLog();
    EXPECT_EQ(m_dlg->State(), kLogStateKept);
    m_dlg->SaveLog();
    EXPECT_EQ(m_messages.mid(1), (QStringList{"The log data was saved.", "No data to save."}));

    // ">" on the last visible point scrolls the window by one and the marker follows.
    CRfGraphModel& m = m_dlg->Graph()->Model();
    m.first = 0, m.last = 10; // zoomed in on the first eleven points
    m_dlg->Marker()->minimum = 606000, m_dlg->Marker()->maximum = 606000 + 10 * 25;
    m_dlg->Marker()->setText("606.250");
    m_dlg->Marker()->ProcessKey(kKeyRight);
    EXPECT_EQ(m.first, 1);
    EXPECT_EQ(m.last, 11);
    EXPECT_EQ(m_dlg->Marker()->text(), "606.275");
}

TEST_F(SpectrumDialog, SevenDaysEndTheScanInDailyParts)
{
    CManualClock clock(LocalTimeToFileTime({2024, 5, 17, 12, 0, 0, 0}));
    SetClock(&clock);
    m_dlg->StopEdit()->setText("606.500");
    m_dlg->StartButton()->click();
    m_dlg->BeginLog();
    for (int hour = 1; hour <= 7 * 24 && m_dlg->Running(); hour += 12) {
        clock.Advance(12 * 3600 * kFileTimePerSecond);
        m_dlg->OnPollReply(F2(40, 606000));
        PumpFor(std::chrono::milliseconds(5));
    }
    SetClock(nullptr);
    EXPECT_FALSE(m_dlg->Running());
    EXPECT_EQ(m_messages, QStringList{"Time Limit Exceeded. Spectrum Scan was stopped. (7 days)"});
    int parts = 0;
    for (const auto& e : std::filesystem::directory_iterator(m_logDir.Path()))
        parts += e.path().extension() == ".slg";
    EXPECT_GE(parts, 7);
}

TEST_F(SpectrumDialog, ALogWithRepeatedFrequenciesShowsEachOnesHighestAndTheBoxesStep)
{
    // 606.125 three times in one sweep and once more later: the viewer holds the highest of all.
    SpectrumLogSettings settings{606100 / 25, 606150 / 25, 0};
    WriteLog(m_logDir.File("repeats.slg"), kLogSpec,
             {SpectrumRow(606100, 20), SpectrumRow(606125, 40), SpectrumRow(606125, 52), SpectrumRow(606125, 47), SpectrumRow(606150, 25),
              SpectrumRow(606100, 18), SpectrumRow(606125, 33), SpectrumRow(606175, 90)},
             &settings);
    ASSERT_TRUE(m_dlg->LoadLog(m_logDir.File("repeats.slg")));
    ASSERT_TRUE(PumpUntil([&] { return !m_dlg->Loading(); }));
    EXPECT_EQ(m_dlg->State(), kLogStateOpened);
    EXPECT_EQ(m_dlg->Graph()->Model().traces[0], (std::vector<uint16_t>{20, 52, 25})); // 606.175 lies outside the header's range
    EXPECT_EQ(m_dlg->StartEdit()->text(), "606.100");
    // Behind the curve, how often each frequency was busy (25 dBuV or more); the sweeps as a waterfall.
    EXPECT_EQ(m_dlg->Graph()->Model().shade, (std::vector<uint8_t>{0, 100, 100}));
    m_dlg->ShowWaterfall();
    ASSERT_NE(m_dlg->Waterfall(), nullptr);
    EXPECT_TRUE(m_dlg->Waterfall()->isVisible());
    EXPECT_EQ(m_dlg->Waterfall()->Rows(), 2);
    EXPECT_EQ(m_dlg->Waterfall()->Picture().pixel(1, 0), WaterfallColour(52));
    EXPECT_EQ(m_dlg->Waterfall()->Picture().pixel(2, 1), WaterfallColour(0)); // the second sweep never reached 606.150
    EXPECT_TRUE(m_dlg->Waterfall()->windowTitle().endsWith("repeats.slg"));

    // The frequency boxes: Page Up and Down step 500 kHz and stop at the band's ends.
    m_dlg->StartEdit()->setText("606.300");
    m_dlg->StartEdit()->ProcessKey(kKeyPageUp);
    EXPECT_EQ(m_dlg->StartEdit()->text(), "606.800");
    m_dlg->StartEdit()->ProcessKey(kKeyPageDown);
    m_dlg->StartEdit()->ProcessKey(kKeyPageDown);
    EXPECT_EQ(m_dlg->StartEdit()->text(), "606.000");
    m_dlg->StopEdit()->setText("635.900");
    m_dlg->StopEdit()->ProcessKey(kKeyPageUp);
    EXPECT_EQ(m_dlg->StopEdit()->text(), "636.000");
}

} // namespace
} // namespace zr::test
