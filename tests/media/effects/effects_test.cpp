#include "media/effects/effects.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "media/effects/effect_table.h"
#include "media/support.h"

namespace framory::media {
namespace {

using test::MeanDifference;
using test::SmoothImage;
using test::TexturedImage;

constexpr int kW = 192;
constexpr int kH = 108;

Image Render(int number, const Image& from, const Image& to, double p, int grain, std::uint32_t seed = 0)
{
    Image out;
    RenderEffect(number, from, to, p, grain, out, seed);
    return out;
}

// The numbers of every effect, or of the reveals only.
std::vector<int> AllEffects(bool reveals_only = false)
{
    std::vector<int> numbers;
    for (const EffectEntry& e : EffectCatalogue()) {
        if (!reveals_only || e.kind == EffectKind::Reveal) {
            numbers.push_back(e.number);
        }
    }
    return numbers;
}

TEST(EffectCatalogue, EveryNumberHasItsOwnName)
{
    std::set<std::string> names;
    for (int n : AllEffects()) {
        const std::string name(EffectName(n));
        EXPECT_FALSE(name.empty()) << n;
        EXPECT_NE(name, "None") << n;
        EXPECT_TRUE(names.insert(name).second) << "effect " << n << " repeats the name " << name;
    }
    EXPECT_EQ(EffectName(0), "None");
    EXPECT_EQ(EffectName(kEffectCount + 1), "None");
    EXPECT_EQ(EffectName(-5), "None");
}

TEST(EffectCatalogue, BackgroundFillIsAGentleFade)
{
    // The background label always plays 36 between pictures: an even fade.
    const Image from(8, 8, 0xff000000u);
    const Image to(8, 8, 0xffc8c8c8u);
    const Image mid = Render(36, from, to, 0.5, 12);
    EXPECT_EQ(mid.at(0, 0), mid.at(7, 7));
    EXPECT_EQ(mid.at(3, 5), 0xff646464u);
}

TEST(EveryEffect, RunsContinuouslyFromTheOldToTheNewPicture)
{
    // At 0 the frame is the old picture and at 1 the new one; just after the
    // start it is still nearly the old and just before the end nearly the
    // new, so a reversed or jumping effect fails. Smooth pictures, so that
    // a picture moved by a pixel counts as nearly the same. In between, the
    // frame is neither. Grains 1 and 2 are checked at the ends only: grain 2
    // makes 2-pixel cells on this small picture, which open all at once at
    // half time by symmetry.
    const Image from = SmoothImage(kW, kH, false);
    const Image to = SmoothImage(kW, kH, true);
    const double apart = MeanDifference(from, to);
    const Image textured_from = TexturedImage(kW, kH, 0);
    const Image textured_to = TexturedImage(kW, kH, 1);
    for (int n : AllEffects()) {
        for (int grain : {1, 2, 3, 7, 15}) {
            SCOPED_TRACE("effect " + std::to_string(n) + ", grain " + std::to_string(grain));
            EXPECT_EQ(Render(n, textured_from, textured_to, 0.0, grain), textured_from);
            EXPECT_EQ(Render(n, textured_from, textured_to, 1.0, grain), textured_to);
            if (grain <= 2) {
                continue;
            }
            EXPECT_LT(MeanDifference(Render(n, from, to, 0.002, grain), from), 0.03 * apart);
            EXPECT_LT(MeanDifference(Render(n, from, to, 0.998, grain), to), 0.03 * apart);
            for (double p : {0.3, 0.5, 0.7}) {
                const Image mid = Render(n, textured_from, textured_to, p, grain);
                EXPECT_NE(mid, textured_from) << "nothing has happened at " << p;
                EXPECT_NE(mid, textured_to) << "all over at " << p;
            }
        }
    }
}

TEST(EveryEffect, WritesEveryPixelOfATallFrame)
{
    // A tall frame, with more rows than any cell or band of the effects
    // spans: no row may be left out.
    const Image from(200, 1300, 0xff102030u);
    const Image to(200, 1300, 0xff405060u);
    for (int n : AllEffects()) {
        SCOPED_TRACE("effect " + std::to_string(n));
        Image out(200, 1300, 0x12345678u);
        RenderEffect(n, from, to, 0.37, 7, out, 99);
        for (int y = 0; y < out.height(); y += 1) {
            ASSERT_NE(out.at(0, y), 0x12345678u) << "row " << y;
            ASSERT_NE(out.at(out.width() - 1, y), 0x12345678u) << "row " << y;
            ASSERT_NE(out.at(out.width() / 2, y), 0x12345678u) << "row " << y;
        }
    }
}

TEST(EveryEffect, GrainChangesTheFramesOnlyWhereTheEffectHasCells)
{
    const Image from = TexturedImage(kW, kH, 0);
    const Image to = TexturedImage(kW, kH, 1);
    for (int n : AllEffects()) {
        SCOPED_TRACE("effect " + std::to_string(n));
        const bool differs = Render(n, from, to, 0.45, 3) != Render(n, from, to, 0.45, 12);
        EXPECT_EQ(differs, DescribeEffect(n).uses_grain);
    }
}

TEST(RevealEffects, CoverMonotonicallyWithOldOrNewPixelsOnly)
{
    // Every pixel is the old or the new picture's, and a pixel that has
    // turned new stays new while the progress grows (wipes, irises, blinds,
    // dissolves ...).
    constexpr int kSmallW = 144;
    constexpr int kSmallH = 81;
    const Image from = TexturedImage(kSmallW, kSmallH, 0);
    const Image to = TexturedImage(kSmallW, kSmallH, 1);
    for (int n : AllEffects(true)) {
        SCOPED_TRACE("effect " + std::to_string(n));
        for (int grain : {2, 9}) {
            std::vector<unsigned char> was_new(from.pixel_count(), 0);
            for (int step = 1; step < 20; ++step) {
                const double p = step / 20.0;
                const Image frame = Render(n, from, to, p, grain, 7);
                const std::uint32_t* pixels = frame.data();
                const std::uint32_t* old_pixels = from.data();
                const std::uint32_t* new_pixels = to.data();
                for (std::size_t i = 0; i < was_new.size(); ++i) {
                    const bool is_new = pixels[i] == new_pixels[i];
                    if (!is_new && pixels[i] != old_pixels[i]) {
                        FAIL() << "pixel (" << i % kSmallW << ", " << i / kSmallW << ") is neither old nor new at " << p
                               << ", grain " << grain;
                    }
                    if (was_new[i] != 0 && !is_new) {
                        FAIL() << "pixel (" << i % kSmallW << ", " << i / kSmallW << ") turned old again at " << p
                               << ", grain " << grain;
                    }
                    was_new[i] = is_new ? 1 : 0;
                }
            }
        }
    }
}

TEST(Effects, NoTwoNumbersGiveTheSameFrameHalfWay)
{
    // On a wide and on a square picture, so that no shape coincides with
    // another on either.
    for (const auto& [w, h] : {std::pair{kW, kH}, std::pair{96, 96}}) {
        const Image from = TexturedImage(w, h, 0);
        const Image to = TexturedImage(w, h, 1);
        std::vector<std::pair<int, Image>> seen;
        for (int n : AllEffects()) {
            const Image frame = Render(n, from, to, 0.5, 7, 3);
            for (const auto& [m, earlier] : seen) {
                EXPECT_NE(earlier, frame) << "effects " << m << " and " << n << " look the same at " << w << "x" << h;
            }
            seen.emplace_back(n, frame);
        }
    }
}

TEST(Effects, CellSizeFollowsGrainPictureSizeAndPixelRatio)
{
    struct Case {
        int grain, w, h, cell;
        double ratio = 1.0;
    };
    for (const Case& c : {Case{7, 1920, 1080, 28}, Case{2, 1920, 1080, 8}, Case{15, 1920, 1080, 60},
                          Case{15, 3840, 2160, 120}, Case{7, 150, 112, 7}, Case{1, 1080, 1920, 4},
                          Case{0, 1920, 1080, 4}, Case{-3, 20, 20, 1}, Case{5, 0, 0, 5},
                          Case{32767, 3840, 2160, 2160},
                          // A denser screen: the same look in logical pixels.
                          Case{7, 3840, 2160, 56, 2.0}, Case{7, 300, 224, 14, 2.0}, Case{3, 20, 20, 6, 2.0},
                          Case{7, 150, 112, 7, std::numeric_limits<double>::quiet_NaN()}}) {
        EXPECT_EQ(EffectCellSize(c.grain, c.w, c.h, c.ratio), c.cell)
            << c.grain << " " << c.w << "x" << c.h << " ratio " << c.ratio;
    }
}

TEST(Effects, ChangedAreasAreTheTilesThatChanged)
{
    // Frames of 300x100: tiles of 128x32, the last column 44 wide, the last
    // row 4 high.
    struct Change {
        int x, y, w, h;
    };
    struct Case {
        const char* name;
        std::vector<Change> changes;
        int max_areas;
        std::vector<PixelRect> expected;
    };
    const std::vector<Case> cases = {
        {"nothing", {}, 64, {}},
        {"one pixel", {{5, 7, 1, 1}}, 64, {{0, 0, 128, 32}}},
        {"the frame's last pixel", {{299, 99, 1, 1}}, 64, {{256, 96, 44, 4}}},
        {"neighbours in a row join", {{120, 40, 20, 1}}, 64, {{0, 32, 256, 32}}},
        {"a wiped column", {{130, 0, 4, 100}}, 64,
         {{128, 0, 128, 32}, {128, 32, 128, 32}, {128, 64, 128, 32}, {128, 96, 128, 4}}},
        {"apart in a row", {{0, 0, 1, 1}, {299, 0, 1, 1}}, 64, {{0, 0, 128, 32}, {256, 0, 44, 32}}},
        {"too many: one per tile row", {{0, 0, 1, 1}, {299, 0, 1, 1}, {0, 40, 1, 1}, {299, 40, 1, 1}}, 3,
         {{0, 0, 300, 32}, {0, 32, 300, 32}}},
        {"too many rows: rows joined", {{0, 0, 1, 1}, {0, 40, 1, 1}, {0, 70, 1, 1}, {0, 99, 1, 1}}, 2,
         {{0, 0, 128, 64}, {0, 64, 128, 36}}},
    };
    const Image before = TexturedImage(300, 100, 1);
    for (const Case& c : cases) {
        Image after = before;
        for (const Change& ch : c.changes) {
            for (int y = ch.y; y < ch.y + ch.h; ++y) {
                for (int x = ch.x; x < ch.x + ch.w; ++x) {
                    after.at(x, y) ^= 0x00010101u;
                }
            }
        }
        EXPECT_EQ(ChangedAreas(before, after, c.max_areas), c.expected) << c.name;
    }
    EXPECT_EQ(ChangedAreas(Image(4, 4), Image(5, 4)), (std::vector<PixelRect>{{0, 0, 5, 4}})) << "another size";
}

TEST(Effects, RandomDissolveUsesCellsOfTheGrainsSize)
{
    const Image from = TexturedImage(kW, kH, 0);
    const Image to = TexturedImage(kW, kH, 1);
    for (int grain : {2, 5, 11}) {
        const Image frame = Render(34, from, to, 0.5, grain, 11);
        const auto is_new = [&](int x, int y) { return frame.at(x, y) == to.at(x, y); };
        // Every grain x grain cell is all old or all new, and some cells
        // differ from their left neighbour, so the cells are not larger.
        bool some_neighbours_differ = false;
        for (int y = 0; y < kH; ++y) {
            for (int x = 0; x < kW; ++x) {
                ASSERT_EQ(is_new(x, y), is_new(x - x % grain, y - y % grain)) << x << "," << y << " grain " << grain;
                some_neighbours_differ |= x % grain == 0 && x > 0 && is_new(x, y) != is_new(x - 1, y);
            }
        }
        EXPECT_TRUE(some_neighbours_differ) << "grain " << grain;
    }
}

TEST(Effects, RandomEffectsRepeatForOneSeedAndChangeWithIt)
{
    const Image from = TexturedImage(kW, kH, 0);
    const Image to = TexturedImage(kW, kH, 1);
    for (int n : {19, 34, 35, 37, 41, 61, 110, 112}) {
        EXPECT_EQ(Render(n, from, to, 0.45, 3, 1234), Render(n, from, to, 0.45, 3, 1234)) << n;
        EXPECT_NE(Render(n, from, to, 0.45, 3, 1234), Render(n, from, to, 0.45, 3, 4321)) << n;
    }
}

// The clockwise angle from twelve o'clock of the point (dx, dy) (y down).
double ClockAngle(double dx, double dy)
{
    const double a = std::atan2(dx, -dy);
    return a < 0 ? a + 2 * M_PI : a;
}

// Where the new picture is at a given progress, for a few effects whose
// geometry is easy to state.
TEST(Effects, ShapesLandWhereTheyShould)
{
    const int w = 200;
    const int h = 100;
    const Image from(w, h, 0xff000000u);
    const Image to(w, h, 0xffffffffu);
    struct Case {
        int number;
        double p;
        bool (*expected_new)(int x, int y);
    };
    const Case cases[] = {
        {1, 0.25, [](int x, int) { return x < 50; }},
        {2, 0.25, [](int x, int) { return x >= 150; }},
        {3, 0.3, [](int, int y) { return y < 30; }},
        {4, 0.3, [](int, int y) { return y >= 70; }},
        {9, 0.5, [](int x, int) { return x >= 50 && x < 150; }},
        {12, 0.5, [](int, int y) { return y < 25 || y >= 75; }},
        {20, 0.5, [](int x, int y) { return x >= 50 && x < 150 && y >= 25 && y < 75; }},
        {5, 0.5, [](int x, int y) { return (x + 0.5) / 200.0 + (y + 0.5) / 100.0 < 1.0; }},
        {22, 0.4, [](int x, int y) { return std::hypot(x + 0.5 - 100, y + 0.5 - 50) < 0.4 * std::hypot(100.0, 50.0); }},
        // Clock hands run 4 per cent ahead half way: at 0.25 the hand has
        // gone 0.25 + 0.04 sin(pi / 4) of a turn.
        {26, 0.25, [](int x, int y) { return ClockAngle(x + 0.5 - 100, y + 0.5 - 50) < 0.278284 * 2 * M_PI; }},
        {27, 0.25, [](int x, int y) { return ClockAngle(100 - x - 0.5, y + 0.5 - 50) < 0.278284 * 2 * M_PI; }},
    };
    for (const Case& c : cases) {
        const Image frame = Render(c.number, from, to, c.p, 7);
        int wrong = 0;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                wrong += (frame.at(x, y) == to.at(x, y)) != c.expected_new(x, y) ? 1 : 0;
            }
        }
        EXPECT_EQ(wrong, 0) << "effect " << c.number << " at " << c.p;
    }
}

