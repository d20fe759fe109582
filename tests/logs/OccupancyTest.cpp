#include <gtest/gtest.h>

#include "../TestUtil.h"
#include "../walk/LogFiles.h"
#include "logs/LogReader.h"
#include "logs/SpectrumOccupancy.h"

namespace zr::test {
namespace {

// Three sweeps of 606.100-606.200 MHz; 606.125 read twice in the first.
std::vector<DataRow> ThreeSweeps()
{
    const int levels[3][5] = {{20, 40, 10, 22, 30}, {24, 30, 12, 20, 26}, {18, 26, 11, 19, 31}};
    std::vector<DataRow> rows;
    for (int s = 0; s < 3; ++s)
        for (int p = 0; p < 5; ++p) {
            rows.push_back(SpectrumRow(606100 + 25 * p, levels[s][p]));
            if (s == 0 && p == 1)
                rows.push_back(SpectrumRow(606125, 52));
        }
    rows.push_back(SpectrumRow(606300, 90)); // outside the header's range, above
    rows.push_back(SpectrumRow(606075, 95)); // and below
    rows.push_back(SpectrumRow(0, 95));
    return rows;
}

TEST(Occupancy, EachFrequencysSweepsAndTheCleanRanges)
{
    CTempDir dir;
    const SpectrumLogSettings settings{606100 / 25, 606200 / 25, 0};
    WriteLog(dir.File("stage.slg"), kLogSpec, ThreeSweeps(), &settings);
    SpectrumOccupancy o;
    ASSERT_EQ(ComputeOccupancy(dir.File("stage.slg"), 25, o), kLogOpened);
    struct Expected {
        int khz, highest, median, busy;
    };
    const Expected expected[] = {{606100, 24, 20, 0}, {606125, 52, 30, 3}, {606150, 12, 11, 0}, {606175, 22, 20, 0}, {606200, 31, 30, 3}};
    ASSERT_EQ(o.points.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(o.points[i].khz, expected[i].khz);
        EXPECT_EQ(o.points[i].highest, expected[i].highest) << expected[i].khz;
        EXPECT_EQ(o.points[i].median, expected[i].median) << expected[i].khz;
        EXPECT_EQ(o.points[i].busy, static_cast<uint32_t>(expected[i].busy)) << expected[i].khz;
        EXPECT_EQ(o.points[i].sweeps, 3u);
    }
    // Widest first: 606.150-606.175, then 606.100 alone.
    ASSERT_EQ(o.clean.size(), 2u);
    EXPECT_EQ(o.clean[0].startKhz, 606150);
    EXPECT_EQ(o.clean[0].stopKhz, 606175);
    EXPECT_EQ(o.clean[0].points, 2);
    EXPECT_EQ(o.clean[1].startKhz, 606100);

    // The same records as a waterfall: a row per sweep (606.300, 606.075 and 0 lie outside).
    COccupancyCounter counter(606100, 606200, 25, 25, true);
    for (const DataRow& row : ThreeSweeps())
        counter.FeedRecord(BuildLogRecord(0, row).data());
    counter.Finish(o);
    EXPECT_EQ(counter.Waterfall(), (std::vector<uint8_t>{20, 52, 10, 22, 30, 24, 30, 12, 20, 26, 18, 26, 11, 19, 31}));

    // A damaged header may name the widest range there is and every record a new sweep:
    // the waterfall stops at its bound instead of growing with the file.
    COccupancyCounter wide(0, 65535 * 25, 25, 25, true);
    for (int k = 0; k < 1000; ++k)
        wide.FeedRecord(BuildLogRecord(0, SpectrumRow(k % 2 ? 0 : 25, 40)).data());
    wide.Finish(o);
    EXPECT_EQ(wide.Points(), 65536u);
    EXPECT_LE(wide.Waterfall().size(), COccupancyCounter::kMaxWaterfallBytes);
    EXPECT_EQ(o.points[0].sweeps, 500u);

    // A second daily part counts too; a walk log is no spectrum log.
    std::filesystem::rename(dir.File("stage.slg"), dir.File("1_20240517-120000_001.slg"));
    WriteLog(dir.File("1_20240517-120000_002.slg"), kLogSpec, {SpectrumRow(606150, 40)}, &settings, LocalTimeToFileTime({2024, 5, 18, 0, 0, 0, 0}));
    ASSERT_EQ(ComputeOccupancy(dir.File("1_20240517-120000_001.slg"), 25, o), kLogOpened);
    EXPECT_EQ(o.points[2].sweeps, 4u);
    EXPECT_EQ(o.points[2].highest, 40);
    EXPECT_EQ(o.clean.size(), 2u); // 606.175 and 606.100 now, one point each
    WriteLog(dir.File("w.wlg"), kLogWalk, {});
    EXPECT_EQ(ComputeOccupancy(dir.File("w.wlg"), 25, o), kLogInvalidType);
}

} // namespace
} // namespace zr::test
