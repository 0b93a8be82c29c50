#pragma once

// Building blocks shared by the transition effects. Everything here works on
// whole rows: a frame is written row by row, each row as a few runs copied
// with memcpy from the old or the new picture, so an effect costs little more
// than one copy of the frame.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "media/effects/effects.h"
#include "media/image/image.h"

namespace framory::media::fx {

using Pixel = std::uint32_t;

inline constexpr Pixel kBlack = 0xff000000u;
inline constexpr Pixel kWhite = 0xffffffffu;

// One frame to draw: the two pictures (same size), the output (same size),
// the clamped progress, the cell size in pixels and the play's seed.
struct Job {
    const Image* from = nullptr;
    const Image* to = nullptr;
    Image* out = nullptr;
    double p = 0.0;
    int cell = 1;
    std::uint32_t seed = 0;
    int w = 0;
    int h = 0;

    const Pixel* old_row(int y) const { return from->row(y); }
    const Pixel* new_row(int y) const { return to->row(y); }
    Pixel* out_row(int y) const { return out->row(y); }
    int cols(int cell_w) const { return (w + cell_w - 1) / cell_w; }
    int rows(int cell_h) const { return (h + cell_h - 1) / cell_h; }
};

inline void copy_pixels(Pixel* dst, const Pixel* src, int n)
{
    if (n > 0) {
        std::memcpy(dst, src, static_cast<std::size_t>(n) * sizeof(Pixel));
    }
}

inline void fill_pixels(Pixel* dst, Pixel value, int n)
{
    if (n > 0) {
        std::fill(dst, dst + n, value);
    }
}

inline int clamp_int(double v, int lo, int hi)
{
    // NaN and huge values must not reach the integer conversion.
    if (!(v > lo)) {
        return lo;
    }
    if (v >= hi) {
        return hi;
    }
    return static_cast<int>(v);
}

// The number of pixel centres i + 0.5 (i = 0 .. n-1) that lie below `limit`:
// the length of a run that starts at the low edge and ends at `limit`.
inline int count_below(double limit, int n)
{
    return clamp_int(std::ceil(limit - 0.5), 0, n);
}

struct Span {
    int x0 = 0;
    int x1 = 0;
    bool empty() const { return x1 <= x0; }
};

// The pixels whose centres lie closer than `half` to the middle of 0..n.
inline Span centre_span(double half, int n)
{
    if (!(half > 0.0)) {
        return {};
    }
    const double mid = n * 0.5;
    const int x1 = count_below(mid + half, n);
    const int x0 = clamp_int(std::floor(mid - half - 0.5) + 1.0, 0, n);
    return {x0, std::max(x0, x1)};
}

// Shapes inside cells are counted in rings: ring 0 is the middle pixel (or
// the middle two) of a run of n pixels, ring (n + 1) / 2 - 1 the outermost.
// A shape of relative size f (0..1) covers the rings k with
// k + 0.5 < f * rings, so every ring, the middle one as well as the edge,
// takes its turn within the play instead of the middle appearing at once or
// the edge only at the very end.
inline int ring_count(int n) { return (n + 1) / 2; }

// The ring of pixel l (0 .. n-1).
inline int ring_of(int l, int n)
{
    const int twice = 2 * l + 1 - n;
    return (twice < 0 ? -twice : twice) / 2;
}

// The ring's middle as a fraction of the run's half, in (0, 1).
inline double ring_fraction(int l, int n)
{
    return (ring_of(l, n) + 0.5) / ring_count(n);
}

// The pixels of the rings that a shape of relative size f covers.
inline Span ring_span(double f, int n)
{
    const int rings = ring_count(n);
    const int m = count_below(f * rings, rings);
    if (m == 0) {
        return {};
    }
    const int x0 = (n - 2 * m + 1) / 2;
    return {x0, x0 + std::min(n, 2 * m - (n & 1))};
}

// New pixels in [x0, x1), old ones elsewhere.
inline void compose_inside(Pixel* out, const Pixel* old_px, const Pixel* new_px, int w, Span s)
{
    const int x0 = std::clamp(s.x0, 0, w);
    const int x1 = std::clamp(s.x1, x0, w);
    copy_pixels(out, old_px, x0);
    copy_pixels(out + x0, new_px + x0, x1 - x0);
    copy_pixels(out + x1, old_px + x1, w - x1);
}

// Old pixels in [x0, x1), new ones elsewhere.
inline void compose_outside(Pixel* out, const Pixel* old_px, const Pixel* new_px, int w, Span s)
{
    compose_inside(out, new_px, old_px, w, s);
}

// Writes one output row as a sequence of runs, each from the old or the new
// picture. Neighbouring runs from the same picture are merged, so a row with
// many small cells still costs only one copy per change of source.
class RowComposer {
public:
    RowComposer(Pixel* out, const Pixel* old_px, const Pixel* new_px, int width)
        : m_out(out), m_old(old_px), m_new(new_px), m_width(width)
    {
    }

