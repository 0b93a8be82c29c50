#pragma once

#include <cstdint>

#include "media/image/image.h"

namespace framory::media::test {

// A picture of random colours. Pictures made with different `parity` differ
// in every pixel (the lowest bit of red is the parity), so each pixel of an
// effect frame can be traced back to the old or the new picture.
inline Image TexturedImage(int w, int h, std::uint32_t parity)
{
    Image image(w, h);
    std::uint32_t state = 0x9e3779b9u * (parity + 1u);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            image.at(x, y) = 0xff000000u | (state & 0x00fefeffu & ~0x00010000u) | ((parity & 1u) << 16);
        }
    }
    return image;
}

// A smooth picture: colour ramps across and down, so that a picture moved or
// scaled by a pixel stays close to itself.
inline Image SmoothImage(int w, int h, bool second)
{
    Image image(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const auto u = static_cast<std::uint8_t>(x * 255 / (w > 1 ? w - 1 : 1));
            const auto v = static_cast<std::uint8_t>(y * 255 / (h > 1 ? h - 1 : 1));
            image.at(x, y) = second ? Argb(static_cast<std::uint8_t>(255 - v), 40, u) : Argb(u, v, 200);
        }
    }
    return image;
}

// Mean absolute difference per channel of two pictures of the same size.
inline double MeanDifference(const Image& a, const Image& b)
{
    double sum = 0.0;
    for (std::size_t i = 0; i < a.pixel_count(); ++i) {
        const std::uint32_t p = a.data()[i];
        const std::uint32_t q = b.data()[i];
        for (int shift = 0; shift < 24; shift += 8) {
            const int d = static_cast<int>((p >> shift) & 0xffu) - static_cast<int>((q >> shift) & 0xffu);
            sum += d < 0 ? -d : d;
        }
    }
    return a.pixel_count() == 0 ? 0.0 : sum / (3.0 * static_cast<double>(a.pixel_count()));
}

} // namespace framory::media::test
