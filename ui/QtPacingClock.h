#pragma once
// The receiver controller's pacing clock in a window: the wake-up is a
// precise single-shot timer of the event loop.
#include <QTimer>
#include <functional>

#include "link/ReceiverController.h"

namespace zr {

class CQtPacingClock : public IPacingClock {
public:
    explicit CQtPacingClock(std::function<void()> onWake)
    {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, std::move(onWake));
    }
    int64_t Now() override { return PacingNow(); }
    void WakeIn(int64_t wait) override
    {
        if (wait < 0) {
            m_timer.stop();
            return;
        }
        const int ms = static_cast<int>(std::max<int64_t>(1, (wait + 9999) / 10000));
        // An earlier wake-up already set stays: it finds nothing due and asks
        // again, which costs less than restarting the timer at every change.
        if (m_timer.isActive() && m_timer.remainingTime() <= ms)
            return;
        m_timer.start(ms);
    }

private:
    QTimer m_timer;
};

} // namespace zr
