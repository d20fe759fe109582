#pragma once
// A serial port opened by path, raw 8N1 without flow control at any baud rate.
// One reader thread blocks in Read; Wake() releases it at once from any thread.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

namespace zr {

class CSerialPort {
public:
    CSerialPort();
    ~CSerialPort();
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    // 0 opened; 1 cannot be opened (LastErrno says why).
    int Open(const std::string& path, uint32_t baud);
    int LastErrno() const { return m_lastErrno; }
    bool IsOpen() const;

    enum ReadResult { kReadData, kReadWoken, kReadHangUp };
    // Blocks until bytes arrive, Wake() is called, or the line hangs up.
    // On kReadData, `got` holds the number of bytes (> 0).
    ReadResult Read(uint8_t* buf, std::size_t cap, std::size_t& got);

    // Writes all bytes or fails; bounded by the write time-out (ms).
    // Returns bytes written, or -1 when nothing could be written.
    long Write(const uint8_t* buf, std::size_t len, int timeoutMs);

    void PurgeInput();
    void Wake();
    // Closes the descriptor. Called by the reader thread itself once it has
    // left Read, so no thread ever polls a descriptor that was closed.
    void Close();

private:
    mutable std::mutex m_mutex; // guards m_fd against Close during Write
    int m_fd = -1;
    int m_wakeFd = -1;
    int m_lastErrno = 0;
};

// Applies raw 8N1, no flow control, and an arbitrary baud rate (termios2).
// Kept in its own file: <asm/termbits.h> clashes with <termios.h>.
bool ConfigureSerialLine(int fd, uint32_t baud);

} // namespace zr
