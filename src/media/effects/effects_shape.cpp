// Reveal effects made of shapes around a point: irises (box, circle, diamond,
// ellipse, cross), clock hands and fans, and wavy edges. Every pixel of a
// frame is either old or new, and once new it stays new.

#include <cmath>
#include <numbers>
#include <vector>

#include "media/effects/effect_blocks.h"
#include "media/effects/effect_kernels.h"

namespace framory::media::fx {
namespace {

// One run of new pixels per row.
template <class Fn>
void reveal_span(const Job& j, Fn&& span_of)
{
    each_row(j, [&](int y) { compose_inside(j.out_row(y), j.old_row(y), j.new_row(y), j.w, span_of(y)); });
}

// One run of old pixels per row, new ones around it.
template <class Fn>
void keep_span(const Job& j, Fn&& span_of)
{
    each_row(j, [&](int y) { compose_outside(j.out_row(y), j.old_row(y), j.new_row(y), j.w, span_of(y)); });
}

// A decision per pixel: `make_row(y)` returns the test for the columns of
// row y. Used where the edge is not a straight run; the test is plain
// arithmetic that the compiler turns into vector code.
template <class MakeRow>
void reveal_pixels(const Job& j, MakeRow&& make_row)
{
    each_row(j, [&](int y) {
        const auto is_new = make_row(y);
        const Pixel* a = j.old_row(y);
        const Pixel* b = j.new_row(y);
        Pixel* o = j.out_row(y);
        // Both pictures are read for every pixel so that the choice is a
        // plain select the compiler can do on whole vectors. (The width is
        // held in a local: stores to the pixels might otherwise change it as
        // far as the compiler knows, and then it cannot vectorise.)
        const int w = j.w;
        for (int x = 0; x < w; ++x) {
            const Pixel old_px = a[x];
            const Pixel new_px = b[x];
            const Pixel mask = 0u - static_cast<Pixel>(is_new(x));
            o[x] = (new_px & mask) | (old_px & ~mask);
        }
    });
}

// Pieces of a row along which the test `is_new` changes at most once (it is
// monotonic there, rising or falling): each piece costs two tests at its
// ends and a binary search for the change, then plain copies.
template <class Pred>
void monotone_piece(RowComposer& row, int x0, int x1, const Pred& is_new)
{
    if (x1 <= x0) {
        return;
    }
    const bool first = is_new(x0);
    if (is_new(x1 - 1) != first) {
        int same = x0;      // is_new(same) == first
        int other = x1 - 1; // is_new(other) != first
        while (other - same > 1) {
            const int mid = same + (other - same) / 2;
            (is_new(mid) == first ? same : other) = mid;
        }
        row.put(other, first);
    }
    row.put(x1, is_new(x1 - 1));
}

// A decision per pixel whose test is monotonic along each of the three
// pieces of a row: left of the middle column, the middle column (only on
// odd widths) and right of it. Used for hands turning about the centre.
template <class MakeRow>
void reveal_monotone_halves(const Job& j, MakeRow&& make_row)
{
    // Columns left of the middle have u = x + 0.5 - w / 2 < 0; a column
    // with u = 0 exists only on odd widths.
    const int left = count_below(j.w * 0.5, j.w);
    const int right = (j.w & 1) ? left + 1 : left;
    each_row(j, [&](int y) {
        const auto is_new = make_row(y);
        RowComposer row(j.out_row(y), j.old_row(y), j.new_row(y), j.w);
        monotone_piece(row, 0, left, is_new);
        monotone_piece(row, left, right, is_new);
        monotone_piece(row, right, j.w, is_new);
        row.finish();
    });
}

// The same for tests that are monotonic along the whole row.
template <class MakeRow>
void reveal_monotone_rows(const Job& j, MakeRow&& make_row)
{
    each_row(j, [&](int y) {
        const auto is_new = make_row(y);
        RowComposer row(j.out_row(y), j.old_row(y), j.new_row(y), j.w);
        monotone_piece(row, 0, j.w, is_new);
        row.finish();
    });
}

// Distance of row y's centre from the middle of the frame, in pixels.
double row_offset(const Job& j, int y) { return y + 0.5 - j.h * 0.5; }

} // namespace

// ---- 20-25, 50-52, 67, 68: irises ----

// The box of relative size s (1 = the frame) as a run of row y, empty when
// the row lies outside it.
static Span box_span(const Job& j, int y, double s)
{
    return std::abs(row_offset(j, y)) < s * j.h * 0.5 ? centre_span(s * j.w * 0.5, j.w) : Span{};
}

void box_out(const Job& j)
{
    reveal_span(j, [&](int y) { return box_span(j, y, j.p); });
}

void box_in(const Job& j)
{
    keep_span(j, [&](int y) { return box_span(j, y, 1.0 - j.p); });
}

// The circle through the frame's corners, scaled by s.
static Span circle_span(const Job& j, int y, double s)
{
    const double radius = s * 0.5 * std::hypot(static_cast<double>(j.w), static_cast<double>(j.h));
    const double dy = row_offset(j, y);
    const double left = radius * radius - dy * dy;
    return left > 0.0 ? centre_span(std::sqrt(left), j.w) : Span{};
}

void circle_out(const Job& j)
{
    reveal_span(j, [&](int y) { return circle_span(j, y, j.p); });
}

void circle_in(const Job& j)
{
    keep_span(j, [&](int y) { return circle_span(j, y, 1.0 - j.p); });
}

// The diamond through the frame's corners, scaled by s.
static Span diamond_span(const Job& j, int y, double s)
{
    const double dy = std::abs(row_offset(j, y)) / (j.h * 0.5);
    return centre_span((2.0 * s - dy) * j.w * 0.5, j.w);
}

void diamond_out(const Job& j)
{
    reveal_span(j, [&](int y) { return diamond_span(j, y, j.p); });
}

void diamond_in(const Job& j)
{
    keep_span(j, [&](int y) { return diamond_span(j, y, 1.0 - j.p); });
}

// An ellipse twice as wide, relative to the frame, as it is high, so that it
// stays an ellipse on a square picture too; scaled by s it passes the corners
// at s = 1. In units of the frame: (dx / w)^2 + (2 dy / h)^2 < 1.25 s^2.
static Span ellipse_span(const Job& j, int y, double s)
{
    const double dy = 2.0 * row_offset(j, y) / j.h;
    const double left = 1.25 * s * s - dy * dy;
    return left > 0.0 ? centre_span(std::sqrt(left) * j.w, j.w) : Span{};
}

void ellipse_out(const Job& j)
{
    reveal_span(j, [&](int y) { return ellipse_span(j, y, j.p); });
}

void ellipse_in(const Job& j)
{
    keep_span(j, [&](int y) { return ellipse_span(j, y, 1.0 - j.p); });
}

// A plus sign growing from the centre lines.
void cross_out(const Job& j)
{
    const Span across = centre_span(j.p * j.w * 0.5, j.w);
    reveal_span(j, [&](int y) {
        return std::abs(row_offset(j, y)) < j.p * j.h * 0.5 ? Span{0, j.w} : across;
    });
}

// The four corners grow towards the centre until only a shrinking plus
// sign of the old picture is left.
void cross_in(const Job& j)
{
    const double keep = 1.0 - j.p;
    const Span across = centre_span(keep * j.w * 0.5, j.w);
    keep_span(j, [&](int y) {
        return std::abs(row_offset(j, y)) / (j.h * 0.5) >= keep ? across : Span{0, j.w};
    });
}

// An X growing from the two diagonals: a pixel is new while
// | |dx| / w - |dy| / h | < p / 2.
void diagonal_cross_out(const Job& j)
{
    each_row(j, [&](int y) {
        const double dy = std::abs(row_offset(j, y)) / j.h;
        const double outer = (dy + j.p * 0.5) * j.w;
        const double inner = (dy - j.p * 0.5) * j.w;
        const Span o = centre_span(outer, j.w);
        const Span i = centre_span(inner, j.w);
        RowComposer row(j.out_row(y), j.old_row(y), j.new_row(y), j.w);
        row.put(o.x0, false);
        if (!i.empty()) {
            row.put(i.x0, true);
            row.put(i.x1, false);
        }
        row.put(o.x1, true);
        row.finish();
    });
}

namespace {

// ---- 26-29, 69-73: clock hands and fans ----

// A number that grows with the clockwise angle of (u, v) from the "up"
// direction v: 0 up, 1 right, 2 down, 3 left, towards 4 back at the top. It
// needs one division instead of an arc tangent, and since it is monotonic in
// the angle, comparing it with the value of the hand's direction gives the
// same answer as comparing angles.
inline float pseudo_angle(float u, float v)
{
    // 1 - r on the right half, 3 + r on the left.
    const float r = v / (std::abs(u) + std::abs(v) + 1e-20f);
    const float side = u >= 0.0f ? -1.0f : 1.0f;
    return 2.0f + side * (1.0f + r);
}

// The value of pseudo_angle for the direction at `radians` clockwise from up.
inline float hand(double radians)
{
    return pseudo_angle(static_cast<float>(std::sin(radians)), static_cast<float>(std::cos(radians)));
}

// How far round a hand has swept at progress p, 0..1. The hand starts a
// little quicker and lands gently (it is 4 per cent ahead half way), which
// reads better than a constant speed and keeps a half-turn from looking like
// a straight wipe's half-way frame.
inline double sweep_fraction(double p)
{
    return p + 0.04 * std::sin(std::numbers::pi * p);
}

// Clock hands around the centre. kFold selects the variant:
// 0 one hand clockwise, 1 one hand anticlockwise, 2 two hands from twelve
// opening both ways, 3 two opposite hands, 4 four hands (a pinwheel).
template <int kFold>
void clock_wipe(const Job& j)
{
    constexpr double kTurn = 2.0 * std::numbers::pi;
    const double sweep = kFold == 0 || kFold == 1 ? kTurn : kFold == 4 ? kTurn / 4.0 : kTurn / 2.0;
    const float limit = hand(sweep_fraction(j.p) * sweep);
    const float cx = static_cast<float>(j.w) * 0.5f;
    reveal_monotone_halves(j, [&](int y) {
        const float v = static_cast<float>(-row_offset(j, y));
        return [v, cx, limit](int x) {
            float u = static_cast<float>(x) + 0.5f - cx;
            if constexpr (kFold == 1) {
                u = -u;
            }
            if constexpr (kFold == 2) {
                u = std::abs(u);
            }
            float vv = v;
            if constexpr (kFold == 3) {
                // The left half turned half round onto the right half: both
                // hands then count as one.
                vv = v * std::copysign(1.0f, u);
                u = std::abs(u);
            }
            float a = pseudo_angle(u, vv);
            if constexpr (kFold == 4) {
                a = a - static_cast<float>(static_cast<int>(a)); // a >= 0: truncation is floor
            }
            return a < limit;
        };
    });
}

// A fan from a point on an edge or a corner. The hand starts along
// (r0x, r0y), turns towards (r1x, r1y) and sweeps `sweep` radians.
struct Fan {
    double ox; // origin as a fraction of the frame
    double oy;
    float r0x;
    float r0y;
    float r1x;
    float r1y;
    double sweep;
};

void fan_wipe(const Job& j, const Fan& f)
{
    const float limit = hand(sweep_fraction(j.p) * f.sweep);
    const float ox = static_cast<float>(f.ox * j.w);
    reveal_monotone_rows(j, [&](int y) {
        const float dy = static_cast<float>(y + 0.5 - f.oy * j.h);
        return [dy, ox, limit, &f](int x) {
            const float dx = static_cast<float>(x) + 0.5f - ox;
            const float v = dx * f.r0x + dy * f.r0y;
            const float u = dx * f.r1x + dy * f.r1y;
            return pseudo_angle(u, v) < limit;
        };
    });
}

constexpr double kHalfTurn = std::numbers::pi;

} // namespace

void fan_from_top(const Job& j) { fan_wipe(j, {0.5, 0.0, -1.f, 0.f, 0.f, 1.f, kHalfTurn}); }
void fan_from_bottom(const Job& j) { fan_wipe(j, {0.5, 1.0, 1.f, 0.f, 0.f, -1.f, kHalfTurn}); }
void fan_from_left(const Job& j) { fan_wipe(j, {0.0, 0.5, 0.f, -1.f, 1.f, 0.f, kHalfTurn}); }
void fan_from_corner(const Job& j) { fan_wipe(j, {0.0, 0.0, 1.f, 0.f, 0.f, 1.f, kHalfTurn / 2.0}); }

namespace {

// ---- 63-66: wavy edges ----

// The edge's lag at position t along it: 0..1 of the amplitude.
template <bool kZigzag>
double edge_shape(double t, double wavelength)
{
    const double phase = t / wavelength;
    if constexpr (kZigzag) {
        return std::abs((phase - std::floor(phase)) * 2.0 - 1.0);
    } else {
        return 0.5 * (1.0 + std::sin(2.0 * std::numbers::pi * phase));
    }
}

// The edge runs left to right; its amplitude is two cells and its
// wavelength eight, so the grain sets the size of the waves.
template <bool kZigzag>
void wave_right(const Job& j)
{
    const double amplitude = 2.0 * j.cell;
    const double wavelength = 8.0 * j.cell;
    reveal_span(j, [&](int y) {
        const double limit = j.p * (j.w + amplitude) - amplitude * edge_shape<kZigzag>(y + 0.5, wavelength);
        return Span{0, count_below(limit, j.w)};
    });
}

template <bool kZigzag>
void wave_down(const Job& j)
{
    const double amplitude = 2.0 * j.cell;
    const double wavelength = 8.0 * j.cell;
    std::vector<float> limit(static_cast<std::size_t>(j.w));
    for (int x = 0; x < j.w; ++x) {
        limit[static_cast<std::size_t>(x)] =
            static_cast<float>(j.p * (j.h + amplitude) - amplitude * edge_shape<kZigzag>(x + 0.5, wavelength));
    }
    const float* lim = limit.data();
    reveal_pixels(j, [lim](int y) {
        const float centre = static_cast<float>(y) + 0.5f;
        return [lim, centre](int x) { return centre < lim[x]; };
    });
}

} // namespace

// The effects drawn by a shared kernel with their own settings.
void clockwise_wipe(const Job& j) { clock_wipe<0>(j); }
void anticlockwise_wipe(const Job& j) { clock_wipe<1>(j); }
void fan_out_from_twelve(const Job& j) { clock_wipe<2>(j); }
void pinwheel(const Job& j) { clock_wipe<4>(j); }
void wave_wipe_right(const Job& j) { wave_right<false>(j); }
void wave_wipe_down(const Job& j) { wave_down<false>(j); }
void zigzag_wipe_right(const Job& j) { wave_right<true>(j); }
void zigzag_wipe_down(const Job& j) { wave_down<true>(j); }
void double_clock_wipe(const Job& j) { clock_wipe<3>(j); }

} // namespace framory::media::fx
