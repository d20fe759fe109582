#pragma once
// The scan windows' wait for the receiver to confirm a start: ten 100 ms
// ticks; the 11th without a confirmation means the start failed.
#include <QBasicTimer>
#include <QTimerEvent>
#include <QWidget>

#include "link/ToolFacts.h"
#include "ui/MessageBox.h"

namespace zr {

class CStartWait {
public:
    void Begin(QObject* timerOwner)
    {
        m_countdown = kTicks;
        m_timer.start(kTickMs, timerOwner);
    }
    // A timer event: false when it is not this wait's. `timedOut` is set on
    // the tick that ends the wait unconfirmed.
    bool Waiting() const { return m_timer.isActive(); }
    bool OnTimer(int timerId, bool confirmed, bool& timedOut)
    {
        timedOut = false;
        if (timerId != m_timer.timerId())
            return false;
        // A confirmation is one whenever it came, the last tick's included:
        // the wait never reports a failed start the receiver confirmed.
        if (confirmed) {
            m_timer.stop();
            return true;
        }
        if (m_countdown > 0) {
            --m_countdown;
            return true;
        }
        m_timer.stop();
        timedOut = true;
        return true;
    }

    // The scan windows' timer events: false when `e` is another timer's. When
    // the wait ends unconfirmed, the user is told and `timedOut` is set for
    // the window to go back to its idle look.
    bool OnTimerEvent(QTimerEvent* e, bool confirmed, QWidget* window, bool& timedOut)
    {
        if (!OnTimer(e->timerId(), confirmed, timedOut))
            return false;
        if (timedOut)
            ShowMessage(window, kCannotStartScanningText);
        return true;
    }

private:
    static constexpr int kTicks = 10;
    static constexpr int kTickMs = 100;
    QBasicTimer m_timer;
    int m_countdown = 0;
};

} // namespace zr
