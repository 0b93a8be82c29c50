// What decoding in the helper process costs, measured side by side in one
// run:
//  - decode-to-screen (fitted within 1920x1080) through the helper against
//    the same decode in this process, per file, with the ratio (goal: the
//    helper within 10 %);
//  - how long the helper takes to refuse hostile files;
//  - what an abandoned decode adds to the next picture (the helper is
//    stopped and a new one started), and what a first start costs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <QImage>

#include "media/worker/worker_client.h"
#include "media/worker/worker_server.h"

namespace {

namespace fs = std::filesystem;
using framory::media::DecodeReply;
using framory::media::DecodeService;
using framory::media::Size;
using Clock = std::chrono::steady_clock;

constexpr Size kScreen{1920, 1080};

struct Picture {
    std::string label;
    fs::path path;
};

fs::path g_folder;
std::vector<Picture> g_pictures;
std::unique_ptr<framory::media::WorkerDecodeService> g_helper;
framory::media::InProcessDecodeService g_here;

// A landscape of soft hills under a sky with sensor noise of `grain`
// levels: it compresses like a photograph.
QImage landscape(int width, int height, double grain)
{
    QImage image(width, height, QImage::Format_RGB32);
    std::minstd_rand noise_source(7);
    std::normal_distribution<double> noise(0.0, grain);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const double u = static_cast<double>(x) / width;
            const double v = static_cast<double>(y) / height;
            const double ridge = 0.55 + 0.08 * std::sin(u * 9.0) + 0.05 * std::sin(u * 23.0 + 1.3);
            const bool ground = v > ridge;
            const double shade = ground ? 0.5 + 0.5 * std::cos((v - ridge) * 30.0 + u * 12.0) : 1.0 - v;
            const double n = grain > 0 ? noise(noise_source) : 0.0;
            const auto channel = [&](double base) { return std::clamp(static_cast<int>(base + n), 0, 255); };
            row[x] = ground ? qRgb(channel(40 + 60 * shade), channel(90 + 90 * shade), channel(30 + 20 * shade))
                            : qRgb(channel(90 + 80 * shade), channel(140 + 70 * shade), channel(230));
        }
    }
    return image;
}

void write_pictures()
{
    const QImage photo = landscape(6000, 4000, 3.0);
    const QImage grainy = landscape(6000, 4000, 14.0);
    const QImage twelve = landscape(4000, 3000, 3.0);
    const auto save = [](const QImage& image, const std::string& label, const char* name, const char* format,
                         int quality) {
        const fs::path path = g_folder / name;
        image.save(QString::fromStdString(path.string()), format, quality);
        g_pictures.push_back({label, path});
    };
    save(photo, "24 MP JPEG", "photo.jpg", "JPEG", 90);
    save(grainy, "24 MP grainy JPEG", "grainy.jpg", "JPEG", 92);
    save(twelve, "12 MP PNG", "photo.png", "PNG", -1);
    save(twelve, "12 MP TIFF", "photo.tif", "TIFF", -1);
    save(landscape(1600, 1200, 3.0), "2 MP JPEG", "small.jpg", "JPEG", 90);
}

DecodeReply decode(DecodeService& service, const fs::path& path, Size bounds = kScreen)
{
    const std::atomic<bool> cancel{false};
    return service.Decode({path.string(), bounds, {}}, cancel);
}

double ms_since(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The fastest time of each way per picture: the machine is shared, and
// other work only ever adds time.
struct Fastest {
    double helper = 1e9;
    double here = 1e9;
};
std::map<std::size_t, Fastest> g_fastest;

// Each iteration decodes the picture both ways, one right after the other
// and each way first in turn, so that both see the same machine.
void BM_DecodeToScreen(benchmark::State& state)
{
    const auto index = static_cast<std::size_t>(state.range(0));
    const Picture& picture = g_pictures[index];
    state.SetLabel(picture.label);
    Fastest& fastest = g_fastest[index];
    bool helper_first = true;
    for (auto _ : state) {
        DecodeReply there;
        DecodeReply here;
        for (const bool helper : {helper_first, !helper_first}) {
            const auto start = Clock::now();
            (helper ? there : here) = decode(helper ? static_cast<DecodeService&>(*g_helper) : g_here, picture.path);
            double& best = helper ? fastest.helper : fastest.here;
            best = std::min(best, ms_since(start));
        }
        helper_first = !helper_first;
        if (!there.result.ok() || !(there.result.image == here.result.image)) {
            state.SkipWithError("the helper's picture differs");
        }
    }
}

// A 57-byte PNG whose text chunk claims 2 GB.
fs::path write_text_bomb()
{
    const unsigned char bytes[] = {0x89, 'P',  'N',  'G',  0x0d, 0x0a, 0x1a, 0x0a, 0,   0,   0,   13,  'I', 'H', 'D',
                                   'R',  0,    0,    0,    1,    0,    0,    0,    1,   8,   2,   0,   0,   0,   0x90,
                                   0x77, 0x53, 0xde, 0x7f, 0xff, 0xff, 0xff, 't',  'E', 'X', 't', 'C', 'o', 'm', 'm',
                                   'e',  'n',  't',  0,    'x',  'x',  'x',  'x',  'x', 'x', 'x', 'x'};
    const fs::path path = g_folder / "text_bomb.png";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes), sizeof bytes);
    return path;
}

