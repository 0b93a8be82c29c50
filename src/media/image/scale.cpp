#include "media/image/scale.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

namespace framory::media {

namespace {

constexpr int kWeightBits = 14;
constexpr std::int32_t kWeightOne = 1 << kWeightBits;

// For each target position, the source positions it draws from and their
// weights, which sum to exactly kWeightOne.
struct Contributions {
    std::vector<int> first;
    std::vector<int> count;
    std::vector<std::size_t> offset; // into weights
    std::vector<std::int32_t> weights;
    int widest = 0;
};

Contributions contributions(int src, int dst)
{
    Contributions c;
    c.first.resize(static_cast<std::size_t>(dst));
    c.count.resize(static_cast<std::size_t>(dst));
    c.offset.resize(static_cast<std::size_t>(dst));
    const double scale = static_cast<double>(src) / dst;
    std::vector<double> raw;
    for (int i = 0; i < dst; ++i) {
        raw.clear();
        int first = 0;
        if (scale > 1.0) {
            // Area averaging: the target pixel covers [a, b) of the source.
            const double a = i * scale;
            const double b = std::min<double>((i + 1) * scale, src);
            first = static_cast<int>(std::floor(a));
            const int last = std::min(src - 1, static_cast<int>(std::ceil(b)) - 1);
            for (int j = first; j <= last; ++j) {
                raw.push_back(std::max(0.0, std::min<double>(b, j + 1) - std::max<double>(a, j)));
            }
        } else {
            // Bilinear between the two nearest source centres.
            const double centre = (i + 0.5) * scale - 0.5;
            const int j0 = static_cast<int>(std::floor(centre));
            const double f = centre - j0;
            const int lo = std::clamp(j0, 0, src - 1);
            const int hi = std::clamp(j0 + 1, 0, src - 1);
            first = lo;
            if (hi == lo) {
                raw.push_back(1.0);
            } else {
                raw.push_back(1.0 - f);
                raw.push_back(f);
            }
        }
        double total = 0;
        for (double w : raw) {
            total += w;
        }
        const auto idx = static_cast<std::size_t>(i);
        c.first[idx] = first;
        c.count[idx] = static_cast<int>(raw.size());
        c.offset[idx] = c.weights.size();
        std::int32_t sum = 0;
        for (double w : raw) {
            const auto q = static_cast<std::int32_t>(std::lround(w / total * kWeightOne));
            c.weights.push_back(q);
            sum += q;
        }
        // Rounding leftovers go to the largest weight so a flat colour stays flat.
        auto largest = std::max_element(c.weights.begin() + static_cast<std::ptrdiff_t>(c.offset[idx]), c.weights.end());
        *largest += kWeightOne - sum;
        c.widest = std::max(c.widest, c.count[idx]);
    }
    return c;
}

// Windows executables have no ifunc, which target_clones needs.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(_WIN32)
#define FRAMORY_SCALE_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define FRAMORY_SCALE_CLONES
#endif

// The hot loops are built twice, for AVX2 and for the baseline, and the
// loader picks one: the same source, vectorised as wide as the machine goes.
FRAMORY_SCALE_CLONES bool row_is_opaque(const std::uint32_t* row, int width)
{
    std::uint32_t all = 0xffffffffu;
    for (int x = 0; x < width; ++x) {
        all &= row[x];
    }
    return (all >> 24) == 0xff;
}

// Alpha-weighted copy of a row, so that averaging does not let the colour
// of transparent pixels bleed into their neighbours.
void premultiply(const std::uint32_t* src, int width, std::uint32_t* out)
{
    for (int x = 0; x < width; ++x) {
        const std::uint32_t p = src[x];
        const std::uint32_t a = p >> 24;
        const std::uint32_t r = (((p >> 16) & 0xff) * a + 127) / 255;
        const std::uint32_t g = (((p >> 8) & 0xff) * a + 127) / 255;
        const std::uint32_t b = ((p & 0xff) * a + 127) / 255;
        out[x] = (a << 24) | (r << 16) | (g << 8) | b;
    }
}


FRAMORY_SCALE_CLONES void accumulate(std::uint32_t* __restrict acc, const std::uint8_t* __restrict bytes, std::uint32_t w,
                                     std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i) {
        acc[i] += w * bytes[i];
    }
}

FRAMORY_SCALE_CLONES void narrow(const std::uint32_t* __restrict acc, std::uint16_t* __restrict out, std::size_t n)
{
    constexpr int shift = kWeightBits - 8;
    constexpr std::uint32_t half = 1u << (shift - 1);
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = static_cast<std::uint16_t>((acc[i] + half) >> shift);
    }
}

