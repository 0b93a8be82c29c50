#include "media/effects/gradient.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "media/effects/palette.h"

namespace framory::media {
namespace {

int Channel(std::uint32_t pixel, int shift) { return static_cast<int>((pixel >> shift) & 0xffu); }

Image Gradient(int style, std::uint32_t colour, int depth = kDefaultGradientDepth, int w = 64, int h = 48)
{
    Image out(w, h);
    RenderGradient(style, colour, out, depth);
    return out;
}

TEST(Palette, HoldsTheSixteenColoursByNumber)
{
    const std::uint32_t expected[kPaletteSize] = {
        Argb(0, 0, 0),       Argb(0, 0, 128),   Argb(0, 128, 0),   Argb(0, 128, 128),
        Argb(128, 0, 0),     Argb(128, 0, 128), Argb(128, 128, 0), Argb(192, 192, 192),
        Argb(128, 128, 128), Argb(0, 0, 255),   Argb(0, 255, 0),   Argb(0, 255, 255),
        Argb(255, 0, 0),     Argb(255, 0, 255), Argb(255, 255, 0), Argb(255, 255, 255),
    };
    for (int i = 0; i < kPaletteSize; ++i) {
        EXPECT_EQ(PaletteColour(i), expected[i]) << i;
    }
    EXPECT_EQ(PaletteColour(16), Argb(0, 0, 0));
    EXPECT_EQ(PaletteColour(-1), Argb(0, 0, 0));
}

TEST(Gradient, StyleZeroIsAPlainFill)
{
    for (int index : {0, 3, 8, 15}) {
        const Image image = Gradient(0, PaletteColour(index));
        EXPECT_EQ(image, Image(64, 48, PaletteColour(index))) << index;
    }
    // Styles outside the catalogue and a depth of 0 fill plainly too.
    EXPECT_EQ(Gradient(20, PaletteColour(4)), Image(64, 48, PaletteColour(4)));
    EXPECT_EQ(Gradient(-2, PaletteColour(4)), Image(64, 48, PaletteColour(4)));
    EXPECT_EQ(Gradient(13, PaletteColour(4), 0), Image(64, 48, PaletteColour(4)));
}

TEST(Gradient, EveryStyleLooksDifferent)
{
    std::vector<Image> images;
    for (int style = 0; style < kGradientStyleCount; ++style) {
        images.push_back(Gradient(style, PaletteColour(5)));
        EXPECT_NE(GradientStyleName(style), "") << style;
        for (int other = 0; other < style; ++other) {
            EXPECT_NE(images[static_cast<std::size_t>(other)], images.back()) << other << " and " << style;
        }
    }
}

TEST(Gradient, RunsFromThePaletteColourToItsDarkEnd)
{
    const auto sum = [](std::uint32_t p) { return Channel(p, 0) + Channel(p, 8) + Channel(p, 16); };
    // The show's background colours are palette entries 1 to 8.
    for (int index = 1; index <= 8; ++index) {
        const std::uint32_t colour = PaletteColour(index);
        for (int style = 1; style < kGradientStyleCount; ++style) {
            SCOPED_TRACE(std::to_string(index) + " style " + std::to_string(style));
            const Image image = Gradient(style, colour);
            int brightest = 0;
            int darkest = 1 << 30;
            for (std::size_t i = 0; i < image.pixel_count(); ++i) {
                const std::uint32_t p = image.data()[i];
                ASSERT_EQ(p >> 24, 0xffu);
                // Every pixel is a shade of the colour: no channel above
                // it, and a channel that is 0 in the colour stays 0.
                for (int shift : {0, 8, 16}) {
                    ASSERT_LE(Channel(p, shift), Channel(colour, shift));
                }
                brightest = std::max(brightest, sum(p));
                darkest = std::min(darkest, sum(p));
            }
            // Depth 200 leaves 55/255 of the colour at the dark end.
            EXPECT_GE(brightest, sum(colour) * 9 / 10);
            EXPECT_LE(darkest, sum(colour) * 3 / 10);
            EXPECT_GE(darkest, sum(colour) * 55 / 255 - 3);
        }
    }
}

TEST(Gradient, DepthDecidesHowDarkTheFarEndGets)
{
    const std::uint32_t colour = PaletteColour(15);
    EXPECT_EQ(Gradient(1, colour, 255).at(63, 10), Argb(2, 2, 2));
    // Depth 100 stops at 155/255 of the colour (the last column is a hair
    // short of the end).
    EXPECT_NEAR(static_cast<double>(Gradient(1, colour, 100).at(63, 10) & 0xffu), 155.0, 1.5);
    // Depth is held to 0..255.
    EXPECT_EQ(Gradient(1, colour, 900), Gradient(1, colour, 255));
}

TEST(Gradient, StylesPointTheWayTheirNamesSay)
{
    const std::uint32_t c = PaletteColour(12);
    auto red = [](const Image& image, int x, int y) { return Channel(image.at(x, y), 16); };
    const Image across = Gradient(1, c);
    EXPECT_GT(red(across, 0, 20), red(across, 63, 20));
    EXPECT_EQ(red(across, 10, 0), red(across, 10, 47));
    const Image down = Gradient(4, c);
    EXPECT_LT(red(down, 30, 0), red(down, 30, 47));
    const Image circle = Gradient(13, c);
    EXPECT_GT(red(circle, 32, 24), red(circle, 0, 0));
    const Image hole = Gradient(14, c);
    EXPECT_LT(red(hole, 32, 24), red(hole, 0, 0));
    const Image sweep = Gradient(19, c);
    EXPECT_GT(red(sweep, 32, 0), red(sweep, 32, 47));
    EXPECT_EQ(red(sweep, 10, 24), red(sweep, 53, 24));
}

} // namespace
} // namespace framory::media
