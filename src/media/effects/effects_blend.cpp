// Effects that mix the two pictures (fades, soft-edged wipes and dissolves)
// and the mosaic effects, which show enlarged cells on the way.

#include <cmath>
#include <vector>

#include "media/effects/effect_blocks.h"
#include "media/effects/effect_kernels.h"

namespace framory::media::fx {
namespace {

constexpr std::uint32_t kSaltSoftDissolve = 0x3c6ef372u;
constexpr std::uint32_t kSaltMosaic = 0xa54ff53au;

} // namespace

// ---- 36, 38, 39: fades ----

// The background's fill between pictures: a plain cross-fade, the gentlest
// change there is, since the old and the new gradient may differ everywhere.
void fade(const Job& j)
{
    const std::uint32_t k = weight(j.p);
    each_row(j, [&](int y) { mix_row(j.out_row(y), j.old_row(y), j.new_row(y), j.w, k); });
}

namespace {

// Through a solid colour: the old picture fades to it in the first half and
// the new one out of it in the second.
void fade_through(const Job& j, Pixel via)
{
    const bool second_half = j.p >= 0.5;
    const std::uint32_t k = weight(second_half ? 2.0 * j.p - 1.0 : 2.0 * j.p);
    each_row(j, [&](int y) {
        if (second_half) {
            // The colour fades into the new picture: weight 256 - k of the colour.
            mix_row_with_colour(j.out_row(y), j.new_row(y), via, j.w, 256u - k);
        } else {
            mix_row_with_colour(j.out_row(y), j.old_row(y), via, j.w, k);
        }
    });
}

// ---- 40, 41: mosaics ----

// The picture drawn as blocks of `block` pixels, each the colour of the
// picture at the block's centre.
void blocks(const Job& j, const Image& src, int block)
{
    const int nrows = (j.h + block - 1) / block;
    const int ncols = (j.w + block - 1) / block;
    // Each block row is drawn once and copied to the rest of its rows.
    for (int by = 0; by < nrows; ++by) {
        const int y0 = by * block;
        const int y1 = std::min(y0 + block, j.h);
        const Pixel* srow = src.row(std::min(y0 + block / 2, j.h - 1));
        Pixel* first = j.out_row(y0);
        for (int bx = 0; bx < ncols; ++bx) {
            const int x0 = bx * block;
            const int x1 = std::min(x0 + block, j.w);
            fill_pixels(first + x0, srow[std::min(x0 + block / 2, j.w - 1)], x1 - x0);
        }
        for (int y = y0 + 1; y < y1; ++y) {
            copy_pixels(j.out_row(y), first, j.w);
        }
    }
}

} // namespace

// The old picture breaks into growing blocks until the middle of the play,
// where the new picture takes over and its blocks shrink back to pixels.
// The largest blocks are four cells.
void pixelate(const Job& j)
{
    const bool second_half = j.p >= 0.5;
    const double coarse = second_half ? 2.0 - 2.0 * j.p : 2.0 * j.p;
    const int block = std::max(1, static_cast<int>(std::lround(1.0 + coarse * (4.0 * j.cell - 1.0))));
    blocks(j, second_half ? *j.to : *j.from, block);
}

// Cells change at random moments; for a fifth of the play time before it
// shows its new pixels, each cell shows the new picture as one block.
void mosaic_dissolve(const Job& j)
{
    const int c = j.cell;
    const int ncols = j.cols(c);
    for_rows(j, [&](int y0, int y1) {
        std::vector<unsigned char> state(static_cast<std::size_t>(ncols)); // 0 old, 1 block, 2 new
        std::vector<Pixel> colour(static_cast<std::size_t>(ncols));
        int cached = -1;
        for (int y = y0; y < y1; ++y) {
            const int cy = y / c;
            if (cy != cached) {
                const int sample_y = std::min(cy * c + c / 2, j.h - 1);
                for (int cx = 0; cx < ncols; ++cx) {
                    const double t = 0.8 * unit(hash_cell(j.seed ^ kSaltMosaic, static_cast<std::uint32_t>(cx), static_cast<std::uint32_t>(cy)));
                    const auto i = static_cast<std::size_t>(cx);
                    state[i] = j.p <= t ? 0 : j.p < t + 0.2 ? 1 : 2;
                    colour[i] = j.to->at(std::min(cx * c + c / 2, j.w - 1), sample_y);
                }
                cached = cy;
            }
            Pixel* o = j.out_row(y);
            for (int cx = 0; cx < ncols; ++cx) {
                const int x0 = cx * c;
                const int n = std::min(x0 + c, j.w) - x0;
                const auto i = static_cast<std::size_t>(cx);
                if (state[i] == 1) {
                    fill_pixels(o + x0, colour[i], n);
                } else {
                    copy_pixels(o + x0, (state[i] == 2 ? j.new_row(y) : j.old_row(y)) + x0, n);
                }
            }
        }
    });
}

namespace {

// ---- 42-47, 113: soft edges ----

// The soft edge: a pixel whose place along the effect is t (in the same unit
// as the width f of the soft edge and the length `span` of the whole way)
// shows the new picture with weight (front - t) / f, where the front moves
// from 0 to span + f, so the first frame is all old and the last all new.
struct SoftEdge {
    double front;
    double width;

