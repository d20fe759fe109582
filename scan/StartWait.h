#pragma once
// The scan windows' wait for the receiver to confirm a start: ten 100 ms
// ticks; the 11th without a confirmation means the start failed.
#include <QBasicTimer>

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
    bool OnTimer(int timerId, bool confirmed, bool& timedOut)
    {
        timedOut = false;
        if (timerId != m_timer.timerId())
            return false;
        if (m_countdown > 0) {
            --m_countdown;
            if (confirmed)
                m_timer.stop();
            return true;
        }
        m_timer.stop();
        timedOut = true;
        return true;
    }

private:
    static constexpr int kTicks = 10;
    static constexpr int kTickMs = 100;
    QBasicTimer m_timer;
    int m_countdown = 0;
};

} // namespace zr
