// This folder: plain pictures in memory: the image type, scaling and the
// picture frame.

#include "media/image/frame.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace framory::media {
namespace {

constexpr std::array<std::string_view, 8> kStyleNames{
    "Flat", "Flat, second colour", "Raised", "Sunken", "Ridge", "Groove", "Shaded", "Dotted",
};

// Sizes beyond any screen are held to a bound so that their sums cannot
// overflow.
int positive(int v) { return std::clamp(v, 0, 1 << 16); }

std::uint32_t blend(std::uint32_t a, std::uint32_t b, int k, int n)
{
    // k of n steps from a to b, channel by channel.
    std::uint32_t result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const int ca = static_cast<int>((a >> shift) & 0xffu);
        const int cb = static_cast<int>((b >> shift) & 0xffu);
        const int c = n > 0 ? ca + (cb - ca) * k / n : ca;
        result |= static_cast<std::uint32_t>(c) << shift;
    }
    return result;
}

// The two colours of one ring: its light side (top, left) and its shadow side
// (bottom, right).
struct RingColours {
    std::uint32_t light;
    std::uint32_t shadow;
};

RingColours ring_colours(const FrameBand& band, int ring)
{
    const std::uint32_t c1 = band.colour_1;
    const std::uint32_t c2 = band.colour_2;
    const int outer_half = (band.size + 1) / 2;
    switch (band.style) {
    case kFrameFlatSecond: return {c2, c2};
    case kFrameRaised: return {c2, c1};
    case kFrameSunken: return {c1, c2};
    case kFrameRidge: return ring < outer_half ? RingColours{c2, c1} : RingColours{c1, c2};
    case kFrameGroove: return ring < outer_half ? RingColours{c1, c2} : RingColours{c2, c1};
    case kFrameShaded: {
        const std::uint32_t c = blend(c1, c2, ring, band.size - 1);
        return {c, c};
    }
    default: return {c1, c1};
    }
}

class Painter {
public:
    explicit Painter(Image& out) : m_out(out) {}

    void put(int x, int y, std::uint32_t colour)
    {
        if (x >= 0 && y >= 0 && x < m_out.width() && y < m_out.height()) {
            m_out.at(x, y) = colour;
        }
    }

    // A one-pixel ring along the edge of r: the top row and left column in
    // the light colour, the bottom row and right column in the shadow colour
    // (the top-right and bottom-left corners belong to the shadow side).
    // `dots` > 0 draws alternating squares of that size from `dot_a`/`dot_b`.
    void ring(const PixelRect& r, RingColours c, int dots = 0, std::uint32_t dot_a = 0, std::uint32_t dot_b = 0)
    {
        if (r.width <= 0 || r.height <= 0) {
            return;
        }
        const int right = r.left + r.width - 1;
        const int bottom = r.top + r.height - 1;
        auto colour = [&](int x, int y, std::uint32_t plain) {
            if (dots <= 0) {
                return plain;
            }
            return ((x - r.left) / dots + (y - r.top) / dots) % 2 == 0 ? dot_a : dot_b;
        };
        for (int x = r.left; x < right; ++x) {
            put(x, r.top, colour(x, r.top, c.light));
        }
        for (int y = r.top; y < bottom; ++y) {
            put(r.left, y, colour(r.left, y, c.light));
        }
        for (int x = r.left; x <= right; ++x) {
            put(x, bottom, colour(x, bottom, c.shadow));
        }
        for (int y = r.top; y <= bottom; ++y) {
            put(right, y, colour(right, y, c.shadow));
        }
    }

private:
    Image& m_out;
};

PixelRect inset(PixelRect r, int by)
{
    return {r.left + by, r.top + by, std::max(0, r.width - 2 * by), std::max(0, r.height - 2 * by)};
}

// Draws a band starting `first_ring` rings inside `outer`.
void draw_band(Painter& painter, const FrameBand& band, PixelRect outer, int first_ring)
{
    const int size = positive(band.size);
    for (int k = 0; k < size; ++k) {
        const PixelRect r = inset(outer, first_ring + k);
        if (r.width <= 0 || r.height <= 0) {
            break;
        }
        if (band.style == kFrameDotted) {
            painter.ring(r, {}, std::max(2, size), band.colour_1, band.colour_2);
        } else {
            painter.ring(r, ring_colours(band, k));
        }
    }
}

} // namespace

std::string_view FrameStyleName(int style)
{
    return style >= 0 && style < static_cast<int>(kStyleNames.size()) ? kStyleNames[static_cast<std::size_t>(style)]
                                                                      : kStyleNames[0];
}

FrameSpec ScaledFrame(const FrameSpec& frame, double pixel_ratio)
{
    const double ratio = std::isfinite(pixel_ratio) ? std::clamp(pixel_ratio, 1.0, 16.0) : 1.0;
    const auto scaled = [ratio](int size) {
        return size <= 0 ? size : std::max(1, static_cast<int>(std::lround(positive(size) * ratio)));
    };
    FrameSpec out = frame;
    out.first.size = scaled(frame.first.size);
    out.second.size = scaled(frame.second.size);
    out.line_size = scaled(frame.line_size);
    return out;
}

int FrameThickness(const FrameSpec& frame)
{
    return positive(frame.line_size) + positive(frame.second.size) + positive(frame.first.size);
}

PixelRect FrameInnerRect(const FrameSpec& frame, PixelRect outer)
{
    return inset(outer, FrameThickness(frame));
}

void DrawFrame(const FrameSpec& frame, PixelRect outer, Image& out)
{
    Painter painter(out);
    const int line = positive(frame.line_size);
    for (int k = 0; k < line && k * 2 < std::min(outer.width, outer.height); ++k) {
        painter.ring(inset(outer, k), {frame.line_colour, frame.line_colour});
    }
    draw_band(painter, frame.second, outer, line);
    draw_band(painter, frame.first, outer, line + positive(frame.second.size));
}

void DrawFrame(const FrameSpec& frame, Image& out)
{
    DrawFrame(frame, PixelRect{0, 0, out.width(), out.height()}, out);
}

} // namespace framory::media