TEST(Effects, MotionsMoveThePictures)
{
    const Image from = TexturedImage(kW, kH, 0);
    const Image to = TexturedImage(kW, kH, 1);
    // Slide in from left, half way: the right half of the new picture covers
    // the left half of the frame.
    const Image slide = Render(74, from, to, 0.5, 7);
    EXPECT_EQ(slide.at(0, 10), to.at(kW / 2, 10));
    EXPECT_EQ(slide.at(kW / 2 - 1, 50), to.at(kW - 1, 50));
    EXPECT_EQ(slide.at(kW / 2, 50), from.at(kW / 2, 50));
    // Push left, a quarter: the old picture moved a quarter to the left, the
    // new one follows it in from the right.
    const Image pushed = Render(78, from, to, 0.25, 7);
    EXPECT_EQ(pushed.at(0, 20), from.at(kW / 4, 20));
    EXPECT_EQ(pushed.at(kW - kW / 4, 20), to.at(0, 20));
    // Uncover downwards, half way: the old picture's top half now fills the
    // bottom half; the new picture is uncovered above it.
    const Image uncovered = Render(89, from, to, 0.5, 7);
    EXPECT_EQ(uncovered.at(5, kH / 2), from.at(5, 0));
    EXPECT_EQ(uncovered.at(5, kH / 2 - 1), to.at(5, kH / 2 - 1));
    // Zoom in, half way: the whole new picture at half size in the middle.
    const Image zoom = Render(94, from, to, 0.5, 7);
    EXPECT_EQ(zoom.at(kW / 4, kH / 4), to.at(0, 0));
    EXPECT_EQ(zoom.at(kW / 4 - 1, kH / 4), from.at(kW / 4 - 1, kH / 4));
    EXPECT_EQ(zoom.at(kW / 4 + 10, kH / 4 + 5), to.at(20, 10));
}

