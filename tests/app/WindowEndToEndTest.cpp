// The main window end to end on real ports: four receivers found and shown,
// a Background Log recorded for a few seconds whose records are the polls
// each receiver answered, each log converted to text. The same test runs on
// both systems: here against simulated receivers of its own, and, when
// ZR_WINDOW_E2E_PORTS names ports (the Windows build under Wine, or this
// build beside it), against those, with ZR_WINDOW_E2E_WIRE the folder where
// the simulator keeps what each was sent (rx1.bin ...). The table goes to
// ZR_WINDOW_E2E_TABLE and pictures of the windows to ZR_WINDOW_E2E_SHOTS
// when they are set, for the script that compares the systems.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QPushButton>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

#include "../TestUtil.h"
#include "PumpEvents.h"
#include "app/ControlIds.h"
#include "app/MainFrame.h"
#include "app/MaintenanceView.h"
#include "link/Frame.h"
#include "link/Commands.h"
#include "graph/EditMarker.h"
#include "logs/LogConvert.h"
#include "logs/LogExport.h"
#include "logs/LogFileDoc.h"
#include "logs/LogReader.h"
#include "scan/SpScanDlg.h"
#include "ui/MessageBox.h"
#ifndef _WIN32
#include "sim/Simulator.h"
#endif

