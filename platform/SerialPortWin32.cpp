#include "platform/SerialPort.h"

#include <windows.h>

#include <algorithm>
#include <chrono>

#include "platform/Trace.h"
#include "platform/WinText.h"

namespace zr {

namespace {

HANDLE Handle(void* p)
{
    return static_cast<HANDLE>(p);
}

// The errors by which Windows says the adapter has gone (pulled out, or its
// driver stopped): the read ends, as a hang-up does on a terminal.
bool IsPortGone(DWORD error)
{
    switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_BAD_COMMAND:
    case ERROR_DEVICE_REMOVED:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_INVALID_HANDLE:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_GEN_FAILURE:
    case ERROR_NOT_READY:
    case ERROR_BROKEN_PIPE:
        return true;
    default:
        return false;
    }
}

// Other failures are retried 1 ms apart; a port that does nothing else for
// this long is as good as gone, and a reader spinning on it forever helps no one.
constexpr int kFailuresBeforeHangUp = 1000;

// While nothing arrives the wait wakes this often to see that the port is
// still there: some drivers never complete a pending wait when the line dies.
constexpr DWORD kLivenessCheckMs = 250;

enum class WaitEnd { kEvent, kWoken, kGone, kTimeout };

// Waits for a pending WaitCommEvent, the wake or the deadline (when
// `limited`), and between times asks whether the port is still there.
WaitEnd AwaitCommEvent(HANDLE port, HANDLE wake, HANDLE comm, bool limited, std::chrono::steady_clock::time_point deadline)
{
    HANDLE both[2] = {wake, comm};
    for (;;) {
        DWORD wait = kLivenessCheckMs;
        if (limited) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
            if (left <= 0)
                return WaitEnd::kTimeout;
            wait = static_cast<DWORD>(std::min<long long>(left, kLivenessCheckMs));
        }
        const DWORD r = ::WaitForMultipleObjects(2, both, FALSE, wait);
        if (r == WAIT_OBJECT_0)
            return WaitEnd::kWoken;
        if (r != WAIT_TIMEOUT)
            return WaitEnd::kEvent;
        DWORD lineErrors = 0;
        if (::ClearCommError(port, &lineErrors, nullptr))
            continue;
        const DWORD error = ::GetLastError();
        if (IsPortGone(error) || error == ERROR_IO_DEVICE) {
            Trace("serial: the port is gone while waiting (error %lu: %s)\n", error, SystemErrorText(error).c_str());
            return WaitEnd::kGone;
        }
    }
}

// Ends a pending WaitCommEvent and collects it, so its overlap is free before
// Read returns: a changed mask completes it, a cancel ends what a driver holds on to.
void EndPendingWait(HANDLE port, OVERLAPPED& ov)
{
    ::SetCommMask(port, EV_RXCHAR);
    DWORD ignored = 0;
    if (!::GetOverlappedResult(port, &ov, &ignored, FALSE) && ::GetLastError() == ERROR_IO_INCOMPLETE) {
        ::CancelIoEx(port, &ov);
        ::GetOverlappedResult(port, &ov, &ignored, TRUE);
    }
    ::ResetEvent(ov.hEvent);
}

} // namespace

CSerialPort::CSerialPort() = default;

CSerialPort::~CSerialPort()
{
    Close();
}

std::string CSerialPort::LastErrorText() const
{
    // Windows opens a COM port for one program at a time: denied means held.
    if (m_lastError == ERROR_ACCESS_DENIED)
        return kPortHeldText;
    return SystemErrorText(m_lastError);
}

int CSerialPort::Open(const std::string& path, uint32_t baud)
{
    std::lock_guard lock(m_mutex);
    if (m_handle)
        return 1;
    // "\\.\" lets COM10 and above open; a name given with it is kept as it is.
    const std::string name = path.rfind("\\\\.\\", 0) == 0 ? path : "\\\\.\\" + path;
    HANDLE port = ::CreateFileW(Utf8ToWide(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        m_lastError = ::GetLastError();
        return 1;
    }
    COMMTIMEOUTS timeouts{};
    timeouts.WriteTotalTimeoutMultiplier = 10;
    timeouts.WriteTotalTimeoutConstant = 100;
    // A file or pipe opened by that name takes no time-outs: it is no port.
    if (!::SetCommTimeouts(port, &timeouts)) {
        m_lastError = ::GetLastError();
        ::CloseHandle(port);
        return 1;
    }
    ::SetupComm(port, 1024, 1024);
    // Built from zero, not read back: every flag off (no flow control, DTR
    // and RTS disabled, no error or null-byte handling), 8N1.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = baud;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    (void)::SetCommState(port, &dcb); // ignored, as the receiver's own tool does
    ::SetCommMask(port, EV_RXCHAR);
    HANDLE wake = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE comm = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE read = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE write = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!wake || !comm || !read || !write) {
        m_lastError = ::GetLastError();
        for (HANDLE h : {wake, comm, read, write})
            if (h)
                ::CloseHandle(h);
        ::CloseHandle(port);
        return 1;
    }
    m_handle = port;
    {
        std::lock_guard wakeLock(m_wakeMutex);
        m_wakeEvent = wake;
    }
    m_commEvent = comm;
    m_readEvent = read;
    m_writeEvent = write;
    m_lastError = 0;
    return 0;
}

bool CSerialPort::IsOpen() const
{
    std::lock_guard lock(m_mutex);
    return m_handle != nullptr;
}

