#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <map>
#include <thread>
#include <string>
#include <vector>

#include "LinkFixture.h"
#include "link/ReceiverRow.h"
#include "sim/Simulator.h"

namespace zr::test {
namespace {

class Polling : public LinkFixture {
protected:
    void StartPolling(sim::SimReceiverConfig cfg = sim::DefaultConfig(0))
    {
        StartLink(cfg);
        ASSERT_EQ(Identify(), 0);
        m_link->StartPolling();
        m_base = m_sim->RequestLog().size();
    }
    std::vector<std::string> Sent() const
    {
        auto log = m_sim->RequestLog();
        return {log.begin() + static_cast<long>(m_base), log.end()};
    }
    std::size_t m_base = 0;
};

TEST_F(Polling, DefaultPollIsF0AndRepliesArePosted)
{
    StartPolling();
    LinkEvent m = Poll();
    EXPECT_EQ(m.type, LinkEventType::PollReply);
    EXPECT_EQ(m.kind, kF0);
    EXPECT_EQ(m.link, m_link->Id());
    m_link->SetPollCommand(MakeCommand(kF4));
    EXPECT_EQ(Poll().kind, kF4);
    EXPECT_EQ(Sent(), (std::vector<std::string>{"F0", "F4"}));
}

TEST_F(Polling, BusyReasonFiveCountsAsAnsweredAndMarksTheState)
{
    sim::SimReceiverConfig cfg = sim::DefaultConfig(0);
    StartPolling(cfg);
    m_link->SetPollCommand(MakeCommand(kF4));
    EXPECT_EQ(Poll().type, LinkEventType::PollReply); // a regular F4 reply first
    EXPECT_NE(m_link->Reply(kF4)[0], 0);
    sim::SimFaults busy;
    busy.busyCodes = "F4";
    m_sim->SetFaults(busy);
    LinkEvent m = Poll();
    EXPECT_EQ(m.type, LinkEventType::PollReply);
    EXPECT_EQ(m.kind, kF4);
    EXPECT_EQ(m_link->Reply(kF0)[2], '5');
    const ReplySlot zero{};
    EXPECT_EQ(m_link->Reply(kF4), zero);
    EXPECT_EQ(Sent().size(), 2u); // answered at once, no retries
}

TEST_F(Polling, OtherRejectionsAndSilenceFailThePoll)
{
    StartPolling();
    sim::SimFaults f;
    f.rejectCode = "F0";
    f.rejectReason = "03";
    m_sim->SetFaults(f);
    EXPECT_EQ(Poll().type, LinkEventType::PollFailed);
    EXPECT_EQ(Sent().size(), 1u); // any reason but 8 and 4 ends at once

    f = {};
    f.silent = true;
    m_sim->SetFaults(f);
    EXPECT_EQ(Poll().type, LinkEventType::PollFailed);
    EXPECT_EQ(Sent().size(), 4u); // three attempts
}

TEST_F(Polling, FbsRingSendsF0EveryFifthPollAndTheFiltersInTurn)
{
    StartPolling();
    std::vector<CommandDesc> filters;
    for (int n = 1; n <= 7; ++n)
        filters.push_back(MakeF5(n));
    std::vector<const CommandDesc*> pool;
    for (auto& f : filters)
        pool.push_back(&f);
    const CommandDesc f0 = MakeCommand(kF0);
    m_link->SetRotationPool(pool);
    m_link->SetPollRing(&f0);
    EXPECT_EQ(m_link->SendRingKinds(), (std::vector<int>{kF0, kF5, kF5, kF5, kF5}));
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(Poll().type, LinkEventType::PollReply);
    EXPECT_EQ(Sent(), (std::vector<std::string>{"F0", "F51", "F52", "F53", "F54", "F0", "F55", "F56", "F57", "F51", "F0", "F52"}));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(m_link->FbsRecord(1).data()), 2), "F5");
    EXPECT_EQ(m_link->FbsRecord(3)[24], 0); // zero bytes after the 24 reply characters

