#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "../TestUtil.h"
#include "LogFiles.h"
#include "link/Commands.h"
#include "logs/LogReader.h"
#include "logs/WalkRecords.h"
#include "platform/Clock.h"
#include "walk/WalkLogLoader.h"

namespace zr::test {

namespace {

std::array<uint8_t, 64> Reply(const char* text)
{
    std::array<uint8_t, 64> r{};
    std::memcpy(r.data(), text, std::strlen(text));
    return r;
}

TEST(WalkRecords, SamplesOfRepliesAndRecords)
{
    struct Case {
        const char* reply;
        std::array<int, 4> sample;
    };
    const Case cases[] = {
        {"F10145671", {45, 67, 0, 1}},
        {"F13008200", {8, 20, 3, 0}},
        {"F1????????", {0, 0, 1, 1}}, // unreadable errors count as errors on the graph
    };
    for (const auto& c : cases)
        EXPECT_EQ(WalkSampleOfF1(Reply(c.reply).data()), c.sample) << c.reply;
    // The record keeps each error as a flag: set for a nonzero digit, clear when unreadable.
    EXPECT_EQ(WalkSampleOfRecord(BuildLogRecord(0, DecodeF1(Reply("F13008200").data())).data()), (std::array<uint16_t, 4>{8, 20, 1, 0}));
    EXPECT_EQ(WalkSampleOfRecord(BuildLogRecord(0, DecodeF1(Reply("F1????????").data())).data()), (std::array<uint16_t, 4>{0, 0, 0, 0}));

    const WalkSummary s = SummarizeWalk({{50, 60, 0, 0}, {40, 70, 1, 0}, {60, 65, 0, 1}, {45, 80, 1, 1}});
    EXPECT_EQ(s.samples, 4u);
    EXPECT_EQ(s.rfAMin, 40);
    EXPECT_EQ(s.rfAMedian, 45); // the lower middle of four
    EXPECT_EQ(s.rfBMin, 60);
    EXPECT_EQ(s.rfBMedian, 65);
    EXPECT_EQ(s.syncErrors, 2u);
    EXPECT_EQ(s.dataErrors, 2u);
    EXPECT_EQ(SummarizeWalk({}).samples, 0u);
}

TEST(WalkRecords, TimeDomainKeepsEachSweepsHighestLevel)
{
    CTimeDomainReducer reducer(606125);
    struct Step {
        int khz, level;
        CTimeDomainReducer::Action action;
        int point;
    };
    const Step steps[] = {
        {606100, 70, CTimeDomainReducer::kSkip, 0},
        {606125, 40, CTimeDomainReducer::kAppend, 40}, // a sweep reaches the frequency
        {606125, 52, CTimeDomainReducer::kReplace, 52},
        {606125, 47, CTimeDomainReducer::kSkip, 0},
        {606150, 90, CTimeDomainReducer::kSkip, 0},
        {606125, 30, CTimeDomainReducer::kAppend, 30}, // the next sweep: a new point, however low
    };
    for (const auto& s : steps) {
        int level = 0;
        EXPECT_EQ(reducer.Feed(SpectrumRow(s.khz, s.level), level), s.action) << s.khz << " " << s.level;
        if (s.action != CTimeDomainReducer::kSkip) {
            EXPECT_EQ(level, s.point);
        }
    }
    SpectrumLogSettings settings{24240, 24300, 1};
    EXPECT_EQ(TimeDomainMsPerPoint(BuildLogHeader(kLogSpec, 0, 0, &settings)), 2600);
    settings.stepSelector = 0;
    EXPECT_EQ(TimeDomainMsPerPoint(BuildLogHeader(kLogSpec, 0, 0, &settings)), 61 * 200);
}

TEST(WalkPlayback, FilesOfEachKindPlayIntoTheGraphsData)
{
    CTempDir dir;
    // A header alone: opened, no start time, nothing to show.
    WriteLog(dir.File("empty.wlg"), kLogWalk, {});
    WalkPlayback p = PlayWalkLog(dir.File("empty.wlg"), kWalkLogViewer, 0, nullptr);
    EXPECT_EQ(p.result, kLogOpened);
    EXPECT_EQ(p.records, 0u);
    EXPECT_TRUE(p.traces[0].empty());

    // 1203 samples: the point count grows past its initial 1201 to reach the newest.
    std::vector<DataRow> rows;
    for (int i = 0; i < 1203; ++i)
        rows.push_back(WalkRow(40 + i % 20, 60, i % 7 == 0, i % 11 == 0));
    WriteLog(dir.File("walk.wlg"), kLogWalk, rows);
    uint64_t lastProgress = 0;
    p = PlayWalkLog(dir.File("walk.wlg"), kWalkLogViewer, 0, [&](uint64_t blocks) { lastProgress = blocks; });
    EXPECT_EQ(p.result, kLogOpened);
    EXPECT_EQ(p.records, 1203u);
    EXPECT_EQ(lastProgress, 1204u); // the header and every record
    EXPECT_EQ(p.pointCount, 1203);
    EXPECT_EQ(p.rangeGrowth, 2);
    ASSERT_EQ(p.traces[3].size(), 1203u);
    EXPECT_EQ(p.traces[0][21], 41);
    EXPECT_EQ(p.traces[2][7], 1);
    EXPECT_EQ(p.traces[3][11], 1);
    EXPECT_EQ(p.traces[3][12], 0);
    std::tm start{};
    const std::time_t seconds = static_cast<std::time_t>(CalendarSecondsOfFileTime(p.firstTime));
    localtime_r(&seconds, &start);
    EXPECT_EQ(start.tm_hour * 3600 + start.tm_min * 60 + start.tm_sec, 9 * 3600 + 30 * 60 + 5);

    // Each viewer opens its own kind only.
    EXPECT_EQ(PlayWalkLog(dir.File("walk.wlg"), kBackgroundLogViewer, 0, nullptr).result, kLogInvalidType);
    EXPECT_EQ(PlayWalkLog(dir.File("walk.wlg"), kTimeDomainViewer, 0, nullptr).result, kLogInvalidType);
    EXPECT_EQ(PlayWalkLog(dir.File("none.wlg"), kWalkLogViewer, 0, nullptr).result, kLogCannotOpen);

    // Two sweeps of three points, 606.125 read three times in the first: one point per sweep.
    SpectrumLogSettings settings{606100 / 25, 606150 / 25, 0};
    WriteLog(dir.File("sweeps.slg"), kLogSpec,
             {SpectrumRow(606100, 20), SpectrumRow(606125, 40), SpectrumRow(606125, 52), SpectrumRow(606125, 47), SpectrumRow(606150, 20),
              SpectrumRow(606100, 20), SpectrumRow(606125, 33), SpectrumRow(606150, 20)},
             &settings);
    p = PlayWalkLog(dir.File("sweeps.slg"), kTimeDomainViewer, 606125, nullptr);
    EXPECT_EQ(p.result, kLogOpened);
    EXPECT_EQ(p.traces[0], (std::vector<uint16_t>{52, 33}));
    EXPECT_EQ(p.msPerPoint, 3 * 200);
    EXPECT_TRUE(p.traces[1].empty());
}

} // namespace
} // namespace zr::test
