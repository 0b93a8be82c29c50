#include "core/slideshow/placement.h"

#include <gtest/gtest.h>

namespace framory::core {
namespace {

struct Placement {
    ScaleToArea mode;
    float area_top, area_left, area_height, area_width;
    std::int32_t picture_height, picture_width;
    std::int16_t percent;
    PictureRect expected;
};

class PlacementTable : public ::testing::TestWithParam<Placement> {};

TEST_P(PlacementTable, GivesTheRectangle)
{
    const Placement& p = GetParam();
    const PictureRect r = PlacePicture(p.mode, p.area_top, p.area_left, p.area_height, p.area_width, p.picture_height,
                                       p.picture_width, p.percent);
    EXPECT_EQ(r, p.expected) << r.left << "," << r.top << " " << r.width << "x" << r.height;
}

constexpr auto kScale = ScaleToArea::Scale;
constexpr auto kShrink = ScaleToArea::ShrinkOnly;

INSTANTIATE_TEST_SUITE_P(
    Slideshow, PlacementTable,
    ::testing::Values(
        // The worked examples: area 800 by 600.
        Placement{kScale, 0, 0, 600, 800, 300, 400, 100, {0, 0, 800, 600}},
        Placement{kScale, 0, 0, 600, 800, 300, 400, 85, {60, 45, 680, 510}},
        Placement{kScale, 0, 0, 600, 800, 400, 300, 100, {175, 0, 450, 600}},
        Placement{kShrink, 0, 0, 600, 800, 300, 400, 100, {200, 150, 400, 300}},
        Placement{kShrink, 0, 0, 600, 800, 600, 1600, 100, {0, 150, 800, 300}},
        Placement{kShrink, 0, 0, 600, 800, 1200, 800, 100, {200, 0, 400, 600}},
        // A square picture is landscape: width first.
        Placement{kScale, 0, 0, 600, 800, 100, 100, 100, {100, 0, 600, 600}},
        // A wide landscape picture is limited by the width only.
        Placement{kScale, 0, 0, 600, 800, 100, 400, 100, {0, 200, 800, 200}},
        // The origin moves the rectangle in mode 1 only.
        Placement{kScale, 50, 30, 600, 800, 300, 400, 85, {90, 95, 680, 510}},
        Placement{kShrink, 50, 30, 600, 800, 300, 400, 100, {200, 150, 400, 300}},
        // A portrait picture on a tall area runs over the right edge, from 0.
        Placement{kScale, 0, 0, 1000, 300, 200, 100, 100, {0, 0, 500, 1000}},
        // Halves round to the even neighbour: (801 - 400) / 2 = 200.5 -> 200;
        // (803 - 400) / 2 = 201.5 -> 202.
        Placement{kShrink, 0, 0, 600, 801, 300, 400, 100, {200, 150, 400, 300}},
        Placement{kShrink, 0, 0, 600, 803, 300, 400, 100, {202, 150, 400, 300}},
        // Printing: 90 per cent of a page, the screen's proportions.
        Placement{kScale, 0, 0, 11000, 8500, 1080, 1920, 90, {425, 3348, 7650, 4303}},
        // No height: no aspect ratio, nothing placed.
        Placement{kScale, 0, 0, 600, 800, 0, 400, 100, {0, 0, 0, 0}}));

} // namespace
} // namespace framory::core
