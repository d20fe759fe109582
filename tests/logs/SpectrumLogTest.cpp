// The one reading of a spectrum log every reader shares: ranges whose start
// is not a multiple of the step, records at and beyond the edges.
#include <gtest/gtest.h>

#include "../TestUtil.h"
#include "../walk/LogFiles.h"
#include "logs/LogReader.h"
#include "logs/SpectrumLog.h"

namespace zr {
namespace {

TEST(SpectrumLog, PointsOfRangesOffTheStepGridStayInsideTheRange)
{
    struct Case {
        SpectrumLogRange range;
        int khz;
        long point;
    };
    const Case cases[] = {
        // 12 points, 606.100 to 607.475; 607.550 / 125 - 606.100 / 125 is 12: past the last.
        {{0, 606100, 607550, 125}, 607550, -1},
        {{0, 606100, 607550, 125}, 607475, 11},
        {{0, 606100, 607550, 125}, 606100, 0},
        {{0, 606100, 607550, 125}, 607625, -1},
        {{0, 606100, 607550, 125}, 606000, -1}, // below the start
        {{0, 606000, 606500, 25}, 606500, 20},
        {{0, 606000, 606500, 25}, 606525, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.range.PointOf(c.khz), c.point) << c.range.startKhz << " " << c.khz;
        if (c.point >= 0) {
            EXPECT_LT(static_cast<std::size_t>(c.point), c.range.Points());
        }
    }
}

// The file that overflowed the viewer's array: its record at the stop lands
// past the last point and is left out; the last point keeps its own.
TEST(SpectrumLog, PlaybackOfARangeOffTheGridKeepsTheStopsRecord)
{
    test::CTempDir dir;
    const SpectrumLogSettings settings{606100 / 25, 607550 / 25, 1};
    test::WriteLog(dir.File("off.slg"), kLogSpec, {test::SpectrumRow(606100, 20), test::SpectrumRow(607475, 44), test::SpectrumRow(607550, 60), test::SpectrumRow(607675, 70)}, &settings);
    const SpectrumPlayback p = PlaySpectrumLog(dir.File("off.slg"), 25, {});
    ASSERT_EQ(p.result, kLogOpened);
    ASSERT_EQ(p.highest.size(), p.range.Points());
    EXPECT_EQ(p.highest.front(), 20);
    EXPECT_EQ(p.highest.back(), 44);
}

} // namespace
} // namespace zr
