#pragma once
// End-to-end fixture for the main window: simulated receivers found through
// ZRQ6930_PORTS, a log folder of its own, and scripted message boxes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QStringList>
#include <deque>
#include <memory>

#include "../TestUtil.h"
#include "PumpEvents.h"
#include "app/MainFrame.h"
#include "app/MaintenanceView.h"
#include "ui/MessageBox.h"
#include "sim/Simulator.h"

namespace zr::test {

class GuiFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetMessageBoxHandler([this](const MessageBoxRequest& r) {
            m_messages << r.text;
            if (r.buttons == MsgButtons::Ok)
                return MsgAnswer::Ok;
            if (m_answers.empty())
                return MsgAnswer::No;
            MsgAnswer a = m_answers.front();
            m_answers.pop_front();
            return a;
        });
    }
    void TearDown() override
    {
        m_frame.reset();
        m_sim.Stop();
        SetMessageBoxHandler(nullptr);
    }
    void StartReceivers(const std::vector<sim::SimReceiverConfig>& cfgs)
    {
        ASSERT_TRUE(m_sim.Start(cfgs));
        m_ports = std::make_unique<CEnvGuard>("ZRQ6930_PORTS", m_sim.PortList());
        m_frame = std::make_unique<CMainFrame>(false);
        m_frame->show();
    }
    CZRQ6930_MaintenanceView& View() { return *m_frame->View(); }
    QString Cell(int row, int column) { return View().Table()->CellText(row, column); }
    void Connect(int expectedRows)
    {
        View().ConnectButton()->click();
        ASSERT_TRUE(PumpUntil([&] { return View().ConnectState() == kConnected && View().Table()->rowCount() == expectedRows; }))
            << "state " << View().ConnectState() << " rows " << View().Table()->rowCount();
    }

    CTempDir m_logDir;
    CEnvGuard m_logEnv{"ZRQ6930_LOG_DIR", m_logDir.Path()};
    sim::CSimulator m_sim;
    std::unique_ptr<CEnvGuard> m_ports;
    std::unique_ptr<CMainFrame> m_frame;
    QStringList m_messages;
    std::deque<MsgAnswer> m_answers;
};

} // namespace zr::test