TEST(Effects, OddInputsGiveSensibleFrames)
{
    const Image from = TexturedImage(40, 30, 0);
    const Image to = TexturedImage(40, 30, 1);
    // Unknown numbers and NaN progress show the new picture at once.
    for (int n : {0, -1, kEffectCount + 1, 5000}) {
        EXPECT_EQ(Render(n, from, to, 0.3, 7), to) << n;
    }
    EXPECT_EQ(Render(22, from, to, std::numeric_limits<double>::quiet_NaN(), 7), to);
    EXPECT_EQ(Render(22, from, to, -3.0, 7), from);
    EXPECT_EQ(Render(22, from, to, 7.0, 7), to);
    // An old picture of another size counts as black.
    const Image small = TexturedImage(10, 10, 0);
    EXPECT_EQ(Render(36, small, to, 0.0, 7), Image(40, 30, 0xff000000u));
    // An empty new picture gives an empty frame.
    EXPECT_TRUE(Render(36, from, Image{}, 0.5, 7).empty());
    // Tiny pictures and absurd grains work for every effect.
    const Image dot_a(1, 1, 0xff0000ffu);
    const Image dot_b(1, 1, 0xffff0000u);
    for (int n : AllEffects()) {
        EXPECT_EQ(Render(n, dot_a, dot_b, 0.5, 15).width(), 1) << n;
        const Image huge_grain = Render(n, from, to, 0.5, 1 << 30);
        EXPECT_EQ(huge_grain.width(), 40) << n;
    }
}

