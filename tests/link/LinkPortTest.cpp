#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LinkFixture.h"

namespace zr::test {
namespace {

using LinkPort = LinkFixture;

TEST_F(LinkPort, OpenCloseResultCodes)
{
    StartLink();
    EXPECT_EQ(m_link->Open(m_sim->PortPath(), SerialSettings{}), 2);
    EXPECT_EQ(m_link->Close(), 0);
    EXPECT_EQ(m_link->Close(), 2);
    Expect(LinkEventType::LinkClosed);

    CReceiverLink missing(&m_queue);
    EXPECT_EQ(missing.Open("/dev/zrq6930-no-such-port", SerialSettings{}), 1);
    EXPECT_EQ(missing.Close(), 2);
    CReceiverLink notTty(&m_queue);
    EXPECT_EQ(notTty.Open("/dev/null", SerialSettings{}), 1);
}

TEST_F(LinkPort, EveryWriteIsA32ByteBlockAndIsLogged)
{
    StartLink();
    CommandDesc f5 = MakeF5(3);
    EXPECT_EQ(m_link->SendRequest(f5), 0);
    ASSERT_TRUE(WaitUntil([&] { return m_sim->RequestCount("F5") == 1; }));
    uint8_t frame[kRequestBufferSize] = {};
    const int length = BuildRequest(f5, frame);
    EXPECT_EQ(SendLogText(-1, frame, length, 32), "No.-1 Send: F53 (Write=6 Written=32)\n");
    EXPECT_EQ(SendLogText(2, frame, length, -1), "No.2 Send: F53 (Write=6 Written=0)\n");
    // The simulator saw one F5 request and nothing from the zero padding.
    EXPECT_EQ(m_sim->RequestLog(), (std::vector<std::string>{"F53"}));

    m_link->Close();
    Expect(LinkEventType::LinkClosed);
    EXPECT_EQ(m_link->SendRequest(f5), 1);
}

TEST_F(LinkPort, CloseWakesABlockedReaderAtOnce)
{
    StartLink();
    const auto start = std::chrono::steady_clock::now();
    m_link->Close();
    Expect(LinkEventType::LinkClosed, std::chrono::seconds(5));
    m_link->JoinReadThread();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST_F(LinkPort, FramesThatFailValidationAreStillStored)
{
    sim::SimReceiverConfig cfg = sim::DefaultConfig(0);
    cfg.faults.corruptChecksum = true;
    StartLink(cfg);
    EXPECT_EQ(m_link->SendRequest(MakeCommand(kF0)), 0);
    ASSERT_TRUE(WaitUntil([&] { return m_link->LastHeader().kind == kF0; }));
    EXPECT_EQ(m_link->LastHeader().status, 1);
    EXPECT_EQ(m_link->Reply(kF0)[0], 'F'); // overwritten whatever the status
}

// A link's messages name it by an id no later link takes, even one made at
// the same address once it is gone.
TEST(LinkId, NoTwoLinksOfAProcessShareTheirId)
{
    CLinkEventQueue queue;
    std::vector<uintptr_t> ids;
    for (int i = 0; i < 3; ++i) {
        auto link = std::make_unique<CReceiverLink>(&queue);
        ids.push_back(link->Id());
    }
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(std::unique(ids.begin(), ids.end()), ids.end());
    EXPECT_NE(ids.front(), 0u);
}

} // namespace
} // namespace zr::test
