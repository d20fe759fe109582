// An unattended recording rides out a receiver's silence: a silent receiver
// comes back into its own log, a stranger on its port is kept out, and a
// replugged adapter is found under its new name.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "CliRun.h"
#include "logs/LogFormat.h"
#include "sim/Simulator.h"

namespace zr::test {
namespace {

namespace fs = std::filesystem;

// `zrq6930 record` running in the background while the test acts on the receivers.
class CBackgroundRecord {
public:
    CBackgroundRecord(const std::string& env, const std::string& args, const CTempDir& dir) : m_dir(dir)
    {
        std::system(("( " + env + " " + kCli + " record " + args + " >" + dir.File("out") + " 2>" + dir.File("err") + " </dev/null & echo $! >" +
                     dir.File("pid") + "; wait $!; echo $? >" + dir.File("rc") + " ) >/dev/null 2>&1 &")
                        .c_str());
        for (int i = 0; i < 100 && !fs::exists(dir.File("pid")); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // Waits for the end; the exit code.
    int Wait()
    {
        for (int i = 0; i < 1500 && Slurp(m_dir.File("rc")).empty(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const std::string rc = Slurp(m_dir.File("rc"));
        return rc.empty() ? -1 : std::stoi(rc);
    }
    std::string Err() const { return Slurp(m_dir.File("err")); }

private:
    const CTempDir& m_dir;
};

std::string LogOf(const CTempDir& logs, int receiverNo)
{
    for (const auto& e : fs::directory_iterator(logs.Path()))
        if (e.path().extension() == ".nlg" && e.path().filename().string().rfind(std::to_string(receiverNo) + "_", 0) == 0)
            return e.path().string();
    return {};
}

uint64_t Records(const std::string& log)
{
    return log.empty() ? 0 : (fs::file_size(log) - kLogHeaderSize) / kLogRecordSize;
}

std::string EventsText(const CTempDir& logs)
{
    for (const auto& e : fs::directory_iterator(logs.Path()))
        if (e.path().filename().string().rfind("record_", 0) == 0)
            return Slurp(e.path().string());
    return {};
}

// Two seconds of silence in the middle: the log goes on after it, the gap is
// one "no answer" event of about that length, and the others lose nothing.
TEST(RecordRecovery, ATwoSecondSilenceCostsTwoSecondsNotTheRestOfTheRecording)
{
    sim::SimReceiverConfig silent = sim::DefaultConfig(1);
    silent.faults.silenceAtMs = 1500;
    silent.faults.silenceForMs = 2000;
    sim::CSimulator sims;
    ASSERT_TRUE(sims.Start({sim::DefaultConfig(0), silent, sim::DefaultConfig(2)}));
    CTempDir logs;
    const CommandResult r =
        RunCli("record --hours 0.002", "ZRQ6930_PORTS=" + sims.PortList() + " ZRQ6930_LOG_DIR=" + logs.Path()); // 7.2 s
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::string port = sims.PortPaths()[1];
    int silentNo = 0; // numbered by bank and channel: find which number it got
    for (int n = 1; n <= 3; ++n)
        if (r.out.find("Receiver " + std::to_string(n) + " (" + port + ")") != std::string::npos)
            silentNo = n;
    ASSERT_NE(silentNo, 0) << r.out;
    EXPECT_NE(r.err.find("Receiver " + std::to_string(silentNo) + " (" + port + "): Comm Error"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Receiver " + std::to_string(silentNo) + " (" + port + "): answers again"), std::string::npos) << r.err;
    const std::string events = EventsText(logs);
    EXPECT_NE(events.find("answers again"), std::string::npos) << events;

    for (int n = 1; n <= 3; ++n) {
        const std::string log = LogOf(logs, n);
        const CommandResult e = RunCli("log events --json " + log);
        const auto field = [&](const std::string& name) {
            const std::size_t at = e.out.find("\"" + name + "\": ");
            return at == std::string::npos ? -1 : std::stoll(e.out.substr(at + name.size() + 4));
        };
        if (n == silentNo) {
            EXPECT_GE(field("no_answer_ms"), 1500) << e.out;
            EXPECT_LE(field("no_answer_ms"), 4000) << e.out;   // the silence and a retry, not the rest
            EXPECT_GE(Records(log), 30u) << log;               // records after the silence as well
        } else {
            EXPECT_EQ(field("no_answer_ms"), 0) << n << e.out;
            EXPECT_GE(Records(log), 60u) << log;
        }
    }
}

// Ports by name, as links a test can move: an adapter unplugged and plugged
// in again under another name, or another receiver on the same port.
TEST(RecordRecovery, AStrangerOnThePortIsKeptOutAndAReplugUnderANewNameComesBack)
{
    for (bool stranger : {true, false}) {
        CTempDir ports, logs, run;
        sim::CSimulator first;
        ASSERT_TRUE(first.Start({sim::DefaultConfig(0)}));
        fs::create_symlink(first.PortPaths()[0], ports.File("portA"));
        const std::string env = "ZRQ6930_PORTS=" + ports.File("portA") + ":" + ports.File("portB") + " ZRQ6930_LOG_DIR=" + logs.Path();
        CBackgroundRecord record(env, "--hours 0.0025", run); // 9 s
        std::this_thread::sleep_for(std::chrono::milliseconds(2000));
        const uint64_t before = Records(LogOf(logs, 1));
        first.Receiver(0).HangUp(); // the cable is out
        fs::remove(ports.File("portA"));
        sim::SimReceiverConfig next = sim::DefaultConfig(0);
        if (stranger)
            next.channel = 9, next.frequencyKhz = 606325; // another receiver
        sim::CSimulator second;
        ASSERT_TRUE(second.Start({next}));
        // The stranger comes on the same port name; the same receiver comes back under a new one.
        fs::create_symlink(second.PortPaths()[0], ports.File(stranger ? "portA" : "portB"));
        EXPECT_EQ(record.Wait(), stranger ? 1 : 0) << record.Err();
        const std::string err = record.Err();
        const uint64_t after = Records(LogOf(logs, 1));
        EXPECT_GE(before, 10u);
        if (stranger) {
            EXPECT_NE(err.find("another receiver answers here (ZR-Q6930 G1 bank"), std::string::npos) << err;
            EXPECT_LE(after, before + 12) << err; // nothing of the stranger's in the log
            EXPECT_EQ(second.Receiver(0).RequestCount("F4"), 0) << err;
        } else {
            EXPECT_NE(err.find("answers again, now on " + ports.File("portB") + " (was " + ports.File("portA") + ")"), std::string::npos) << err;
            EXPECT_GE(after, before + 20) << err; // recorded again after the replug
            EXPECT_GT(second.Receiver(0).RequestCount("F4"), 10) << err;
        }
    }
}

} // namespace
} // namespace zr::test
