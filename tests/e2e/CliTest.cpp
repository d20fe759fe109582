#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include "../TestUtil.h"
#include "CliRun.h"
#include "../walk/LogFiles.h"
#include "link/LinkEventQueue.h"
#include "link/ReceiverLink.h"
#include "logs/LogFileDoc.h"
#include "link/Commands.h"
#include "platform/Clock.h"
#include "sim/Simulator.h"

namespace zr {
namespace {

using test::CommandResult;
using test::Lines;
using test::RunCli;
using test::RunShell;
using test::Slurp;

TEST(Cli, IdentifyJsonNumbersByBankAndChannelAndRefusesMisbehavingReceivers)
{
    // Port order 2, 1: the receiver on the first port has the higher bank.
    std::vector<sim::SimReceiverConfig> cfgs(4, sim::DefaultConfig(0));
    cfgs[0].bank = 2, cfgs[0].channel = 5, cfgs[0].frequencyKhz = 606125;
    cfgs[1].bank = 1, cfgs[1].channel = 9, cfgs[1].band = "C4";
    cfgs[2].faults.silent = true;
    cfgs[3].faults.wrongModel = true;
    sim::CSimulator sim;
    ASSERT_TRUE(sim.Start(cfgs));
    auto r = RunCli("identify --json", "ZRQ6930_PORTS=" + sim.PortList());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 4u) << r.out;
    const auto ports = sim.PortPaths();
    EXPECT_EQ(lines[0], "{\"no\": 1, \"port\": \"" + ports[1] +
                            "\", \"model\": \"ZR-Q6930\", \"band\": \"C4\", \"state\": \"0\", \"bank\": \"1\", \"channel\": \"9\", "
                            "\"frequency_khz\": " +
                            std::to_string(cfgs[1].frequencyKhz) + ", \"cpu\": \"v1.2.3.45\", \"dsp\": \"v2.0.1.7\", \"fpga\": \"v3.1.0.120\"}");
    EXPECT_NE(lines[1].find("\"no\": 2, \"port\": \"" + ports[0] + "\""), std::string::npos);
    EXPECT_NE(lines[1].find("\"frequency_khz\": 606125,"), std::string::npos);
    EXPECT_EQ(lines[2], "{\"port\": \"" + ports[2] + "\", \"error\": \"not identified\"}");
    EXPECT_EQ(lines[3], "{\"port\": \"" + ports[3] + "\", \"error\": \"not identified\"}");
    EXPECT_EQ(sim.Receiver(2).RequestCount("M0"), 3);
    EXPECT_EQ(sim.Receiver(3).RequestCount("M0"), 3);
}

TEST(Cli, NoReceiverConnected)
{
    sim::CSimulator sim;
    sim::SimReceiverConfig silent = sim::DefaultConfig(0);
    silent.faults.silent = true;
    ASSERT_TRUE(sim.Start({silent}));
    for (const std::string& ports : {std::string("/dev/zrq-none"), sim.PortList()}) {
        auto r = RunCli("identify", "ZRQ6930_PORTS=" + ports);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.err, "No receiver connected.\n");
    }
    auto list = RunCli("list", "ZRQ6930_PORTS=" + sim.PortList());
    EXPECT_EQ(list.out, sim.PortList() + "\tFTDI\tListed serial port\n");
}

TEST(Cli, EveryCommandAnswersHelpOnStandardOutput)
{
    for (const char* args : {"list --help", "identify -h", "monitor --help", "scan channel --help", "scan spectrum -h", "fbs --help", "id --help",
                             "record --help", "walk --help", "log --help", "log info --help", "log convert -h", "log events --help", "log occupancy -h", "log report --help"}) {
        const CommandResult r = RunCli(args, "ZRQ6930_PORTS=/dev/zrq6930-none");
        EXPECT_EQ(r.exitCode, 0) << args;
        EXPECT_EQ(r.out.rfind("usage: zrq6930 ", 0), 0u) << args;
        const std::string command = std::string(args).substr(0, std::string(args).find(' '));
        EXPECT_NE(r.out.find("  " + command), std::string::npos) << args << ": " << r.out;
        EXPECT_EQ(r.err, "") << args;
    }
    EXPECT_EQ(RunCli("--version").out, "zrq6930 1.1.0\n");
    const CommandResult all = RunCli("--help");
    EXPECT_EQ(all.exitCode, 0);
    EXPECT_NE(all.out.find("--json prints JSON Lines"), std::string::npos);
    EXPECT_EQ(RunShell(ZR_BINARY_DIR "/zrq6930-sim --help").out.rfind("usage: zrq6930-sim", 0), 0u);
}

