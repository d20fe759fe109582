#pragma once
// Reading a log: open, check the header, then whole 32-byte records. A partial
// record at the end (a write cut short) is not a record and is skipped.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "logs/LogFormat.h"

namespace zr {

constexpr char kMsgCannotOpen[] = "Cannot open file. File unselected or being used by another program.";
constexpr char kMsgInvalidType[] = "Invalid file type.";

constexpr char kMsgTooLong[] = "The file is longer than a log of its kind can be.";

enum LogOpenResult { kLogOpened = 0, kLogCannotOpen = 1, kLogInvalidType = 2, kLogTooLong = 3 };

// The message a user is shown for a result other than kLogOpened.
const char* LogOpenMessage(int result);

// The most records a log part of `kind` can hold: its time limit (a day for
// a spectrum log's daily part) at the fastest poll, twice over. A longer file
// is no log this program wrote, and nothing is allocated from its size.
uint64_t MaxLogRecords(int kind);

class CLogReader {
public:
    CLogReader() = default;
    ~CLogReader();
    CLogReader(const CLogReader&) = delete;
    CLogReader& operator=(const CLogReader&) = delete;

    // expectedKind -1 accepts any of the three recorded kinds.
    int Open(const std::string& path, int expectedKind);
    void Close();
    const LogHeaderBytes& Header() const { return m_header; }
    int Kind() const { return m_kind; }
    uint64_t FileSize() const { return m_size; }
    // Reads up to `max` whole records; returns how many.
    std::size_t ReadRecords(LogRecord* out, std::size_t max);
    // The same records as they lie in the file (32 bytes each, row reversed:
    // RecordRowByte reads them), in the reader's own buffer until the next read.
    std::size_t ReadRawRecords(const uint8_t*& records, std::size_t max);
    bool Next(LogRecord& out) { return ReadRecords(&out, 1) == 1; }
    // Whole records in the file as it was when opened.
    uint64_t RecordCount() const;
    // The record at `index` (from 0), read where it lies; the reading in
    // order goes on from where it stood. False past the end or on an error.
    bool ReadRecordAt(uint64_t index, LogRecord& out);

private:
    std::FILE* m_file = nullptr;
    LogHeaderBytes m_header{};
    int m_kind = -1;
    uint64_t m_size = 0;
    std::vector<uint8_t> m_buffer;
};

// The parts of the log set that `path` belongs to, in part order: the files
// named like it (NAME_001, NAME_002, ...) whose headers name the same kind,
// receiver and range, and whose records follow on in time from `path`'s
// neighbours. Any other file so named is a log of its own.
std::vector<std::string> LogSetParts(const std::string& path);

// Every file the log at `path` is read from: its parts for a spectrum log,
// else the file alone.
std::vector<std::string> LogInputFiles(const std::string& path);

// True when `output` is, under any name or link, one of the files the logs
// in `inputs` are read from: an output must never replace its own input.
bool OutputIsAnInput(const std::string& output, const std::vector<std::string>& inputs);

// Opens the log at `path` whole before anything is read: every daily part of
// a spectrum log, else the file alone, each checked for `expectedKind` (-1:
// the kind of `path`'s header). On failure `badPart` names the file at fault.
int OpenLogSet(const std::string& path, int expectedKind, std::vector<std::string>& files, std::vector<std::unique_ptr<CLogReader>>& readers,
               std::string* badPart);

} // namespace zr
