#include "media/image/frame.h"

#include <gtest/gtest.h>

#include "media/effects/palette.h"

namespace framory::media {
namespace {

constexpr std::uint32_t kPicture = 0xff336699u;

// The show's fixed frame values.
FrameSpec ShowFrame()
{
    FrameSpec f;
    f.first = {PaletteColour(8), PaletteColour(15), 3, 1};
    f.second = {PaletteColour(8), PaletteColour(15), 5, 2};
    f.line_colour = PaletteColour(1);
    f.line_size = 2;
    return f;
}

TEST(Frame, EachElementLandsWhereTheSizesSayScaledByThePixelRatio)
{
    struct Case {
        int line, second, first;
        double ratio;
        int line_px, second_px, first_px;
    };
    for (const Case& c : {Case{0, 0, 0, 1.0, 0, 0, 0}, Case{0, 0, 0, 2.0, 0, 0, 0}, Case{0, 0, 3, 1.0, 0, 0, 3},
                          Case{0, 4, 0, 1.0, 0, 4, 0}, Case{1, 0, 2, 1.0, 1, 0, 2},
                          Case{3, 2, 1, 1.0, 3, 2, 1}, Case{1, 0, 2, 2.0, 2, 0, 4}, Case{3, 2, 1, 1.5, 5, 3, 2},
                          Case{1, 1, 1, 1.25, 1, 1, 1}}) {
        FrameSpec f;
        f.line_size = c.line;
        f.line_colour = 0xff000001u;
        f.second = {0xff000002u, 0xff000002u, kFrameFlat, c.second};
        f.first = {0xff000003u, 0xff000003u, kFrameFlat, c.first};
        Image image(50, 40, kPicture);
        DrawFrame(ScaledFrame(f, c.ratio), image);
        std::vector<std::uint32_t> expected;
        expected.insert(expected.end(), static_cast<std::size_t>(c.line_px), 0xff000001u);
        expected.insert(expected.end(), static_cast<std::size_t>(c.second_px), 0xff000002u);
        expected.insert(expected.end(), static_cast<std::size_t>(c.first_px), 0xff000003u);
        expected.push_back(kPicture);
        SCOPED_TRACE(std::to_string(c.line) + std::to_string(c.second) + std::to_string(c.first) + " x" +
                     std::to_string(c.ratio));
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const int k = static_cast<int>(i);
            EXPECT_EQ(image.at(k, 20), expected[i]) << "ring " << k;
            EXPECT_EQ(image.at(25, 39 - k), expected[i]) << "ring " << k;
        }
        const int thickness = c.line_px + c.second_px + c.first_px;
        EXPECT_EQ(FrameInnerRect(ScaledFrame(f, c.ratio), {0, 0, 50, 40}),
                  (PixelRect{thickness, thickness, 50 - 2 * thickness, 40 - 2 * thickness}));
    }
}

TEST(Frame, StylesChooseTheColoursOfEachSide)
{
    const std::uint32_t a = 0xff111111u;
    const std::uint32_t b = 0xffeeeeeeu;
    struct Case {
        int style;
        std::uint32_t outer_light, outer_shadow, inner_light, inner_shadow;
    };
    for (const Case& c : {Case{kFrameFlat, a, a, a, a}, Case{kFrameFlatSecond, b, b, b, b},
                          Case{kFrameRaised, b, a, b, a}, Case{kFrameSunken, a, b, a, b},
                          Case{kFrameRidge, b, a, a, b}, Case{kFrameGroove, a, b, b, a}, Case{42, a, a, a, a}}) {
        FrameSpec f;
        f.first = {a, b, c.style, 2};
        Image image(20, 20, kPicture);
        DrawFrame(f, image);
        // The light side is the top and the left, the shadow side the
        // bottom and the right.
        SCOPED_TRACE(FrameStyleName(c.style));
        for (int ring = 0; ring < 2; ++ring) {
            const std::uint32_t light = ring == 0 ? c.outer_light : c.inner_light;
            const std::uint32_t shadow = ring == 0 ? c.outer_shadow : c.inner_shadow;
            EXPECT_EQ(image.at(ring, 10), light) << ring;
            EXPECT_EQ(image.at(10, ring), light) << ring;
            EXPECT_EQ(image.at(19 - ring, 10), shadow) << ring;
            EXPECT_EQ(image.at(10, 19 - ring), shadow) << ring;
        }
    }
    FrameSpec shaded;
    shaded.first = {0xff000000u, 0xffc0c0c0u, kFrameShaded, 3};
    Image image(20, 20, kPicture);
    DrawFrame(shaded, image);
    EXPECT_EQ(image.at(0, 10), 0xff000000u);
    EXPECT_EQ(image.at(1, 10), 0xff606060u);
    EXPECT_EQ(image.at(2, 10), 0xffc0c0c0u);
    FrameSpec dotted;
    dotted.first = {a, b, kFrameDotted, 2};
    Image dots(20, 20, kPicture);
    DrawFrame(dotted, dots);
    EXPECT_EQ(dots.at(0, 0), a);
    EXPECT_EQ(dots.at(2, 0), b);
    EXPECT_EQ(dots.at(4, 0), a);
}

TEST(Frame, OversizedOrOffImageFramesAreClipped)
{
    FrameSpec f = ShowFrame();
    f.first.size = 1000000;
    f.line_size = 1 << 30;
    Image image(12, 9, kPicture);
    DrawFrame(f, image);
    EXPECT_EQ(image.at(6, 4), PaletteColour(1)); // the line fills it all
    EXPECT_EQ(FrameInnerRect(f, {0, 0, 12, 9}).width, 0);
    Image other(12, 9, kPicture);
    DrawFrame(ShowFrame(), PixelRect{-20, -20, 25, 25}, other);
    // Only the bottom-right corner of the frame is on the image: the outer
    // line's corner at (4, 4), the first band's shadow side at (0, 0).
    EXPECT_EQ(other.at(4, 4), PaletteColour(1));
    EXPECT_EQ(other.at(0, 0), PaletteColour(15));
    EXPECT_EQ(other.at(5, 5), kPicture);
    EXPECT_EQ(other.at(11, 8), kPicture);
}

} // namespace
} // namespace framory::media