namespace zr::test {
namespace {

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> out;
    std::stringstream in(text);
    for (std::string item; std::getline(in, item, separator);)
        if (!item.empty())
            out.push_back(item);
    return out;
}

// How often the F4 poll lies in what a receiver was sent, from byte `from` on.
std::size_t F4Requests(const std::string& wireFile, std::size_t from)
{
    uint8_t request[kRequestBufferSize];
    const int length = BuildRequest(CommandDesc{kF4, {}}, request);
    const std::string all = Slurp(wireFile), needle(reinterpret_cast<const char*>(request), static_cast<std::size_t>(length));
    const std::string bytes = all.substr(std::min(from, all.size()));
    std::size_t count = 0;
    for (std::size_t at = bytes.find(needle); at != std::string::npos; at = bytes.find(needle, at + needle.size()))
        ++count;
    return count;
}

TEST(WindowEndToEnd, FindsShowsAndRecordsFourReceivers)
{
#ifdef _WIN32
    constexpr char kListSeparator = ';';
#else
    constexpr char kListSeparator = ':';
#endif
    // Copied at once: setting other variables may move the environment's strings.
    const auto variable = [](const char* name) { const char* v = std::getenv(name); return std::string(v ? v : ""); };
    const std::string given = variable("ZR_WINDOW_E2E_PORTS"), wire = variable("ZR_WINDOW_E2E_WIRE"), tableFile = variable("ZR_WINDOW_E2E_TABLE"),
                      shots = variable("ZR_WINDOW_E2E_SHOTS");
    std::vector<std::string> ports = Split(given, kListSeparator);
#ifdef _WIN32
    ASSERT_EQ(ports.size(), 4u) << "ZR_WINDOW_E2E_PORTS names the four COM ports of the simulated receivers";
    ASSERT_FALSE(wire.empty()) << "ZR_WINDOW_E2E_WIRE names the simulator's wire-log folder";
#else
    sim::CSimulator sim;
    if (ports.empty()) {
        ASSERT_TRUE(sim.Start(4));
        ports = sim.PortPaths();
    }
#endif
    std::string list;
    for (const std::string& p : ports)
        list += (list.empty() ? "" : std::string(1, kListSeparator)) + p;
    CEnvGuard portsEnv("ZRQ6930_PORTS", list);
    CTempDir logs;
    CEnvGuard logEnv("ZRQ6930_LOG_DIR", logs.Path());
    QStringList messages;
    SetMessageBoxHandler([&](const MessageBoxRequest& r) {
        messages << r.text;
        return r.buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::No; // the scan pictured is not kept
    });

    auto frame = std::make_unique<CMainFrame>(false);
    frame->show();
    CZRQ6930_MaintenanceView& view = *frame->View();
    view.ConnectButton()->click();
    ASSERT_TRUE(PumpUntil([&] { return view.ConnectState() == kConnected && view.Table()->rowCount() == 4; }, std::chrono::seconds(30)))
        << "state " << view.ConnectState() << ", rows " << view.Table()->rowCount() << ", " << messages.join("|").toStdString();
    ASSERT_TRUE(PumpUntil([&] { return !view.Table()->CellText(3, 8).isEmpty(); }, std::chrono::seconds(10)));
    std::string table;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < view.Table()->columnCount(); ++column)
            table += (column ? "\t" : "") + view.Table()->CellText(row, column).toStdString();
        table += "\n";
    }
    if (!tableFile.empty())
        std::ofstream(tableFile, std::ios::binary) << table;
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(view.Table()->CellText(row, 0).toStdString(), std::to_string(row + 1));

    // Pictures: the main window connected, and the Spectrum Scan of receiver 1.
    if (!shots.empty()) {
        const QDir folder(QString::fromStdString(shots));
        frame->grab().save(folder.filePath("main.png"));
        view.Table()->selectRow(0);
        view.ToolButton(kIdSpScanButton)->click();
        CSpScanDlg* scan = frame->findChild<CSpScanDlg*>("spScanDlg");
        ASSERT_NE(scan, nullptr);
        PumpUntil([&] { return scan->isVisible(); }, std::chrono::seconds(5));
        // A sweep of the receiver's first megahertz, pictured as it runs.
        scan->StartEdit()->setText("606.000");
        scan->StopEdit()->setText("607.000");
        scan->StartButton()->click();
        PumpUntil([&] { return scan->Running(); }, std::chrono::seconds(5));
        PumpFor(std::chrono::seconds(2));
        scan->grab().save(folder.filePath("spscan.png"));
        scan->Stop();
        EXPECT_TRUE(PumpUntil([&] { return !scan->Running(); }, std::chrono::seconds(10)));
        scan->close();
        PumpUntil([&] { return view.ReceiverModeOf(0) != kModeSpectrumScan; }, std::chrono::seconds(5));
        PumpFor(std::chrono::milliseconds(500));
        messages.removeAll("Do you save the log data?"); // asked when the sweep left data, answered No
    }

    // A Background Log of a few seconds: a record for every poll answered.
    std::vector<std::size_t> before(4);
    const auto wireFile = [&](std::size_t index) { return wire + "/rx" + std::to_string(index + 1) + ".bin"; };
    for (std::size_t i = 0; i < 4; ++i) {
        if (!wire.empty())
            before[i] = Slurp(wireFile(i)).size();
#ifndef _WIN32
        else
            before[i] = sim.Receiver(i).RequestTimes("F4").size();
#endif
    }
    view.StartRecording();
    ASSERT_TRUE(view.IsRecording()) << messages.join("|").toStdString();
    PumpFor(std::chrono::seconds(1));
    if (!shots.empty())
        frame->grab().save(QDir(QString::fromStdString(shots)).filePath("main-recording.png"));
    PumpFor(std::chrono::seconds(2));
    std::vector<std::string> logPaths;
    for (int recNo = 0; recNo < 4; ++recNo)
        logPaths.push_back(view.LogDocOf(recNo) ? view.LogDocOf(recNo)->CurrentPath() : std::string());
    std::vector<std::string> portOf;
    for (int recNo = 0; recNo < 4; ++recNo)
        portOf.push_back(view.LinkOf(recNo) ? view.LinkOf(recNo)->PortName() : std::string());
    EXPECT_TRUE(messages.isEmpty()) << messages.join("|").toStdString();
    view.StopRecording();
    PumpFor(std::chrono::milliseconds(300)); // a poll in flight lands
    EXPECT_EQ(messages, QStringList{"Background Log recording was stopped."});

    for (int recNo = 0; recNo < 4; ++recNo) {
        SCOPED_TRACE("receiver " + std::to_string(recNo + 1) + " on " + portOf[static_cast<std::size_t>(recNo)]);
        const std::string& log = logPaths[static_cast<std::size_t>(recNo)];
        ASSERT_FALSE(log.empty());
        LogSummary summary;
        ASSERT_EQ(SummarizeLog(log, summary), kLogOpened);
        EXPECT_EQ(summary.receiverNo, recNo + 1);
        EXPECT_GE(summary.records, 10u); // polled every 100 ms for 3 s
        const auto at = std::find(ports.begin(), ports.end(), portOf[static_cast<std::size_t>(recNo)]);
        ASSERT_NE(at, ports.end());
        const auto index = static_cast<std::size_t>(at - ports.begin());
        std::size_t polls = 0;
        if (!wire.empty()) {
            polls = F4Requests(wireFile(index), before[index]);
        } else {
#ifndef _WIN32
            polls = sim.Receiver(index).RequestTimes("F4").size() - before[index];
#endif
        }
        // No record without a poll, none twice. A poll whose answer comes later
        // than the 30 ms a receiver has (a loaded machine holding Wine or the
        // simulator off), or after the stop, leaves no record: most do.
        EXPECT_LE(summary.records, polls);
        EXPECT_GE(summary.records * 3, polls * 2) << summary.records << " records, " << polls << " polls";
        std::printf("receiver %d: %llu polls, %llu records\n", recNo + 1, static_cast<unsigned long long>(polls),
                    static_cast<unsigned long long>(summary.records));
        const std::string text = log + ".txt";
        EXPECT_EQ(ConvertLogToText(log, text, {}), kConvertCompleted);
        EXPECT_GT(Slurp(text).size(), summary.records * 20);
    }
    frame.reset();
    SetMessageBoxHandler(nullptr);
}

} // namespace
} // namespace zr::test
