#pragma once
// Runs a function on the thread of `target` and waits for it to finish. The
// hand-over uses a standard mutex and condition variable, so the ordering is
// visible to the thread sanitizer (Qt's blocking queued call is not).
#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace zr {

inline void BlockingCall(QObject* target, const std::function<void()>& fn)
{
    if (QThread::currentThread() == target->thread()) {
        fn();
        return;
    }
    struct Done {
        std::mutex mutex;
        std::condition_variable cv;
        bool done = false;
    };
    auto done = std::make_shared<Done>();
    QMetaObject::invokeMethod(
        target,
        [done, &fn] {
            fn();
            std::lock_guard lock(done->mutex);
            done->done = true;
            done->cv.notify_one();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(done->mutex);
    done->cv.wait(lock, [&] { return done->done; });
}

} // namespace zr
