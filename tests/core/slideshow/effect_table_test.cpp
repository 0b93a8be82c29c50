#include "core/slideshow/effect_table.h"

#include "core/slideshow/random.h"
#include "support/fake_platform.h"

#include <gtest/gtest.h>

#include <set>

namespace framory::core {
namespace {

using framory::testing::ScriptedRandom;

// Their count is checked below, where draws reach every allowed number.
TEST(EffectTable, AllowsExactlyTheListedNumbers)
{
    EffectTable table;
    InitEffectTable(table);
    for (const int never : {-1, 0, 24, 25, 35, 36, 37, 38, 39, 50, 51, 60, 67, 82, 88, 93, 114, 120}) {
        EXPECT_FALSE(table.allowed(never)) << never;
    }
    for (const int ok : {1, 23, 26, 34, 40, 49, 52, 59, 68, 81, 94, 97, 98, 113}) {
        EXPECT_TRUE(table.allowed(ok)) << ok;
    }
}

TEST(DrawEffect, RedrawsUntilAllowedReseedingBeforeEveryDraw)
{
    EffectTable table;
    InitEffectTable(table);
    ScriptedRandom random;
    // 113 * r + 1: 0.32 -> 37 (not allowed), 0.22 -> 25 (not allowed), 0.5 -> 57.
    random.draws = {0.32, 0.22, 0.5, 0.0, 0.9999999999999999};
    std::int16_t current = 0;
    EXPECT_EQ(DrawEffect(table, random, current), 57);
    EXPECT_EQ(current, 57);
    EXPECT_EQ(random.reseeds, 3);
    EXPECT_EQ(DrawEffect(table, random, current), 1);
    EXPECT_EQ(DrawEffect(table, random, current), 113);
    EffectTable empty;
    EXPECT_EQ(DrawEffect(empty, random, current), 0) << "an empty table gives no effect instead of looping";
}

TEST(DrawEffect, AFrozenClockStillReachesEveryAllowedNumber)
{
    // A generator restarted from a clock that stands still would repeat one number.
    framory::testing::ManualClock clock;
    ClockMixedRandom random(clock);
    EffectTable table;
    InitEffectTable(table);
    std::int16_t current = 0;
    std::set<int> seen;
    double lowest = 1, highest = 0;
    for (int i = 0; i < 5000; ++i) {
        seen.insert(DrawEffect(table, random, current));
        random.reseed_from_clock();
        const double r = random.draw();
        ASSERT_TRUE(r >= 0.0 && r < 1.0) << r;
        lowest = std::min(lowest, r);
        highest = std::max(highest, r);
    }
    EXPECT_EQ(seen.size(), 84u);
    EXPECT_LT(lowest, 0.01);
    EXPECT_GT(highest, 0.99);
    EXPECT_EQ(WholeDraw(8, 0.0), 1);
    EXPECT_EQ(WholeDraw(113, 1.0 - 0x1.0p-53), 113);
}

TEST(Background, GradientOneDrawsColourAndStyleOthersArePlainBlack)
{
    ScriptedRandom random;
    random.draws = {0.0, 0.0, 0.99, 0.99};
    EXPECT_EQ(DrawBackground(1, random), (BackgroundFill{1, 0}));
    EXPECT_EQ(DrawBackground(1, random), (BackgroundFill{8, 19}));
    for (const std::int16_t other : {0, 2, -1, 100}) {
        EXPECT_EQ(DrawBackground(other, random), BackgroundFill{}) << other;
    }
    const std::pair<int, int> grains[] = {{2, 1}, {3, 1}, {7, 5}, {15, 13}, {-30, 1}};
    for (const auto& [grain, caption] : grains) {
        EXPECT_EQ(CaptionGrain(static_cast<std::int16_t>(grain)), caption) << grain;
    }
    EXPECT_EQ(EffectPace(20, 3), 60);
    EXPECT_EQ(EffectPace(30000, 3), 32767) << "an edited store cannot overflow the pace";
    EXPECT_EQ(EffectPace(-30000, 3), -32768);
}

} // namespace
} // namespace framory::core
