// One receiver, one program: a port another program holds is named as busy,
// and a receiver busy with its own scan is named with the reason it gave.
#include <gtest/gtest.h>

#include "CliRun.h"
#include "sim/Simulator.h"

namespace zr::test {
namespace {

TEST(SharedPort, ASecondProgramIsRefusedWithTheHolderNamedAndTheFirstRunsOn)
{
    sim::CSimulator sims;
    ASSERT_TRUE(sims.Start({sim::DefaultConfig(0), sim::DefaultConfig(1)}));
    CTempDir logs;
    const std::string env = "ZRQ6930_PORTS=" + sims.PortList() + " ZRQ6930_LOG_DIR=" + logs.Path();
    const std::string held = sims.PortPaths()[0];
    // A walk holds receiver 1; identify and another walk on it come meanwhile.
    const CommandResult r = RunShell(env + " " + kCli + " walk --rx 1 --seconds 3 >" + logs.File("walk.out") + " 2>&1 & pid=$!; sleep 1; echo $pid; " +
                                     env + " " + kCli + " identify; " + env + " " + kCli + " walk --rx 1 --seconds 1; echo second=$?; wait $pid; echo first=$?");
    const std::vector<std::string> out = Lines(r.out);
    ASSERT_GE(out.size(), 3u) << r.out << r.err;
    const std::string holder = out[0];
    const auto lineOf = [&](const std::string& port) {
        for (const std::string& line : out)
            if (line.find(port + " ") != std::string::npos)
                return line;
        return std::string();
    };
    EXPECT_NE(lineOf(held).find("cannot open: busy: used by another program (PID " + holder + ")"), std::string::npos) << r.out;
    EXPECT_NE(lineOf(sims.PortPaths()[1]).find("ZR-Q6930"), std::string::npos) << r.out; // the other receiver answers as ever
    // Receiver numbers would shift without the held one: a number names nothing.
    EXPECT_EQ(r.err, "zrq6930 walk: " + held + " is busy: used by another program (PID " + holder +
                         "); receiver numbers count every receiver, so none can be chosen by number until it is free\n");
    EXPECT_NE(r.out.find("second=2"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("first=0"), std::string::npos) << r.out << Slurp(logs.File("walk.out"));
    EXPECT_EQ(Slurp(logs.File("walk.out")).find("connection error"), std::string::npos);
}

// A receiver scanning on its own answers E1 reason 05 to what id and fbs ask:
// both say so at once instead of waiting out their time.
TEST(SharedPort, AReceiverBusyWithItsOwnScanIsNamedWithItsReason)
{
    sim::SimReceiverConfig scanning = sim::DefaultConfig(0);
    scanning.state = '5';
    sim::CSimulator sims;
    ASSERT_TRUE(sims.Start({scanning}));
    for (const char* command : {"id", "fbs"}) {
        const CommandResult r = RunShell("ZRQ6930_PORTS=" + sims.PortList() + " timeout 8 " + kCli + " " + command);
        EXPECT_EQ(r.exitCode, 1) << command;
        EXPECT_EQ(r.err, "Receiver 1 (" + sims.PortPaths()[0] + ") is busy with its own channel scan and refused the request (E1 reason 05).\n") << command;
    }
}

// A walk whose receiver answers busy with its own scan stops as the window
// does, and writes no zeros for the refused samples.
TEST(SharedPort, AWalkOnAReceiverBusyWithItsOwnScanStopsAndLogsNothingMade)
{
    sim::SimReceiverConfig busy = sim::DefaultConfig(0);
    busy.faults.busyCodes = "F1";
    sim::CSimulator sims;
    ASSERT_TRUE(sims.Start({busy}));
    CTempDir logs;
    const CommandResult r = RunCli("walk --seconds 3 -o " + logs.File("o.wlg"), "ZRQ6930_PORTS=" + sims.PortList() + " ZRQ6930_LOG_DIR=" + logs.Path());
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.err.find("Walk Test was stopped due to Channel Scan\n"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("Samples: 0\n"), std::string::npos) << r.out; // the summary is what the log holds
    EXPECT_EQ(Slurp(logs.File("o.wlg")).size(), 32u);                    // a header, no made-up records
}

} // namespace
} // namespace zr::test