TEST(Cli, MonitorPrintsChangedRowsAndCommErrorOnceWhenUnplugged)
{
    std::vector<sim::SimReceiverConfig> cfgs = {sim::DefaultConfig(0), sim::DefaultConfig(1)};
    cfgs[1].faults.hangUpAfterRequests = 7; // five identification requests, then a poll, then gone
    sim::CSimulator sim;
    ASSERT_TRUE(sim.Start(cfgs));
    auto r = RunCli("monitor --seconds 2.5 --json", "ZRQ6930_PORTS=" + sim.PortList());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 3u) << r.out;
    int commErrors = 0;
    for (const auto& l : lines)
        commErrors += l.find("\"status\": \"Comm Error\"") != std::string::npos;
    EXPECT_EQ(commErrors, 1);
    // Values without the table's padding; the frequency as a number in kHz.
    EXPECT_NE(r.out.find("\"no\": 1, \"port\": \"" + sim.PortPaths()[0] + "\", \"bank\": \"0\", \"channel\": \"1\", \"frequency_khz\": 606250"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\"eq\": \"Off\", \"status\": \"-\"}"), std::string::npos) << r.out;
    // Paced at 500 ms: about five polls in 2.5 s, never a burst.
    const int polls = sim.Receiver(0).RequestCount("F0") - 1;
    EXPECT_GE(polls, 3);
    EXPECT_LE(polls, 6);
}

TEST(Cli, MonitorEndsCleanlyOnCtrlC)
{
    sim::CSimulator sim;
    ASSERT_TRUE(sim.Start(2));
    test::CTempDir tmp;
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("ZRQ6930_PORTS", sim.PortList().c_str(), 1);
        freopen(tmp.File("out").c_str(), "w", stdout);
        execl(ZR_BINARY_DIR "/zrq6930", "zrq6930", "monitor", static_cast<char*>(nullptr));
        _exit(127);
    }
    ASSERT_TRUE(test::WaitUntil([&] { return Lines(Slurp(tmp.File("out"))).size() >= 3; }));
    kill(pid, SIGINT);
    int status = 0;
    ASSERT_TRUE(test::WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }));
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    // Its ports are closed: they open again at once.
    CLinkEventQueue q;
    CReceiverLink link(&q);
    EXPECT_EQ(link.Open(sim.PortPaths()[0], SerialSettings{}), 0);
}

// fbs and id read what FBS Detail and ID View show, once, with their rules.
TEST(Cli, FbsAndIdReadOnceWithTheWindowsRules)
{
    std::vector<sim::SimReceiverConfig> cfgs{sim::DefaultConfig(0), sim::DefaultConfig(1)};
    cfgs[1].fbs = 0; // the receiver's FBS is off: every filter reads as off
    cfgs[0].id = 0x0000BEEF;
    cfgs[1].id = 0x9ABCDEF0; // out of the signed range: no ID
    for (auto& c : cfgs)
        c.changeEveryMs = 0;
    sim::CSimulator sims;
    ASSERT_TRUE(sims.Start(cfgs));
    const std::string env = "ZRQ6930_PORTS=" + sims.PortList();
    CommandResult r = RunCli("fbs --rx 1 --json", env);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("{\"filter\": 4, \"freq_khz\": \" - \", \"gain_db\": \" - \", \"on_off\": \"Off\"}"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("{\"filter\": 1, \"freq_khz\": \"0.125\", \"gain_db\": \"-3\", \"on_off\": \"On\"}"), std::string::npos) << r.out;
    r = RunCli("fbs --rx 2", env);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 9u) << r.out;
    EXPECT_EQ(lines[0], "Receiver 2 (" + sims.Receiver(1).PortPath() + "), FBS Off");
    EXPECT_EQ(lines[2], "1            -           -        Off"); // FBS off: every filter reads off
    r = RunCli("id", env);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 2u) << r.out;
    EXPECT_EQ(lines[0].substr(lines[0].size() - 11), "0000 - BEEF");
    EXPECT_EQ(lines[1].substr(lines[1].size() - 3), " - ");
    EXPECT_EQ(RunCli("fbs --rx 3", env).err, "zrq6930 fbs: no receiver number 3\n");
}