    m_link->ClearSendRing();
    EXPECT_EQ(Poll().kind, kF0);
}

TEST_F(Polling, IdRingSendsNothingOnThreeOfFivePolls)
{
    StartPolling();
    const CommandDesc f0 = MakeCommand(kF0), f6 = MakeCommand(kF6);
    m_link->SetRotationPool({&f6});
    m_link->SetPollRing(&f0);
    // Seven polls: F0, F6, nothing, nothing, nothing, F0, F6.
    for (int i = 0; i < 7; ++i) {
        m_link->TriggerPoll();
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
    ASSERT_TRUE(WaitUntil([&] { return Sent().size() >= 4; }));
    EXPECT_EQ(Sent(), (std::vector<std::string>{"F0", "F6", "F0", "F6"}));
}

TEST_F(Polling, TriggersDuringATransactionAreDropped)
{
    sim::SimReceiverConfig cfg = sim::DefaultConfig(0);
    StartPolling(cfg);
    // A slow answer, so that every trigger falls inside the transaction even
    // on a loaded machine that pauses this thread between two of them.
    sim::SimFaults slow;
    slow.replyDelayMs = 200;
    m_sim->SetFaults(slow);
    m_link->WaitTimeoutMs = 1000; // the slow answer is still an answer
    for (int i = 0; i < 5; ++i)
        m_link->TriggerPoll();
    EXPECT_EQ(Expect(LinkEventType::PollReply).kind, kF0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(m_queue.WaitFor([](const LinkEvent& a) { return a.type == LinkEventType::PollReply; }, std::chrono::milliseconds(50)).has_value(), false);
    EXPECT_EQ(Sent().size(), 1u);
}

double CpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

TEST_F(Polling, HangUpInTheMiddleOfAPollFailsItWithoutSpinning)
{
    StartPolling();
    m_sim->HangUp();
    LinkEvent m = Poll();
    EXPECT_EQ(m.type, LinkEventType::PollFailed);
    const double before = CpuSeconds();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_LT(CpuSeconds() - before, 0.1); // the reader is not spinning
    EXPECT_EQ(m_link->Close(), 0);
    Expect(LinkEventType::LinkClosed);
}

// The reader overwrites a slot while another thread copies it: the copy
// is always one whole reply (and the thread sanitizer sees the store's lock).
TEST_F(Polling, ReplyCopiesNeverTearWhileFramesArrive)
{
    StartPolling();
    std::atomic<bool> stop{false};
    std::thread trigger([&] {
        while (!stop) {
            m_link->TriggerPoll();
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    char states[] = {'0', '4'};
    int reads = 0, torn = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(400);
    for (int i = 0; std::chrono::steady_clock::now() < end; ++i) {
        m_sim->SetState(states[i % 2]);
        const ReplySlot r = m_link->Reply(kF0);
        StateRecord rec{};
        m_link->CopyReply(rec.data(), kF0);
        torn += r[0] != 'F' || r[1] != '0' || rec[0] != 'F' || ReadField(r.data() + 5, 6, 10, -1) != 606250;
        ++reads;
    }
    stop = true;
    trigger.join();
    EXPECT_GT(reads, 100);
    EXPECT_EQ(torn, 0);
    EXPECT_GT(m_sim->RequestCount("F0"), 10);
}

TEST_F(Polling, OneShotCommandsAreAcknowledgedAndSerialisedWithPolls)
{
    StartPolling();
    m_link->StartOneShot(MakeC1(4));
    LinkEvent m = ExpectOneShot(true);
    EXPECT_EQ(m.kind, kC1);
    EXPECT_EQ(m_link->WaitTimeoutMs.load(), kOneShotWaitMs);
    EXPECT_EQ(m_sim->State(), '6');
    m_link->StartOneShot(MakeCommand(kC0)); // joins the finished thread first
    m_link->StartOneShot(MakeS1(606000, 636000, 125));
    EXPECT_EQ(ExpectOneShot(true).kind, kC0);
    EXPECT_EQ(ExpectOneShot(true).kind, kS1);
    EXPECT_EQ(Sent(), (std::vector<std::string>{"C14", "C0", "S1606000636000125"}));

    sim::SimFaults f;
    f.rejectCode = "S0";
    m_sim->SetFaults(f);
    m_link->StartOneShot(MakeCommand(kS0));
    EXPECT_EQ(ExpectOneShot(false).kind, kS0);
}

// Links share one reader. Triggers from other threads race its every turn;
// a wake lost on the way would leave a closing link waiting for ever, so
// each link must still close at once after the storm.
TEST(SharedReader, WakesAreNeverLostWhileTriggersRaceItsTurns)
{
    sim::CSimulator sims;
    ASSERT_TRUE(sims.Start(4));
    for (int round = 0; round < 5; ++round) {
        CLinkEventQueue queue;
        std::vector<std::unique_ptr<CReceiverLink>> links;
        for (const std::string& port : sims.PortPaths()) {
            links.push_back(std::make_unique<CReceiverLink>(&queue));
            ASSERT_EQ(links.back()->Open(port, SerialSettings{}), 0);
            links.back()->StartPolling();
        }
        std::atomic<bool> stop{false};
        std::vector<std::thread> triggers;
        for (int t = 0; t < 2; ++t)
            triggers.emplace_back([&] {
                while (!stop)
                    for (auto& link : links)
                        link->TriggerPoll();
            });
        ASSERT_TRUE(WaitUntil([&] { return queue.Size() >= 40; }));
        stop = true;
        for (std::thread& t : triggers)
            t.join();
        for (auto& link : links) {
            EXPECT_EQ(link->Close(), 0);
            link->JoinReadThread(); // hangs if the reader never hears of the close
        }
    }
}

// One trigger for links of two owners: the reader hands each owner its own
// replies, and a link's LinkClosed is already queued when its join returns.
TEST(SharedReader, EachOwnerGetsItsLinksRepliesAndTheCloseBeforeTheJoinReturns)
{
    sim::CSimulator sims;
    ASSERT_TRUE(sims.Start(4));
    CLinkEventQueue owners[2];
    std::vector<std::unique_ptr<CReceiverLink>> links;
    for (std::size_t i = 0; i < 4; ++i) {
        links.push_back(std::make_unique<CReceiverLink>(&owners[i / 2]));
        ASSERT_EQ(links.back()->Open(sims.PortPaths()[i], SerialSettings{}), 0);
        links.back()->StartPolling();
    }
    std::vector<CReceiverLink*> all;
    for (auto& link : links)
        all.push_back(link.get());
    constexpr std::size_t kTicks = 5;
    for (std::size_t tick = 1; tick <= kTicks; ++tick) {
        CReceiverLink::TriggerPolls(all);
        ASSERT_TRUE(WaitUntil([&] { return owners[0].Size() == 2 * tick && owners[1].Size() == 2 * tick; }));
    }
    for (auto& link : links) {
        EXPECT_EQ(link->Close(), 0);
        link->JoinReadThread();
    }
    for (std::size_t o = 0; o < 2; ++o) {
        std::map<LinkId, std::vector<LinkEventType>> seen;
        while (const auto e = owners[o].TryTake())
            seen[e->link].push_back(e->type);
        ASSERT_EQ(seen.size(), 2u) << "owner " << o;
        for (std::size_t i = 2 * o; i < 2 * o + 2; ++i) {
            std::vector<LinkEventType> expected(kTicks, LinkEventType::PollReply);
            expected.push_back(LinkEventType::LinkClosed);
            EXPECT_EQ(seen[links[i]->Id()], expected) << "link " << i;
        }
    }
}

} // namespace
} // namespace zr::test