    static SoftEdge make(double p, double span, double width) { return {p * (span + width), width}; }
    std::uint32_t at(double t) const { return weight((front - t) / width); }
};

// The soft edge is four cells wide, at most half the picture.
double soft_width(const Job& j, int length)
{
    return std::clamp(4.0 * j.cell, 1.0, std::max(1.0, length * 0.5));
}

template <bool kLeftward>
void soft_wipe_across(const Job& j)
{
    const SoftEdge edge = SoftEdge::make(j.p, j.w, soft_width(j, j.w));
    std::vector<std::uint16_t> weights(static_cast<std::size_t>(j.w));
    for (int x = 0; x < j.w; ++x) {
        const double t = kLeftward ? j.w - x - 0.5 : x + 0.5;
        weights[static_cast<std::size_t>(x)] = static_cast<std::uint16_t>(edge.at(t));
    }
    // The fully new and fully old parts are plain copies; only the soft band
    // is mixed.
    int band0 = 0;
    while (band0 < j.w && weights[static_cast<std::size_t>(band0)] == (kLeftward ? 0u : 256u)) {
        ++band0;
    }
    int band1 = j.w;
    while (band1 > band0 && weights[static_cast<std::size_t>(band1 - 1)] == (kLeftward ? 256u : 0u)) {
        --band1;
    }
    const std::uint16_t* k = weights.data();
    each_row(j, [&](int y) {
        const Pixel* a = j.old_row(y);
        const Pixel* b = j.new_row(y);
        Pixel* o = j.out_row(y);
        copy_pixels(o, kLeftward ? a : b, band0);
        mix_row_weighted(o, a, b, k, band0, band1);
        copy_pixels(o + band1, (kLeftward ? b : a) + band1, j.w - band1);
    });
}

template <bool kUpward>
void soft_wipe_vertical(const Job& j)
{
    const SoftEdge edge = SoftEdge::make(j.p, j.h, soft_width(j, j.h));
    each_row(j, [&](int y) {
        const double t = kUpward ? j.h - y - 0.5 : y + 0.5;
        mix_row(j.out_row(y), j.old_row(y), j.new_row(y), j.w, edge.at(t));
    });
}

// A soft circle around the centre; `kInwards` closes it from the corners.
template <bool kInwards>
void soft_circle(const Job& j)
{
    const double radius = 0.5 * std::hypot(static_cast<double>(j.w), static_cast<double>(j.h));
    const double width = soft_width(j, std::min(j.w, j.h));
    const SoftEdge edge = SoftEdge::make(j.p, radius, width);
    // The weights of the soft ring, worked out per row in single precision
    // (plenty for a soft edge) in a loop the compiler vectorises.
    const float mid = static_cast<float>(j.w) * 0.5f;
    const float scale = static_cast<float>(256.0 / width);
    const float front = static_cast<float>(edge.front);
    const float rad = static_cast<float>(radius);
    std::vector<std::uint16_t> weights(static_cast<std::size_t>(j.w));
    std::uint16_t* k = weights.data();
    auto soft_weights = [&](int x0, int x1, float dy2) {
        for (int x = x0; x < x1; ++x) {
            const float dx = static_cast<float>(x) + 0.5f - mid;
            const float r = std::sqrt(dx * dx + dy2);
            const float t = kInwards ? rad - r : r;
            float w = (front - t) * scale + 0.5f;
            w = w < 0.0f ? 0.0f : w;
            w = w > 256.0f ? 256.0f : w;
            k[x] = static_cast<std::uint16_t>(w);
        }
    };
    each_row(j, [&](int y) {
        const double dy = y + 0.5 - j.h * 0.5;
        const Pixel* a = j.old_row(y);
        const Pixel* b = j.new_row(y);
        Pixel* o = j.out_row(y);
        // Outside the ring of radii [front - width, front] (distance from the
        // edge's start) the row is a plain copy; find that ring's run.
        auto ring = [&](double distance_from_start) {
            const double r = kInwards ? radius - distance_from_start : distance_from_start;
            const double left = r * r - dy * dy;
            return r > 0.0 && left > 0.0 ? centre_span(std::sqrt(left), j.w) : Span{};
        };
        const Span sure = ring(kInwards ? edge.front : edge.front - width);  // new when outwards, old when inwards
        const Span reach = ring(kInwards ? edge.front - width : edge.front); // beyond it old when outwards, new when inwards
        const Pixel* inner_src = kInwards ? a : b;
        const Pixel* outer_src = kInwards ? b : a;
        copy_pixels(o, outer_src, reach.x0);
        copy_pixels(o + reach.x1, outer_src + reach.x1, j.w - reach.x1);
        const int s0 = sure.empty() ? reach.x1 : sure.x0;
        const int s1 = sure.empty() ? reach.x1 : sure.x1;
        copy_pixels(o + s0, inner_src + s0, s1 - s0);
        const float dy2 = static_cast<float>(dy * dy);
        soft_weights(reach.x0, s0, dy2);
        soft_weights(s1, reach.x1, dy2);
        mix_row_weighted(o, a, b, k, reach.x0, s0);
        mix_row_weighted(o, a, b, k, s1, reach.x1);
    });
}

} // namespace

void soft_diagonal(const Job& j)
{
    // Place along the way as (x / w + y / h) / 2 in 0..1.
    const double width = std::clamp(4.0 * j.cell / std::max(j.w, j.h), 0.01, 0.5);
    const SoftEdge edge = SoftEdge::make(j.p, 1.0, width);
    std::vector<std::uint16_t> weights(static_cast<std::size_t>(j.w));
    std::uint16_t* k = weights.data();
    each_row(j, [&](int y) {
        const Pixel* a = j.old_row(y);
        const Pixel* b = j.new_row(y);
        Pixel* o = j.out_row(y);
        const double ty = 0.5 * (y + 0.5) / j.h;
        // The mixed band in this row: front - width < t < front.
        const int x_new = count_below(2.0 * (edge.front - width - ty) * j.w, j.w);
        const int x_old = std::max(x_new, count_below(2.0 * (edge.front - ty) * j.w, j.w));
        copy_pixels(o, b, x_new);
        for (int x = x_new; x < x_old; ++x) {
            k[x] = static_cast<std::uint16_t>(edge.at(0.5 * (x + 0.5) / j.w + ty));
        }
        mix_row_weighted(o, a, b, k, x_new, x_old);
        copy_pixels(o + x_old, a + x_old, j.w - x_old);
    });
}

// ---- 110, 111: dissolves that fade ----

// Each cell fades over 30 per cent of the play, starting at a random moment
// in the first 70 per cent.
void soft_dissolve(const Job& j)
{
    const int c = j.cell;
    const int ncols = j.cols(c);
    for_rows(j, [&](int y0, int y1) {
        std::vector<std::uint32_t> k(static_cast<std::size_t>(ncols));
        int cached = -1;
        for (int y = y0; y < y1; ++y) {
            const int cy = y / c;
            if (cy != cached) {
                for (int cx = 0; cx < ncols; ++cx) {
                    const double start = 0.7 * unit(hash_cell(j.seed ^ kSaltSoftDissolve, static_cast<std::uint32_t>(cx), static_cast<std::uint32_t>(cy)));
                    k[static_cast<std::size_t>(cx)] = weight((j.p - start) / 0.3);
                }
                cached = cy;
            }
            const Pixel* a = j.old_row(y);
            const Pixel* b = j.new_row(y);
            Pixel* o = j.out_row(y);
            for (int cx = 0; cx < ncols; ++cx) {
                const int x0 = cx * c;
                mix_row(o + x0, a + x0, b + x0, std::min(x0 + c, j.w) - x0, k[static_cast<std::size_t>(cx)]);
            }
        }
    });
}

// Rows of cells fade one after another from the top, each over 30 per cent
// of the play.
void staggered_fade_down(const Job& j)
{
    const int nrows = j.rows(j.cell);
    each_row(j, [&](int y) {
        const double start = 0.7 * (y / j.cell) / nrows;
        mix_row(j.out_row(y), j.old_row(y), j.new_row(y), j.w, weight((j.p - start) / 0.3));
    });
}

// The effects drawn by a shared kernel with their own settings.
void fade_through_black(const Job& j) { fade_through(j, kBlack); }
void fade_through_white(const Job& j) { fade_through(j, kWhite); }
void soft_wipe_right(const Job& j) { soft_wipe_across<false>(j); }
void soft_wipe_left(const Job& j) { soft_wipe_across<true>(j); }
void soft_wipe_down(const Job& j) { soft_wipe_vertical<false>(j); }
void soft_wipe_up(const Job& j) { soft_wipe_vertical<true>(j); }
void soft_circle_out(const Job& j) { soft_circle<false>(j); }
void soft_circle_in(const Job& j) { soft_circle<true>(j); }

} // namespace framory::media::fx
