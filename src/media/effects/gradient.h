#pragma once

#include <cstdint>
#include <string_view>

#include "media/image/image.h"

namespace framory::media {

// Gradient styles 0 to kGradientStyleCount - 1 of the background label.
// Style 0 is a plain fill; every other style runs between the colour and its
// dark end ("from the colour to black and back"):
//   1 left to right, 2 right to left, 3 top to bottom, 4 bottom to top
//   (the colour at the named start, dark at the far edge);
//   5 dark vertical centre line, 6 colour at the vertical centre line,
//   7 dark horizontal centre line, 8 colour at the horizontal centre line;
//   9 from the top left corner, 10 from the top right corner,
//   11 from the bottom left corner, 12 from the bottom right corner;
//   13 circle: colour in the centre, 14 circle: dark in the centre;
//   15 rectangle: colour in the centre, 16 rectangle: dark in the centre;
//   17 diamond: colour in the centre;
//   18 colour along the top-left to bottom-right diagonal, dark corners;
//   19 a sweep around the centre: colour at twelve o'clock, dark at six.
// A style outside 0..19 (only from an edited settings file) is a plain fill.
inline constexpr int kGradientStyleCount = 20;

// The label's property 53 is the gradient's depth: how far the dark end goes
// towards black, in 1/255ths. 255 reaches black; the show's 200 stops at
// 55/255 (about a fifth) of the colour, which keeps dark colours from turning
// into a black screen. Values are held to 0..255; 0 gives a plain fill.
inline constexpr int kDefaultGradientDepth = 200;

std::string_view GradientStyleName(int style);

// Fills `out` (its size is kept) with the gradient of `style` in `colour`
// (0xAARRGGBB; the result is opaque).
void RenderGradient(int style, std::uint32_t colour, Image& out, int depth = kDefaultGradientDepth);

} // namespace framory::media
