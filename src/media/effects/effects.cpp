#include "media/effects/effects.h"

#include <algorithm>
#include <cmath>

#include "media/effects/effect_kernels.h"

namespace framory::media {
namespace {

using fx::Catalogue;

// Built once on first use and read-only afterwards.
const Catalogue& catalogue()
{
    static const Catalogue table = [] {
        Catalogue c{};
        fx::AddRevealEffects(c);
        fx::AddShapeEffects(c);
        fx::AddBlendEffects(c);
        fx::AddMotionEffects(c);
        c[0] = {{"None", EffectKind::Reveal, false}, nullptr};
        return c;
    }();
    return table;
}

bool in_catalogue(int number) { return number >= 1 && number <= kEffectCount; }

} // namespace

EffectInfo DescribeEffect(int number)
{
    return catalogue()[static_cast<std::size_t>(in_catalogue(number) ? number : 0)].info;
}

std::string_view EffectName(int number) { return DescribeEffect(number).name; }

int EffectCellSize(int grain, int width, int height)
{
    // One unit of grain is 1/270 of the shorter side (4 pixels at 1080 lines),
    // and at least one pixel on small pictures. Grains beyond 270 (only from
    // an edited settings file) make one cell of the whole picture anyway and
    // are held there, which also keeps the product in range.
    constexpr double kUnitsPerSide = 270.0;
    const int shorter = std::max(1, std::min(width, height));
    const double unit = std::max(1.0, shorter / kUnitsPerSide);
    return std::max(1, static_cast<int>(std::lround(std::clamp(grain, 1, 270) * unit)));
}

std::chrono::milliseconds EffectDuration(int pace)
{
    constexpr int kMillisecondsPerPace = 40;
    constexpr int kLongestPace = 250;
    return std::chrono::milliseconds{std::clamp(pace, 0, kLongestPace) * kMillisecondsPerPace};
}

void RenderEffect(int number, const Image& from, const Image& to, double progress, int grain, Image& out,
                  std::uint32_t seed)
{
    // Drawing into one of the inputs: build the frame aside, then move it in.
    if (&out == &from || &out == &to) {
        Image frame;
        RenderEffect(number, from, to, progress, grain, frame, seed);
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
    job.cell = EffectCellSize(grain, w, h);
    job.seed = seed;
    job.w = w;
    job.h = h;
    catalogue()[static_cast<std::size_t>(number)].render(job);
}

} // namespace framory::media