using Lanes = std::uint32_t __attribute__((vector_size(16)));
using Lanes16 = std::uint16_t __attribute__((vector_size(8)));

FRAMORY_SCALE_CLONES void scale_along(const std::uint16_t* column, const Contributions& cx, std::uint32_t* dst, int width)
{
    constexpr int shift = kWeightBits + 8;
    constexpr std::uint32_t half = 1u << (shift - 1);
    for (int x = 0; x < width; ++x) {
        const auto ix = static_cast<std::size_t>(x);
        const std::uint16_t* s = column + static_cast<std::size_t>(cx.first[ix]) * 4;
        const std::int32_t* w = cx.weights.data() + cx.offset[ix];
        Lanes sum = {half, half, half, half};
        for (int k = 0; k < cx.count[ix]; ++k) {
            Lanes16 v;
            std::memcpy(&v, s + static_cast<std::size_t>(k) * 4, sizeof v);
            sum += static_cast<std::uint32_t>(w[k]) * __builtin_convertvector(v, Lanes);
        }
        sum >>= shift;
        dst[x] = Unpremultiplied(std::min<std::uint32_t>(255, sum[2]), std::min<std::uint32_t>(255, sum[1]),
                                 std::min<std::uint32_t>(255, sum[0]), std::min<std::uint32_t>(255, sum[3]));
    }
}

// Scales target rows [y0, y1): first down the columns (a weighted sum of
// whole source rows, which vectorises well), then along the row. Pixels
// are four bytes B, G, R, A in memory; sums run in 8.8 fixed point.
class Band {
public:
    Band(int src_width, const Contributions& cx, const Contributions& cy)
        : m_src_width(src_width), m_cx(cx), m_cy(cy),
          m_acc(static_cast<std::size_t>(src_width) * 4), m_column(static_cast<std::size_t>(src_width) * 4),
          m_premultiplied(static_cast<std::size_t>(src_width))
    {
    }

    // `row(sy)` gives source row sy; it may be called again for a row the
    // previous target row used.
    template <typename RowFn>
    void run(int y0, int y1, RowFn&& row, Image& out)
    {
        const std::size_t lanes = static_cast<std::size_t>(m_src_width) * 4;
        for (int y = y0; y < y1; ++y) {
            const auto iy = static_cast<std::size_t>(y);
            std::fill(m_acc.begin(), m_acc.end(), 0u);
            for (int k = 0; k < m_cy.count[iy]; ++k) {
                const std::uint32_t* src = row(m_cy.first[iy] + k);
                if (!row_is_opaque(src, m_src_width)) {
                    premultiply(src, m_src_width, m_premultiplied.data());
                    src = m_premultiplied.data();
                }
                const auto w = static_cast<std::uint32_t>(m_cy.weights[m_cy.offset[iy] + static_cast<std::size_t>(k)]);
                accumulate(m_acc.data(), reinterpret_cast<const std::uint8_t*>(src), w, lanes);
            }
            narrow(m_acc.data(), m_column.data(), lanes);
            horizontal(out.row(y), out.width());
        }
    }

private:
    void horizontal(std::uint32_t* dst, int width) const { scale_along(m_column.data(), m_cx, dst, width); }

