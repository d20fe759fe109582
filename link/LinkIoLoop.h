#pragma once
// One thread that reads every link's port and runs their polls (on systems
// that wait on many ports at once). Sixteen receivers polled ten times a
// second then cost a wake-up of one thread for the replies that came
// together, not two wake-ups of each link's own thread per poll.
#ifndef _WIN32
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zr {

class CReceiverLink;

class CLinkIoLoop {
public:
    // The loop of this process; its thread starts with the first link.
    static CLinkIoLoop& Instance();
    ~CLinkIoLoop();

    // Serves `link` from now on; false (and `error` set) when the loop's
    // thread cannot be had.
    bool Add(CReceiverLink* link, std::string& error);
    // Any thread: the loop looks at every link's stop, trigger and deadline.
    void Wake();
    // After the link's stop was asked for: returns once the loop has let it
    // go (its port closed, its LinkClosed posted). At once for a link it
    // does not serve.
    void WaitReleased(const CReceiverLink* link);

private:
    CLinkIoLoop();
    void Run();
    // The loop's thread: the link's port is no longer waited on.
    void Forget(CReceiverLink* link);

    std::mutex m_mutex;
    std::condition_variable m_released;
    std::vector<CReceiverLink*> m_links;
    std::thread m_thread;
    bool m_stop = false;
    int m_wakeFd = -1;
    // The ports with a line, and the wake: asked what is ready without
    // going through every port at every wake-up.
    int m_epollFd = -1;
};

} // namespace zr
#endif
