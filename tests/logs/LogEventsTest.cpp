#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "../TestUtil.h"
#include "../walk/LogFiles.h"
#include "logs/LogEvents.h"
#include "logs/LogReader.h"

namespace zr::test {
namespace {

constexpr int64_t kPoll = 100 * 10000; // 100 ms

// One record per character, 100 ms apart: '.' received well, 'S' sync error
// with a weak signal (no signal), 'J' sync error with a strong one (jamming),
// 'D' data error, 'L' both antennas below 20 dBuV; '|' makes the next record
// come 5 s late.
std::vector<std::pair<int64_t, DataRow>> Records(const std::string& codes)
{
    std::vector<std::pair<int64_t, DataRow>> out;
    int64_t t = 0;
    for (char c : codes) {
        if (c == '|') {
            t += 50 * kPoll;
            continue;
        }
        DataRow row = WalkRow(60, 58, false, false);
        if (c == 'S')
            row = WalkRow(30, 25, true, false);
        else if (c == 'J')
            row = WalkRow(60, 55, true, false);
        else if (c == 'D')
            row = WalkRow(45, 40, false, true);
        else if (c == 'L')
            row = WalkRow(10, 15, false, false);
        out.push_back({t, row});
        t += kPoll;
    }
    return out;
}

// "kind first..end-record records worst", the end given as a record index.
std::string Describe(const LogEvent& e)
{
    return std::string(LogEventName(e.kind)) + " " + std::to_string(e.firstRecord) + ".." + std::to_string(e.end / kPoll) + " x" +
           std::to_string(e.records) + " rf" + std::to_string(e.worstRf);
}

TEST(LogEvents, RunsOfEachKindFromShortRecordSequences)
{
    struct Case {
        const char* codes;
        std::vector<std::string> events;
    };
    const Case cases[] = {
        {"....", {}},
        // A single bad record lasts until the next good one.
        {"..S..", {"sync error 2..3 x1 rf30"}},
        // Strong RF with a sync error is jamming as well.
        {".J.", {"sync error 1..2 x1 rf60", "jamming 1..2 x1 rf60"}},
        // One good record between two bad ones does not split the run (they are less than a second apart).
        {".DD.D.", {"data error 1..5 x3 rf45"}},
        // Twelve good records do.
        {"D............D.", {"data error 0..1 x1 rf45", "data error 13..14 x1 rf45"}},
        // A run at the end of the log ends with the last record.
        {"..LL", {"low RF 2..3 x2 rf15"}},
        {"SJ", {"sync error 0..1 x2 rf30", "jamming 1..1 x1 rf60"}},
    };
    for (const auto& c : cases) {
        CLogEventFinder finder;
        for (const auto& [t, row] : Records(c.codes))
            finder.Feed(t, row);
        finder.Finish();
        std::vector<std::string> got;
        for (const LogEvent& e : finder.Events())
            got.push_back(Describe(e));
        EXPECT_EQ(got, c.events) << c.codes;
    }
}

TEST(LogEvents, GapsAndTheTimeInEachState)
{
    CLogEventFinder finder;
    for (const auto& [t, row] : Records("..S.|..J"))
        finder.Feed(t, row);
    finder.Finish();
    const auto& events = finder.Events();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[1].kind, LogEventKind::Gap);
    EXPECT_EQ(events[1].start, 3 * kPoll);
    EXPECT_EQ(events[1].end, 54 * kPoll);
    EXPECT_EQ(events[1].firstRecord, 3u);
    const LogEventSummary& s = finder.Summary();
    EXPECT_EQ(s.records, 7u);
    EXPECT_EQ(s.first, 0);
    EXPECT_EQ(s.last, 56 * kPoll);
    EXPECT_EQ(s.gapTime, 51 * kPoll);
    EXPECT_EQ(s.stateTime[0], 4 * kPoll); // received well: 0-2, 3 (to the gap), 54-55
    EXPECT_EQ(s.stateTime[2], 1 * kPoll); // no signal: 2-3
    EXPECT_EQ(s.stateTime[1], 0);         // the jamming record ends the log

    // The same from a file, read as it lies on disk; a walk log is not a Background Log.
    CTempDir dir;
    std::vector<DataRow> rows;
    for (const auto& r : Records("..S.."))
        rows.push_back(r.second);
    WriteLog(dir.File("a.nlg"), kLogNorm, rows);
    std::vector<LogEvent> fromFile;
    LogEventSummary summary;
    ASSERT_EQ(FindLogEvents(dir.File("a.nlg"), {}, fromFile, summary), kLogOpened);
    ASSERT_EQ(fromFile.size(), 1u);
    EXPECT_EQ(fromFile[0].kind, LogEventKind::SyncError);
    EXPECT_EQ(fromFile[0].end - fromFile[0].start, kPoll);
    EXPECT_EQ(summary.records, 5u);
    WriteLog(dir.File("w.wlg"), kLogWalk, rows);
    EXPECT_EQ(FindLogEvents(dir.File("w.wlg"), {}, fromFile, summary), kLogInvalidType);
    EXPECT_EQ(SpanText(36610 * 10000LL), "0:00:36.610");

    // Times that are no times (a damaged file) give gaps, never an overflow.
    CLogEventFinder damaged;
    for (int64_t t : {int64_t{0}, INT64_MAX, INT64_MIN, INT64_MAX, int64_t{-1}, INT64_MAX, int64_t{0}, INT64_MAX})
        damaged.Feed(t, WalkRow(30, 25, true, false));
    damaged.Finish();
    EXPECT_EQ(damaged.Summary().records, 8u);
    EXPECT_EQ(damaged.Summary().gapTime, std::numeric_limits<int64_t>::max());
    for (const LogEvent& e : damaged.Events())
        EXPECT_GE(e.start, 0);
}

} // namespace
} // namespace zr::test