CSerialPort::ReadResult CSerialPort::Read(uint8_t* buf, std::size_t cap, std::size_t& got, int timeoutMs)
{
    const bool limited = timeoutMs >= 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limited ? timeoutMs : 0);
    got = 0;
    HANDLE port, wake, comm, read;
    {
        std::lock_guard lock(m_mutex);
        port = Handle(m_handle);
        wake = Handle(m_wakeEvent);
        comm = Handle(m_commEvent);
        read = Handle(m_readEvent);
    }
    if (!port || cap == 0)
        return kReadHangUp;
    int failures = 0;
    // True when the port is to be given up.
    auto failed = [&failures](DWORD error) {
        if (IsPortGone(error) || ++failures >= kFailuresBeforeHangUp) {
            Trace("serial: the port is gone (error %lu: %s)\n", error, SystemErrorText(error).c_str());
            return true;
        }
        ::Sleep(1);
        return false;
    };
    for (;;) {
        // Bytes already queued are read first: EV_RXCHAR reports only bytes
        // that arrive while a wait is pending.
        DWORD errors = 0;
        COMSTAT status{};
        if (!::ClearCommError(port, &errors, &status)) {
            if (failed(::GetLastError()))
                return kReadHangUp;
            continue;
        }
        if (status.cbInQue > 0) {
            OVERLAPPED ov{};
            ov.hEvent = read;
            const DWORD want = static_cast<DWORD>(std::min<std::size_t>(status.cbInQue, cap));
            DWORD n = 0;
            BOOL ok = ::ReadFile(port, buf, want, nullptr, &ov);
            if (ok || ::GetLastError() == ERROR_IO_PENDING)
                ok = ::GetOverlappedResult(port, &ov, &n, TRUE);
            const DWORD error = ok ? 0 : ::GetLastError();
            ::ResetEvent(read);
            if (ok && n > 0) {
                got = n;
                return kReadData;
            }
            if (failed(error))
                return kReadHangUp;
            continue;
        }
        OVERLAPPED ov{};
        ov.hEvent = comm;
        DWORD mask = 0;
        if (!::WaitCommEvent(port, &mask, &ov)) {
            const DWORD error = ::GetLastError();
            if (error != ERROR_IO_PENDING) {
                if (failed(error))
                    return kReadHangUp;
                continue;
            }
            const WaitEnd end = AwaitCommEvent(port, wake, comm, limited, deadline);
            if (end != WaitEnd::kEvent) {
                EndPendingWait(port, ov);
                return end == WaitEnd::kWoken ? kReadWoken : end == WaitEnd::kTimeout ? kReadTimeout : kReadHangUp;
            }
            DWORD ignored = 0;
            const BOOL ok = ::GetOverlappedResult(port, &ov, &ignored, FALSE);
            const DWORD waitError = ok ? 0 : ::GetLastError();
            ::ResetEvent(comm);
            if (!ok && failed(waitError))
                return kReadHangUp;
        }
        // An event (or a wait ended by a mask change): look at the queue again.
        if (::WaitForSingleObject(wake, 0) == WAIT_OBJECT_0)
            return kReadWoken;
    }
}

long CSerialPort::Write(const uint8_t* buf, std::size_t len, int timeoutMs)
{
    std::lock_guard lock(m_mutex);
    if (!m_handle)
        return -1;
    HANDLE port = Handle(m_handle);
    HANDLE done = Handle(m_writeEvent);
    OVERLAPPED ov{};
    ov.hEvent = done;
    DWORD written = 0;
    BOOL ok = ::WriteFile(port, buf, static_cast<DWORD>(len), nullptr, &ov);
    if (!ok && ::GetLastError() == ERROR_IO_PENDING) {
        // The port's write time-outs end the write; this bound only guards
        // against a driver that ignores them.
        if (::WaitForSingleObject(done, static_cast<DWORD>(timeoutMs) + 100) != WAIT_OBJECT_0)
            ::CancelIoEx(port, &ov);
        ok = ::GetOverlappedResult(port, &ov, &written, TRUE);
    } else if (ok) {
        ok = ::GetOverlappedResult(port, &ov, &written, TRUE);
    }
    if (!ok)
        m_lastError = ::GetLastError();
    ::ResetEvent(done);
    return written > 0 ? static_cast<long>(written) : -1;
}

void CSerialPort::PurgeInput()
{
    std::lock_guard lock(m_mutex);
    if (m_handle)
        ::PurgeComm(Handle(m_handle), PURGE_RXCLEAR);
}

void CSerialPort::Wake()
{
    std::lock_guard lock(m_wakeMutex);
    if (m_wakeEvent)
        ::SetEvent(Handle(m_wakeEvent));
}

void CSerialPort::Close()
{
    std::lock_guard lock(m_mutex);
    if (m_handle) {
        ::SetCommMask(Handle(m_handle), EV_RXCHAR); // ends a wait still pending
        ::PurgeComm(Handle(m_handle), PURGE_RXCLEAR);
        ::CloseHandle(Handle(m_handle));
    }
    std::lock_guard wakeLock(m_wakeMutex);
    for (void** event : {&m_wakeEvent, &m_commEvent, &m_readEvent, &m_writeEvent}) {
        if (*event)
            ::CloseHandle(Handle(*event));
        *event = nullptr;
    }
    m_handle = nullptr;
}

} // namespace zr
