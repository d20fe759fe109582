// Outputs a command writes never replace a file: not one put at the -o name
// while a tool ran, not the command's own input.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "CliRun.h"
#include "sim/Simulator.h"

namespace zr::test {
namespace {

namespace fs = std::filesystem;

// A Background Log header and no records.
void WriteEmptyBackgroundLog(const std::string& path)
{
    std::ofstream f(path, std::ios::binary);
    f.write("NORM\x01\x20", 6);
    f << std::string(26, '\0');
}

TEST(OutputClaim, ANameTakenDuringAWalkIsLeftAndTheLogStaysInTheFolder)
{
    sim::CSimulator sims;
    ASSERT_TRUE(sims.Start({sim::DefaultConfig(0)}));
    CTempDir logs, elsewhere;
    const std::string env = "ZRQ6930_PORTS=" + sims.PortList() + " ZRQ6930_LOG_DIR=" + logs.Path();
    const std::string out = elsewhere.File("o.wlg");
    // Someone writes over the claimed name while the walk runs (as cp does: into the same file).
    const CommandResult r = RunShell(env + " " + kCli + " walk --seconds 2 -o " + out + " & pid=$!; sleep 1; printf precious > " + out + "; wait $pid");
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(Slurp(out), "precious");
    EXPECT_NE(r.err.find("was taken by another file meanwhile"), std::string::npos) << r.err;
    std::size_t logsKept = 0;
    for (const auto& e : fs::directory_iterator(logs.Path()))
        logsKept += e.path().extension() == ".wlg" && fs::file_size(e.path()) > 32 ? 1 : 0;
    EXPECT_EQ(logsKept, 1u);

    // A missing folder is found before the walk starts.
    const CommandResult missing = RunCli("walk --seconds 5 -o " + elsewhere.File("none/o.wlg"), env);
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.err.find("cannot create"), std::string::npos) << missing.err;
    EXPECT_EQ(sims.Receiver(0).RequestCount("F1") > 0, true);
}

TEST(OutputClaim, AReportNeverReplacesItsInput)
{
    CTempDir dir;
    const std::string log = dir.File("a.nlg");
    WriteEmptyBackgroundLog(log);
    const std::string before = Slurp(log);
    fs::create_directory(dir.File("sub"));
    fs::create_directory_symlink(dir.Path(), dir.File("link"));
    for (const std::string& output : {log, dir.Path() + "/./a.nlg", dir.File("sub/../a.nlg"), dir.File("link/a.nlg")}) {
        const CommandResult r = RunCli("log report " + log + " -o " + output);
        EXPECT_EQ(r.exitCode, 2) << output;
        EXPECT_EQ(r.err, "The output file is the log file itself.\n" + output + "\n");
        EXPECT_EQ(Slurp(log), before) << output;
    }
}

TEST(OutputClaim, ALogLongerThanItsKindIsRefusedBeforeAnythingIsRead)
{
    CTempDir dir;
    const std::string log = dir.File("big.nlg");
    WriteEmptyBackgroundLog(log);
    fs::resize_file(log, uint64_t{1} << 40); // sparse: a terabyte of nothing
    for (const std::string& command : {"log info " + log, "log export --csv " + log, "log events " + log, "log convert " + log + " -o " + dir.File("x.log")}) {
        const CommandResult r = RunShell("timeout 20 " + kCli + " " + command + " >/dev/null");
        EXPECT_EQ(r.exitCode, 2) << command;
        EXPECT_NE(r.err.find("longer than a log of its kind can be"), std::string::npos) << command << r.err;
    }
}

// A receiver lost mid-run: both tools keep what they logged at -o and say
// so by the real path; a scan also says the receiver may still be scanning.
TEST(OutputClaim, AToolLostMidRunSaysWhereItsLogIs)
{
    struct Case {
        const char* run;
        const char* message;
    };
    const Case cases[] = {{"walk --seconds 5", "Walk Test was stopped due to the connection error. Log data was saved in "},
                          {"scan spectrum --seconds 5 --start 606 --stop 607", "Spectrum Scan was stopped due to the connection error. Log data was saved in "}};
    for (const Case& c : cases) {
        sim::SimReceiverConfig config = sim::DefaultConfig(0);
        config.faults.hangUpAfterRequests = 14; // a few records in
        sim::CSimulator sims;
        ASSERT_TRUE(sims.Start({config}));
        CTempDir logs;
        const std::string out = logs.File("kept.log");
        const CommandResult r = RunCli(std::string(c.run) + " -o " + out, "ZRQ6930_PORTS=" + sims.PortList() + " ZRQ6930_LOG_DIR=" + logs.Path());
        EXPECT_EQ(r.exitCode, 1) << c.run;
        EXPECT_NE(r.err.find(c.message + out + ".\n"), std::string::npos) << r.err;
        EXPECT_GT(fs::file_size(out), 32u) << c.run; // header and records
        EXPECT_EQ(r.err.find("may still be scanning") != std::string::npos, std::string(c.run).find("scan") == 0) << r.err;
    }
}

// A closed terminal ends a run as Ctrl+C does (the scan told to stop, -o
// written); a closed pipe is a write error with exit 1, not a silent 141.
TEST(OutputClaim, HangUpsAndClosedPipesEndRunsCleanly)
{
    sim::CSimulator sims;
    ASSERT_TRUE(sims.Start({sim::DefaultConfig(0)}));
    CTempDir logs;
    const std::string env = "ZRQ6930_PORTS=" + sims.PortList() + " ZRQ6930_LOG_DIR=" + logs.Path();
    for (const char* run : {"walk --seconds 30", "scan spectrum --seconds 30 --start 606 --stop 607"}) {
        const std::string out = logs.File(std::string(run, 4) + ".log");
        const CommandResult r = RunShell(env + " " + kCli + " " + run + " -o " + out + " & pid=$!; sleep 1.5; kill -HUP $pid; wait $pid");
        EXPECT_EQ(r.exitCode, 0) << run << r.err;
        EXPECT_GT(fs::file_size(out), 32u) << run;
    }
    EXPECT_GE(sims.Receiver(0).RequestCount("S0"), 1);

    WriteEmptyBackgroundLog(logs.File("a.nlg"));
    fs::resize_file(logs.File("a.nlg"), 32 + 32 * 200000); // far more CSV than a pipe holds
    for (const std::string& run : {std::string("monitor"), "log export --csv " + logs.File("a.nlg")}) {
        const CommandResult r = RunShell("{ " + env + " " + kCli + " " + run + "; echo $? >" + logs.File("rc") + "; } | head -c 1 >/dev/null");
        EXPECT_EQ(Slurp(logs.File("rc")), "1\n") << run << r.err;
    }
}

} // namespace
} // namespace zr::test
