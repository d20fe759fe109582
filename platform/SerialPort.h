#pragma once
// A serial port opened by path (a device node; on Windows a port name such as
// COM12), raw 8N1 without flow control at any baud rate. One reader thread
// blocks in Read; Wake() releases it at once from any thread.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

namespace zr {

inline constexpr char kPortHeldText[] = "busy: used by another program";

class CSerialPort {
public:
    CSerialPort();
    ~CSerialPort();
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    // 0 opened; 1 cannot be opened (LastErrorText says why: a port another
    // program holds reads kPortHeldText, with " (PID n)" where it is known).
    int Open(const std::string& path, uint32_t baud);
    std::string LastErrorText() const;
    bool IsOpen() const;

    enum ReadResult { kReadData, kReadWoken, kReadHangUp, kReadTimeout };
    // Blocks until bytes arrive, Wake() is called, the line hangs up, or
    // `timeoutMs` pass (negative: no limit). On kReadData, `got` holds the
    // number of bytes (> 0).
    ReadResult Read(uint8_t* buf, std::size_t cap, std::size_t& got, int timeoutMs = -1);

    // Writes all bytes or fails; bounded by the write time-out (ms).
    // Returns bytes written, or -1 when nothing could be written.
    long Write(const uint8_t* buf, std::size_t len, int timeoutMs);

#ifndef _WIN32
    // For one reader of many ports: the descriptor to wait on, and a read
    // of what is there without waiting (kReadTimeout: nothing yet).
    int Descriptor() const;
    ReadResult ReadAvailable(uint8_t* buf, std::size_t cap, std::size_t& got);
#endif

    void PurgeInput();
    void Wake();
    // Closes the port. Called by the reader thread itself once it has left
    // Read, so no thread ever waits on a port that was closed.
    void Close();

private:
    mutable std::mutex m_mutex; // guards the port against Close during Write
    // Guards the wake handle alone (changed under both), so a wake never
    // waits for a write that takes its time.
    std::mutex m_wakeMutex;
#ifdef _WIN32
    void* m_handle = nullptr; // the port, opened for overlapped I/O
    void* m_wakeEvent = nullptr;
    void* m_commEvent = nullptr; // WaitCommEvent's overlap
    void* m_readEvent = nullptr;
    void* m_writeEvent = nullptr;
    unsigned long m_lastError = 0;
#else
    int m_fd = -1;
    int m_wakeFd = -1;
    int m_lastErrno = 0;
    int m_holderPid = 0; // the process holding the port's lock, when refused for it
#endif
};

#ifndef _WIN32
// Applies raw 8N1, no flow control, and an arbitrary baud rate (termios2).
// Kept in its own file: <asm/termbits.h> clashes with <termios.h>.
bool ConfigureSerialLine(int fd, uint32_t baud);
// The process that holds the port's lock (an open CSerialPort), 0 when none;
// read from the system's lock table, without opening the port.
int PortHolderProcess(const std::string& path);
#endif

} // namespace zr