    int m_src_width;
    const Contributions& m_cx;
    const Contributions& m_cy;
    std::vector<std::uint32_t> m_acc;
    std::vector<std::uint16_t> m_column;
    std::vector<std::uint32_t> m_premultiplied;
};

bool same_size_copy(int src_width, int src_height, int width, int height)
{
    return src_width == width && src_height == height;
}

} // namespace

Image ScaleRows(int src_width, int src_height, const RowSource& source, int width, int height)
{
    if (src_width <= 0 || src_height <= 0 || width <= 0 || height <= 0) {
        return Image();
    }
    Image out(width, height, 0);
    if (same_size_copy(src_width, src_height, width, height)) {
        std::vector<std::uint32_t> scratch(static_cast<std::size_t>(src_width));
        for (int y = 0; y < height; ++y) {
            const std::uint32_t* row = source(y, scratch.data());
            std::memcpy(out.row(y), row, static_cast<std::size_t>(width) * sizeof(std::uint32_t));
        }
        return out;
    }
    const Contributions cx = contributions(src_width, width);
    const Contributions cy = contributions(src_height, height);

    // The source hands out each row once, in order, and the pointer may not
    // outlive the next call: keep the last `widest` rows in a ring, which
    // holds every row one target row needs.
    const auto slots = static_cast<std::size_t>(cy.widest);
    const auto row_len = static_cast<std::size_t>(src_width);
    std::vector<std::uint32_t> ring(slots * row_len);
    std::vector<int> tag(slots, -1);
    auto row = [&](int sy) -> const std::uint32_t* {
        const std::size_t slot = static_cast<std::size_t>(sy) % slots;
        std::uint32_t* line = ring.data() + slot * row_len;
        if (tag[slot] != sy) {
            const std::uint32_t* got = source(sy, line);
            if (got != line) {
                std::memcpy(line, got, row_len * sizeof(std::uint32_t));
            }
            tag[slot] = sy;
        }
        return line;
    };
    Band band(src_width, cx, cy);
    band.run(0, height, row, out);
    return out;
}

Image ScalePixels(const std::uint32_t* pixels, int src_width, int src_height, std::ptrdiff_t stride, int width,
                  int height)
{
    if (src_width <= 0 || src_height <= 0 || width <= 0 || height <= 0) {
        return Image();
    }
    if (same_size_copy(src_width, src_height, width, height)) {
        Image out(width, height, 0);
        for (int y = 0; y < height; ++y) {
            std::memcpy(out.row(y), pixels + static_cast<std::ptrdiff_t>(y) * stride,
                        static_cast<std::size_t>(width) * sizeof(std::uint32_t));
        }
        return out;
    }
    Image out(width, height, 0);
    const Contributions cx = contributions(src_width, width);
    const Contributions cy = contributions(src_height, height);
    auto row = [pixels, stride](int sy) { return pixels + static_cast<std::ptrdiff_t>(sy) * stride; };

    // Rows in memory can be read from anywhere: large jobs are split into
    // bands of target rows, one per core (at most four).
    const std::int64_t work = std::int64_t{src_width} * src_height + std::int64_t{width} * height;
    const unsigned cores = std::max(1u, std::min(4u, std::thread::hardware_concurrency()));
    const int bands = work < 1'000'000 ? 1 : static_cast<int>(std::min<unsigned>(cores, static_cast<unsigned>(height)));
    std::vector<std::thread> workers;
    for (int i = 1; i < bands; ++i) {
        workers.emplace_back([&, i] {
            Band band(src_width, cx, cy);
            band.run(height * i / bands, height * (i + 1) / bands, row, out);
        });
    }
    Band band(src_width, cx, cy);
    band.run(0, height / bands, row, out);
    for (std::thread& t : workers) {
        t.join();
    }
    return out;
}

Image ScaleImage(const Image& src, int width, int height)
{
    return ScalePixels(src.data(), src.width(), src.height(), src.width(), width, height);
}

} // namespace framory::media
