// Frames per second that the show presents on screen while its transitions
// play, under a real X server, printed beside the rate that the effect
// kernels alone would allow at the same size in the same run: the gap
// between the two is the path from an effect frame to the X server.
// Goals: at least 50 frames a second at 1920x1080 and 30 at 3840x2160.
//
// Run it through present.sh, which starts a private X server at each size.
// A frame counts as presented when the component has painted it into the
// window's backing store and the store has been flushed to the X server;
// after each transition the bench waits for the server to have taken every
// request, so nothing still queued is counted.
//
// usage: framory_bench_present [--all] [--pace N] [--effect N]...
//   --all       every effect the show draws (default: every fourth of them)
//   --pace N    the effects' pace (default 20, the show's default: 0.8 s)
//   --effect N  only effect N (repeatable)
#include "core/slideshow/effect_table.h"
#include "media/effects/effect_table.h"
#include "media/effects/effects.h"
#include "qt/components/qt_fx_image.h"
#include "qt/components/qt_fx_label.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QWidget>

#include <X11/Xlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Result {
    int effect = 0;
    double presented_fps = 0;
    double kernel_fps = 0;
};

// A photo-like picture: smooth colour with fine grain, so no effect frame
// compresses or compares cheaply by accident.
QImage picture(QSize size, int variant)
{
    QImage image(size, QImage::Format_RGB32);
    std::uint32_t state = 0x9e3779b9u + static_cast<std::uint32_t>(variant);
    for (int y = 0; y < size.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            const int noise = static_cast<int>(state & 15u);
            row[x] = qRgb(std::clamp(x * 255 / size.width() + noise + variant * 90, 0, 255) % 256,
                          std::clamp(y * 255 / size.height() + noise, 0, 255), (variant * 120 + noise * 4) % 256);
        }
    }
    return image;
}

double median(std::vector<double> values)
{
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Frames a second that RenderEffect alone manages for one effect at a size.
double kernel_fps(int effect, const framory::media::Image& from, const framory::media::Image& to)
{
    framory::media::Image out;
    framory::media::RenderEffect(effect, from, to, 0.5, 7, out, 1); // first use: allocation
    QElapsedTimer clock;
    clock.start();
    constexpr int kFrames = 12;
    for (int i = 0; i < kFrames; ++i) {
        framory::media::RenderEffect(effect, from, to, (i + 0.5) / kFrames, 7, out, 1);
    }
    const double seconds = static_cast<double>(clock.nsecsElapsed()) * 1e-9;
    return seconds > 0 ? kFrames / seconds : 0;
}

} // namespace

