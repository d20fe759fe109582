#pragma once
// A link opened on a simulated receiver, with its messages in a queue.
#include <gtest/gtest.h>

#include <memory>

#include "../TestUtil.h"
#include "link/AppMessages.h"
#include "link/Commands.h"
#include "link/MessageQueue.h"
#include "link/ReceiverLink.h"
#include "sim/SimReceiver.h"

namespace zr::test {

class LinkFixture : public ::testing::Test {
protected:
    void StartLink(sim::SimReceiverConfig cfg = sim::DefaultConfig(0))
    {
        m_sim = std::make_unique<sim::CSimReceiver>(cfg);
        ASSERT_TRUE(m_sim->Start());
        m_link = std::make_unique<CReceiverLink>(&m_queue);
        ASSERT_EQ(m_link->Open(m_sim->PortPath(), SerialSettings{}), 0);
    }
    void TearDown() override
    {
        m_link.reset();
        if (m_sim)
            m_sim->Stop();
    }
    // The next message of this kind (others are dropped); fails the test on a hang.
    AppMessage Expect(uint32_t msg, std::chrono::milliseconds timeout = std::chrono::seconds(10))
    {
        auto m = m_queue.WaitFor([msg](const AppMessage& a) { return a.msg == msg; }, timeout);
        EXPECT_TRUE(m.has_value()) << "no message 0x" << std::hex << msg;
        return m.value_or(AppMessage{});
    }
    // Identification; returns IDENTIFY_DONE's lParam.
    intptr_t Identify()
    {
        m_link->StartIdentification();
        AppMessage m = Expect(WM_APP_IDENTIFY_DONE);
        EXPECT_EQ(m.wParam, reinterpret_cast<uintptr_t>(m_link.get()));
        m_link->JoinIdentification();
        return m.lParam;
    }
    // One poll. The poll thread drops a trigger that arrives before it has
    // finished the previous poll, so trigger again until one is taken.
    AppMessage Poll()
    {
        for (int attempt = 0; attempt < 30; ++attempt) {
            m_link->TriggerPoll();
            auto m = m_queue.WaitFor([](const AppMessage& a) { return a.msg == WM_APP_POLL_REPLY || a.msg == WM_APP_POLL_FAILED; },
                                     std::chrono::milliseconds(500));
            if (m)
                return *m;
        }
        ADD_FAILURE() << "no poll result";
        return {};
    }

    CMessageQueue m_queue;
    std::unique_ptr<sim::CSimReceiver> m_sim;
    std::unique_ptr<CReceiverLink> m_link;
};

} // namespace zr::test
