#include <gtest/gtest.h>

#include <QThread>
#include <atomic>
#include <thread>

#include "ui/UiThreadQueue.h"
#include "ui/WindowWorker.h"

namespace zr {
namespace {

// The loader pattern: decode away from the window, apply on its thread, and a
// join that serves what the worker waits for instead of deadlocking.
TEST(WindowWorker, DecodesOnTheWorkerAppliesOnTheWindowThreadAndJoinsInOrder)
{
    std::atomic<int> sent{0};
    CUiThreadQueue owner;
    QThread* windowThread = QThread::currentThread();
    std::atomic<bool> release{false};
    QThread* decodedOn = nullptr;
    QThread* appliedOn = nullptr;
    int applied = 0;
    {
        CWindowWorker worker(&owner);
        ASSERT_TRUE(worker.StartLoad([&]() -> std::function<void()> {
            decodedOn = QThread::currentThread();
            owner.RunAndWait([&] { ++sent; }); // a progress notification the window thread must serve
            while (!release)
                std::this_thread::yield();
            return [&] {
                appliedOn = QThread::currentThread();
                applied = 42;
            };
        }));
        EXPECT_FALSE(worker.Start([] {})); // one at a time
        release = true;
        // The worker goes with the window while it still waits on it.
    }
    EXPECT_EQ(sent.load(), 1);
    EXPECT_EQ(applied, 42);
    EXPECT_NE(decodedOn, windowThread);
    EXPECT_EQ(appliedOn, windowThread);
}

} // namespace
} // namespace zr