TEST(Cli, ScanChannelStartsScansAndStopsTheReceiversOwnSweep)
{
    sim::CSimulator sims;
    ASSERT_TRUE(sims.Start({sim::DefaultConfig(0)})); // its own channel (1) reads high
    const std::string env = "ZRQ6930_PORTS=" + sims.PortList();
    CommandResult r = RunCli("scan channel --bank a --seconds 2 --json", env);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("\"bank\": \"A\""), std::string::npos) << r.out;
    const std::string channel1 = "{\"channel\": \"1\", \"level_dbuv\": ";
    const auto high = r.out.find(channel1);
    ASSERT_NE(high, std::string::npos) << r.out;
    EXPECT_GE(std::atoi(r.out.c_str() + high + channel1.size()), 50) << r.out;
    const auto requests = sims.Receiver(0).RequestLog();
    EXPECT_NE(std::find(requests.begin(), requests.end(), "C1A"), requests.end()); // the bank as one digit
    EXPECT_EQ(sims.Receiver(0).RequestCount("C1"), 1);
    EXPECT_EQ(sims.Receiver(0).RequestCount("C0"), 1);
    EXPECT_GE(sims.Receiver(0).RequestCount("F3"), 10);
    for (const char* bad : {"channel --bank G", "channel --rx 0", "channel --seconds -1", "sideways"}) {
        r = RunCli(std::string("scan ") + bad, env);
        EXPECT_EQ(r.exitCode, 2) << bad;
    }
}

TEST(Cli, ScanSpectrumLogsEveryPointAndPrintsTheHighestPerFrequency)
{
    sim::CSimulator sims;
    ASSERT_TRUE(sims.Start({sim::DefaultConfig(0)})); // band G1
    test::CTempDir logs;
    const std::string env = "ZRQ6930_PORTS=" + sims.PortList() + " ZRQ6930_LOG_DIR=" + logs.Path();
    CommandResult r = RunCli("scan spectrum --start 606.000 --stop 606.500 --sweeps 2 --csv", env);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 22u) << r.out;
    EXPECT_EQ(lines[0], "frequency_mhz,level_dbuv");
    EXPECT_EQ(lines[21].substr(0, 8), "606.500,");
    const auto requests = sims.Receiver(0).RequestLog();
    EXPECT_NE(std::find(requests.begin(), requests.end(), "S1606000606500025"), requests.end());
    // The scan is stopped at the end: S0, asked again when its answer comes late
    // (a loaded machine), as every transaction is, at most three times.
    EXPECT_GE(sims.Receiver(0).RequestCount("S0"), 1);
    EXPECT_LE(sims.Receiver(0).RequestCount("S0"), 3);
    // The log holds every point of both sweeps, as the window keeps it.
    std::string slg;
    for (const auto& e : std::filesystem::directory_iterator(logs.Path()))
        slg = e.path().string();
    EXPECT_EQ(std::filesystem::file_size(slg), 32u + 42 * 32u);
    EXPECT_EQ(RunCli("log info " + slg).out.find("records: 42\n") != std::string::npos, true);

    // -o names the log; the log folder keeps nothing of it; an existing name is refused first.
    std::filesystem::remove(slg);
    test::CTempDir elsewhere;
    r = RunCli("scan spectrum --start 606.000 --stop 606.500 -o " + elsewhere.File("mine.slg"), env);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(std::filesystem::file_size(elsewhere.File("mine.slg")), 32u + 21 * 32u);
    EXPECT_TRUE(std::filesystem::is_empty(logs.Path()));
    r = RunCli("scan spectrum -o " + elsewhere.File("mine.slg"), env);
    EXPECT_EQ(r.exitCode, 2);

    r = RunCli("scan spectrum --start 606.100 --stop 606.000 --step 125", env);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "Frequency setting error:\nStop Frequency must be more than Start Frequency.\n"
                     "The value must be a multiple of Step Frequency.\n");
}

