#pragma once

// Pictures, comparisons and measures shared by the decoding, effect and
// helper tests.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

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

// Mean absolute difference per channel (alpha included) of two pictures;
// pictures of different sizes fail the test.
inline double MeanDifference(const Image& a, const Image& b)
{
    EXPECT_EQ(a.width(), b.width());
    EXPECT_EQ(a.height(), b.height());
    if (a.width() != b.width() || a.height() != b.height() || a.empty()) {
        return 1e9;
    }
    double sum = 0.0;
    for (std::size_t i = 0; i < a.pixel_count(); ++i) {
        for (int shift = 0; shift < 32; shift += 8) {
            const int d = static_cast<int>((a.data()[i] >> shift) & 0xffu) - static_cast<int>((b.data()[i] >> shift) & 0xffu);
            sum += d < 0 ? -d : d;
        }
    }
    return sum / (4.0 * static_cast<double>(a.pixel_count()));
}

inline long StatusKb(const char* key)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) == 0) {
            return std::stol(line.substr(std::strlen(key)));
        }
    }
    return -1;
}

// How much `work` raises this process's resident high-water mark, in kB;
// the kernel lets a process reset its own mark.
template <typename Work>
long PeakGrowthKb(Work&& work)
{
    std::ofstream("/proc/self/clear_refs") << "5";
    const long base = StatusKb("VmRSS:");
    work();
    return StatusKb("VmHWM:") - base;
}

// A JPEG APP1 block of EXIF data holding only the given orientation.
inline std::vector<std::uint8_t> ExifBlock(int orientation)
{
    return {0xff, 0xe1, 0, 34, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 1, 3, 0,
            1, 0, 0, 0, static_cast<std::uint8_t>(orientation), 0, 0, 0, 0, 0, 0, 0};
}

} // namespace framory::media::test