void print_refusals()
{
    const fs::path broken = FRAMORY_BROKEN_DIR;
    std::printf("\nHostile files refused through the helper (fitted within 1920x1080):\n");
    for (const fs::path& file : {write_text_bomb(), broken / "png_bomb_header_100000x100000.png",
                                 broken / "png_bomb_valid_1bit_20000x20000.png", broken / "jpeg_bomb_65500x65500.jpg",
                                 broken / "pic_softimage_bomb_40000.pic", broken / "bmp_bomb_65535.bmp"}) {
        double best = 1e9;
        DecodeReply reply;
        for (int i = 0; i < 3; ++i) {
            const auto start = Clock::now();
            reply = decode(*g_helper, file);
            best = std::min(best, ms_since(start));
        }
        std::printf("  %-38s %8.2f ms  %s: %s\n", file.filename().c_str(), best,
                    std::string(framory::media::StatusName(reply.result.status)).c_str(), reply.result.message.c_str());
    }
}

void print_abandoned()
{
    const fs::path& slow = g_pictures[2].path; // the PNG: the slowest decode here
    const fs::path& next = g_pictures[0].path;
    double warm = 1e9;
    double after_abandon = 1e9;
    double cancel_latency = 1e9;
    for (int i = 0; i < 3; ++i) {
        decode(*g_helper, next);
        auto start = Clock::now();
        decode(*g_helper, next);
        warm = std::min(warm, ms_since(start));

        std::atomic<bool> cancel{false};
        Clock::time_point cancelled_at;
        std::thread abandoned([&] { g_helper->Decode({slow.string(), kScreen, {}}, cancel); });
        std::this_thread::sleep_for(std::chrono::milliseconds(100)); // well inside the slow decode
        cancelled_at = Clock::now();
        cancel = true;
        abandoned.join();
        cancel_latency = std::min(cancel_latency, ms_since(cancelled_at));
        start = Clock::now();
        decode(*g_helper, next);
        after_abandon = std::min(after_abandon, ms_since(start));
    }
    std::printf("\nAn abandoned decode (the helper stopped inside a 12 MP PNG):\n"
                "  cancel to its return               %8.1f ms\n"
                "  next 24 MP JPEG, helper warm       %8.1f ms\n"
                "  next 24 MP JPEG after the abandon  %8.1f ms  (adds %.1f ms: a new helper starts)\n",
                cancel_latency, warm, after_abandon, after_abandon - warm);

    double first = 1e9;
    for (int i = 0; i < 3; ++i) {
        framory::media::WorkerDecodeService fresh;
        const auto start = Clock::now();
        decode(fresh, g_pictures[4].path);
        first = std::min(first, ms_since(start));
    }
    double warm_small = 1e9;
    for (int i = 0; i < 3; ++i) {
        const auto start = Clock::now();
        decode(*g_helper, g_pictures[4].path);
        warm_small = std::min(warm_small, ms_since(start));
    }
    std::printf("  first 2 MP JPEG of a new helper    %8.1f ms  (warm: %.1f ms)\n", first, warm_small);
}

} // namespace

int main(int argc, char** argv)
{
    // Decoding here runs under the helper's own allocator settings, so that
    // the comparison shows what the helper costs (the trip there and back,
    // the pixels copied), not a difference of allocator policy: where page
    // faults are dear, keeping buffers for the next picture saves more than
    // the helper costs.
    framory::media::worker::PrepareDecodeWorker();
    char pattern[] = "/tmp/framory-bench-worker-XXXXXX";
    g_folder = ::mkdtemp(pattern);
    write_pictures();
    g_helper = std::make_unique<framory::media::WorkerDecodeService>();
    benchmark::RegisterBenchmark("DecodeToScreen", BM_DecodeToScreen)
        ->DenseRange(0, static_cast<std::int64_t>(g_pictures.size()) - 1)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(8);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();

    std::printf("\nDecode-to-screen within 1920x1080, fastest of 8, both ways under the helper's allocator "
                "settings (goal: the helper within 10 %%):\n");
    for (const auto& [index, fastest] : g_fastest) {
        std::printf("  %-20s helper %8.1f ms   in process %8.1f ms   ratio %.3f\n", g_pictures[index].label.c_str(),
                    fastest.helper, fastest.here, fastest.helper / fastest.here);
    }
    print_refusals();
    print_abandoned();
    g_helper.reset();
    std::error_code ec;
    fs::remove_all(g_folder, ec);
    benchmark::Shutdown();
    return 0;
}
