#include "core/slideshow/placement.h"

#include <gtest/gtest.h>

namespace framory::core {
namespace {

TEST(PlacePicture, KeepsTheAspectRatioAndCentres)
{
    constexpr auto kScale = ScaleToArea::Scale;
    constexpr auto kShrink = ScaleToArea::ShrinkOnly;
    struct Case {
        ScaleToArea mode;
        float area_top, area_left, area_height, area_width;
        std::int32_t picture_height, picture_width;
        std::int16_t percent;
        PictureRect expected;
    };
    const Case cases[] = {// An area of 800 by 600.
                          {kScale, 0, 0, 600, 800, 300, 400, 100, {0, 0, 800, 600}},
                          {kScale, 0, 0, 600, 800, 300, 400, 85, {60, 45, 680, 510}},
                          {kScale, 0, 0, 600, 800, 400, 300, 100, {175, 0, 450, 600}},
                          {kShrink, 0, 0, 600, 800, 300, 400, 100, {200, 150, 400, 300}},
                          {kShrink, 0, 0, 600, 800, 600, 1600, 100, {0, 150, 800, 300}},
                          {kShrink, 0, 0, 600, 800, 1200, 800, 100, {200, 0, 400, 600}},
                          // A square picture counts as landscape: width first.
                          {kScale, 0, 0, 600, 800, 100, 100, 100, {100, 0, 600, 600}},
                          {kScale, 0, 0, 600, 800, 100, 400, 100, {0, 200, 800, 200}},
                          // The origin moves the rectangle when scaling only.
                          {kScale, 50, 30, 600, 800, 300, 400, 85, {90, 95, 680, 510}},
                          {kShrink, 50, 30, 600, 800, 300, 400, 100, {200, 150, 400, 300}},
                          // A portrait picture on a tall area runs over the right edge, from 0.
                          {kScale, 0, 0, 1000, 300, 200, 100, 100, {0, 0, 500, 1000}},
                          // Halves go to the even neighbour: 200.5 -> 200, 201.5 -> 202.
                          {kShrink, 0, 0, 600, 801, 300, 400, 100, {200, 150, 400, 300}},
                          {kShrink, 0, 0, 600, 803, 300, 400, 100, {202, 150, 400, 300}},
                          // Printing: 90 per cent of a page, the screen's proportions.
                          {kScale, 0, 0, 11000, 8500, 1080, 1920, 90, {425, 3348, 7650, 4303}},
                          // No height: no aspect ratio, nothing placed.
                          {kScale, 0, 0, 600, 800, 0, 400, 100, {0, 0, 0, 0}}};
    for (const Case& c : cases) {
        const PictureRect r = PlacePicture(c.mode, c.area_top, c.area_left, c.area_height, c.area_width,
                                           c.picture_height, c.picture_width, c.percent);
        EXPECT_EQ(r, c.expected) << r.left << "," << r.top << " " << r.width << "x" << r.height;
    }
    EXPECT_EQ(NearestWhole(86401.5), 86402);
    EXPECT_EQ(NearestWhole(-2.5), -2);
    EXPECT_EQ(NearestWhole(1e12), 2147483647);
}

} // namespace
} // namespace framory::core
