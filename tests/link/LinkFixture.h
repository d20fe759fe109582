#pragma once
// A link opened on a simulated receiver, with its messages in a queue.
#include <gtest/gtest.h>

#include <memory>

#include "../TestUtil.h"
#include "LinkMessages.h"
#include "link/Commands.h"
#include "sim/SimReceiver.h"

namespace zr::test {

class LinkFixture : public LinkMessages {
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
    // One poll. The reader drops a trigger that arrives before it has
    // finished the previous poll, so trigger again until one is taken.
    LinkEvent Poll()
    {
        for (int attempt = 0; attempt < 30; ++attempt) {
            m_link->TriggerPoll();
            auto m = m_queue.WaitFor([](const LinkEvent& a) { return a.type == LinkEventType::PollReply || a.type == LinkEventType::PollFailed; },
                                     std::chrono::milliseconds(500));
            if (m)
                return *m;
        }
        ADD_FAILURE() << "no poll result";
        return {};
    }

    std::unique_ptr<sim::CSimReceiver> m_sim;
};

} // namespace zr::test
