#pragma once
// Summaries and CSV export of every log kind.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace zr {

struct LogPartSummary {
    std::string path;
    uint64_t records = 0;
    uint64_t trailingBytes = 0; // a partial record cut short
    int64_t first = 0, last = 0;
};

struct LogSummary {
    int kind = -1;
    int receiverNo = 0; // 1..16
    std::vector<LogPartSummary> parts;
    uint64_t records = 0;
    int64_t first = 0, last = 0; // local file times; 0 when no record
};

// A LogOpenResult. A spectrum log is summarised with all its parts; when one
// part cannot be read, `badPart` names it.
int SummarizeLog(const std::string& path, LogSummary& out, std::string* badPart = nullptr);
std::string FormatLogSummary(const LogSummary& s);

// Export's result besides the LogOpenResult values: the output failed.
constexpr int kExportWriteFailed = 16; // apart from every LogOpenResult
// One header row, then one row per record (all parts of a spectrum log).
// Every part is checked before the first row is written.
int ExportLogCsv(const std::string& path, std::FILE* out, std::string* badPart = nullptr);

// "2024-05-17T09:30:05.123"; "invalid" for a time no clock can have given.
std::string IsoTime(int64_t fileTime);
// "H:MM:SS.mmm" from first to last; "invalid" unless both are sane and in order.
std::string DurationText(int64_t first, int64_t last);

} // namespace zr
