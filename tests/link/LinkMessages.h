#pragma once
// A link and the queue its events go to, whatever it is opened on.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "link/LinkEventQueue.h"
#include "link/ReceiverLink.h"

namespace zr::test {

class LinkMessages : public ::testing::Test {
protected:
    // The next event of this type (others are dropped); fails the test on a hang.
    LinkEvent Expect(LinkEventType type, std::chrono::milliseconds timeout = std::chrono::seconds(10))
    {
        auto e = m_queue.WaitFor([type](const LinkEvent& a) { return a.type == type; }, timeout);
        EXPECT_TRUE(e.has_value()) << "no event " << static_cast<int>(type);
        return e.value_or(LinkEvent{});
    }
    // The next one-shot result, which must be `acknowledged` or not.
    LinkEvent ExpectOneShot(bool acknowledged)
    {
        LinkEvent e = Expect(LinkEventType::OneShotResult);
        EXPECT_EQ(e.ok, acknowledged);
        return e;
    }
    // Identification; 0 identified, 1 not.
    intptr_t Identify()
    {
        m_link->StartIdentification();
        LinkEvent e = Expect(LinkEventType::IdentifyDone);
        EXPECT_EQ(e.link, m_link->Id());
        m_link->JoinIdentification();
        return e.ok ? 0 : 1;
    }

    CLinkEventQueue m_queue;
    std::unique_ptr<CReceiverLink> m_link;
};

} // namespace zr::test
