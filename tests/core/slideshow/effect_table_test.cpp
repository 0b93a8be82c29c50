#include "core/slideshow/effect_table.h"

#include "core/slideshow/random.h"

#include <gtest/gtest.h>

#include <deque>
#include <set>

namespace framory::core {
namespace {

// Hands out the draws a test lists, and counts reseeds.
class ScriptedRandom : public RandomSource {
public:
    std::deque<double> draws;
    int reseeds = 0;
    void reseed_from_clock() override { ++reseeds; }
    double draw() override
    {
        const double r = draws.front();
        draws.pop_front();
        return r;
    }
};

class FrozenClock : public Clock {
public:
    double now = 43200.25;
    double seconds_since_midnight() override { return now; }
};

TEST(EffectTable, AllowsExactlyTheListedNumbers)
{
    EffectTable table;
    InitEffectTable(table);
    std::set<int> allowed;
    for (int n = 0; n <= 120; ++n) {
        if (table.allowed(n)) {
            allowed.insert(n);
        }
    }
    EXPECT_EQ(allowed.size(), 84u);
    for (const int never : {0, 24, 25, 35, 36, 37, 38, 39, 50, 51, 60, 67, 82, 88, 93, 114, -1}) {
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
    random.draws = {0.32, 0.22, 0.5};
    std::int16_t current = 0;
    EXPECT_EQ(DrawEffect(table, random, current), 57);
    EXPECT_EQ(current, 57);
    EXPECT_EQ(random.reseeds, 3);
    random.draws = {0.0, 0.9999999999999999};
    EXPECT_EQ(DrawEffect(table, random, current), 1);
    EXPECT_EQ(DrawEffect(table, random, current), 113);
}

TEST(DrawEffect, EmptyTableGivesNoEffectInsteadOfLoopingForever)
{
    EffectTable table;
    ScriptedRandom random;
    std::int16_t current = 5;
    EXPECT_EQ(DrawEffect(table, random, current), 0);
    EXPECT_EQ(current, 5);
}

TEST(DrawEffect, FrozenClockStillReachesEveryAllowedNumber)
{
    // With the clock standing still, a generator that restarted from the
    // clock would repeat one number forever.
    EffectTable table;
    InitEffectTable(table);
    FrozenClock clock;
    ClockMixedRandom random(clock);
    std::int16_t current = 0;
    std::set<int> seen;
    for (int i = 0; i < 5000; ++i) {
        const int n = DrawEffect(table, random, current);
        ASSERT_TRUE(table.allowed(n)) << n;
        seen.insert(n);
    }
    EXPECT_EQ(seen.size(), 84u);
}

TEST(Random, DrawsLieInTheHalfOpenInterval)
{
    FrozenClock clock;
    ClockMixedRandom random(clock);
    double lowest = 1;
    double highest = 0;
    for (int i = 0; i < 10000; ++i) {
        random.reseed_from_clock();
        const double r = random.draw();
        ASSERT_GE(r, 0.0);
        ASSERT_LT(r, 1.0);
        lowest = std::min(lowest, r);
        highest = std::max(highest, r);
    }
    EXPECT_LT(lowest, 0.01);
    EXPECT_GT(highest, 0.99);
    EXPECT_EQ(WholeDraw(8, 0.0), 1);
    EXPECT_EQ(WholeDraw(8, 0.999), 8);
    EXPECT_EQ(WholeDraw(113, 1.0 - 0x1.0p-53), 113);
}

TEST(Background, GradientOneDrawsColourAndStyleOthersArePlainBlack)
{
    ScriptedRandom random;
    random.draws = {0.0, 0.0};
    EXPECT_EQ(DrawBackground(1, random), (BackgroundFill{1, 0}));
    random.draws = {0.99, 0.99};
    EXPECT_EQ(DrawBackground(1, random), (BackgroundFill{8, 19}));
    EXPECT_EQ(random.reseeds, 2) << "one reseed, before the colour only";
    for (const std::int16_t other : {0, 2, -1, 100}) {
        EXPECT_EQ(DrawBackground(other, random), BackgroundFill{}) << other;
    }
}

TEST(EffectParameters, CaptionGrainAndPace)
{
    EXPECT_EQ(CaptionGrain(2), 1);
    EXPECT_EQ(CaptionGrain(3), 1);
    EXPECT_EQ(CaptionGrain(7), 5);
    EXPECT_EQ(CaptionGrain(15), 13);
    EXPECT_EQ(CaptionGrain(-30), 1);
    EXPECT_EQ(EffectPace(10, 2), 20);
    EXPECT_EQ(EffectPace(20, 3), 60);
    EXPECT_EQ(EffectPace(30000, 3), 32767) << "an edited store cannot overflow the pace";
    EXPECT_EQ(EffectPace(-30000, 3), -32768);
}

} // namespace
} // namespace framory::core
