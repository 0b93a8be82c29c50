#pragma once

#include <cstdint>
#include <string_view>

#include "media/image/image.h"

namespace framory::media {

struct PixelRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    bool operator==(const PixelRect&) const = default;
};

// Band styles. A band is drawn as rings of one pixel; the style decides each
// ring's colours on the top and left sides ("light side") and on the bottom
// and right sides ("shadow side"), with colour 1 and colour 2 of the band:
//   0 flat: colour 1 all round;
//   1 flat: colour 2 all round;
//   2 raised: colour 2 on the light side, colour 1 on the shadow side;
//   3 sunken: colour 1 on the light side, colour 2 on the shadow side;
//   4 ridge: the outer half raised, the inner half sunken;
//   5 groove: the outer half sunken, the inner half raised (an engraved line);
//   6 shaded: rings running from colour 1 outside to colour 2 inside;
//   7 dotted: squares of colour 1 and colour 2 alternating along the band.
// Any other number draws like 0. With the show's values (dark grey and white)
// style 3 is a sunken edge and style 5 an engraved groove.
inline constexpr int kFrameFlat = 0;
inline constexpr int kFrameFlatSecond = 1;
inline constexpr int kFrameRaised = 2;
inline constexpr int kFrameSunken = 3;
inline constexpr int kFrameRidge = 4;
inline constexpr int kFrameGroove = 5;
inline constexpr int kFrameShaded = 6;
inline constexpr int kFrameDotted = 7;

struct FrameBand {
    std::uint32_t colour_1 = 0xff000000u; // 0xAARRGGBB
    std::uint32_t colour_2 = 0xff000000u;
    int style = kFrameFlat;
    int size = 0; // pixels; 0 or less: no band
};

// The picture component's frame. From the outside in: the outer line, the
// second band, the first band, then the picture, so the first band is the
// one that touches the picture.
struct FrameSpec {
    FrameBand first;  // properties 24, 25 colours, 23 style, 22 size
    FrameBand second; // properties 17, 19 colours, 18 style, 10 size
    std::uint32_t line_colour = 0xff000000u; // property 21
    int line_size = 0;                       // property 20; 0 or less: no line
};

std::string_view FrameStyleName(int style);

// The same frame for a screen of `pixel_ratio` device pixels per logical
// pixel: every size (given in logical pixels) in device pixels, so the frame
// looks the same on a denser screen, only sharper. A size that is there
// stays at least one pixel.
FrameSpec ScaledFrame(const FrameSpec& frame, double pixel_ratio);

// The frame's width on each side, in pixels.
int FrameThickness(const FrameSpec& frame);

// The rectangle left for the picture inside a frame drawn in `outer`. The
// frame takes its width from each side of the component's rectangle and the
// picture is stretched into what is left, so none of it is hidden. Empty
// (width or height 0) when the frame fills the rectangle.
PixelRect FrameInnerRect(const FrameSpec& frame, PixelRect outer);

// Draws the frame into the outer margin of `outer` in `out` (the parts
// outside `out` are skipped). Pixels inside FrameInnerRect are not touched.
void DrawFrame(const FrameSpec& frame, PixelRect outer, Image& out);

// The same around the whole image.
void DrawFrame(const FrameSpec& frame, Image& out);

} // namespace framory::media