TEST(Effects, DrawingIntoAnInputGivesTheSameFrame)
{
    const Image from = TexturedImage(kW, kH, 0);
    const Image to = TexturedImage(kW, kH, 1);
    for (int n : {13, 36, 78, 94}) {
        const Image expected = Render(n, from, to, 0.4, 5);
        Image in_place = from;
        RenderEffect(n, in_place, to, 0.4, 5, in_place);
        EXPECT_EQ(in_place, expected) << n;
        Image into_new = to;
        RenderEffect(n, from, into_new, 0.4, 5, into_new);
        EXPECT_EQ(into_new, expected) << n;
    }
}

TEST(Effects, PaceSetsThePlayTime)
{
    using std::chrono::milliseconds;
    EXPECT_EQ(EffectDuration(0), milliseconds{0});
    EXPECT_EQ(EffectDuration(-4), milliseconds{0});
    EXPECT_EQ(EffectDuration(2), milliseconds{80});
    EXPECT_EQ(EffectDuration(20), milliseconds{800});
    EXPECT_EQ(EffectDuration(60), milliseconds{2400});
    EXPECT_EQ(EffectDuration(250), milliseconds{10000});
    EXPECT_EQ(EffectDuration(32767), milliseconds{10000});
}

} // namespace
} // namespace framory::media
