#pragma once
// The GUI side of the owner interface. Worker threads hand messages over
// through a mutex-guarded queue; the user-interface thread is woken (an
// eventfd on Linux, a posted event elsewhere) and runs the handler for each
// message in order. Sent messages wait until their handler has run. The
// hand-over is plain std::mutex and condition variable, so the thread
// sanitizer sees it.
#include <QObject>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "link/Owner.h"

class QSocketNotifier;

namespace zr {

class CQtMessageOwner : public QObject, public IMessageOwner {
    Q_OBJECT
public:
    using Handler = std::function<intptr_t(uint32_t, uintptr_t, intptr_t)>;
    // Lives on the thread that creates it; the handler runs there.
    explicit CQtMessageOwner(Handler handler, QObject* parent = nullptr);
    ~CQtMessageOwner() override;

    void Post(uint32_t msg, uintptr_t wParam, intptr_t lParam) override;
    intptr_t Send(uint32_t msg, uintptr_t wParam, intptr_t lParam) override;
    // Runs `fn` on the owner's thread and waits for it.
    void RunAndWait(const std::function<void()>& fn);
    // On the owner's thread: runs queued messages and tasks, and nothing else,
    // until `finished` holds (checked after every Wake and at least every 10 ms).
    void ServeUntil(const std::function<bool()>& finished);
    // Thread-safe: makes a ServeUntil look at its condition again.
    void Wake();

protected:
    bool event(QEvent* e) override;

private:
    void Enqueue(std::function<void()> task);
    void Drain();

    Handler m_handler;
    std::mutex m_mutex;
    std::deque<std::function<void()>> m_tasks;
    std::condition_variable m_changed;
    bool m_wakePending = false;
    int m_wakeFd = -1;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace zr
