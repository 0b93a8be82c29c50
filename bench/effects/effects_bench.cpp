// Frame times of every transition effect at 1920x1080 and 3840x2160, each
// against one full-frame copy of the same picture timed beside it, in the
// same iterations: the copy is the memory-bandwidth floor that any effect
// frame has to pay. Goals: at 1080p a median of at most 8 ms and at most 10
// times the copy; at 2160p at most 33 ms. The table at the end gives the
// medians and ratios; the gradient fills are timed as well (once per picture
// in the show). Run with --benchmark_filter=1080p to time one size only.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "media/effects/effect_table.h"
#include "media/effects/effects.h"
#include "media/effects/gradient.h"
#include "media/effects/palette.h"

namespace {

using framory::media::Image;

struct Size {
    const char* label;
    int w;
    int h;
};

constexpr Size kSizes[] = {{"1080p", 1920, 1080}, {"2160p", 3840, 2160}};
constexpr int kGrain = 7; // the settings' default

Image Picture(int w, int h, int variant)
{
    Image image(w, h);
    for (int y = 0; y < h; ++y) {
        std::uint32_t* row = image.row(y);
        for (int x = 0; x < w; ++x) {
            const auto r = static_cast<std::uint32_t>((x * 255 / w + variant * 80) & 0xff);
            const auto g = static_cast<std::uint32_t>((y * 255 / h) & 0xff);
            const auto b = static_cast<std::uint32_t>(((x ^ y) + variant * 40) & 0xff);
            row[x] = 0xff000000u | (r << 16) | (g << 8) | b;
        }
    }
    return image;
}

struct Pictures {
    Image from;
    Image to;
    Image out;
};

Pictures& PicturesFor(const Size& size)
{
    static std::map<int, Pictures> cache;
    auto it = cache.find(size.w);
    if (it == cache.end()) {
        it = cache.emplace(size.w, Pictures{Picture(size.w, size.h, 0), Picture(size.w, size.h, 1), Image(size.w, size.h)})
                 .first;
    }
    return it->second;
}

void BM_Copy(benchmark::State& state, Size size)
{
    Pictures& p = PicturesFor(size);
    for (auto _ : state) {
        std::copy(p.to.data(), p.to.data() + p.to.pixel_count(), p.out.data());
        benchmark::DoNotOptimize(p.out.data());
        benchmark::ClobberMemory();
    }
}

// Each iteration copies the frame once and then draws one effect frame, and
// times both: the ratio of the two is then measured under the same load and
// cache conditions, even on a machine shared with other work.
void BM_Effect(benchmark::State& state, Size size, int number)
{
    using Clock = std::chrono::steady_clock;
    Pictures& p = PicturesFor(size);
    // Frames from all over the play, not only one progress.
    int step = 0;
    double copy_seconds = 0.0;
    for (auto _ : state) {
        const double progress = 0.05 + 0.9 * ((step++ * 7) % 19) / 18.0;
        const auto t0 = Clock::now();
        std::copy(p.to.data(), p.to.data() + p.to.pixel_count(), p.out.data());
        benchmark::ClobberMemory();
        const auto t1 = Clock::now();
        framory::media::RenderEffect(number, p.from, p.to, progress, kGrain, p.out, 17);
        benchmark::DoNotOptimize(p.out.data());
        benchmark::ClobberMemory();
        const auto t2 = Clock::now();
        copy_seconds += std::chrono::duration<double>(t1 - t0).count();
        state.SetIterationTime(std::chrono::duration<double>(t2 - t1).count());
    }
    state.counters["copy_ms"] = benchmark::Counter(copy_seconds * 1e3 / static_cast<double>(state.iterations()));
}

void BM_Gradient(benchmark::State& state, Size size, int style)
{
    Pictures& p = PicturesFor(size);
    for (auto _ : state) {
        framory::media::RenderGradient(style, framory::media::PaletteColour(5), p.out);
        benchmark::DoNotOptimize(p.out.data());
        benchmark::ClobberMemory();
    }
}

// Keeps the median of every benchmark for the table.
class MedianCollector : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.aggregate_name == "median") {
                const std::string name = run.run_name.function_name + "/" + run.run_name.args;
                m_median_ms[name] = run.GetAdjustedRealTime() * ToMilliseconds(run.time_unit);
                const auto copy = run.counters.find("copy_ms");
                if (copy != run.counters.end()) {
                    m_copy_ms[name] = copy->second.value;
                }
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    double median(const std::string& name) const
    {
        const auto it = m_median_ms.find(name);
        return it == m_median_ms.end() ? -1.0 : it->second;
    }

