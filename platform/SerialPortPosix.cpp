#include "platform/SerialPort.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace zr {

CSerialPort::CSerialPort() = default;

CSerialPort::~CSerialPort()
{
    Close();
}

int CSerialPort::Open(const std::string& path, uint32_t baud)
{
    std::lock_guard lock(m_mutex);
    if (m_fd >= 0)
        return 1;
    auto fail = [this](int fd, int error) {
        if (fd >= 0)
            ::close(fd);
        m_lastErrno = error;
        return 1;
    };
    m_holderPid = 0;
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(-1, errno);
    if (!isatty(fd))
        return fail(fd, ENOTTY);
    // Exclusive use, as the Windows port is opened without sharing; cleared
    // again at Close, or the next user of the port is refused with EBUSY.
    if (::ioctl(fd, TIOCEXCL) != 0)
        return fail(fd, errno);
    // TIOCEXCL does not hold against root: a record lock on the device does,
    // for every user, goes with the process, and tells who holds it.
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    if (::fcntl(fd, F_SETLK, &whole) != 0) {
        const int e = errno;
        struct flock holder {};
        holder.l_type = F_WRLCK;
        holder.l_whence = SEEK_SET;
        m_holderPid = ::fcntl(fd, F_GETLK, &holder) == 0 && holder.l_type != F_UNLCK ? holder.l_pid : 0;
        ::ioctl(fd, TIOCNXCL);
        return fail(fd, e == EACCES || e == EAGAIN ? EBUSY : e);
    }
    ConfigureSerialLine(fd, baud); // result ignored, as SetCommState's is
    // DTR and RTS disabled, as the receiver expects: opening raises them. A
    // pseudo-terminal has no modem lines; it refuses, and that is fine.
    const int lines = TIOCM_DTR | TIOCM_RTS;
    (void)::ioctl(fd, TIOCMBIC, &lines);
    int wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wake < 0) {
        const int e = errno;
        ::ioctl(fd, TIOCNXCL);
        return fail(fd, e);
    }
    m_fd = fd;
    std::lock_guard wakeLock(m_wakeMutex);
    m_wakeFd = wake;
    m_lastErrno = 0;
    m_holderPid = 0;
    return 0;
}

std::string CSerialPort::LastErrorText() const
{
    if (m_lastErrno == EBUSY)
        return m_holderPid > 0 ? std::string(kPortHeldText) + " (PID " + std::to_string(m_holderPid) + ")" : kPortHeldText;
    return std::strerror(m_lastErrno);
}

bool CSerialPort::IsOpen() const
{
    std::lock_guard lock(m_mutex);
    return m_fd >= 0;
}

CSerialPort::ReadResult CSerialPort::Read(uint8_t* buf, std::size_t cap, std::size_t& got, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    got = 0;
    int fd, wake;
    {
        std::lock_guard lock(m_mutex);
        fd = m_fd;
        wake = m_wakeFd;
    }
    if (fd < 0)
        return kReadHangUp;
    for (;;) {
        pollfd fds[2] = {{wake, POLLIN, 0}, {fd, POLLIN, 0}};
        int wait = -1;
        if (timeoutMs >= 0) {
            // Rounded up, so a wait never ends just before its deadline.
            const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - std::chrono::steady_clock::now()).count();
            wait = static_cast<int>(std::max<long long>(0, (left + 999) / 1000));
        }
        int n = ::poll(fds, 2, wait);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return kReadHangUp;
        }
        if (n == 0)
            return kReadTimeout;
        if (fds[0].revents & POLLIN) {
            uint64_t v;
            (void)!::read(wake, &v, sizeof v);
            return kReadWoken;
        }
        if (fds[1].revents & POLLIN) {
            ssize_t r = ::read(fd, buf, cap);
            if (r > 0) {
                got = static_cast<std::size_t>(r);
                return kReadData;
            }
            if (r < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            return kReadHangUp; // 0 bytes or EIO: the line is gone
        }
        if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL))
            return kReadHangUp;
    }
}

// Both for the one reader, the thread that also closes the port: no lock, so
// a write that takes its time on another thread never holds the reader up.
int CSerialPort::Descriptor() const
{
    return m_fd;
}

CSerialPort::ReadResult CSerialPort::ReadAvailable(uint8_t* buf, std::size_t cap, std::size_t& got)
{
    got = 0;
    const int fd = m_fd;
    if (fd < 0)
        return kReadHangUp;
    for (;;) {
        const ssize_t r = ::read(fd, buf, cap);
        if (r > 0) {
            got = static_cast<std::size_t>(r);
            return kReadData;
        }
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0 && errno == EAGAIN)
            return kReadTimeout;
        return kReadHangUp; // 0 bytes or EIO: the line is gone
    }
}

long CSerialPort::Write(const uint8_t* buf, std::size_t len, int timeoutMs)
{
    std::lock_guard lock(m_mutex);
    if (m_fd < 0)
        return -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::size_t done = 0;
    while (done < len) {
        ssize_t w = ::write(m_fd, buf + done, len - done);
        if (w > 0) {
            done += static_cast<std::size_t>(w);
            continue;
        }
        if (w < 0 && errno == EINTR)
            continue;
        if (w < 0 && errno != EAGAIN)
            return done ? static_cast<long>(done) : -1;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0)
            break;
        pollfd p{m_fd, POLLOUT, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0 || (p.revents & (POLLHUP | POLLERR | POLLNVAL)))
            break;
    }
    return done ? static_cast<long>(done) : -1;
}

void CSerialPort::PurgeInput()
{
    std::lock_guard lock(m_mutex);
    if (m_fd >= 0)
        ::tcflush(m_fd, TCIFLUSH);
}

void CSerialPort::Wake()
{
    std::lock_guard lock(m_wakeMutex);
    if (m_wakeFd >= 0) {
        uint64_t one = 1;
        (void)!::write(m_wakeFd, &one, sizeof one);
    }
}

void CSerialPort::Close()
{
    std::lock_guard lock(m_mutex);
    if (m_fd >= 0) {
        ::ioctl(m_fd, TIOCNXCL);
        ::close(m_fd);
    }
    m_fd = -1;
    std::lock_guard wakeLock(m_wakeMutex);
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
    m_wakeFd = -1;
}

} // namespace zr
