// zrq6930 plan on a log the simulator's scan wrote: the plan keeps clear of
// the simulated carriers, its own check finds nothing, and a plan that
// cannot be had is refused with the reason.
#include <gtest/gtest.h>

#include <algorithm>

#include "CliRun.h"
#include "sim/Simulator.h"

namespace zr::test {
namespace {

TEST(Plan, APlanFromASimulatedScanAvoidsItsCarriersAndPassesItsCheck)
{
    sim::CSimulator sims;
    ASSERT_TRUE(sims.Start({sim::DefaultConfig(0)}));
    CTempDir dir;
    const std::string env = "ZRQ6930_PORTS=" + sims.PortList() + " ZRQ6930_LOG_DIR=" + dir.Path();
    const std::string log = dir.File("site.slg");
    ASSERT_EQ(RunCli("scan spectrum --start 606 --stop 607 --sweeps 1 -o " + log, env).exitCode, 0);
    const CommandResult busy = RunCli("log occupancy " + log + " --csv");
    ASSERT_EQ(busy.exitCode, 0) << busy.err;

    const CommandResult plan = RunCli("plan --from " + log + " --max --seconds 2 --csv");
    ASSERT_EQ(plan.exitCode, 0) << plan.err;
    const auto lines = Lines(plan.out);
    ASSERT_GE(lines.size(), 3u) << plan.out;
    EXPECT_EQ(lines[0], "frequency_mhz,kept,product_margin_khz,busy_margin_khz");
    std::string freqs;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string f = lines[i].substr(0, lines[i].find(','));
        freqs += (freqs.empty() ? "" : ",") + f;
        const std::string busyMargin = lines[i].substr(lines[i].rfind(',') + 1);
        EXPECT_TRUE(busyMargin.empty() || std::stoi(busyMargin) >= 125) << lines[i]; // clear of what the scan saw
    }
    const CommandResult check = RunCli("plan --check --freqs " + freqs + " --from " + log);
    EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
    EXPECT_EQ(check.out, "");

    // The service report's plan section: the same rules, the log's carriers avoided.
    const std::string report = dir.File("report.html");
    const CommandResult made = RunCli("log report " + log + " -o " + report + " --plan 3");
    ASSERT_EQ(made.exitCode, 0) << made.err;
    const std::string html = Slurp(report);
    const std::size_t section = html.find("<h3>Frequency plan: 3 carriers</h3>");
    ASSERT_NE(section, std::string::npos);
    EXPECT_NE(html.find("aria-label=\"Frequency plan\"", section), std::string::npos);
    std::string reported;
    for (std::size_t at = html.find("<tr><td>", section); at != std::string::npos; at = html.find("<tr><td>", at + 1))
        reported += (reported.empty() ? "" : ",") + html.substr(at + 8, html.find('<', at + 8) - at - 8);
    EXPECT_EQ(std::count(reported.begin(), reported.end(), ','), 2) << reported;
    const CommandResult reportedCheck = RunCli("plan --check --freqs " + reported + " --from " + log);
    EXPECT_EQ(reportedCheck.exitCode, 0) << reportedCheck.out;

    // The receiver's own carrier (606.250) is one the scan saw: a plan keeping it is refused.
    const CommandResult kept = RunCli("plan --from " + log + " --count 1 --keep 606.250");
    EXPECT_EQ(kept.exitCode, 1);
    EXPECT_NE(kept.err.find("The kept frequencies break the rules themselves"), std::string::npos) << kept.err;
    const CommandResult tooMany = RunCli("plan --start 606 --stop 607 --count 5");
    EXPECT_EQ(tooMany.exitCode, 1);
    EXPECT_EQ(tooMany.err, "zrq6930 plan: 5 frequencies do not fit the range under these rules.\n");
}

} // namespace
} // namespace zr::test