    // The median of the copies timed beside an effect's frames.
    double copy(const std::string& name) const
    {
        const auto it = m_copy_ms.find(name);
        return it == m_copy_ms.end() ? -1.0 : it->second;
    }

private:
    static double ToMilliseconds(benchmark::TimeUnit unit)
    {
        switch (unit) {
        case benchmark::kNanosecond: return 1e-6;
        case benchmark::kMicrosecond: return 1e-3;
        case benchmark::kMillisecond: return 1.0;
        default: return 1e3;
        }
    }

    std::map<std::string, double> m_median_ms;
    std::map<std::string, double> m_copy_ms;
};

std::string Name(const char* what, const Size& size, int number = -1)
{
    std::string name = std::string(what) + "/" + size.label;
    if (number >= 0) {
        char digits[12];
        std::snprintf(digits, sizeof digits, "%03d", number);
        name += std::string("/") + digits;
    }
    return name;
}

void Configure(benchmark::internal::Benchmark* b, bool manual_time = false)
{
    b->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true)->MinTime(0.05);
    if (manual_time) {
        b->UseManualTime();
    } else {
        b->UseRealTime();
    }
}

} // namespace

int main(int argc, char** argv)
{
    // The copy runs before and after each size's effects, so that a change in
    // the machine's load during the run shows in the baseline too.
    for (const Size& size : kSizes) {
        Configure(benchmark::RegisterBenchmark(Name("copy_before", size).c_str(), BM_Copy, size));
        for (const framory::media::EffectEntry& e : framory::media::EffectCatalogue()) {
            Configure(benchmark::RegisterBenchmark(Name("effect", size, e.number).c_str(), BM_Effect, size, e.number),
                      true);
        }
        Configure(benchmark::RegisterBenchmark(Name("copy_after", size).c_str(), BM_Copy, size));
        for (int style = 0; style < framory::media::kGradientStyleCount; ++style) {
            Configure(benchmark::RegisterBenchmark(Name("gradient", size, style).c_str(), BM_Gradient, size, style));
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    MedianCollector reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    for (const Size& size : kSizes) {
        const double before = reporter.median(Name("copy_before", size) + "/");
        const double after = reporter.median(Name("copy_after", size) + "/");
        const double goal_ms = size.h > 1080 ? 33.0 : 8.0;
        const bool ratio_goal = size.h <= 1080;
        std::printf("\n%s: full-frame copy alone %.3f ms before the effects, %.3f ms after; goal %.0f ms%s\n",
                    size.label, before, after, goal_ms, ratio_goal ? " and 10x the copy" : "");
        std::printf("%4s  %-40s %9s %9s %7s\n", "no.", "effect", "median ms", "copy ms", "x copy");
        double worst = 0.0;
        double worst_ratio = 0.0;
        int worst_number = 0;
        int worst_ratio_number = 0;
        int over = 0;
        int measured = 0;
        for (const framory::media::EffectEntry& e : framory::media::EffectCatalogue()) {
            const int n = e.number;
            const std::string name = Name("effect", size, n) + "/";
            const double ms = reporter.median(name);
            const double copy = reporter.copy(name);
            if (ms < 0.0 || copy <= 0.0) {
                continue;
            }
            ++measured;
            const double ratio = ms / copy;
            const bool late = ms > goal_ms || (ratio_goal && ratio > 10.0);
            over += late ? 1 : 0;
            std::printf("%4d  %-40.40s %9.3f %9.3f %7.2f%s\n", n, std::string(e.name).c_str(), ms,
                        copy, ratio, late ? "  over the goal" : "");
            if (ms > worst) {
                worst = ms;
                worst_number = n;
            }
            if (ratio > worst_ratio) {
                worst_ratio = ratio;
                worst_ratio_number = n;
            }
        }
        if (measured > 0) {
            std::printf("%s slowest: effect %d (%s) %.3f ms; highest ratio: effect %d (%s) %.2fx the copy; "
                        "%d of %d effect(s) over the goal\n",
                        size.label, worst_number, std::string(framory::media::EffectName(worst_number)).c_str(), worst,
                        worst_ratio_number, std::string(framory::media::EffectName(worst_ratio_number)).c_str(),
                        worst_ratio, over, measured);
        }
    }
    benchmark::Shutdown();
    return 0;
}