    // Pixels from the current position up to `end` (exclusive) come from the
    // new picture when `is_new`, else from the old one.
    void put(int end, bool is_new)
    {
        end = std::min(end, m_width);
        if (end <= m_pos) {
            return;
        }
        if (is_new != m_run_new && m_pos > m_run_start) {
            flush();
        }
        if (m_pos == m_run_start) {
            m_run_new = is_new;
        }
        m_pos = end;
    }

    // Ends the row; pixels not yet written come from the old picture.
    void finish()
    {
        put(m_width, false);
        flush();
    }

private:
    void flush()
    {
        const Pixel* src = m_run_new ? m_new : m_old;
        const int n = m_pos - m_run_start;
        if (n <= 8) {
            for (int x = m_run_start; x < m_pos; ++x) {
                m_out[x] = src[x];
            }
        } else {
            copy_pixels(m_out + m_run_start, src + m_run_start, n);
        }
        m_run_start = m_pos;
    }

    Pixel* m_out;
    const Pixel* m_old;
    const Pixel* m_new;
    int m_width;
    int m_pos = 0;
    int m_run_start = 0;
    bool m_run_new = false;
};

// Mixes two pixels, all four channels, k from 0 (a) to 256 (b). Two channels
// share one 32-bit multiply; the lanes cannot overflow into each other since
// each lane's sum stays below 0xff * 256.
inline Pixel mix(Pixel a, Pixel b, std::uint32_t k)
{
    const std::uint32_t ik = 256u - k;
    const std::uint32_t rb = (((a & 0x00ff00ffu) * ik + (b & 0x00ff00ffu) * k) >> 8) & 0x00ff00ffu;
    const std::uint32_t ag = (((a >> 8) & 0x00ff00ffu) * ik + ((b >> 8) & 0x00ff00ffu) * k) & 0xff00ff00u;
    return rb | ag;
}

// Mixes two rows with one weight. Worked byte by byte in 16-bit arithmetic
// (each channel is (a * (256 - k) + b * k) >> 8, exactly as mix() does), which
// the compiler turns into 16-bit vector multiplies: several times faster than
// the 32-bit multiplies that plain SSE2 lacks.
inline void mix_row(Pixel* out, const Pixel* a, const Pixel* b, int n, std::uint32_t k)
{
    if (k == 0) {
        copy_pixels(out, a, n);
        return;
    }
    if (k >= 256) {
        copy_pixels(out, b, n);
        return;
    }
    const auto* pa = reinterpret_cast<const std::uint8_t*>(a);
    const auto* pb = reinterpret_cast<const std::uint8_t*>(b);
    auto* po = reinterpret_cast<std::uint8_t*>(out);
    const auto kk = static_cast<std::uint16_t>(k);
    const auto ik = static_cast<std::uint16_t>(256u - k);
    const int bytes = n * 4;
    for (int i = 0; i < bytes; ++i) {
        const auto v = static_cast<std::uint16_t>(pa[i] * ik + pb[i] * kk);
        po[i] = static_cast<std::uint8_t>(v >> 8);
    }
}

// Mixes a row with a solid colour: weight k (0..256) of the colour. Byte by
// byte, as mix_row.
inline void mix_row_with_colour(Pixel* out, const Pixel* a, Pixel colour, int n, std::uint32_t k)
{
    k = std::min(k, 256u);
    const auto* pa = reinterpret_cast<const std::uint8_t*>(a);
    auto* po = reinterpret_cast<std::uint8_t*>(out);
    const auto ik = static_cast<std::uint16_t>(256u - k);
    std::uint16_t weighted[4];
    for (int i = 0; i < 4; ++i) {
        weighted[i] = static_cast<std::uint16_t>(((colour >> (8 * i)) & 0xffu) * k);
    }
    for (int x = 0; x < n; ++x) {
        for (int i = 0; i < 4; ++i) {
            const auto v = static_cast<std::uint16_t>(pa[4 * x + i] * ik + weighted[i]);
            po[4 * x + i] = static_cast<std::uint8_t>(v >> 8);
        }
    }
}

// Mixes two rows over [x0, x1) with a weight (0..256) per column, byte by
// byte as mix_row.
inline void mix_row_weighted(Pixel* out, const Pixel* a, const Pixel* b, const std::uint16_t* k, int x0, int x1)
{
    const auto* pa = reinterpret_cast<const std::uint8_t*>(a);
    const auto* pb = reinterpret_cast<const std::uint8_t*>(b);
    auto* po = reinterpret_cast<std::uint8_t*>(out);
    for (int x = x0; x < x1; ++x) {
        const std::uint16_t kk = k[x];
        const auto ik = static_cast<std::uint16_t>(256u - kk);
        for (int c = 0; c < 4; ++c) {
            const auto v = static_cast<std::uint16_t>(pa[4 * x + c] * ik + pb[4 * x + c] * kk);
            po[4 * x + c] = static_cast<std::uint8_t>(v >> 8);
        }
    }
}

// A weight 0..256 for a fraction 0..1.
inline std::uint32_t weight(double f)
{
    return static_cast<std::uint32_t>(clamp_int(f * 256.0 + 0.5, 0, 256));
}

// A well-mixed 32-bit hash of a play's seed and a cell position: the random
// effects are the same for every frame of one play.
inline std::uint32_t hash_cell(std::uint32_t seed, std::uint32_t x, std::uint32_t y)
{
    std::uint32_t h = seed * 0x9e3779b1u ^ (x * 0x85ebca77u) ^ (y * 0xc2b2ae3du + 0x27d4eb2fu);
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    h *= 0x297a2d39u;
    h ^= h >> 15;
    return h;
}

// A hash as a number in [0, 1).
inline double unit(std::uint32_t h)
{
    return static_cast<double>(h >> 8) * (1.0 / 16777216.0);
}

// Runs `fn(y0, y1)` over all rows. Effects hand their work over in bands of
// rows so that it could be spread over threads, but one thread is enough: the
// slowest effect takes under 2 ms at 1920x1080 and under 8 ms at 3840x2160
// on the two-core machine of bench/effects, well inside a frame, and a second
// thread made the frame times depend on whatever else the machine was doing
// while leaving no core for the window and the decoder.
template <class Fn>
void for_rows(const Job& job, Fn&& fn)
{
    fn(0, job.h);
}

// Runs `fn(y)` for every row.
template <class Fn>
void each_row(const Job& job, Fn&& fn)
{
    for_rows(job, [&fn](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            fn(y);
        }
    });
}

