#pragma once
// A link and the queue its messages go to, whatever it is opened on.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "link/AppMessages.h"
#include "link/MessageQueue.h"
#include "link/ReceiverLink.h"

namespace zr::test {

class LinkMessages : public ::testing::Test {
protected:
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
        EXPECT_EQ(m.wParam, m_link->Id());
        m_link->JoinIdentification();
        return m.lParam;
    }

    CMessageQueue m_queue;
    std::unique_ptr<CReceiverLink> m_link;
};

} // namespace zr::test
