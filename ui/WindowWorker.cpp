#include "ui/WindowWorker.h"

#include <system_error>

#include "ui/UiThreadQueue.h"

namespace zr {

bool CWindowWorker::Start(std::function<void()> work)
{
    if (m_running.exchange(true))
        return false;
    if (m_thread.joinable())
        m_thread.join(); // the previous one has finished
    try {
        m_thread = std::thread([this, work = std::move(work)] {
            work();
            m_running = false;
            m_owner->Wake();
        });
    } catch (const std::system_error&) {
        m_running = false; // no thread to be had: nothing started
        return false;
    }
    return true;
}

bool CWindowWorker::StartLoad(std::function<std::function<void()>()> decode)
{
    return Start([this, decode = std::move(decode)] {
        std::function<void()> apply = decode();
        if (apply)
            m_owner->RunAndWait(apply);
    });
}

void CWindowWorker::Join()
{
    m_owner->ServeUntil([this] { return !m_running.load(); });
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace zr