TEST(Cli, LogConvertInfoAndExport)
{
    test::CTempDir dir;
    test::CEnvGuard env("ZRQ6930_LOG_DIR", dir.Path());
    CManualClock clock(LocalTimeToFileTime({2024, 5, 17, 9, 30, 5, 0}));
    SetClock(&clock);
    CLogFileDoc doc;
    doc.CreateLog(kLogNorm, 6, 0, nullptr, nullptr);
    DataRow row{};
    row[7] = 62, row[6] = 40, row[2] = 0x40, row[10] = 0x1F;
    for (int i = 0; i < 3; ++i) {
        clock.Advance(100 * kFileTimePerMs);
        doc.AppendRecord(row);
    }
    SetClock(nullptr);
    const std::string src = doc.CurrentPath();
    const std::string logEnv = "ZRQ6930_LOG_DIR=" + dir.Path();

    auto r = RunCli("log convert " + src, logEnv);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::string out = dir.File("7_20240517-093005_001.log");
    EXPECT_NE(Slurp(out).find("2024/05/17 09:30:05.300\t1F\t62\t40\tNo\tYes\tNo\t*\r\n"), std::string::npos);

    r = RunCli("log convert " + src, logEnv);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "zrq6930 log convert: " + out + " exists; --force overwrites it\n"); // the command line never asks
    r = RunCli("log convert " + src + " --force -o " + dir.File("x.log"), logEnv);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(std::filesystem::exists(dir.File("x.log")));

    r = RunCli("log convert " + dir.File("missing.nlg"), logEnv);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, dir.File("missing.nlg") + ": Cannot open file. File unselected or being used by another program.\n");
    r = RunCli("log convert " + out, logEnv);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, out + ": Invalid file type.\n");
    r = RunCli("log info " + dir.Path());
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, dir.Path() + ": is a directory, not a log file\n");

    r = RunCli("log info " + src);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "kind: Background Log (NORM)\nreceiver: 7\nrecords: 3\nfirst record: 2024-05-17T09:30:05.100\n"
                     "last record: 2024-05-17T09:30:05.300\nduration: 0:00:00.200\n");

    r = RunCli("log export " + src + " --csv");
    EXPECT_EQ(r.exitCode, 0);
    auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "time,receiver,bank,channel,rf_a_dbuv,rf_b_dbuv,af_peak,sync_error,data_error,reception_status,frequency_low16_khz");
    EXPECT_EQ(lines[1], "2024-05-17T09:30:05.100,7,1,F,62,40,0,1,0,jamming,0");
}

TEST(Cli, SpectrumLogInfoAndExportCoverEveryPart)
{
    test::CTempDir dir;
    test::CEnvGuard env("ZRQ6930_LOG_DIR", dir.Path());
    CManualClock clock(LocalTimeToFileTime({2024, 5, 17, 12, 0, 0, 0}));
    SetClock(&clock);
    CLogFileDoc doc;
    SpectrumLogSettings settings{606000 / 25, 636000 / 25, 0};
    doc.CreateLog(kLogSpec, 1, 0, nullptr, &settings);
    const std::string first = doc.CurrentPath();
    for (int h = 1; h <= 26; ++h) {
        clock.Set(doc.StartTime() + h * (kOneDay / 24));
        DataRow row = DecodeF2(reinterpret_cast<const uint8_t*>("F245606025"));
        doc.AppendRecord(row);
    }
    SetClock(nullptr);
    g_dayBoundaryCount = 0;
    auto r = RunCli("log info " + first);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("kind: Spectrum Scan log (SPEC)\nreceiver: 2\nrecords: 26\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("parts: 2\n"), std::string::npos);
    EXPECT_NE(r.out.find("_001.slg: 25 records"), std::string::npos);
    EXPECT_NE(r.out.find("_002.slg: 1 records"), std::string::npos);
    EXPECT_NE(r.out.find("duration: 25:00:00.000"), std::string::npos);
    r = RunCli("log export --csv " + doc.CurrentPath());
    auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 27u);
    EXPECT_EQ(lines[0], "time,receiver,frequency_khz,rf_level_dbuv");
    EXPECT_EQ(lines[1], "2024-05-17T13:00:00.000,2,606025,45");
}

TEST(Cli, WalkWritesTheLogAsTheWindowDoesAndSumsItUp)
{
    sim::CSimulator sims;
    ASSERT_TRUE(sims.Start({sim::DefaultConfig(0), sim::DefaultConfig(1)}));
    test::CTempDir logs, elsewhere;
    const std::string env = "ZRQ6930_PORTS=" + sims.PortList() + " ZRQ6930_LOG_DIR=" + logs.Path();
    CommandResult r = RunCli("walk --rx 2 --seconds 1.5 -o " + elsewhere.File("stage.wlg"), env);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 5u) << r.out;
    const std::size_t samples = std::stoul(lines[0].substr(std::string("Samples: ").size()));
    EXPECT_GE(samples, 8u); // every 100 ms
    EXPECT_LE(samples, 16u);
    EXPECT_EQ(lines[1].rfind("RF A: minimum ", 0), 0u);
    EXPECT_EQ(lines[4].rfind("Data errors: ", 0), 0u);
    // Every sample is a record of the log, under the chosen name; the log folder keeps nothing.
    EXPECT_EQ(std::filesystem::file_size(elsewhere.File("stage.wlg")), 32u + samples * 32u);
    EXPECT_TRUE(std::filesystem::is_empty(logs.Path()));
    EXPECT_EQ(sims.Receiver(1).RequestCount("F1"), static_cast<int>(samples));
    EXPECT_EQ(sims.Receiver(0).RequestCount("F1"), 0);
    EXPECT_NE(RunCli("log info " + elsewhere.File("stage.wlg")).out.find("kind: Walk Test log (WALK)"), std::string::npos);

    EXPECT_EQ(RunCli("walk", env).exitCode, 2); // --seconds is not optional
    EXPECT_EQ(RunCli("walk --seconds 9000", env).err, "zrq6930 walk: --seconds takes a number from 0 to 7200\n");
}

