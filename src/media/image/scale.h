#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "media/image/image.h"

namespace framory::media {

// Hands the scaler one source row of `width` 0xAARRGGBB pixels: either a
// pointer into the caller's own memory, or `scratch` after filling it.
// Rows are asked for in increasing order and each at most once, so a
// source may be converted or decoded strip by strip as the scaler goes.
using RowSource = std::function<const std::uint32_t*(int y, std::uint32_t* scratch)>;

// Resizes to exactly width x height. Shrinking averages every source pixel
// under each target pixel (area averaging, no aliasing however large the
// ratio); enlarging interpolates bilinearly. Alpha is handled premultiplied
// so transparent pixels do not darken their neighbours. Memory beyond the
// result is a few rows, whatever the source size.
Image ScaleRows(int src_width, int src_height, const RowSource& source, int width, int height);

// The same over pixels in memory; `stride` counts pixels from row to row.
// Large jobs are shared between up to four threads, by bands of rows.
Image ScalePixels(const std::uint32_t* pixels, int src_width, int src_height, std::ptrdiff_t stride, int width,
                  int height);

Image ScaleImage(const Image& src, int width, int height);

// A colour premultiplied by its alpha (channels 0..255, none above alpha
// but for rounding) as a straight 0xAARRGGBB pixel.
inline std::uint32_t Unpremultiplied(std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a)
{
    if (a == 0) {
        return 0;
    }
    if (a < 255) {
        r = (r * 255 + a / 2) / a;
        g = (g * 255 + a / 2) / a;
        b = (b * 255 + a / 2) / a;
        r = r > 255 ? 255 : r;
        g = g > 255 ? 255 : g;
        b = b > 255 ? 255 : b;
    }
    return (a << 24) | (r << 16) | (g << 8) | b;
}

} // namespace framory::media
