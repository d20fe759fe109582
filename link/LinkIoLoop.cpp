#include "link/LinkIoLoop.h"

#ifndef _WIN32
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "link/LinkEventBatch.h"
#include "link/ReceiverLink.h"

namespace zr {

namespace {
constexpr int kMaxReady = 32;
}

CLinkIoLoop& CLinkIoLoop::Instance()
{
    static CLinkIoLoop loop;
    return loop;
}

CLinkIoLoop::CLinkIoLoop() : m_wakeFd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)), m_epollFd(::epoll_create1(EPOLL_CLOEXEC))
{
    epoll_event wake{};
    wake.events = EPOLLIN;
    wake.data.ptr = nullptr;
    if (m_wakeFd >= 0 && m_epollFd >= 0 && ::epoll_ctl(m_epollFd, EPOLL_CTL_ADD, m_wakeFd, &wake) != 0) {
        ::close(m_epollFd);
        m_epollFd = -1;
    }
}

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
    if (m_epollFd >= 0)
        ::close(m_epollFd);
}

bool CLinkIoLoop::Add(CReceiverLink* link, std::string& error)
{
    {
        std::lock_guard lock(m_mutex);
        epoll_event port{};
        port.events = EPOLLIN;
        port.data.ptr = link;
        if (m_wakeFd < 0 || m_epollFd < 0 || ::epoll_ctl(m_epollFd, EPOLL_CTL_ADD, link->m_port.Descriptor(), &port) != 0) {
            error = "cannot start reading: no event descriptor to be had";
            return false;
        }
        if (!m_thread.joinable()) {
            try {
                m_thread = std::thread([this] { Run(); });
            } catch (const std::system_error& e) {
                error = std::string("cannot start a thread: ") + e.code().message();
                ::epoll_ctl(m_epollFd, EPOLL_CTL_DEL, link->m_port.Descriptor(), nullptr);
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
    const uint64_t one = 1;
    (void)!::write(m_wakeFd, &one, sizeof one);
}

void CLinkIoLoop::WaitReleased(const CReceiverLink* link)
{
    std::unique_lock lock(m_mutex);
    m_released.wait(lock, [&] { return std::find(m_links.begin(), m_links.end(), link) == m_links.end(); });
}

void CLinkIoLoop::Forget(CReceiverLink* link)
{
    if (!link->m_lineGone)
        ::epoll_ctl(m_epollFd, EPOLL_CTL_DEL, link->m_port.Descriptor(), nullptr);
}

void CLinkIoLoop::Run()
{
    std::vector<CReceiverLink*> links;
    CLinkEventBatch events;
    epoll_event ready[kMaxReady];
    uint8_t buf[1024];
    for (;;) {
        {
            std::lock_guard lock(m_mutex);
            if (m_stop)
                return;
            links = m_links;
        }
        // The nearest deadline of a poll under way; at once for a stop.
        int timeout = -1;
        for (CReceiverLink* link : links) {
            const int wait = link->m_readStop ? 0 : link->ReadWaitMs();
            if (wait >= 0 && (timeout < 0 || wait < timeout))
                timeout = wait;
        }
        const int count = ::epoll_wait(m_epollFd, ready, kMaxReady, timeout);
        // A link in `ready` is served still: none goes before this loop lets it go.
        for (int i = 0; i < count; ++i) {
            auto* link = static_cast<CReceiverLink*>(ready[i].data.ptr);
            if (!link) {
                uint64_t wakes;
                (void)!::read(m_wakeFd, &wakes, sizeof wakes);
                continue;
            }
            if (link->m_lineGone)
                continue;
            bool gone = (ready[i].events & (EPOLLHUP | EPOLLERR)) != 0;
            if (ready[i].events & EPOLLIN) {
                // Until a read comes back short: what is left (more bytes,
                // the hang-up) the next wait reports, without a read here
                // that only finds nothing.
                std::size_t got = 0;
                CSerialPort::ReadResult r;
                do {
                    r = link->m_port.ReadAvailable(buf, sizeof buf, got);
                    if (r == CSerialPort::kReadData)
                        link->FeedBytes(buf, got);
                } while (r == CSerialPort::kReadData && got == sizeof buf);
                gone = r == CSerialPort::kReadHangUp; // bytes still there are read before the hang-up counts
            }
            if (gone) {
                Forget(link);
                link->LineGone();
            }
        }
        for (CReceiverLink* link : links) {
            if (link->m_readStop) {
                Forget(link);
                link->FinishReading();
                // Its LinkClosed posted, notification and all, before a join
                // can return and the owner let its queue go.
                events.Flush();
                {
                    std::lock_guard lock(m_mutex);
                    m_links.erase(std::remove(m_links.begin(), m_links.end(), link), m_links.end());
                }
                m_released.notify_all();
                continue;
            }
            link->ServeReader();
        }
        events.Flush();
    }
}

} // namespace zr
#endif