TEST(Cli, LogEventsListsWhatWentWrongAndWhen)
{
    test::CTempDir dir;
    std::vector<DataRow> rows(30, test::WalkRow(60, 58, false, false));
    rows[10] = rows[11] = test::WalkRow(30, 25, true, false); // 200 ms without sync, weak signal
    rows[20] = test::WalkRow(10, 12, false, false);            // 100 ms of low RF
    test::WriteLog(dir.File("night.nlg"), kLogNorm, rows);
    CommandResult r = RunCli("log events " + dir.File("night.nlg"));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 7u) << r.out;
    EXPECT_EQ(lines[1], "records: 30, 2024-05-17T09:30:05.000 to 2024-05-17T09:30:07.900 (0:00:02.900)");
    EXPECT_EQ(lines[2], "received well 0:00:02.700, jamming 0:00:00.000, no signal 0:00:00.200, data error 0:00:00.000, no answer 0:00:00.000");
    EXPECT_EQ(lines[4].substr(0, 7), "start  ");
    EXPECT_EQ(lines[5], "2024-05-17T09:30:06.000  2024-05-17T09:30:06.200   0:00:00.200  sync error  30");
    EXPECT_EQ(lines[6], "2024-05-17T09:30:07.000  2024-05-17T09:30:07.100   0:00:00.100  low RF      12");

    r = RunCli("log events --json --low-rf 5 " + dir.File("night.nlg"));
    const auto json = Lines(r.out);
    ASSERT_EQ(json.size(), 2u) << r.out; // the summary and the sync error; 10 and 12 dBuV are not below 5
    EXPECT_NE(json[0].find("\"records\": 30"), std::string::npos);
    EXPECT_NE(json[1].find("\"event\": \"sync error\", \"start\": \"2024-05-17T09:30:06.000\""), std::string::npos) << json[1];
    EXPECT_NE(json[1].find("\"duration_ms\": 200"), std::string::npos);

    EXPECT_EQ(RunCli("log events --low-rf x " + dir.File("night.nlg")).exitCode, 2);
    r = RunCli("log events " + dir.File("none.nlg"));
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, dir.File("none.nlg") + ": Cannot open file. File unselected or being used by another program.\n");
}

TEST(Cli, LogOccupancyAndTheCleanRanges)
{
    test::CTempDir dir;
    const SpectrumLogSettings settings{606100 / 25, 606200 / 25, 0};
    std::vector<DataRow> rows;
    for (int sweep = 0; sweep < 2; ++sweep)
        for (int p = 0; p < 5; ++p)
            rows.push_back(test::SpectrumRow(606100 + 25 * p, p == 2 ? 50 : 15 + sweep));
    test::WriteLog(dir.File("stage.slg"), kLogSpec, rows, &settings);
    CommandResult r = RunCli("log occupancy " + dir.File("stage.slg") + " --csv");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 6u) << r.out;
    EXPECT_EQ(lines[0], "frequency_mhz,highest_dbuv,median_dbuv,busy_share,sweeps");
    EXPECT_EQ(lines[3], "606.150,50,50,1.0000,2");
    r = RunCli("log occupancy --clean " + dir.File("stage.slg"));
    EXPECT_EQ(r.out, "606.100 - 606.125 MHz  2 points\n606.175 - 606.200 MHz  2 points\n");
    r = RunCli("log occupancy --clean --threshold 10 " + dir.File("stage.slg"));
    EXPECT_EQ(r.out, "No frequency stayed below 10 dBuV.\n");
    EXPECT_EQ(RunCli("log occupancy --csv --json " + dir.File("stage.slg")).exitCode, 2);

    // The report: the page under the chosen name, or nothing and the reader's message.
    r = RunCli("log report " + dir.File("stage.slg") + " -o " + dir.File("report.html"));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(test::Slurp(dir.File("report.html")).find("<h2>Receiver 1: Spectrum Scan log stage.slg</h2>"), std::string::npos);
    r = RunCli("log report " + dir.File("none.nlg") + " -o " + dir.File("second.html"));
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_FALSE(std::filesystem::exists(dir.File("second.html")));
}

} // namespace
} // namespace zr
