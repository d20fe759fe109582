#include "link/LinkIoLoop.h"

#ifndef _WIN32
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "link/ReceiverLink.h"

namespace zr {

CLinkIoLoop& CLinkIoLoop::Instance()
{
    static CLinkIoLoop loop;
    return loop;
}

CLinkIoLoop::CLinkIoLoop() : m_wakeFd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

CLinkIoLoop::~CLinkIoLoop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    Wake();
    if (m_thread.joinable())
        m_thread.join();
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

bool CLinkIoLoop::Add(CReceiverLink* link, std::string& error)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_wakeFd < 0) {
            error = "cannot start reading: no event descriptor to be had";
            return false;
        }
        if (!m_thread.joinable()) {
            try {
                m_thread = std::thread([this] { Run(); });
            } catch (const std::system_error& e) {
                error = std::string("cannot start a thread: ") + e.code().message();
                return false;
            }
        }
        m_links.push_back(link);
    }
    Wake();
    return true;
}

void CLinkIoLoop::Wake()
{
    if (m_wakePending.exchange(true))
        return;
    const uint64_t one = 1;
    (void)!::write(m_wakeFd, &one, sizeof one);
}

void CLinkIoLoop::WaitReleased(const CReceiverLink* link)
{
    std::unique_lock lock(m_mutex);
    m_released.wait(lock, [&] { return std::find(m_links.begin(), m_links.end(), link) == m_links.end(); });
}

void CLinkIoLoop::Run()
{
    std::vector<CReceiverLink*> links;
    std::vector<pollfd> fds;
    uint8_t buf[1024];
    for (;;) {
        {
            std::lock_guard lock(m_mutex);
            if (m_stop)
                return;
            links = m_links;
        }
        // Every port that still has a line, the wake, and the nearest
        // deadline of a poll under way.
        fds.assign(1, pollfd{m_wakeFd, POLLIN, 0});
        int timeout = -1;
        for (CReceiverLink* link : links) {
            fds.push_back(pollfd{link->m_lineGone ? -1 : link->m_port.Descriptor(), POLLIN, 0});
            const int wait = link->m_readStop ? 0 : link->ReadWaitMs();
            if (wait >= 0 && (timeout < 0 || wait < timeout))
                timeout = wait;
        }
        if (::poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR)
            continue; // nothing else to wait with: the deadlines still hold
        // Cleared before the links are looked at: whatever a wake after this
        // asks for is either seen below or wakes the loop again.
        m_wakePending = false;
        if (fds[0].revents & POLLIN) {
            uint64_t count;
            (void)!::read(m_wakeFd, &count, sizeof count);
        }
        for (std::size_t i = 0; i < links.size(); ++i) {
            CReceiverLink* link = links[i];
            if (link->m_readStop) {
                link->FinishReading();
                {
                    std::lock_guard lock(m_mutex);
                    m_links.erase(std::remove(m_links.begin(), m_links.end(), link), m_links.end());
                }
                m_released.notify_all();
                continue;
            }
            const short events = fds[i + 1].revents;
            if (events & POLLIN) {
                std::size_t got = 0;
                CSerialPort::ReadResult r;
                while ((r = link->m_port.ReadAvailable(buf, sizeof buf, got)) == CSerialPort::kReadData)
                    link->FeedBytes(buf, got);
                if (r == CSerialPort::kReadHangUp)
                    link->LineGone();
            } else if (events & (POLLHUP | POLLERR | POLLNVAL)) {
                link->LineGone();
            }
            link->ServeReader();
        }
    }
}

} // namespace zr
#endif
