#include <gtest/gtest.h>

#include <cstring>

#include "link/PollPacer.h"
#include "link/ReceiverRow.h"

namespace zr {
namespace {

StateRecord Rec(const char* text)
{
    StateRecord r{};
    std::memcpy(r.data(), text, std::min(std::strlen(text), r.size()));
    return r;
}

TEST(ReceiverRow, FormattingAndBlankingRules)
{
    struct Case {
        const char* record;
        RowTexts texts;
    };
    const Case cases[] = {
        {"F00A38061250212", {"1", "A", "3", "806.125", "Off", "2", "On", "LB-3300", "     -      "}},
        {"F00A30000000212", {"1", "A", "3", "  ---.---  ", "Off", "2", "On", "LB-3300", "     -      "}},
        {"F03A38061250212", {"1", "A", "3", "806.125", " - ", " - ", " - ", "    -    ", "Logging     "}},
        {"F00A38061251213", {"1", "A", "3", "806.125", "On", " - ", "On", "LB-3310", "     -      "}},
        {"F0AA38061251205", {"1", "A", "3", "806.125", "On", " - ", "Off", "NS-9100R", "undefined"}},
        {"F01A38061250212", {"1", " - ", " - ", "  ---.---  ", " - ", " - ", " - ", "    -    ", "Comm Error  "}},
        {"F07A38061250210", {"1", " - ", " - ", "  ---.---  ", " - ", " - ", " - ", "    -    ", "Sp scan     "}},
        {"F04A38061250209", {"1", "A", "3", "806.125", "Off", "2", "Off", "    -    ", "Starting    "}},
        // An unreadable frequency reads as none, as 0 does (not "-0.001").
        {"F00A3806x250200", {"1", "A", "3", "  ---.---  ", "Off", "2", "Off", "  Off  ", "     -      "}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatReceiverRow(Rec(c.record), 0), c.texts) << c.record;
    EXPECT_EQ(FormatReceiverRow(Rec("F00A38061250212"), 15)[0], "16");
}

TEST(ReceiverRow, StateRecordsBuiltByTheView)
{
    EXPECT_EQ(WithState(Rec("F00A38061250212"), '6')[2], '6');
    const char* f4 = "F40134560A3574075";
    StateRecord r = StateRecordFromF4(reinterpret_cast<const uint8_t*>(f4));
    RowTexts t = FormatReceiverRow(r, 1);
    EXPECT_EQ(t, (RowTexts{"2", "A", "3", "574.075", " - ", " - ", " - ", "    -    ", "Logging     "}));
}

TEST(ReceiverRow, NumberingByBankThenChannelThenListOrder)
{
    EXPECT_EQ(NumberReceivers({Rec("F0025"), Rec("F0019")}), (std::vector<int>{1, 0}));
    EXPECT_EQ(NumberReceivers({Rec("F0013"), Rec("F0013")}), (std::vector<int>{0, 1}));
    EXPECT_EQ(NumberReceivers({Rec("F00F0"), Rec("F00A1"), Rec("F00A0"), Rec("F0013")}), (std::vector<int>{3, 2, 1, 0}));
    EXPECT_TRUE(NumberReceivers({}).empty());
}

TEST(PollPacer, FirstPollAfterOnePeriodThenOnePerPeriodMissedOnesSkipped)
{
    CPollPacer p;
    const int64_t ms = 10000;
    p.Restart(0, 500);
    EXPECT_FALSE(p.Tick(0, 0));           // first tick sets the start
    EXPECT_FALSE(p.Tick(0, 500 * ms));    // exactly one period: not yet
    EXPECT_TRUE(p.Tick(0, 510 * ms));     // one period and one tick
    EXPECT_FALSE(p.Tick(0, 520 * ms));
    EXPECT_TRUE(p.Tick(0, 1010 * ms + 1));
    // A stall of three periods gives one trigger, not three.
    EXPECT_TRUE(p.Tick(0, 2600 * ms));
    EXPECT_FALSE(p.Tick(0, 2610 * ms));
    EXPECT_FALSE(p.Tick(0, 2990 * ms));

    // The period is shared: restarting another receiver at 100 ms speeds up all.
    p.Restart(1, 100);
    EXPECT_EQ(p.Period(), 100 * ms);
    EXPECT_TRUE(p.Tick(0, 3120 * ms));
    EXPECT_FALSE(p.Tick(16, 0));
}

} // namespace
} // namespace zr
