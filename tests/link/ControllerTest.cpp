// The receiver controller on a clock the test moves by hand: real links to
// simulated receivers, but no pacing waits in real time.
#include <gtest/gtest.h>

#include <algorithm>

#include "../TestUtil.h"
#include "link/Commands.h"
#include "link/LinkEventQueue.h"
#include "link/ReceiverController.h"
#include "link/ReplyFields.h"
#include "sim/Simulator.h"

namespace zr {
namespace {

constexpr int64_t kMs = 10000; // pacing units per millisecond

class CManualPacingClock : public IPacingClock {
public:
    int64_t Now() override { return now; }
    void WakeIn(int64_t wait) override { wakeAt = wait < 0 ? -1 : now + wait; }
    int64_t now = 1000000 * kMs;
    int64_t wakeAt = -1;
};

struct Heard : IReceiverListener {
    void Connected(const std::vector<StateRecord>& r) override { rows = r, connected = true; }
    void RowChanged(int recNo, const std::string&, const StateRecord& row) override { states.emplace_back(recNo, static_cast<char>(ReplyChar(row.data(), F0Field::State))); }
    void ModeChanged(int recNo, int32_t mode) override { modes.emplace_back(recNo, mode); }
    void Replied(const ReceiverReply& reply) override { replies.emplace_back(reply.recNo, reply.kind); }
    void OneShotDone(int recNo, int kind, bool acknowledged) override { oneShots.push_back({recNo, kind, acknowledged}); }
    void ReceiverLost(SessionReceiver& r, bool rec) override { lost.emplace_back(r.recNo, rec); }
    int Replies(int recNo, int kind) const { return static_cast<int>(std::count(replies.begin(), replies.end(), std::make_pair(recNo, kind))); }
    // The state the receiver's row showed last (other receivers' rows come in between).
    char LastState(int recNo) const
    {
        for (auto it = states.rbegin(); it != states.rend(); ++it)
            if (it->first == recNo)
                return it->second;
        return 0;
    }

    bool connected = false;
    std::vector<StateRecord> rows;
    std::vector<std::pair<int, char>> states;
    std::vector<std::pair<int, int32_t>> modes;
    std::vector<std::pair<int, int>> replies;
    struct OneShot {
        int recNo, kind;
        bool acknowledged;
    };
    std::vector<OneShot> oneShots;
    std::vector<std::pair<int, bool>> lost;
};

class Controller : public ::testing::Test {
protected:
    void Connect(int receivers)
    {
        std::vector<sim::SimReceiverConfig> configs;
        for (int i = 0; i < receivers; ++i)
            configs.push_back(sim::DefaultConfig(i));
        ASSERT_TRUE(m_sim.Start(configs));
        m_ports = std::make_unique<test::CEnvGuard>("ZRQ6930_PORTS", m_sim.PortList());
        ASSERT_EQ(m_controller.Connect(), receivers);
        ASSERT_TRUE(Pump([&] { return m_heard.connected; }));
        ASSERT_EQ(static_cast<int>(m_heard.rows.size()), receivers);
    }
    // Handles the links' events until `done` (real time only for the I/O).
    bool Pump(const std::function<bool()>& done)
    {
        return test::WaitUntil([&] {
            while (auto e = m_queue.TryTake())
                m_controller.HandleEvent(*e);
            if (done())
                return true;
            if (auto e = m_queue.Take(std::chrono::milliseconds(5)))
                m_controller.HandleEvent(*e);
            return done();
        }, std::chrono::seconds(5));
    }
    // Moves the clock, waking the controller at every wake-up it asked for on the way.
    void Advance(int64_t ms)
    {
        const int64_t target = m_clock.now + ms * kMs;
        while (m_clock.wakeAt >= 0 && m_clock.wakeAt <= target) {
            m_clock.now = m_clock.wakeAt;
            m_controller.OnWake();
        }
        m_clock.now = target;
    }
    int Requests(std::size_t receiver, const char* code) { return m_sim.Receiver(receiver).RequestCount(code); }

