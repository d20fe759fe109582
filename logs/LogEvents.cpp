#include "logs/LogEvents.h"

#include <algorithm>
#include <limits>

#include "logs/LogReader.h"
#include "platform/Clock.h"
#include "logs/TimeText.h"

namespace zr {

const char* LogEventName(LogEventKind kind)
{
    switch (kind) {
    case LogEventKind::SyncError: return "sync error";
    case LogEventKind::DataError: return "data error";
    case LogEventKind::Jamming: return "jamming";
    case LogEventKind::LowRf: return "low RF";
    default: return "no answer";
    }
}

void CLogEventFinder::FeedRecord(const uint8_t* record)
{
    uint64_t t = 0;
    for (int i = 0; i < 8; ++i)
        t = (t << 8) | record[i];
    DataRow row{};
    for (int k : {2, 6, 7})
        row[static_cast<std::size_t>(k)] = RecordRowByte(record, k);
    Feed(static_cast<int64_t>(t), row);
}

void CLogEventFinder::Feed(int64_t time, const DataRow& row)
{
    // A record's time is whatever its eight bytes say: kept within the file
    // times there can be, so every difference below is a number.
    time = std::clamp<int64_t>(time, 0, kLatestFileTime);
    LogEventSummary& s = m_summary;
    if (s.records > 0) {
        const int64_t step = time - s.last;
        if (step > m_options.gapAfter) {
            LogEvent gap;
            gap.kind = LogEventKind::Gap;
            gap.start = s.last;
            gap.end = time;
            gap.firstRecord = m_index - 1;
            m_events.push_back(gap);
            s.gapTime = step > std::numeric_limits<int64_t>::max() - s.gapTime ? std::numeric_limits<int64_t>::max() : s.gapTime + step;
        } else if (step > 0) {
            s.stateTime[static_cast<std::size_t>(m_previousStatus)] += step; // the last state lasted until now
        }
    } else {
        s.first = time;
    }
    s.last = time;
    ++s.records;
    const int status = ReceptionStatus(row);
    m_previousStatus = status;
    const bool lowRf = row[7] < m_options.lowRf && row[6] < m_options.lowRf;
    // Most records are good and most of the time no run is open: nothing to track.
    if ((row[2] & 0xC0) == 0 && !lowRf && m_openRuns == 0) {
        ++m_index;
        return;
    }
    const int level = std::max(row[7], row[6]);
    Track(LogEventKind::SyncError, (row[2] & 0x40) != 0, time, level);
    Track(LogEventKind::DataError, (row[2] & 0x80) != 0, time, level);
    Track(LogEventKind::Jamming, status == 1, time, level);
    Track(LogEventKind::LowRf, lowRf, time, level);
    ++m_index;
}

void CLogEventFinder::Track(LogEventKind kind, bool bad, int64_t time, int level)
{
    Run& run = m_runs[static_cast<std::size_t>(kind)];
    if (!bad) {
        if (!run.open)
            return;
        // The run lasted until the first good record, unless the receiver fell silent first.
        if (run.event.end == run.lastBad && time - run.lastBad <= m_options.gapAfter)
            run.event.end = time;
        if (time - run.lastBad >= m_options.mergeWithin)
            Close(run);
        return;
    }
    if (run.open && time - run.lastBad < m_options.mergeWithin) {
        ++run.event.records;
        run.event.worstRf = std::min(run.event.worstRf, level);
        run.lastBad = time;
        run.event.end = time;
        return;
    }
    if (run.open)
        Close(run);
    run.open = true;
    ++m_openRuns;
    run.event = LogEvent{kind, time, time, m_index, 1, level};
    run.lastBad = time;
}

void CLogEventFinder::Close(Run& run)
{
    m_events.push_back(run.event);
    run.open = false;
    --m_openRuns;
}

void CLogEventFinder::Finish()
{
    for (Run& run : m_runs)
        if (run.open)
            Close(run);
    std::stable_sort(m_events.begin(), m_events.end(), [](const LogEvent& a, const LogEvent& b) { return a.start < b.start; });
}

int FindLogEvents(const std::string& path, const LogEventOptions& options, std::vector<LogEvent>& events, LogEventSummary& summary)
{
    CLogReader reader;
    if (const int r = reader.Open(path, kLogNorm); r != kLogOpened)
        return r;
    CLogEventFinder finder(options);
    const uint8_t* raw = nullptr;
    std::size_t got;
    while ((got = reader.ReadRawRecords(raw, 4096)) > 0)
        for (std::size_t i = 0; i < got; ++i)
            finder.FeedRecord(raw + i * kLogRecordSize);
    finder.Finish();
    events = finder.Events();
    summary = finder.Summary();
    return kLogOpened;
}

std::string SpanText(int64_t span)
{
    const int64_t ms = std::max<int64_t>(0, span) / 10000;
    std::string text;
    AppendDecimal(text, static_cast<unsigned>(ms / 3600000));
    text.push_back(':');
    AppendDecimal(text, static_cast<unsigned>(ms / 60000 % 60), 2);
    text.push_back(':');
    AppendDecimal(text, static_cast<unsigned>(ms / 1000 % 60), 2);
    text.push_back('.');
    AppendDecimal(text, static_cast<unsigned>(ms % 1000), 3);
    return text;
}

} // namespace zr
