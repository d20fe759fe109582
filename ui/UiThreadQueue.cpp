#include "ui/UiThreadQueue.h"

#include <QCoreApplication>
#include <QEvent>
#include <QSocketNotifier>
#include <QThread>
#include <chrono>
#include <utility>


#ifdef __linux__
#include <sys/eventfd.h>
#include <unistd.h>
#endif

namespace zr {

namespace {
const QEvent::Type kWakeEvent = static_cast<QEvent::Type>(QEvent::registerEventType());
}

CUiThreadQueue::CUiThreadQueue(QObject* parent) : QObject(parent)
{
#ifdef __linux__
    m_wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_wakeFd >= 0) {
        m_notifier = new QSocketNotifier(m_wakeFd, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &CUiThreadQueue::Drain);
    }
#endif
}

CUiThreadQueue::~CUiThreadQueue()
{
    delete m_notifier;
#ifdef __linux__
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
#endif
}

void CUiThreadQueue::Enqueue(std::function<void()> task)
{
    bool wake;
    {
        std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(task));
        wake = !std::exchange(m_wakePending, true);
    }
    Notify(wake);
}

void CUiThreadQueue::EnqueueAll(std::vector<std::function<void()>> tasks)
{
    bool wake;
    {
        std::lock_guard lock(m_mutex);
        for (auto& task : tasks)
            m_tasks.push_back(std::move(task));
        wake = !std::exchange(m_wakePending, true);
    }
    Notify(wake);
}

void CUiThreadQueue::Notify(bool wakeThread)
{
    m_changed.notify_all();
    if (!wakeThread)
        return; // a wake-up is on its way and the drain takes everything
#ifdef __linux__
    if (m_wakeFd >= 0) {
        const uint64_t one = 1;
        (void)!::write(m_wakeFd, &one, sizeof one);
        return;
    }
#endif
    QCoreApplication::postEvent(this, new QEvent(kWakeEvent));
}

bool CUiThreadQueue::event(QEvent* e)
{
    if (e->type() == kWakeEvent) {
        Drain();
        return true;
    }
    return QObject::event(e);
}

void CUiThreadQueue::Drain()
{
#ifdef __linux__
    if (m_wakeFd >= 0) {
        uint64_t count;
        (void)!::read(m_wakeFd, &count, sizeof count);
    }
#endif
    for (;;) {
        std::function<void()> task;
        {
            std::lock_guard lock(m_mutex);
            if (m_tasks.empty()) {
                m_wakePending = false;
                return;
            }
            task = std::move(m_tasks.front());
            m_tasks.pop_front();
        }
        task(); // may open a message box and so run this loop again: each task runs once
    }
}

void CUiThreadQueue::Wake()
{
    std::lock_guard lock(m_mutex);
    m_changed.notify_all();
}

void CUiThreadQueue::ServeUntil(const std::function<bool()>& finished)
{
    while (!finished()) {
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait_for(lock, std::chrono::milliseconds(10), [this] { return !m_tasks.empty(); });
        }
        Drain();
    }
}

std::function<void()> CUiThreadQueue::HandlerTask(const LinkEvent& event)
{
    return [this, event] {
        if (m_linkHandler)
            m_linkHandler(event);
    };
}

void CUiThreadQueue::Post(const LinkEvent& event)
{
    Enqueue(HandlerTask(event));
}

void CUiThreadQueue::PostAll(const std::vector<LinkEvent>& events)
{
    // One task per event: a handler that opens a message box runs the
    // queue again, and what follows must still come in order.
    std::vector<std::function<void()>> tasks;
    tasks.reserve(events.size());
    for (const LinkEvent& e : events)
        tasks.push_back(HandlerTask(e));
    EnqueueAll(std::move(tasks));
}

void CUiThreadQueue::PostTask(std::function<void()> task)
{
    Enqueue(std::move(task));
}

void CUiThreadQueue::RunAndWait(const std::function<void()>& fn)
{
    if (QThread::currentThread() == thread()) {
        fn();
        return;
    }
    struct Done {
        std::mutex mutex;
        std::condition_variable cv;
        bool done = false;
    };
    auto done = std::make_shared<Done>();
    Enqueue([done, &fn] {
        fn();
        std::lock_guard lock(done->mutex);
        done->done = true;
        done->cv.notify_one();
    });
    std::unique_lock lock(done->mutex);
    done->cv.wait(lock, [&] { return done->done; });
}

} // namespace zr
