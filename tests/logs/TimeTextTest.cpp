#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "../TestUtil.h"
#include "../walk/LogFiles.h"
#include "logs/LogExport.h"
#include "logs/LogReader.h"
#include "logs/TimeText.h"
#include "platform/Clock.h"

namespace zr::test {
namespace {

// The date is kept from one time to the next: it must change at midnight, and
// when a log's clock goes back.
TEST(TimeText, DatesFollowEveryDayChange)
{
    struct Case {
        LocalTime time;
        const char* text;
    };
    const Case cases[] = {
        {{2024, 5, 17, 23, 59, 59, 950}, "2024/05/17 23:59:59.950"},
        {{2024, 5, 18, 0, 0, 0, 50}, "2024/05/18 00:00:00.050"},
        {{2024, 5, 16, 9, 5, 7, 3}, "2024/05/16 09:05:07.003"},
        {{2024, 5, 16, 9, 5, 7, 500}, "2024/05/16 09:05:07.500"}, // the same second
        {{2024, 5, 16, 9, 5, 6, 999}, "2024/05/16 09:05:06.999"}, // a second back
        {{2024, 5, 16, 9, 5, 8, 0}, "2024/05/16 09:05:08.000"},
        {{2024, 2, 29, 12, 0, 0, 999}, "2024/02/29 12:00:00.999"},
        {{9999, 12, 31, 23, 59, 59, 999}, "9999/12/31 23:59:59.999"},
    };
    CTimeText time('/', ' ');
    for (const auto& c : cases) {
        std::string out;
        time.Append(out, LocalTimeToFileTime(c.time));
        EXPECT_EQ(out, c.text);
    }
    std::string out;
    time.Append(out, -5); // no time at all reads as the first instant
    EXPECT_EQ(out, "1601/01/01 00:00:00.000");
    out.clear();
    AppendDecimal(out, 7, 3);
    AppendDecimal(out, 255);
    AppendDecimal(out, 0);
    EXPECT_EQ(out, "0072550");
    for (const unsigned value : {0u, 9u, 10u, 99u, 100u, 606125u, 999999u, 1000000u, 4294967295u}) {
        char text[16];
        EXPECT_EQ(std::string(text, PutDecimal(text, value)), std::to_string(value));
    }
}

TEST(TimeText, ExportRowsAcrossMidnightAndWithoutATime)
{
    CTempDir dir;
    WriteLog(dir.File("walk.wlg"), kLogWalk, {WalkRow(45, 67, true, false), WalkRow(8, 200, false, true)}, nullptr,
             LocalTimeToFileTime({2024, 5, 17, 23, 59, 59, 950}));
    std::FILE* out = std::fopen(dir.File("walk.csv").c_str(), "wb");
    ASSERT_EQ(ExportLogCsv(dir.File("walk.wlg"), out, nullptr), kLogOpened);
    std::fclose(out);
    EXPECT_EQ(Slurp(dir.File("walk.csv")), "time,receiver,rf_a_dbuv,rf_b_dbuv,af_peak,sync_error,data_error\n"
                                           "2024-05-17T23:59:59.950,1,45,67,0,1,0\n"
                                           "2024-05-18T00:00:00.050,1,8,200,0,0,1\n");
    WriteLog(dir.File("odd.slg"), kLogSpec, {SpectrumRow(606125, 52)}, nullptr, -1);
    out = std::fopen(dir.File("odd.csv").c_str(), "wb");
    ASSERT_EQ(ExportLogCsv(dir.File("odd.slg"), out, nullptr), kLogOpened);
    std::fclose(out);
    EXPECT_EQ(Slurp(dir.File("odd.csv")), "time,receiver,frequency_khz,rf_level_dbuv\ninvalid,1,606125,52\n");
}

} // namespace
} // namespace zr::test
