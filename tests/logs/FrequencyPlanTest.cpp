// The frequency plan: the checker on hand-made sets, the solver against the
// known optimal Golomb rulers and a brute force, kept carriers, refusals.
#include <gtest/gtest.h>

#include <algorithm>

#include "logs/FrequencyPlan.h"

namespace zr {
namespace {

PlanRules NoGuards()
{
    PlanRules r;
    r.carrierSpacingKhz = r.imGuardKhz = r.im3GuardKhz = r.busyGuardKhz = 0;
    return r;
}

TEST(FrequencyPlan, TheCheckerFindsEachRulesConflicts)
{
    PlanRules defaults;
    PlanRules im5 = defaults;
    im5.im5 = true;
    struct Case {
        std::vector<int> carriers;
        std::vector<int> busy;
        PlanRules rules;
        const char* conflict; // a piece of the first conflict's text; "" for none
    };
    const Case cases[] = {
        {{606000, 606300}, {}, defaults, "606.000 and 606.300 MHz are 300 kHz apart"},
        {{606000, 606500, 607000}, {}, NoGuards(), "2 x 606.500 - 606.000 = 607.000 lands 0 kHz away"},
        {{606000, 606500, 607050}, {}, defaults, "lands 50 kHz away (guard 100 kHz)"},
        {{606000, 606400, 607000, 607400}, {}, NoGuards(), "606.000 + 607.400 - 606.400 = 607.000"},
        {{606000, 607000, 609000}, {}, im5, "3 x 607.000 - 2 x 606.000 = 609.000"},
        {{606000}, {606100}, defaults, "100 kHz from 606.100 MHz, which the logs saw busy"},
        // A Golomb ruler (0 1 4 9 11) is compatible with every guard at 0.
        {{606000, 606025, 606100, 606225, 606275}, {}, NoGuards(), ""},
        {{606000, 606400, 607300}, {}, defaults, ""},
    };
    for (const Case& c : cases) {
        const auto conflicts = CheckPlan(c.carriers, c.busy, c.rules);
        if (*c.conflict == 0) {
            EXPECT_TRUE(conflicts.empty()) << conflicts.front().text;
            continue;
        }
        ASSERT_FALSE(conflicts.empty()) << c.conflict;
        EXPECT_NE(conflicts.front().text.find(c.conflict), std::string::npos) << conflicts.front().text;
    }
}

// With every guard 0 a compatible set is a Golomb ruler: the optimal ones of
// 4 to 8 marks fit their known lengths and no more marks do.
TEST(FrequencyPlan, GolombRulersAreFoundAndProvenMaximal)
{
    const std::pair<int, int> optimal[] = {{4, 6}, {5, 11}, {6, 17}, {7, 25}, {8, 34}};
    for (const auto& [marks, length] : optimal) {
        PlanRequest r;
        r.startKhz = 600000, r.stepKhz = 25, r.stopKhz = 600000 + length * 25;
        r.rules = NoGuards();
        r.seconds = 30;
        const PlanResult p = SolvePlan(r);
        EXPECT_EQ(static_cast<int>(p.chosenKhz.size()), marks) << length;
        EXPECT_TRUE(p.proven) << length;
        r.count = marks + 1;
        const PlanResult more = SolvePlan(r);
        EXPECT_FALSE(more.complete) << length;
        EXPECT_TRUE(more.proven) << length;
        EXPECT_NE(more.reason.find("do not fit"), std::string::npos) << more.reason;
    }
}

// On small grids the solver's largest set is the brute force's, under rules
// with guards, a busy frequency and a kept carrier.
TEST(FrequencyPlan, TheLargestSetIsTheBruteForcesOnSmallGrids)
{
    PlanRules rules;
    rules.carrierSpacingKhz = 50, rules.imGuardKhz = 25, rules.im3GuardKhz = 25, rules.busyGuardKhz = 50;
    for (bool im5 : {false, true}) {
        rules.im5 = im5;
        PlanRequest r;
        r.startKhz = 600000, r.stepKhz = 25, r.stopKhz = 600000 + 13 * 25; // 14 points
        r.busyKhz = {600200};
        r.keepKhz = {600300};
        r.rules = rules;
        const PlanResult p = SolvePlan(r);
        ASSERT_TRUE(p.proven);
        std::size_t best = 0;
        for (unsigned mask = 0; mask < (1u << 14); ++mask) {
            std::vector<int> set = r.keepKhz;
            for (int i = 0; i < 14; ++i)
                if (mask & (1u << i))
                    set.push_back(600000 + i * 25);
            if (std::count(set.begin(), set.end(), 600300) > 1)
                continue;
            if (static_cast<std::size_t>(__builtin_popcount(mask)) > best && CheckPlan(set, r.busyKhz, rules).empty())
                best = static_cast<std::size_t>(__builtin_popcount(mask));
        }
        EXPECT_EQ(p.chosenKhz.size(), best) << im5;
        std::vector<int> all = r.keepKhz;
        all.insert(all.end(), p.chosenKhz.begin(), p.chosenKhz.end());
        EXPECT_TRUE(CheckPlan(all, r.busyKhz, rules).empty());
        EXPECT_EQ(std::count(p.chosenKhz.begin(), p.chosenKhz.end(), 600300), 0); // the kept one is not chosen again
    }
}

TEST(FrequencyPlan, RefusalsSayWhy)
{
    PlanRequest r;
    r.startKhz = 606000, r.stopKhz = 607000, r.stepKhz = 25;
    r.count = 5; // 350 kHz apart in 1 MHz: at most 3
    PlanResult p = SolvePlan(r);
    EXPECT_FALSE(p.complete);
    EXPECT_EQ(p.reason, "5 frequencies do not fit the range under these rules.");
    r.count = 2;
    r.keepKhz = {606500, 606600};
    p = SolvePlan(r);
    EXPECT_FALSE(p.complete);
    EXPECT_NE(p.reason.find("The kept frequencies break the rules themselves: 606.500 and 606.600 MHz are 100 kHz apart"), std::string::npos) << p.reason;
    r.keepKhz = {};
    r.stopKhz = 605000;
    EXPECT_EQ(SolvePlan(r).reason, "The range holds no grid point.");
}

} // namespace
} // namespace zr
