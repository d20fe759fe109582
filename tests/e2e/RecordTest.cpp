// zrq6930 record as an unattended PC runs it: killed at any moment, every log
// is a header and whole records, one per answer the receiver gave.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "CliRun.h"
#include "logs/LogReader.h"
#include "sim/Simulator.h"

extern char** environ;

namespace zr::test {
namespace {

namespace fs = std::filesystem;

// A running `zrq6930 record`, its output in files.
class CRecorderProcess {
public:
    CRecorderProcess(const std::string& ports, const std::string& logDir, const std::vector<std::string>& extra = {})
    {
        std::vector<std::string> args{kCli, "record"};
        args.insert(args.end(), extra.begin(), extra.end());
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> env{"ZRQ6930_PORTS=" + ports, "ZRQ6930_LOG_DIR=" + logDir, "PATH=/usr/bin:/bin"};
        std::vector<char*> envp;
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, m_out.File("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, m_out.File("err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
    }
    ~CRecorderProcess()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            Wait();
        }
    }
    // The exit code, -signal when killed.
    int Stop(int signal)
    {
        kill(m_pid, signal);
        return Wait();
    }
    int Wait()
    {
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    }
    std::string Out() const { return Slurp(m_out.File("out")); }
    std::string Err() const { return Slurp(m_out.File("err")); }

private:
    CTempDir m_out;
    pid_t m_pid = -1;
};

// The log of receiver number `no` (1-based) in `dir`: its path and whole records.
struct LogFile {
    std::string path;
    uint64_t size = 0;
    int records = -1;
};

LogFile LogOf(const std::string& dir, int no)
{
    LogFile f;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().filename().string().rfind(std::to_string(no) + "_", 0) == 0)
            f.path = e.path().string();
    if (f.path.empty())
        return f;
    f.size = fs::file_size(f.path);
    CLogReader reader;
    if (reader.Open(f.path, kLogNorm) != kLogOpened)
        return f;
    f.records = 0;
    for (LogRecord r; reader.Next(r);)
        ++f.records;
    return f;
}

TEST(Record, KilledAtAnyMomentEveryLogHoldsWholeRecordsOfTheAnswersGiven)
{
    std::vector<sim::SimReceiverConfig> cfgs;
    for (int i = 0; i < 3; ++i)
        cfgs.push_back(sim::DefaultConfig(i));
    sim::CSimulator sims;
    ASSERT_TRUE(sims.Start(cfgs));
    const unsigned seed = std::random_device{}();
    std::mt19937 rng(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));
    for (int round = 0; round < 4; ++round) {
        CTempDir logs;
        int before[3];
        for (int i = 0; i < 3; ++i)
            before[i] = sims.Receiver(static_cast<std::size_t>(i)).RequestCount("F4");
        CRecorderProcess recorder(sims.PortList(), logs.Path());
        const int atLeast = std::uniform_int_distribution<int>(1, 12)(rng);
        ASSERT_TRUE(WaitUntil([&] { return LogOf(logs.Path(), 3).records >= atLeast; })) << recorder.Err();
        std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution<int>(0, 99)(rng)));
        EXPECT_EQ(recorder.Stop(SIGKILL), -SIGKILL);
        // Receivers are numbered by bank and channel: DefaultConfig(i) is number i + 1.
        for (int i = 0; i < 3; ++i) {
            const LogFile log = LogOf(logs.Path(), i + 1);
            ASSERT_GE(log.records, 0) << log.path;
            EXPECT_EQ((log.size - 32) % 32, 0u) << log.path;
            const int answered = sims.Receiver(static_cast<std::size_t>(i)).RequestCount("F4") - before[i];
            EXPECT_LE(log.records, answered) << log.path;
            EXPECT_GE(log.records, answered - 1) << log.path; // the one in flight at the kill
        }
    }
}

