// The scan windows' wait for a start's confirmation, tick by tick.
#include <gtest/gtest.h>

#include <QObject>
#include <QTimerEvent>

#include "../app/GuiFixture.h"
#include "scan/StartWait.h"

namespace zr::test {
namespace {

// A timer owner that answers each tick as the scan windows do, with the
// confirmation arriving before the given tick (0: never).
class CWaiter : public QObject {
public:
    explicit CWaiter(int confirmedBeforeTick) : m_confirmedBefore(confirmedBeforeTick) { m_wait.Begin(this); }
    int ticks = 0;
    bool timedOut = false;
    bool Waiting() const { return m_wait.Waiting(); }

protected:
    void timerEvent(QTimerEvent* e) override
    {
        ++ticks;
        bool out = false;
        if (m_wait.OnTimer(e->timerId(), m_confirmedBefore > 0 && ticks >= m_confirmedBefore, out))
            timedOut = timedOut || out;
    }

private:
    CStartWait m_wait;
    int m_confirmedBefore;
};

TEST(StartWait, TenTicksForAConfirmationTheEleventhFails)
{
    struct Case {
        int confirmedBeforeTick;
        int ticks;
        bool timedOut;
    };
    const Case cases[] = {
        {1, 1, false},   // at once
        {10, 10, false}, // on the tenth tick
        {11, 11, false}, // after the tenth tick, before the eleventh looks: still a start
        {0, 11, true},   // never: the eleventh tick fails it
    };
    for (const Case& c : cases) {
        CWaiter waiter(c.confirmedBeforeTick);
        ASSERT_TRUE(PumpUntil([&] { return !waiter.Waiting(); }, std::chrono::milliseconds(3000))) << c.confirmedBeforeTick;
        EXPECT_EQ(waiter.ticks, c.ticks) << c.confirmedBeforeTick;
        EXPECT_EQ(waiter.timedOut, c.timedOut) << c.confirmedBeforeTick;
    }
}

} // namespace
} // namespace zr::test
