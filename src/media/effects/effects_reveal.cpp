// Reveal effects made of straight edges and cells: wipes, barn doors, blinds,
// checkerboards, cell orders (spiral, snake, typewriter), random dissolves,
// combs, diagonal blinds, cell shapes and rain. Every pixel of a frame is
// either old or new, and once new it stays new while progress grows.

#include <cmath>
#include <vector>

#include "media/effects/effect_blocks.h"
#include "media/effects/effect_kernels.h"

namespace framory::media::fx {
namespace {

// Salts that keep the random effects apart when they share a seed.
constexpr std::uint32_t kSaltDissolve = 0x1b873593u;
constexpr std::uint32_t kSaltBarsAcross = 0x5bd1e995u;
constexpr std::uint32_t kSaltBarsDown = 0x68e31da4u;
constexpr std::uint32_t kSaltTwoTurns = 0xb5297a4du;
constexpr std::uint32_t kSaltRain = 0x1b56c4e9u;
constexpr std::uint32_t kSaltSquares = 0x7f4a7c15u;

// Whole-row decisions: row y is new when `is_new(y)`.
template <class Fn>
void reveal_rows(const Job& j, Fn&& is_new)
{
    each_row(j, [&](int y) { copy_pixels(j.out_row(y), is_new(y) ? j.new_row(y) : j.old_row(y), j.w); });
}

// One run of new pixels per row: `span_of(y)`.
template <class Fn>
void reveal_span(const Job& j, Fn&& span_of)
{
    each_row(j, [&](int y) { compose_inside(j.out_row(y), j.old_row(y), j.new_row(y), j.w, span_of(y)); });
}

// Whole cells of cw x ch pixels, new while `is_new(cx, cy)`. The decisions
// are made once per row of cells.
template <class Fn>
void reveal_cells(const Job& j, int cw, int ch, Fn&& is_new)
{
    const int ncols = j.cols(cw);
    for_rows(j, [&](int y0, int y1) {
        std::vector<unsigned char> flags(static_cast<std::size_t>(ncols));
        int cached = -1;
        for (int y = y0; y < y1; ++y) {
            const int cy = y / ch;
            if (cy != cached) {
                for (int cx = 0; cx < ncols; ++cx) {
                    flags[static_cast<std::size_t>(cx)] = is_new(cx, cy) ? 1 : 0;
                }
                cached = cy;
            }
            RowComposer row(j.out_row(y), j.old_row(y), j.new_row(y), j.w);
            for (int cx = 0; cx < ncols; ++cx) {
                row.put((cx + 1) * cw, flags[static_cast<std::size_t>(cx)] != 0);
            }
            row.finish();
        }
    });
}

// A cell of the grid as seen from one of its rows.
struct CellRow {
    int cx;
    int cy;
    int ly; // row inside the cell
    int lh; // the cell's height (smaller at the bottom edge)
    int x0; // the cell's columns [x0, x1)
    int x1;
};

// One run of new pixels inside each cell of each row: `span_of(CellRow)`
// returns the run in frame columns (clipped to the cell).
template <class Fn>
void reveal_cell_spans(const Job& j, int cw, int ch, Fn&& span_of)
{
    const int ncols = j.cols(cw);
    each_row(j, [&](int y) {
        const int cy = y / ch;
        const int lh = std::min(ch, j.h - cy * ch);
        RowComposer row(j.out_row(y), j.old_row(y), j.new_row(y), j.w);
        for (int cx = 0; cx < ncols; ++cx) {
            const int x0 = cx * cw;
            const int x1 = std::min(x0 + cw, j.w);
            const Span s = span_of(CellRow{cx, cy, y - cy * ch, lh, x0, x1});
            const int a = std::clamp(s.x0, x0, x1);
            const int b = std::clamp(s.x1, a, x1);
            row.put(a, false);
            row.put(b, true);
            row.put(x1, false);
        }
        row.finish();
    });
}

// The run of a shape of relative size f (0..1) centred in a cell's row.
Span cell_ring_span(const CellRow& c, double f)
{
    const Span s = ring_span(f, c.x1 - c.x0);
    return {c.x0 + s.x0, c.x0 + s.x1};
}

// A square of relative size g centred in the cell.
Span cell_square(const CellRow& c, double g)
{
    if (g <= 0.0) {
        return {};
    }
    if (g >= 1.0) {
        return {c.x0, c.x1};
    }
    return ring_fraction(c.ly, c.lh) < g ? cell_ring_span(c, g) : Span{};
}

// The same shape in every cell: `local_span(ly, lh, lw)` gives the run of new
// pixels of row ly of a cell of lw x lh pixels, in the cell's own columns.
// It is worked out once per row for the full cells and once for the cut
// cell at the right edge.
template <class Fn>
void reveal_same_in_every_cell(const Job& j, int cw, int ch, Fn&& local_span)
{
    const int ncols = j.cols(cw);
    const int last_w = j.w - (ncols - 1) * cw;
    each_row(j, [&](int y) {
        const int cy = y / ch;
        const int lh = std::min(ch, j.h - cy * ch);
        const int ly = y - cy * ch;
        const Span full = local_span(ly, lh, cw);
        const Span last = last_w == cw ? full : local_span(ly, lh, last_w);
        RowComposer row(j.out_row(y), j.old_row(y), j.new_row(y), j.w);
        for (int cx = 0; cx < ncols; ++cx) {
            const int x0 = cx * cw;
            const Span& s = cx == ncols - 1 ? last : full;
            row.put(x0 + s.x0, false);
            row.put(x0 + s.x1, true);
            row.put(x0 + cw, false);
        }
        row.finish();
    });
}

// Cells taken in a fixed order: `rank` gives each cell's place in the order
// (0 first). Each cell grows as a square from its centre while the next few
// cells along the path start theirs, so the path shows as a trail of growing
// squares; the trail is 6 per cent of the cells long.
void reveal_in_order(const Job& j, const std::vector<int>& rank, int ncols)
{
    const double total = static_cast<double>(rank.size());
    const double trail = std::max(2.0, 0.06 * total);
    const double head = j.p * (total + trail);
    reveal_cell_spans(j, j.cell, j.cell, [&](const CellRow& c) {
        const int r = rank[static_cast<std::size_t>(c.cy) * static_cast<std::size_t>(ncols) + static_cast<std::size_t>(c.cx)];
        return cell_square(c, (head - r) / trail);
    });
}

// The rank of every cell, row by row, from `rank_of(cx, cy)`.
template <class Fn>
std::vector<int> ranks(const Job& j, Fn&& rank_of)
{
    const int ncols = j.cols(j.cell);
    const int nrows = j.rows(j.cell);
    std::vector<int> rank(static_cast<std::size_t>(ncols) * static_cast<std::size_t>(nrows));
    for (int cy = 0; cy < nrows; ++cy) {
        for (int cx = 0; cx < ncols; ++cx) {
            rank[static_cast<std::size_t>(cy) * static_cast<std::size_t>(ncols) + static_cast<std::size_t>(cx)] = rank_of(cx, cy);
        }
    }
    return rank;
}

} // namespace

// ---- 1-8: wipes ----

void wipe_right(const Job& j)
{
    const int n = count_below(j.p * j.w, j.w);
    reveal_span(j, [&](int) { return Span{0, n}; });
}

void wipe_left(const Job& j)
{
    const int n = count_below(j.p * j.w, j.w);
    reveal_span(j, [&](int) { return Span{j.w - n, j.w}; });
}

void wipe_down(const Job& j)
{
    const int n = count_below(j.p * j.h, j.h);
    reveal_rows(j, [&](int y) { return y < n; });
}

void wipe_up(const Job& j)
{
    const int n = count_below(j.p * j.h, j.h);
    reveal_rows(j, [&](int y) { return y >= j.h - n; });
}

namespace {

// A straight edge across the corner: a pixel is new when its distance along
// the diagonal, (x / w + y / h) / 2 measured from the starting corner, is
// below the progress.
template <bool kFromRight, bool kFromBottom>
void wipe_corner(const Job& j)
{
    reveal_span(j, [&](int y) {
        const int yy = kFromBottom ? j.h - 1 - y : y;
        const double limit = (2.0 * j.p - (yy + 0.5) / j.h) * j.w;
        const int n = count_below(limit, j.w);
        return kFromRight ? Span{j.w - n, j.w} : Span{0, n};
    });
}

} // namespace

// ---- 9-12: barn doors ----

void doors_open_sideways(const Job& j)
{
    const Span s = centre_span(j.p * j.w * 0.5, j.w);
    reveal_span(j, [&](int) { return s; });
}

void doors_close_sideways(const Job& j)
{
    const Span s = centre_span((1.0 - j.p) * j.w * 0.5, j.w);
    each_row(j, [&](int y) { compose_outside(j.out_row(y), j.old_row(y), j.new_row(y), j.w, s); });
}

void doors_open_vertically(const Job& j)
{
    const Span s = centre_span(j.p * j.h * 0.5, j.h);
    reveal_rows(j, [&](int y) { return y >= s.x0 && y < s.x1; });
}

void doors_close_vertically(const Job& j)
{
    const Span s = centre_span((1.0 - j.p) * j.h * 0.5, j.h);
    reveal_rows(j, [&](int y) { return y < s.x0 || y >= s.x1; });
}

// ---- 13-16: blinds ----

void blinds_across(const Job& j)
{
    const int c = j.cell;
    reveal_rows(j, [&](int y) {
        const int slat = y / c;
        const int lh = std::min(c, j.h - slat * c);
        return (y - slat * c) < count_below(j.p * lh, lh);
    });
}

void blinds_down(const Job& j)
{
    reveal_same_in_every_cell(j, j.cell, j.h, [&](int, int, int lw) { return Span{0, count_below(j.p * lw, lw)}; });
}

void blinds_across_from_centres(const Job& j)
{
    const int c = j.cell;
    reveal_rows(j, [&](int y) {
        const int slat = y / c;
        const int lh = std::min(c, j.h - slat * c);
        return ring_fraction(y - slat * c, lh) < j.p;
    });
}

void blinds_down_from_centres(const Job& j)
{
    reveal_same_in_every_cell(j, j.cell, j.h, [&](int, int, int lw) { return ring_span(j.p, lw); });
}

// ---- 17-19: checkerboards ----

// Squares of one colour fill during the first half, the others during the
// second half, each wiping across.
void checkerboard_across(const Job& j)
{
    reveal_cell_spans(j, j.cell, j.cell, [&](const CellRow& c) {
        const double f = 2.0 * j.p - ((c.cx + c.cy) & 1);
        const int lw = c.x1 - c.x0;
        return Span{c.x0, c.x0 + count_below(f * lw, lw)};
    });
}

// As above but each square wipes downwards, and the other colour starts.
void checkerboard_down(const Job& j)
{
    reveal_cell_spans(j, j.cell, j.cell, [&](const CellRow& c) {
        const double f = 2.0 * j.p - ((c.cx + c.cy + 1) & 1);
        return c.ly < count_below(f * c.lh, c.lh) ? Span{c.x0, c.x1} : Span{};
    });
}

// Squares of one colour appear at random during the first 60 per cent, the
// others during the last 60 per cent.
void checkerboard_two_turns(const Job& j)
{
    reveal_cells(j, j.cell, j.cell, [&](int cx, int cy) {
        const double u = unit(hash_cell(j.seed ^ kSaltTwoTurns, static_cast<std::uint32_t>(cx), static_cast<std::uint32_t>(cy)));
        const double t = ((cx + cy) & 1) ? 0.4 + 0.6 * u : 0.6 * u;
        return t < j.p;
    });
}

// ---- 30-33, 59, 60: cells in a fixed order ----

namespace {

void spiral(const Job& j, bool inwards)
{
    const int ncols = j.cols(j.cell);
    const int nrows = j.rows(j.cell);
    std::vector<int> rank(static_cast<std::size_t>(ncols) * static_cast<std::size_t>(nrows), 0);
    int next = 0;
    auto mark = [&](int cx, int cy) { rank[static_cast<std::size_t>(cy) * static_cast<std::size_t>(ncols) + static_cast<std::size_t>(cx)] = next++; };
    int top = 0;
    int bottom = nrows - 1;
    int left = 0;
    int right = ncols - 1;
    while (top <= bottom && left <= right) {
        for (int x = left; x <= right; ++x) {
            mark(x, top);
        }
        for (int y = top + 1; y <= bottom; ++y) {
            mark(right, y);
        }
        if (top < bottom) {
            for (int x = right - 1; x >= left; --x) {
                mark(x, bottom);
            }
        }
        if (left < right) {
            for (int y = bottom - 1; y > top; --y) {
                mark(left, y);
            }
        }
        ++top;
        --bottom;
        ++left;
        --right;
    }
    if (!inwards) {
        for (int& r : rank) {
            r = next - 1 - r;
        }
    }
    reveal_in_order(j, rank, ncols);
}

} // namespace

void spiral_in(const Job& j) { spiral(j, true); }
void spiral_out(const Job& j) { spiral(j, false); }

void snake_rows(const Job& j)
{
    const int ncols = j.cols(j.cell);
    reveal_in_order(j, ranks(j, [ncols](int cx, int cy) { return cy * ncols + ((cy & 1) ? ncols - 1 - cx : cx); }), ncols);
}

void snake_columns(const Job& j)
{
    const int nrows = j.rows(j.cell);
    reveal_in_order(j, ranks(j, [nrows](int cx, int cy) { return cx * nrows + ((cx & 1) ? nrows - 1 - cy : cy); }),
                    j.cols(j.cell));
}

void typewriter(const Job& j)
{
    const int ncols = j.cols(j.cell);
    reveal_in_order(j, ranks(j, [ncols](int cx, int cy) { return cy * ncols + cx; }), ncols);
}

// Cells taken diagonal by diagonal from the top left corner.
void cells_by_diagonals(const Job& j)
{
    const int ncols = j.cols(j.cell);
    const int nrows = j.rows(j.cell);
    const int diagonals = ncols + nrows - 1;
    std::vector<int> start(static_cast<std::size_t>(diagonals) + 1, 0);
    for (int d = 0; d < diagonals; ++d) {
        const int lo = std::max(0, d - (nrows - 1));
        const int hi = std::min(ncols - 1, d);
        start[static_cast<std::size_t>(d) + 1] = start[static_cast<std::size_t>(d)] + (hi - lo + 1);
    }
    reveal_in_order(j, ranks(j, [&](int cx, int cy) {
        const int d = cx + cy;
        return start[static_cast<std::size_t>(d)] + (cx - std::max(0, d - (nrows - 1)));
    }), ncols);
}

// ---- 34, 35, 37: random dissolves ----

void random_dissolve(const Job& j)
{
    reveal_cells(j, j.cell, j.cell, [&](int cx, int cy) {
        return unit(hash_cell(j.seed ^ kSaltDissolve, static_cast<std::uint32_t>(cx), static_cast<std::uint32_t>(cy))) < j.p;
    });
}

void random_bars_across(const Job& j)
{
    reveal_cells(j, j.w, j.cell, [&](int, int cy) {
        return unit(hash_cell(j.seed ^ kSaltBarsAcross, 0, static_cast<std::uint32_t>(cy))) < j.p;
    });
}

void random_bars_down(const Job& j)
{
    reveal_cells(j, j.cell, j.h, [&](int cx, int) {
        return unit(hash_cell(j.seed ^ kSaltBarsDown, static_cast<std::uint32_t>(cx), 0)) < j.p;
    });
}

// ---- 48, 49: combs ----

void comb_across(const Job& j)
{
    const int n = count_below(j.p * j.w, j.w);
    reveal_span(j, [&](int y) { return ((y / j.cell) & 1) ? Span{j.w - n, j.w} : Span{0, n}; });
}

void comb_down(const Job& j)
{
    const int n = count_below(j.p * j.h, j.h);
    reveal_cell_spans(j, j.cell, j.h, [&](const CellRow& c) {
        const bool is_new = (c.cx & 1) ? c.ly >= j.h - n : c.ly < n;
        return is_new ? Span{c.x0, c.x1} : Span{};
    });
}

// ---- 53, 54: diagonal blinds ----

namespace {

// Slats at 45 degrees, 2 cells apart: a pixel is new while its place inside
// its slat, ((x +/- y) mod period), is below progress times the period.
template <bool kRising>
void diagonal_blinds(const Job& j)
{
    const int period = 2 * j.cell;
    const int n = count_below(j.p * period, period);
    each_row(j, [&](int y) {
        const int phase = kRising ? y % period : (period - y % period) % period;
        RowComposer row(j.out_row(y), j.old_row(y), j.new_row(y), j.w);
        // Slat k covers the columns x with x + phase in [k * period, k * period + n).
        for (int start = -phase; start < j.w; start += period) {
            row.put(start, false);
            row.put(start + n, true);
        }
        row.finish();
    });
}

} // namespace

// ---- 55-58, 112: shapes growing in every cell ----

void growing_squares(const Job& j)
{
    reveal_same_in_every_cell(j, j.cell, j.cell, [&](int ly, int lh, int lw) {
        return ring_fraction(ly, lh) < j.p ? ring_span(j.p, lw) : Span{};
    });
}

void shrinking_squares(const Job& j)
{
    // The old picture keeps a square in each cell that shrinks to nothing.
    const int ncols = j.cols(j.cell);
    const double keep = 1.0 - j.p;
    each_row(j, [&](int y) {
        const int cy = y / j.cell;
        const int lh = std::min(j.cell, j.h - cy * j.cell);
        const bool row_kept = ring_fraction(y - cy * j.cell, lh) < keep;
        RowComposer row(j.out_row(y), j.old_row(y), j.new_row(y), j.w);
        for (int cx = 0; cx < ncols; ++cx) {
            const int x0 = cx * j.cell;
            const int x1 = std::min(x0 + j.cell, j.w);
            if (row_kept) {
                const Span s = ring_span(keep, x1 - x0);
                row.put(x0 + s.x0, true);
                row.put(x0 + s.x1, false);
            }
            row.put(x1, true);
        }
        row.finish();
    });
}

// Dots of radius p * sqrt(2) in units of the cell's half, so that they meet
// the corners at the end.
void growing_dots(const Job& j)
{
    reveal_same_in_every_cell(j, j.cell, j.cell, [&](int ly, int lh, int lw) {
        const double fr = ring_fraction(ly, lh);
        const double left = 2.0 * j.p * j.p - fr * fr;
        return left > 0.0 ? ring_span(std::sqrt(left), lw) : Span{};
    });
}

void growing_diamonds(const Job& j)
{
    reveal_same_in_every_cell(j, j.cell, j.cell,
                              [&](int ly, int lh, int lw) { return ring_span(2.0 * j.p - ring_fraction(ly, lh), lw); });
}

// Each cell starts its square at a random moment in the first half and
// completes it in half the play time.
void random_growing_squares(const Job& j)
{
    reveal_cell_spans(j, j.cell, j.cell, [&](const CellRow& c) {
        const double start = 0.5 * unit(hash_cell(j.seed ^ kSaltSquares, static_cast<std::uint32_t>(c.cx), static_cast<std::uint32_t>(c.cy)));
        return cell_square(c, (j.p - start) * 2.0);
    });
}

// ---- 61, 62: rain ----

namespace {

// Columns of cells run down (or up), each starting at a random moment in the
// first half of the play and taking half the play to cross the picture.
template <bool kUp>
void rain(const Job& j)
{
    const int ncols = j.cols(j.cell);
    std::vector<double> start(static_cast<std::size_t>(ncols));
    for (int cx = 0; cx < ncols; ++cx) {
        start[static_cast<std::size_t>(cx)] = 0.5 * unit(hash_cell(j.seed ^ kSaltRain, static_cast<std::uint32_t>(cx), 0));
    }
    each_row(j, [&](int y) {
        const int yy = kUp ? j.h - 1 - y : y;
        const double reach = j.p - 0.5 * (yy + 0.5) / j.h;
        RowComposer row(j.out_row(y), j.old_row(y), j.new_row(y), j.w);
        for (int cx = 0; cx < ncols; ++cx) {
            row.put((cx + 1) * j.cell, start[static_cast<std::size_t>(cx)] < reach);
        }
        row.finish();
    });
}

} // namespace

// The effects drawn by a shared kernel with their own settings.
void diagonal_wipe_from_top_left(const Job& j) { wipe_corner<false, false>(j); }
void diagonal_wipe_from_top_right(const Job& j) { wipe_corner<true, false>(j); }
void diagonal_wipe_from_bottom_left(const Job& j) { wipe_corner<false, true>(j); }
void diagonal_wipe_from_bottom_right(const Job& j) { wipe_corner<true, true>(j); }
void diagonal_blinds_rising(const Job& j) { diagonal_blinds<true>(j); }
void diagonal_blinds_falling(const Job& j) { diagonal_blinds<false>(j); }
void rain_down(const Job& j) { rain<false>(j); }
void rain_up(const Job& j) { rain<true>(j); }

} // namespace framory::media::fx
