#include <gtest/gtest.h>

#include <string>

#include "media/image/scale.h"

namespace framory::media {
namespace {

int Channel(std::uint32_t p, int shift)
{
    return static_cast<int>((p >> shift) & 0xff);
}

TEST(Scale, FlatColourStaysFlatAtEveryRatio)
{
    const Image src(37, 23, Argb(12, 200, 77));
    for (auto [w, h] : {std::pair{5, 3}, {37, 23}, {100, 71}, {1, 1}, {36, 24}}) {
        const Image out = ScaleImage(src, w, h);
        ASSERT_EQ(out.width(), w);
        ASSERT_EQ(out.height(), h);
        for (std::size_t i = 0; i < out.pixel_count(); ++i) {
            ASSERT_EQ(out.data()[i], Argb(12, 200, 77)) << w << "x" << h << " at " << i;
        }
    }
}

TEST(Scale, ShrinkingAveragesEverySourcePixel)
{
    // A one-pixel checkerboard averages to mid grey: nearest-neighbour or
    // a two-tap filter at 4:1 would give black, white or stripes.
    Image src(64, 64);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            src.at(x, y) = ((x + y) & 1) ? Argb(255, 255, 255) : Argb(0, 0, 0);
        }
    }
    const Image out = ScaleImage(src, 16, 16);
    for (std::size_t i = 0; i < out.pixel_count(); ++i) {
        EXPECT_NEAR(Channel(out.data()[i], 8), 128, 1);
    }
    // A 3:1 shrink of a block pattern: each target pixel is the mean of its
    // own 3x3 block.
    Image blocks(6, 3);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 6; ++x) {
            blocks.at(x, y) = x < 3 ? Argb(90, 0, 0) : Argb(0, 0, static_cast<std::uint8_t>(30 * (y + 1)));
        }
    }
    const Image two = ScaleImage(blocks, 2, 1);
    EXPECT_EQ(two.at(0, 0), Argb(90, 0, 0));
    EXPECT_EQ(two.at(1, 0), Argb(0, 0, 60));
}

TEST(Scale, TransparentPixelsDoNotBleedTheirColour)
{
    // Opaque red beside fully transparent green: the average must stay
    // pure red at half coverage, not turn brownish.
    Image src(2, 1);
    src.at(0, 0) = Argb(255, 0, 0, 255);
    src.at(1, 0) = Argb(0, 255, 0, 0);
    const Image out = ScaleImage(src, 1, 1);
    EXPECT_EQ(Channel(out.at(0, 0), 24), 128);
    EXPECT_EQ(Channel(out.at(0, 0), 16), 255);
    EXPECT_EQ(Channel(out.at(0, 0), 8), 0);
}

TEST(Scale, EnlargingIsSymmetricKeepsTheEndsAndRisesMonotonically)
{
    // Red ramps across, green down. Sampling at pixel centres treats both
    // ends alike, so the enlarged ramp is its own mirror image: a value and
    // its mirror's sum to 200, to an even and to an odd size.
    Image src(2, 2);
    for (int i = 0; i < 4; ++i) {
        src.at(i % 2, i / 2) = Argb(static_cast<std::uint8_t>(200 * (i % 2)), static_cast<std::uint8_t>(200 * (i / 2)), 0);
    }
    const Image out = ScaleImage(src, 10, 7);
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 10; ++x) {
            SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
            EXPECT_NEAR(Channel(out.at(x, y), 16) + Channel(out.at(9 - x, y), 16), 200, 1);
            EXPECT_NEAR(Channel(out.at(x, y), 8) + Channel(out.at(x, 6 - y), 8), 200, 1);
            if (x > 0) {
                EXPECT_GE(Channel(out.at(x, y), 16), Channel(out.at(x - 1, y), 16));
            }
        }
    }
    EXPECT_EQ(out.at(0, 0), Argb(0, 0, 0));
    EXPECT_EQ(out.at(9, 6), Argb(200, 200, 0));
}

TEST(Scale, EmptySizesGiveAnEmptyImage)
{
    EXPECT_TRUE(ScaleImage(Image(), 10, 10).empty());
    EXPECT_TRUE(ScaleImage(Image(4, 4), 0, 10).empty());
}

} // namespace
} // namespace framory::media