TEST(Record, StopsCleanlyOnSignalsAndTellsOfALostLogAndReceiverOnce)
{
    sim::CSimulator sims;
    ASSERT_TRUE(sims.Start({sim::DefaultConfig(0), sim::DefaultConfig(1), sim::DefaultConfig(2)}));
    CTempDir logs;
    CRecorderProcess recorder(sims.PortList(), logs.Path(), {"--rx", "1", "--rx", "2"});
    ASSERT_TRUE(WaitUntil([&] { return LogOf(logs.Path(), 1).records >= 3 && LogOf(logs.Path(), 2).records >= 3; })) << recorder.Err();
    EXPECT_TRUE(LogOf(logs.Path(), 3).path.empty()); // not asked for
    EXPECT_NE(recorder.Out().find("Receiver 1 (" + sims.Receiver(0).PortPath() + "): " + LogOf(logs.Path(), 1).path + "\n"), std::string::npos)
        << recorder.Out();

    fs::remove(LogOf(logs.Path(), 1).path); // deleted while recording
    const int kept = LogOf(logs.Path(), 2).records;
    ASSERT_TRUE(WaitUntil([&] { return LogOf(logs.Path(), 2).records >= kept + 5; }));
    sims.Receiver(1).HangUp();
    ASSERT_TRUE(WaitUntil([&] { return recorder.Err().find("Comm Error") != std::string::npos; }));
    EXPECT_EQ(recorder.Stop(SIGTERM), 1); // records were lost: no success
    const std::string err = recorder.Err();
    const std::string told = "Cannot write the Background Log of receiver 1: ";
    EXPECT_NE(err.find(told), std::string::npos) << err;
    EXPECT_EQ(err.find(told), err.rfind(told)) << err;
    // Summed up at the end, so the missing records are not read as silence.
    EXPECT_NE(err.find("Receiver 1: "), std::string::npos) << err;
    EXPECT_NE(err.find(" answered polls were not written ("), std::string::npos) << err;
    EXPECT_EQ(err.find("Receiver 2: "), std::string::npos) << err;
    EXPECT_NE(err.find("Receiver 2 (" + sims.Receiver(1).PortPath() + "): Comm Error"), std::string::npos) << err;
    EXPECT_NE(err.find("Background Log recording was stopped.\n"), std::string::npos) << err;
}

TEST(Record, RefusesWhatItCannotDo)
{
    sim::CSimulator sims;
    ASSERT_TRUE(sims.Start({sim::DefaultConfig(0)}));
    CTempDir logs;
    struct Case {
        std::string args;
        int exitCode;
        std::string err;
    };
    const Case cases[] = {
        {"--hours 9", 2, "zrq6930 record: --hours takes a number from 0 to 8\n"},
        {"--rx 0", 2, "zrq6930 record: --rx takes a receiver number from 1 to 16\n"},
        {"--rx 2", 2, "zrq6930 record: no receiver number 2\n"},
        {"--hours 0.0003", 0, "Background Log recording was stopped.\n"},
    };
    for (const auto& c : cases) {
        const CommandResult r = RunCli("record " + c.args, "ZRQ6930_PORTS=" + sims.PortList() + " ZRQ6930_LOG_DIR=" + logs.Path());
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args << r.err;
        EXPECT_EQ(r.err, c.err) << c.args;
    }
    // Why each port gave nothing follows.
    EXPECT_EQ(RunCli("record", "ZRQ6930_PORTS=/dev/zrq6930-none").err, "No receiver connected.\n/dev/zrq6930-none: cannot open: No such file or directory\n");
    sim::SimReceiverConfig scanning = sim::DefaultConfig(1);
    scanning.state = '5'; // running a channel scan of its own
    sim::CSimulator busy;
    ASSERT_TRUE(busy.Start({scanning}));
    const CommandResult r = RunCli("record", "ZRQ6930_PORTS=" + busy.PortList() + " ZRQ6930_LOG_DIR=" + logs.Path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "This function is not available during scanning or walk testing.\n");
}

} // namespace
} // namespace zr::test
