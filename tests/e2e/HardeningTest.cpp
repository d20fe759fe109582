// What a careless or hostile user can do to the command line's log commands:
// nothing they try loses a log or leaves half a file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "CliRun.h"
#include "../walk/LogFiles.h"
#include "logs/LogConvert.h"
#include "logs/LogExport.h"
#include "logs/LogFileDoc.h"
#include "platform/Clock.h"
#include "platform/SafeFile.h"
#include "sim/Simulator.h"

namespace zr::test {
namespace {

namespace fs = std::filesystem;

// A Background Log of `records` records (copies of one) in `dir`.
std::string MakeLog(const CTempDir& dir, int records)
{
    CEnvGuard env("ZRQ6930_LOG_DIR", dir.Path());
    CManualClock clock(LocalTimeToFileTime({2024, 5, 17, 9, 30, 5, 0}));
    SetClock(&clock);
    CLogFileDoc doc;
    doc.CreateLog(kLogNorm, 2, 0, nullptr, nullptr);
    DataRow row{};
    row[7] = 55, row[6] = 41, row[10] = 0x13;
    doc.AppendRecord(row);
    SetClock(nullptr);
    const std::string path = doc.CurrentPath();
    const std::string bytes = Slurp(path);
    const std::string record = bytes.substr(bytes.size() - 32);
    std::ofstream out(path, std::ios::binary | std::ios::app);
    for (int i = 1; i < records; ++i)
        out << record;
    return path;
}

std::vector<std::string> Names(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(Hardening, AnOutputThatIsTheSourceIsRefusedUnderEveryName)
{
    CTempDir dir;
    const std::string src = MakeLog(dir, 10);
    const std::string before = Slurp(src);
    fs::create_hard_link(src, dir.File("hard.log"));
    fs::create_symlink(src, dir.File("soft.log"));
    for (const std::string& output : {src, dir.File("hard.log"), dir.File("soft.log"), dir.Path() + "/./" + fs::path(src).filename().string()}) {
        const CommandResult r = RunCli("log convert " + src + " -o " + output + " --force");
        EXPECT_EQ(r.exitCode, 2) << output;
        EXPECT_EQ(r.err, "The output file is the log file itself.\n" + output + "\n");
        EXPECT_EQ(Slurp(src), before) << output;
    }
}

TEST(Hardening, ConcurrentConversionsToOneOutputGiveOneWholeFile)
{
    CTempDir dir;
    const std::string src = MakeLog(dir, 40000);
    ASSERT_EQ(ConvertLogToText(src, dir.File("reference.log"), {}), kConvertCompleted);
    const std::string reference = Slurp(dir.File("reference.log"));

    // Held by another process (here: this one): the loser is told.
    {
        CNameLock held;
        ASSERT_EQ(held.Acquire(dir.File("out.log")), 0);
        const CommandResult r = RunCli("log convert " + src + " -o " + dir.File("out.log"));
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, "This output file is being written by another conversion.\n" + dir.File("out.log") + "\n");
        EXPECT_FALSE(fs::exists(dir.File("out.log")));
    }
    // Two processes at once, several times: whichever wins, the file is whole.
    for (int round = 0; round < 3; ++round) {
        const std::string one = kCli + " log convert " + src + " -o " + dir.File("out.log") + " --force";
        const CommandResult r = RunShell("(" + one + " >/dev/null 2>&1; echo a=$?) & (" + one + " >/dev/null 2>&1; echo b=$?) & wait");
        EXPECT_NE(r.out.find("=0"), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("=2"), std::string::npos) << r.out;
        EXPECT_EQ(Slurp(dir.File("out.log")), reference);
    }
    const auto names = Names(dir.Path());
    EXPECT_EQ(std::count_if(names.begin(), names.end(), [](const std::string& n) { return n[0] == '.'; }), 0) << "temporary or lock files left";
}

TEST(Hardening, AFailedConversionLeavesNothingAndBlocksNothing)
{
    CTempDir dir;
    const std::string src = MakeLog(dir, 20000); // about 900 kB of text
    // A file-size limit stands in for a full disk.
    const CommandResult r = RunShell("trap '' XFSZ; ulimit -f 256; " + kCli + " log convert " + src + " -o " + dir.File("out.log"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Cannot write the output file.\n" + dir.File("out.log") + "\n");
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{fs::path(src).filename().string()});
    EXPECT_EQ(RunCli("log convert " + src + " -o " + dir.File("out.log")).exitCode, 0); // not "already exists"
}

TEST(Hardening, WriteErrorsOnStandardOutputAreFailures)
{
    CTempDir dir;
    const std::string src = MakeLog(dir, 3000);
    for (const std::string& args : {"log export " + src + " --csv", "log info " + src, std::string("--help")}) {
        const CommandResult r = RunShell(kCli + " " + args + " >/dev/full");
        EXPECT_EQ(r.exitCode, 1) << args;
        EXPECT_NE(r.err.find("cannot write the output"), std::string::npos) << args << ": " << r.err;
    }
}

TEST(Hardening, FifosAndOtherNonFilesNeverBlock)
{
    CTempDir dir;
    const std::string src = MakeLog(dir, 5);
    ASSERT_EQ(mkfifo(dir.File("f.nlg").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo(dir.File("f.log").c_str(), 0600), 0);
    // `timeout` only bounds a hang: each of these answers at once.
    CommandResult r = RunShell("timeout 20 " + kCli + " log info " + dir.File("f.nlg"));
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, dir.File("f.nlg") + ": Cannot open file. File unselected or being used by another program.\n");
    r = RunShell("timeout 20 " + kCli + " log convert " + dir.File("f.nlg") + " -o " + dir.File("x.log"));
    EXPECT_EQ(r.exitCode, 2);
    r = RunShell("timeout 20 " + kCli + " log convert " + src + " -o " + dir.File("f.log") + " --force");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Cannot create the output file.\n" + dir.File("f.log") + "\n");
    r = RunShell("timeout 20 " + kCli + " log export /dev/zero --csv");
    EXPECT_EQ(r.exitCode, 2);
}

TEST(Hardening, OneBadPartOfASpectrumLogIsNamedBeforeAnythingIsPrinted)
{
    CTempDir dir;
    CEnvGuard env("ZRQ6930_LOG_DIR", dir.Path());
    CManualClock clock(LocalTimeToFileTime({2024, 5, 17, 12, 0, 0, 0}));
    SetClock(&clock);
    CLogFileDoc doc;
    SpectrumLogSettings settings{606000 / 25, 636000 / 25, 0};
    doc.CreateLog(kLogSpec, 1, 0, nullptr, &settings);
    doc.AppendRecord(DataRow{});
    SetClock(nullptr);
    const std::string first = doc.CurrentPath();
    const std::string second = first.substr(0, first.size() - 7) + "002.slg";
    for (bool fifo : {false, true}) {
        fs::remove(second);
        if (fifo)
            ASSERT_EQ(mkfifo(second.c_str(), 0600), 0);
        else
            std::ofstream(second, std::ios::binary) << std::string(64, 'x');
        const std::string message = fifo ? "Cannot open file. File unselected or being used by another program." : "Invalid file type.";
        for (const char* command : {"log info ", "log export --csv "}) {
            const CommandResult r = RunShell("timeout 20 " + kCli + " " + command + first);
            EXPECT_EQ(r.exitCode, 2) << command;
            EXPECT_EQ(r.err, second + ": " + message + "\n") << command;
            EXPECT_EQ(r.out, "") << command;
        }
    }
}

// A file named as the next part is a part only when its header is the same
// log's and its times follow on; otherwise it is a log of its own.
TEST(Hardening, APartOfASpectrumLogIsKnownByItsHeaderAndTimesNotItsName)
{
    CTempDir dir;
    const int64_t noon = LocalTimeToFileTime({2024, 5, 17, 12, 0, 0, 0});
    const SpectrumLogSettings low{606000 / 25, 606025 / 25, 0}, high{620000 / 25, 620025 / 25, 0};
    WriteLog(dir.File("site_001.slg"), kLogSpec, {SpectrumRow(606000, 30), SpectrumRow(606025, 31)}, &low, noon);
    WriteLog(dir.File("site_002.slg"), kLogSpec, {SpectrumRow(620000, 10), SpectrumRow(620025, 11)}, &high, noon + 200 * kFileTimePerMs);
    for (const char* name : {"site_001.slg", "site_002.slg"}) {
        const CommandResult info = RunCli("log info " + dir.File(name));
        EXPECT_EQ(info.exitCode, 0) << info.err;
        EXPECT_NE(info.out.find("parts: 1\n"), std::string::npos) << info.out;
    }
    const CommandResult csv = RunCli("log export --csv " + dir.File("site_002.slg"));
    EXPECT_EQ(csv.out.find(",606"), std::string::npos) << csv.out;
    EXPECT_NE(csv.out.find(",620025,11"), std::string::npos) << csv.out;
    const CommandResult clean = RunCli("log occupancy --clean " + dir.File("site_002.slg"));
    EXPECT_NE(clean.out.find("620.0"), std::string::npos) << clean.out;

    // The same header and times that follow: one log in two parts.
    WriteLog(dir.File("site_002.slg"), kLogSpec, {SpectrumRow(606000, 40), SpectrumRow(606025, 41)}, &low, noon + 200 * kFileTimePerMs);
    EXPECT_NE(RunCli("log info " + dir.File("site_001.slg")).out.find("parts: 2\n"), std::string::npos);
}

// One validity rule for a spectrum header, whichever command reads it.
TEST(Hardening, ASpectrumHeaderNoScanCanWriteIsRefusedByEveryReader)
{
    CTempDir dir;
    const SpectrumLogSettings headers[] = {{606000 / 25, 607000 / 25, 2}, {607000 / 25, 606000 / 25, 0}};
    for (const SpectrumLogSettings& h : headers) {
        WriteLog(dir.File("odd.slg"), kLogSpec, {SpectrumRow(606000, 30)}, &h);
        for (const char* command : {"log info ", "log export --csv ", "log occupancy "}) {
            const CommandResult r = RunCli(command + dir.File("odd.slg"));
            EXPECT_EQ(r.exitCode, 2) << command << h.stepSelector;
            EXPECT_EQ(r.err, dir.File("odd.slg") + ": Invalid file type.\n") << command << h.stepSelector;
        }
    }
}

// A file name that is not UTF-8 (copied from an old PC) is read all the
// same, and its bytes are escaped so that the JSON stays JSON.
TEST(Hardening, NamesThatAreNotUtf8AreReadAndEscapedInJson)
{
    CTempDir dir;
    const std::string log = dir.File("caf\xe9.nlg");
    WriteLog(log, kLogNorm, {WalkRow(50, 40, false, false)});
    const CommandResult r = RunCli("log events --json " + log);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("caf\\udce9.nlg\""), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find('\xe9'), std::string::npos);
}

TEST(Hardening, TimesNoClockCanGiveReadAsInvalid)
{
    const int64_t may17 = LocalTimeToFileTime({2024, 5, 17, 9, 30, 5, 0});
    struct Case {
        int64_t first, last;
        const char* duration;
    };
    const Case cases[] = {
        {may17, may17 + 3 * kFileTimePerSecond + 20 * kFileTimePerMs, "0:00:03.020"},
        {may17, INT64_MAX, "invalid"},
        {INT64_MIN, may17, "invalid"},
        {may17, may17 - 1, "invalid"},
        {0, kLatestFileTime, "73624103:59:59.999"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DurationText(c.first, c.last), c.duration) << c.first << " " << c.last;
    EXPECT_EQ(IsoTime(-5), "invalid");
    EXPECT_EQ(IsoTime(kLatestFileTime + 1), "invalid");
    EXPECT_EQ(IsoTime(kLatestFileTime), "9999-12-31T23:59:59.999");
}

// Tests run as root, which an exclusive port does not stop: the second user
// here is an unprivileged one.
TEST(Hardening, APortIsLeftUsableByTheNextUserAndRefusalsSayWhy)
{
    if (geteuid() != 0 || RunShell("command -v setpriv").exitCode != 0)
        GTEST_SKIP() << "needs root and setpriv to act as a second, unprivileged user";
    sim::CSimulator sims;
    ASSERT_TRUE(sims.Start({sim::DefaultConfig(0)}));
    const std::string port = sims.Receiver(0).PortPath();
    const std::string ports = "ZRQ6930_PORTS=" + port;
    const std::string asNobody = "setpriv --reuid=65534 --regid=65534 --clear-groups env " + ports + " " + kCli + " identify";
    ASSERT_EQ(chmod(port.c_str(), 0666), 0);
    EXPECT_EQ(RunCli("identify", ports).exitCode, 0); // root opens and closes the port
    CommandResult r = RunShell(asNobody);
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;

    ASSERT_EQ(chmod(port.c_str(), 0600), 0);
    r = RunShell(asNobody);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.out.find("cannot open: Permission denied"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(port), std::string::npos) << r.out;
    r = RunShell("setpriv --reuid=65534 --regid=65534 --clear-groups env " + ports + " " + kCli + " list");
    EXPECT_EQ(r.out, port + "\tFTDI\tListed serial port\tpermission denied (join the dialout group)\n");
    r = RunCli("identify", "ZRQ6930_PORTS=/dev/zrq6930-none");
    EXPECT_NE(r.out.find("cannot open: No such file or directory"), std::string::npos) << r.out;
}

// Too little memory for every receiver's threads: those without one are
// refused with the reason; nothing aborts.
TEST(Hardening, NoThreadToBeHadFailsOnlyThatReceiver)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitizer's shadow memory does not fit under a memory limit";
#endif
    std::vector<sim::SimReceiverConfig> cfgs;
    for (int i = 0; i < 16; ++i)
        cfgs.push_back(sim::DefaultConfig(i));
    sim::CSimulator sims;
    ASSERT_TRUE(sims.Start(cfgs));
    // About a hundred megabytes: room for the program and ten or so 8 MB thread
    // stacks, not for sixteen identifications at once.
    const CommandResult r = RunShell("ulimit -v 100000; ZRQ6930_PORTS=" + sims.PortList() + " " + kCli + " identify");
    EXPECT_TRUE(r.exitCode == 0 || r.exitCode == 2) << r.exitCode << r.err;
    EXPECT_NE(r.out.find("cannot start a thread: Resource temporarily unavailable"), std::string::npos) << r.out;
}

TEST(Hardening, OptionsThatMakeNoSenseAreRefused)
{
    CTempDir dir;
    const std::string src = MakeLog(dir, 5);
    CommandResult r = RunCli("log convert " + src + " -o ''", "ZRQ6930_LOG_DIR=" + dir.Path());
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "zrq6930 log convert: -o needs a file name\n");
    for (const char* seconds : {"nan", "inf", "-1", "''", "5x"}) {
        r = RunShell("timeout 20 " + kCli + " monitor --seconds " + seconds);
        EXPECT_EQ(r.exitCode, 2) << seconds;
        EXPECT_EQ(r.err, "zrq6930 monitor: --seconds takes a number of seconds, 0 or more\n") << seconds;
    }
}

} // namespace
} // namespace zr::test