// A picture placed into a rectangle of the frame, scaled when the rectangle's
// size differs from the picture's. A null picture is solid black.
struct Layer {
    const Image* src = nullptr;
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
};

// The column lookup of a scaled layer: for every visible output column the
// picture's column. Built once per frame.
class LayerSampler {
public:
    LayerSampler(const Layer& layer, int frame_w) : m_layer(layer)
    {
        m_x0 = std::clamp(layer.x, 0, frame_w);
        m_x1 = std::clamp(layer.x + layer.w, m_x0, frame_w);
        if (layer.src != nullptr && layer.w > 0 && layer.h > 0) {
            m_scaled = layer.w != layer.src->width();
            if (m_scaled) {
                m_columns.resize(static_cast<std::size_t>(m_x1 - m_x0));
                const long long sw = layer.src->width();
                for (int x = m_x0; x < m_x1; ++x) {
                    const long long sx = (static_cast<long long>(x - layer.x) * sw) / layer.w;
                    m_columns[static_cast<std::size_t>(x - m_x0)] = static_cast<int>(std::min(sx, sw - 1));
                }
            }
        }
    }

    // Draws the layer's part of output row y; returns false when the layer
    // does not cover that row.
    bool draw_row(Pixel* out, int y) const
    {
        if (m_layer.w <= 0 || m_layer.h <= 0 || y < m_layer.y || y >= m_layer.y + m_layer.h || m_x1 <= m_x0) {
            return false;
        }
        if (m_layer.src == nullptr) {
            fill_pixels(out + m_x0, kBlack, m_x1 - m_x0);
            return true;
        }
        const Image& src = *m_layer.src;
        // Rows are picked by scaling; within a row, columns are copied whole
        // unless the layer is scaled across.
        const long long sy = (static_cast<long long>(y - m_layer.y) * src.height()) / m_layer.h;
        const Pixel* srow = src.row(static_cast<int>(std::min<long long>(sy, src.height() - 1)));
        if (!m_scaled) {
            copy_pixels(out + m_x0, srow + (m_x0 - m_layer.x), m_x1 - m_x0);
            return true;
        }
        Pixel* dst = out + m_x0;
        const int* cols = m_columns.data();
        const int n = m_x1 - m_x0;
        for (int i = 0; i < n; ++i) {
            dst[i] = srow[cols[i]];
        }
        return true;
    }

    Span span() const { return {m_x0, m_x1}; }

private:
    Layer m_layer;
    int m_x0 = 0;
    int m_x1 = 0;
    bool m_scaled = false;
    std::vector<int> m_columns;
};

} // namespace framory::media::fx