    sim::CSimulator m_sim;
    std::unique_ptr<test::CEnvGuard> m_ports;
    CLinkEventQueue m_queue;
    CManualPacingClock m_clock;
    Heard m_heard;
    CReceiverController m_controller{&m_queue, m_clock, m_heard};
};

// Served idle after connecting: one F0 per 500 ms period, the first tick
// 10 ms after serving starts, missed periods skipped rather than made up.
TEST_F(Controller, PacesPollsOnItsClockAndSkipsMissedPeriods)
{
    Connect(2);
    EXPECT_TRUE(m_controller.IsServed(0) && m_controller.IsServed(1));
    EXPECT_EQ(m_controller.PollPeriod(), kIdlePeriodMs * kMs);
    EXPECT_EQ(m_clock.wakeAt, m_clock.now + kPacingTickMs * kMs); // the first tick
    const int before = Requests(0, "F0");
    Advance(kPacingTickMs + kIdlePeriodMs); // the first tick, then exactly one period
    EXPECT_EQ(Requests(0, "F0"), before) << "a poll is due one tick after the period";
    Advance(1);
    ASSERT_TRUE(Pump([&] { return m_heard.Replies(0, kF0) == 1 && m_heard.Replies(1, kF0) == 1; }));
    EXPECT_EQ(Requests(0, "F0"), before + 1);
    // Five periods in one jump: one poll, not five.
    Advance(5 * kIdlePeriodMs);
    ASSERT_TRUE(Pump([&] { return m_heard.Replies(0, kF0) == 2 && m_heard.Replies(1, kF0) == 2; }));
    EXPECT_EQ(m_heard.Replies(0, kF0), 2);
    EXPECT_EQ(Requests(0, "F0"), before + 2);
    std::sort(m_heard.modes.begin(), m_heard.modes.end());
    EXPECT_EQ(m_heard.modes, (std::vector<std::pair<int, int32_t>>{{0, kModeIdle}, {1, kModeIdle}})); // told once each
}

// A programme shows its row state at once, sets the period and the poll
// command; a scan start pauses the receiver's polls until acknowledged, and
// the acknowledgement brings the scan's programme.
TEST_F(Controller, ProgrammeSwitchAndScanStartFollowTheAcknowledgement)
{
    Connect(2);
    m_controller.SetProgramme(0, kProgrammeBackgroundLog);
    EXPECT_EQ(m_heard.LastState(0), '3');
    EXPECT_EQ(m_controller.PollPeriod(), kToolPeriodMs * kMs);
    EXPECT_EQ(m_controller.LinkOf(0)->PollCommand().kind, kF4);
    Advance(kPacingTickMs + kToolPeriodMs + 1); // the period is shared: receiver 2 is polled as well
    ASSERT_TRUE(Pump([&] { return m_heard.Replies(0, kF4) == 1 && m_heard.Replies(1, kF0) == 1; }));

    const int polls = Requests(1, "F0") + Requests(1, "F4");
    ASSERT_TRUE(m_controller.StartOneShot(1, MakeC1(1), false));
    Advance(3 * kIdlePeriodMs); // paused: no poll of receiver 2 meanwhile
    ASSERT_TRUE(Pump([&] { return !m_heard.oneShots.empty(); }));
    EXPECT_EQ(Requests(1, "F0") + Requests(1, "F4"), polls);
    EXPECT_EQ(m_heard.oneShots[0].recNo, 1);
    EXPECT_EQ(m_heard.oneShots[0].kind, kC1);
    EXPECT_TRUE(m_heard.oneShots[0].acknowledged);
    EXPECT_EQ(m_heard.LastState(1), '6');
    EXPECT_EQ(m_controller.LinkOf(1)->PollCommand().kind, kF3);
    ASSERT_TRUE(Pump([&] { return m_heard.Replies(1, kF3) >= 1; })); // polled at once after it
}

// A start the receiver never answers: no programme change, the receiver is
// polled again at the idle period, and the caller hears it was not acknowledged.
TEST_F(Controller, UnansweredScanStartResumesIdlePolling)
{
    Connect(1);
    sim::SimFaults silent;
    silent.silent = true;
    m_sim.Receiver(0).SetFaults(silent);
    ASSERT_TRUE(m_controller.StartOneShot(0, MakeS1(470000, 471000, 25), false));
    EXPECT_EQ(m_clock.wakeAt, -1); // nothing paced while it runs
    ASSERT_TRUE(Pump([&] { return !m_heard.oneShots.empty(); }));
    EXPECT_FALSE(m_heard.oneShots[0].acknowledged);
    EXPECT_EQ(m_controller.LinkOf(0)->PollCommand().kind, kF0);
    EXPECT_EQ(m_controller.PollPeriod(), kIdlePeriodMs * kMs);
    EXPECT_NE(m_clock.wakeAt, -1);
    EXPECT_TRUE(m_controller.IsServed(0));
}

// A receiver that stops answering is no longer served, its row says
// "Comm Error", its link closes; the others are polled on. While recovering,
// the controller asks to be woken at least every quarter second.
TEST_F(Controller, LostReceiverIsDroppedAndItsLinkCloses)
{
    Connect(2);
    m_controller.StartRecovery([](const std::string&) {});
    sim::SimFaults silent;
    silent.silent = true;
    m_sim.Receiver(1).SetFaults(silent);
    Advance(kPacingTickMs + kIdlePeriodMs + 1);
    ASSERT_TRUE(Pump([&] { return !m_heard.lost.empty(); }));
    EXPECT_EQ(m_heard.lost[0], std::make_pair(1, true));
    EXPECT_EQ(m_heard.LastState(1), '1');
    EXPECT_FALSE(m_controller.IsServed(1));
    EXPECT_EQ(m_controller.ServedCount(), 1);
    EXPECT_TRUE(m_controller.RecoveryPending());
    EXPECT_LE(m_clock.wakeAt - m_clock.now, CReceiverController::kRecoveryTick);
    ASSERT_TRUE(Pump([&] { return m_controller.LinkOf(1) == nullptr; })); // joined and gone
    const int replies = m_heard.Replies(0, kF0);
    Advance(kIdlePeriodMs + 1);
    ASSERT_TRUE(Pump([&] { return m_heard.Replies(0, kF0) == replies + 1; }));
    m_controller.StopRecovery();
    EXPECT_FALSE(m_controller.RecoveryPending());
}

} // namespace
} // namespace zr
