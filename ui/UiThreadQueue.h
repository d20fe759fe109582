#pragma once
// Work handed to the user-interface thread: link events and tasks from worker
// threads go through one mutex-guarded queue; the user-interface thread is
// woken (an eventfd on Linux, a posted event elsewhere) and runs them in the
// order they came. RunAndWait waits until its task has run. The hand-over is
// plain std::mutex and condition variable, so the thread sanitizer sees it.
#include <QObject>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "link/LinkEvents.h"

class QSocketNotifier;

namespace zr {

class CUiThreadQueue : public QObject, public ILinkEventSink {
    Q_OBJECT
public:
    using LinkEventHandler = std::function<void(const LinkEvent&)>;
    // Lives on the thread that creates it; everything queued runs there.
    explicit CUiThreadQueue(QObject* parent = nullptr);
    ~CUiThreadQueue() override;

    // Where link events go; without a handler they are dropped.
    void SetLinkEventHandler(LinkEventHandler handler) { m_linkHandler = std::move(handler); }
    void Post(const LinkEvent& event) override;
    void PostAll(const std::vector<LinkEvent>& events) override;
    // Any thread: `task` runs on the queue's thread, after what came before.
    void PostTask(std::function<void()> task);
    // Runs `fn` on the queue's thread and waits for it.
    void RunAndWait(const std::function<void()>& fn);
    // On the queue's thread: runs queued events and tasks, and nothing else,
    // until `finished` holds (checked after every Wake and at least every 10 ms).
    void ServeUntil(const std::function<bool()>& finished);
    // Thread-safe: makes a ServeUntil look at its condition again.
    void Wake();

protected:
    bool event(QEvent* e) override;

private:
    void Enqueue(std::function<void()> task);
    // The tasks in order, with one wake-up of the queue's thread.
    void EnqueueAll(std::vector<std::function<void()>> tasks);
    // After adding: wakes ServeUntil, and the thread unless a wake-up is pending.
    void Notify(bool wakeThread);
    std::function<void()> HandlerTask(const LinkEvent& event);
    void Drain();

    LinkEventHandler m_linkHandler;
    std::mutex m_mutex;
    std::deque<std::function<void()>> m_tasks;
    std::condition_variable m_changed;
    bool m_wakePending = false;
    int m_wakeFd = -1;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace zr
