#include "media/effects/gradient.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <utility>

namespace framory::media {
namespace {

constexpr std::array<std::string_view, kGradientStyleCount> kStyleNames{
    "Plain",
    "Left to right",
    "Right to left",
    "Top to bottom",
    "Bottom to top",
    "Dark vertical centre",
    "Bright vertical centre",
    "Dark horizontal centre",
    "Bright horizontal centre",
    "From top left",
    "From top right",
    "From bottom left",
    "From bottom right",
    "Circle, bright centre",
    "Circle, dark centre",
    "Rectangle, bright centre",
    "Rectangle, dark centre",
    "Diamond, bright centre",
    "Bright diagonal",
    "Sweep around the centre",
};

// The 256 shades between the dark end (index 0) and the colour (255).
using Shades = std::array<std::uint32_t, 256>;

Shades make_shades(std::uint32_t colour, int depth)
{
    const double d = std::clamp(depth, 0, 255) / 255.0;
    Shades shades{};
    for (int i = 0; i < 256; ++i) {
        const double m = 1.0 - d * (1.0 - i / 255.0);
        auto channel = [&](int shift) {
            const double c = static_cast<double>((colour >> shift) & 0xffu);
            return static_cast<std::uint32_t>(std::lround(c * m)) << shift;
        };
        shades[static_cast<std::size_t>(i)] = 0xff000000u | channel(16) | channel(8) | channel(0);
    }
    return shades;
}

// An arc tangent good to 0.004 radians for y, x >= 0, a third of a shade
// step of the sweep style; far cheaper than std::atan2 over millions of
// pixels.
inline float fast_atan2_positive(float y, float x)
{
    constexpr float kQuarter = 0.78539816f;
    if (x == 0.0f && y == 0.0f) {
        return 0.0f;
    }
    const bool steep = y > x;
    const float z = steep ? x / y : y / x; // 0..1
    const float a = z * (kQuarter + 0.273f * (1.0f - z));
    return steep ? 2.0f * kQuarter - a : a;
}

// Style's level at a point, 1 = the colour, 0 = the dark end; u and v are the
// pixel centre's place across and down, in 0..1.
template <int kStyle>
inline float level(float u, float v)
{
    const float cu = std::abs(2.0f * u - 1.0f); // 0 at the vertical centre line, 1 at the sides
    const float cv = std::abs(2.0f * v - 1.0f);
    if constexpr (kStyle == 1) return 1.0f - u;
    if constexpr (kStyle == 2) return u;
    if constexpr (kStyle == 3) return 1.0f - v;
    if constexpr (kStyle == 4) return v;
    if constexpr (kStyle == 5) return cu;
    if constexpr (kStyle == 6) return 1.0f - cu;
    if constexpr (kStyle == 7) return cv;
    if constexpr (kStyle == 8) return 1.0f - cv;
    if constexpr (kStyle == 9) return 1.0f - (u + v) * 0.5f;
    if constexpr (kStyle == 10) return 1.0f - ((1.0f - u) + v) * 0.5f;
    if constexpr (kStyle == 11) return 1.0f - (u + (1.0f - v)) * 0.5f;
    if constexpr (kStyle == 12) return (u + v) * 0.5f;
    if constexpr (kStyle == 13) return 1.0f - std::sqrt((cu * cu + cv * cv) * 0.5f);
    if constexpr (kStyle == 14) return std::sqrt((cu * cu + cv * cv) * 0.5f);
    if constexpr (kStyle == 15) return 1.0f - std::max(cu, cv);
    if constexpr (kStyle == 16) return std::max(cu, cv);
    if constexpr (kStyle == 17) return 1.0f - (cu + cv) * 0.5f;
    if constexpr (kStyle == 18) return 1.0f - std::abs(u - v);
    if constexpr (kStyle == 19) {
        // Angle from twelve o'clock, folded so that both sides darken
        // together towards six.
        const float down = v - 0.5f;
        const float a = down <= 0.0f ? fast_atan2_positive(std::abs(u - 0.5f), -down)
                                     : std::numbers::pi_v<float> - fast_atan2_positive(std::abs(u - 0.5f), down);
        return 1.0f - a / std::numbers::pi_v<float>;
    }
    return 1.0f;
}

inline std::uint32_t shade_at(const Shades& shades, float f)
{
    const int i = static_cast<int>(std::clamp(f, 0.0f, 1.0f) * 255.0f + 0.5f);
    return shades[static_cast<std::size_t>(i)];
}

template <int kStyle>
void fill_per_pixel(const Shades& shades, Image& out)
{
    const int w = out.width();
    const int h = out.height();
    for (int y = 0; y < h; ++y) {
        std::uint32_t* r = out.row(y);
        const float v = (static_cast<float>(y) + 0.5f) / static_cast<float>(h);
        for (int x = 0; x < w; ++x) {
            r[x] = shade_at(shades, level<kStyle>((static_cast<float>(x) + 0.5f) / static_cast<float>(w), v));
        }
    }
}

// Styles that depend on the column only: one row drawn and copied down.
template <int kStyle>
void fill_by_column(const Shades& shades, Image& out)
{
    const int w = out.width();
    std::uint32_t* first = out.row(0);
    for (int x = 0; x < w; ++x) {
        first[x] = shade_at(shades, level<kStyle>((static_cast<float>(x) + 0.5f) / static_cast<float>(w), 0.5f));
    }
    for (int y = 1; y < out.height(); ++y) {
        std::copy(first, first + w, out.row(y));
    }
}

// Styles that depend on the row only: each row one shade.
template <int kStyle>
void fill_by_row(const Shades& shades, Image& out)
{
    const int h = out.height();
    for (int y = 0; y < h; ++y) {
        std::uint32_t* r = out.row(y);
        std::fill(r, r + out.width(),
                  shade_at(shades, level<kStyle>(0.5f, (static_cast<float>(y) + 0.5f) / static_cast<float>(h))));
    }
}

using Filler = void (*)(const Shades&, Image&);

template <int kStyle>
constexpr Filler filler()
{
    if constexpr (kStyle == 1 || kStyle == 2 || kStyle == 5 || kStyle == 6) {
        return &fill_by_column<kStyle>;
    } else if constexpr (kStyle == 3 || kStyle == 4 || kStyle == 7 || kStyle == 8) {
        return &fill_by_row<kStyle>;
    } else {
        return &fill_per_pixel<kStyle>;
    }
}

template <std::size_t... kStyles>
constexpr std::array<Filler, sizeof...(kStyles)> make_fillers(std::index_sequence<kStyles...>)
{
    return {filler<static_cast<int>(kStyles)>()...};
}

// The style is a template argument of each filler, so that the level's
// formula is chosen once per picture and not once per pixel.
constexpr auto kFillers = make_fillers(std::make_index_sequence<kGradientStyleCount>{});

} // namespace

std::string_view GradientStyleName(int style)
{
    return style >= 0 && style < kGradientStyleCount ? kStyleNames[static_cast<std::size_t>(style)] : kStyleNames[0];
}

void RenderGradient(int style, std::uint32_t colour, Image& out, int depth)
{
    if (out.empty()) {
        return;
    }
    if (style <= 0 || style >= kGradientStyleCount || depth <= 0) {
        std::fill(out.data(), out.data() + out.pixel_count(), colour | 0xff000000u);
        return;
    }
    const Shades shades = make_shades(colour, depth);
    kFillers[static_cast<std::size_t>(style)](shades, out);
}

} // namespace framory::media