int main(int argc, char** argv)
{
    bool all = false;
    int pace = 20;
    std::vector<int> only;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--all") == 0) {
            all = true;
        } else if (std::strcmp(argv[i], "--pace") == 0 && i + 1 < argc) {
            pace = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--effect") == 0 && i + 1 < argc) {
            only.push_back(std::atoi(argv[++i]));
        }
    }
    QApplication app(argc, argv);
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->display() == nullptr) {
        std::fprintf(stderr, "framory_bench_present: needs an X server (QT_QPA_PLATFORM=xcb)\n");
        return 1;
    }
    const QRect area = QGuiApplication::primaryScreen()->geometry();

    // The show's window and the two components that play transitions on it.
    QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
    window.setAutoFillBackground(true);
    QPalette black = window.palette();
    black.setColor(QPalette::Window, Qt::black);
    window.setPalette(black);
    window.setGeometry(area);
    using framory::qt::PixelKind;
    framory::qt::QtFXLabel background(&window, 1.0, PixelKind::Device);
    framory::qt::QtFXImage image(&window, 1.0, PixelKind::Device);
    window.show();
    const double ratio = window.devicePixelRatioF();
    const QSize device(static_cast<int>(area.width() * ratio), static_cast<int>(area.height() * ratio));
    image.set_decode_bounds(device);
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 500) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    background.move(0, 0, device.width(), device.height());
    background.set_gradient_colour(3);
    background.set_gradient_style(13);
    background.show();

    // Two full-screen pictures, shown at their own size.
    const fs::path folder = fs::temp_directory_path() / "framory-bench-present";
    fs::create_directories(folder);
    std::vector<std::string> files;
    std::vector<framory::media::Image> pixels;
    for (int i = 0; i < 2; ++i) {
        const QImage made = picture(device, i);
        const fs::path file = folder / ("picture" + std::to_string(i) + "-" + std::to_string(device.width()) + ".png");
        if (!fs::exists(file)) {
            made.save(QString::fromStdString(file.string()), "PNG", 90);
        }
        files.push_back(file.string());
        framory::media::Image copy(device.width(), device.height());
        for (int y = 0; y < device.height(); ++y) {
            std::memcpy(copy.row(y), made.constScanLine(y), static_cast<std::size_t>(device.width()) * 4);
        }
        pixels.push_back(std::move(copy));
    }

    framory::core::EffectTable table;
    framory::core::InitEffectTable(table);
    std::vector<int> effects;
    for (const framory::media::EffectEntry& e : framory::media::EffectCatalogue()) {
        if (table.allowed(e.number)) {
            effects.push_back(e.number);
        }
    }
    if (!only.empty()) {
        effects = only;
    } else if (!all) {
        std::vector<int> some;
        for (std::size_t i = 0; i < effects.size(); i += 4) {
            some.push_back(effects[i]);
        }
        effects = some;
    }

    image.set_file_name(files[0]);
    image.move(0, 0, device.width(), device.height());
    image.set_effect(0);
    image.show();
    image.set_effect_grain(7);
    image.set_effect_pace(pace);
    std::printf("Transitions at %dx%d (device pixel ratio %.2g), pace %d (%lld ms each)\n", device.width(),
                device.height(), ratio, pace, static_cast<long long>(framory::media::EffectDuration(pace).count()));
    std::printf("%-4s %-40s %12s %12s\n", "no.", "effect", "on screen", "kernel only");
    std::vector<Result> results;
    int next = 1;
    for (const int effect : effects) {
        // As the show does: the new picture is loaded with drawing off, and
        // comes in with the transition.
        image.set_drawing(false);
        image.set_file_name(files[static_cast<std::size_t>(next)]);
        image.set_drawing(true);
        image.set_effect(effect);
        const std::int64_t before = image.effect_frames_presented();
        image.refresh();
        while (image.effect_running()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        }
        QCoreApplication::processEvents();
        XSync(x11->display(), False);
        // Frames presented over the transition's play time (its first frame
        // at the start, its last at the end), which begins once the new
        // picture is ready; loading and composing it came before.
        const double seconds = static_cast<double>(framory::media::EffectDuration(pace).count()) * 1e-3;
        Result r;
        r.effect = effect;
        r.presented_fps = static_cast<double>(image.effect_frames_presented() - before - 1) / seconds;
        r.kernel_fps =
            kernel_fps(effect, pixels[static_cast<std::size_t>(1 - next)], pixels[static_cast<std::size_t>(next)]);
        results.push_back(r);
        std::printf("%-4d %-40.40s %8.1f fps %8.1f fps\n", effect,
                    std::string(framory::media::EffectName(effect)).c_str(), r.presented_fps, r.kernel_fps);
        std::fflush(stdout);
        next = 1 - next;
    }
    std::vector<double> presented;
    std::vector<double> kernel;
    for (const Result& r : results) {
        presented.push_back(r.presented_fps);
        kernel.push_back(r.kernel_fps);
    }
    const auto slowest = std::min_element(results.begin(), results.end(), [](const Result& a, const Result& b) {
        return a.presented_fps < b.presented_fps;
    });
    std::printf("\n%dx%d: presented on screen during transitions: median %.1f fps, slowest %.1f fps (effect %d); "
                "effect kernels alone: median %.1f fps; on screen / kernels: %.2f\n",
                device.width(), device.height(), median(presented), slowest->presented_fps, slowest->effect,
                median(kernel), median(kernel) > 0 ? median(presented) / median(kernel) : 0.0);
    return 0;
}
