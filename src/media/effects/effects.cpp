#include "media/effects/effects.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "media/effects/effect_blocks.h"
#include "media/effects/effect_table.h"

namespace framory::media {
namespace {

bool in_catalogue(int number) { return number >= 1 && number <= kEffectCount; }

const EffectEntry& entry(int number) { return EffectCatalogue()[static_cast<std::size_t>(number - 1)]; }

} // namespace

EffectInfo DescribeEffect(int number)
{
    if (!in_catalogue(number)) {
        return {"None", EffectKind::Reveal, false};
    }
    const EffectEntry& e = entry(number);
    return {e.name, e.kind, e.uses_grain};
}

std::string_view EffectName(int number) { return DescribeEffect(number).name; }

int EffectCellSize(int grain, int width, int height, double pixel_ratio)
{
    // One unit of grain is 1/270 of the shorter side (4 pixels at 1080 lines),
    // and at least one logical pixel on small pictures. Grains beyond 270
    // (only from an edited settings file) make one cell of the whole picture
    // anyway and are held there, which also keeps the product in range.
    constexpr double kUnitsPerSide = 270.0;
    const int shorter = std::max(1, std::min(width, height));
    const double least = std::isfinite(pixel_ratio) ? std::clamp(pixel_ratio, 1.0, 16.0) : 1.0;
    const double unit = std::max(least, shorter / kUnitsPerSide);
    return std::max(1, static_cast<int>(std::lround(std::clamp(grain, 1, 270) * unit)));
}

std::chrono::milliseconds EffectDuration(int pace)
{
    constexpr int kMillisecondsPerPace = 40;
    constexpr int kLongestPace = 250;
    return std::chrono::milliseconds{std::clamp(pace, 0, kLongestPace) * kMillisecondsPerPace};
}

void RenderEffect(int number, const Image& from, const Image& to, double progress, int grain, Image& out,
                  std::uint32_t seed, double pixel_ratio)
{
    // Drawing into one of the inputs: build the frame aside, then move it in.
    if (&out == &from || &out == &to) {
        Image frame;
        RenderEffect(number, from, to, progress, grain, frame, seed, pixel_ratio);
        out = std::move(frame);
        return;
    }
    const int w = to.width();
    const int h = to.height();
    if (out.width() != w || out.height() != h) {
        out = Image(w, h);
    }
    if (to.empty()) {
        return;
    }
    // NaN lands on the final frame, like a cancelled effect.
    const double p = std::isnan(progress) ? 1.0 : std::clamp(progress, 0.0, 1.0);
    if (!in_catalogue(number) || p >= 1.0) {
        std::copy(to.data(), to.data() + to.pixel_count(), out.data());
        return;
    }
    const Image* old_picture = &from;
    Image black;
    if (from.width() != w || from.height() != h) {
        black = Image(w, h, fx::kBlack);
        old_picture = &black;
    }
    if (p <= 0.0) {
        std::copy(old_picture->data(), old_picture->data() + old_picture->pixel_count(), out.data());
        return;
    }
    fx::Job job;
    job.from = old_picture;
    job.to = &to;
    job.out = &out;
    job.p = p;
    job.cell = EffectCellSize(grain, w, h, pixel_ratio);
    job.seed = seed;
    job.w = w;
    job.h = h;
    entry(number).render(job);
}

namespace {

// The tiles in which frames are compared: wide enough that one memcmp
// covers a good run of a row, short enough that a change does not mark
// much around it.
constexpr int kTileWidth = 128;
constexpr int kTileHeight = 32;

PixelRect bounding(const PixelRect& a, const PixelRect& b)
{
    const int left = std::min(a.left, b.left);
    const int top = std::min(a.top, b.top);
    const int right = std::max(a.left + a.width, b.left + b.width);
    const int bottom = std::max(a.top + a.height, b.top + b.height);
    return {left, top, right - left, bottom - top};
}

// Merges neighbouring rectangles (in order) into at most `limit` groups.
std::vector<PixelRect> merged_into(const std::vector<PixelRect>& areas, std::size_t limit)
{
    const std::size_t per_group = (areas.size() + limit - 1) / limit;
    std::vector<PixelRect> merged;
    for (std::size_t i = 0; i < areas.size(); i += per_group) {
        PixelRect group = areas[i];
        for (std::size_t j = i + 1; j < std::min(areas.size(), i + per_group); ++j) {
            group = bounding(group, areas[j]);
        }
        merged.push_back(group);
    }
    return merged;
}

} // namespace

std::vector<PixelRect> ChangedAreas(const Image& before, const Image& after, int max_areas)
{
    const int w = after.width();
    const int h = after.height();
    if (before.width() != w || before.height() != h) {
        return after.empty() ? std::vector<PixelRect>{} : std::vector<PixelRect>{{0, 0, w, h}};
    }
    // Tile by tile, a band of tile rows at a time: a tile that changed is
    // usually found out at its first row, one that did not costs a read of
    // both frames, which is cheaper than painting it and handing it to the
    // window system.
    std::vector<PixelRect> runs;
    std::vector<std::size_t> band_starts;
    for (int y0 = 0; y0 < h; y0 += kTileHeight) {
        const int y1 = std::min(h, y0 + kTileHeight);
        band_starts.push_back(runs.size());
        bool in_run = false;
        for (int x0 = 0; x0 < w; x0 += kTileWidth) {
            const int n = std::min(kTileWidth, w - x0);
            bool changed = false;
            for (int y = y0; y < y1 && !changed; ++y) {
                changed = std::memcmp(before.row(y) + x0, after.row(y) + x0, static_cast<std::size_t>(n) * 4) != 0;
            }
            if (changed && in_run) {
                runs.back().width += n;
            } else if (changed) {
                runs.push_back({x0, y0, n, y1 - y0});
            }
            in_run = changed;
        }
    }
    const auto limit = static_cast<std::size_t>(std::max(1, max_areas));
    if (runs.size() <= limit) {
        return runs;
    }
    // Too many pieces: each band of tile rows becomes one piece, and if
    // that is still too many, neighbouring bands are joined.
    std::vector<PixelRect> bands;
    band_starts.push_back(runs.size());
    for (std::size_t b = 0; b + 1 < band_starts.size(); ++b) {
        if (band_starts[b] == band_starts[b + 1]) {
            continue;
        }
        PixelRect band = runs[band_starts[b]];
        for (std::size_t i = band_starts[b] + 1; i < band_starts[b + 1]; ++i) {
            band = bounding(band, runs[i]);
        }
        bands.push_back(band);
    }
    return bands.size() <= limit ? bands : merged_into(bands, limit);
}

} // namespace framory::media
