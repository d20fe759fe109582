#pragma once
// What went wrong in a Background Log, and when: runs of sync error, data
// error, jamming and low RF on both antennas, and the gaps in which the
// receiver did not answer; with a summary of the time spent in each state.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "logs/LogFormat.h"

namespace zr {

enum class LogEventKind { SyncError, DataError, Jamming, LowRf, Gap };
constexpr int kLogEventKinds = 5;
const char* LogEventName(LogEventKind kind); // "sync error", "data error", "jamming", "low RF", "no answer"

struct LogEvent {
    LogEventKind kind = LogEventKind::SyncError;
    int64_t start = 0;        // local file time of the first record of the run (a gap: the record before it)
    int64_t end = 0;          // the first record after the run (the last record when the run ends the log)
    uint64_t firstRecord = 0; // index of the record at `start`, for the viewers
    uint64_t records = 0;     // records in the run (a gap: 0)
    int worstRf = 0;          // the lowest level of the better antenna seen in the run
};

struct LogEventOptions {
    int lowRf = 20;                                      // dBuV: both antennas below it is low RF
    int64_t mergeWithin = 1000 * 10000;                  // runs less than this apart are one (100-ns units)
    int64_t gapAfter = 1000 * 10000;                     // a longer pause between records is a gap
};

struct LogEventSummary {
    uint64_t records = 0;
    int64_t first = 0, last = 0;              // record times
    std::array<int64_t, 4> stateTime{};       // time in each reception status (received well, jamming, no signal, data error)
    int64_t gapTime = 0;                      // time without answers
};

// Finds events record by record, so a reader can feed it as it reads.
class CLogEventFinder {
public:
    explicit CLogEventFinder(const LogEventOptions& options = {}) : m_options(options) {}
    void Feed(int64_t time, const DataRow& row);
    // A record as it lies in the file (reads only the bytes it needs).
    void FeedRecord(const uint8_t* record);
    // Ends the runs still open; call once after the last record.
    void Finish();
    const std::vector<LogEvent>& Events() const { return m_events; }
    const LogEventSummary& Summary() const { return m_summary; }

private:
    struct Run {
        bool open = false;
        LogEvent event;
        int64_t lastBad = 0;
    };
    void Track(LogEventKind kind, bool bad, int64_t time, int level);
    void Close(Run& run);

    LogEventOptions m_options;
    std::array<Run, kLogEventKinds> m_runs{};
    std::vector<LogEvent> m_events;
    LogEventSummary m_summary;
    int m_previousStatus = 0;
    uint64_t m_index = 0;
    int m_openRuns = 0;
};

// The events of a Background Log file, in order of their start; 0 (kLogOpened)
// or the reader's result.
int FindLogEvents(const std::string& path, const LogEventOptions& options, std::vector<LogEvent>& events, LogEventSummary& summary);

// "H:MM:SS.mmm" of a span in 100-ns units.
std::string SpanText(int64_t span);

} // namespace zr
