#pragma once
// A window's worker thread (a log loader, a conversion): the work runs on its
// own thread and reaches the window only through the user-interface queue (sent
// notifications, message boxes, the result applied on the user-interface
// thread). Join waits for it in order, serving just what the worker hands to
// the user-interface thread meanwhile, so a window can go away while its
// worker waits on it, without spinning the whole event loop.
#include <atomic>
#include <functional>
#include <thread>

namespace zr {

class CUiThreadQueue;

class CWindowWorker {
public:
    explicit CWindowWorker(CUiThreadQueue* owner) : m_owner(owner) {}
    ~CWindowWorker() { Join(); }
    CWindowWorker(const CWindowWorker&) = delete;
    CWindowWorker& operator=(const CWindowWorker&) = delete;

    // Starts `work`; false (and nothing started) while a worker still runs.
    bool Start(std::function<void()> work);
    // The loader pattern: `decode` runs on the worker, the function it returns
    // runs on the user-interface thread before the worker ends.
    bool StartLoad(std::function<std::function<void()>()> decode);
    bool Running() const { return m_running.load(); }
    void Join();

private:
    CUiThreadQueue* m_owner;
    std::thread m_thread;
    std::atomic<bool> m_running{false};
};

} // namespace zr
