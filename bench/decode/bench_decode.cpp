// Decoding benchmarks, measured side by side in one run:
//  - a 24-megapixel photo-like JPEG shown at 1920x1080: our decode (reduced
//    DCT scale, then area averaging) against Qt's full decode plus its
//    smooth scale, with the ratio printed (goal: at most 0.5);
//  - a 24-megapixel PNG and TIFF shown at 1920x1080: ours against Qt's
//    readers followed by our scaler, the way pictures were read before
//    (goal: no slower);
//  - the peak extra memory of each way (goal for ours: under 64 MB);
//  - how long each broken or hostile file of the tests takes to be
//    refused or shown, and the memory it costs;
//  - a table of decode times at 1080p for every file type.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <malloc.h>

#include <Magick++.h>
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include "media/decode/decode.h"
#include "media/image/scale.h"

namespace {

using framory::media::DecodeBytes;
using framory::media::Size;
using Bytes = std::vector<std::uint8_t>;

constexpr Size kScreen{1920, 1080};

// Gradients, soft shapes and sensor-like noise: compresses like a photo,
// unlike a flat test card.
QImage photo_like(int width, int height, float grain = 6.0f)
{
    QImage img(width, height, QImage::Format_RGB32);
    std::mt19937 rng(42);
    std::normal_distribution<float> noise(0.0f, grain);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(img.scanLine(y));
        const float fy = static_cast<float>(y) / static_cast<float>(height);
        for (int x = 0; x < width; ++x) {
            const float fx = static_cast<float>(x) / static_cast<float>(width);
            const float wave = 40.0f * std::sin(fx * 17.0f + fy * 5.0f) * std::cos(fy * 11.0f);
            const float n = noise(rng);
            auto clamp = [](float v) { return static_cast<std::uint32_t>(std::clamp(v, 0.0f, 255.0f)); };
            const std::uint32_t r = clamp(60.0f + 150.0f * fx + wave + n);
            const std::uint32_t g = clamp(90.0f + 120.0f * fy - wave * 0.5f + n);
            const std::uint32_t b = clamp(200.0f - 140.0f * fx * fy + wave * 0.3f + n);
            row[x] = 0xff000000u | (r << 16) | (g << 8) | b;
        }
    }
    return img;
}

Bytes encode_qt(const QImage& img, const char* format, int quality = -1)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, format, quality);
    return {out.begin(), out.end()};
}

Bytes encode_magick(const QImage& img, const char* magick)
{
    const QImage rgb = img.convertToFormat(QImage::Format_RGB888);
    std::vector<std::uint8_t> packed(static_cast<std::size_t>(rgb.width()) * static_cast<std::size_t>(rgb.height()) * 3);
    for (int y = 0; y < rgb.height(); ++y) {
        std::memcpy(packed.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(rgb.width()) * 3,
                    rgb.constScanLine(y), static_cast<std::size_t>(rgb.width()) * 3);
    }
    Magick::Image m(static_cast<unsigned>(rgb.width()), static_cast<unsigned>(rgb.height()), "RGB", Magick::CharPixel,
                    packed.data());
    m.magick(magick);
    if (std::string(magick) == "GIF") {
        m.quantizeColors(256);
        m.quantize();
    }
    Magick::Blob blob;
    m.write(&blob);
    const auto* p = static_cast<const std::uint8_t*>(blob.data());
    return {p, p + blob.length()};
}

void put16le(Bytes& b, unsigned v)
{
    b.push_back(static_cast<std::uint8_t>(v & 0xff));
    b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xff));
}

void put16be(Bytes& b, unsigned v)
{
    b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xff));
    b.push_back(static_cast<std::uint8_t>(v & 0xff));
}

std::uint32_t pixel(const QImage& img, int x, int y)
{
    return reinterpret_cast<const std::uint32_t*>(img.constScanLine(y))[x];
}

// Softimage PIC: header, one uncompressed RGB channel packet, rows top down.
Bytes encode_softimage(const QImage& img)
{
    Bytes b = {0x53, 0x80, 0xf6, 0x34};
    b.resize(88, 0);
    b.insert(b.end(), {'P', 'I', 'C', 'T'});
    put16be(b, static_cast<unsigned>(img.width()));
    put16be(b, static_cast<unsigned>(img.height()));
    b.insert(b.end(), {0x3f, 0x80, 0, 0, 0, 3, 0, 0}); // aspect 1.0, full frame
    b.insert(b.end(), {0, 8, 0, 0xe0});                // last packet, 8 bits, raw, RGB
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const std::uint32_t p = pixel(img, x, y);
            b.insert(b.end(), {static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
                               static_cast<std::uint8_t>(p)});
        }
    }
    return b;
}

// Radiance: run-length rows of RGBE.
Bytes encode_radiance(const QImage& img)
{
    const std::string head = "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y " + std::to_string(img.height()) + " +X " +
                             std::to_string(img.width()) + "\n";
    Bytes b(head.begin(), head.end());
    std::vector<std::uint8_t> channel(static_cast<std::size_t>(img.width()));
    for (int y = 0; y < img.height(); ++y) {
        b.insert(b.end(), {2, 2});
        put16be(b, static_cast<unsigned>(img.width()));
        for (int c = 0; c < 4; ++c) {
            for (int x = 0; x < img.width(); ++x) {
                const std::uint32_t p = pixel(img, x, y);
                channel[static_cast<std::size_t>(x)] =
                    c == 3 ? 128 : static_cast<std::uint8_t>(p >> (16 - 8 * c));
            }
            for (std::size_t x = 0; x < channel.size(); x += 128) {
                const std::size_t n = std::min<std::size_t>(128, channel.size() - x);
                b.push_back(static_cast<std::uint8_t>(n));
                b.insert(b.end(), channel.begin() + static_cast<std::ptrdiff_t>(x),
                         channel.begin() + static_cast<std::ptrdiff_t>(x + n));
            }
        }
    }
    return b;
}

// Utah RLE: literal rows, bottom row first.
Bytes encode_utah(const QImage& img)
{
    Bytes b = {0x52, 0xcc, 0, 0, 0, 0};
    put16le(b, static_cast<unsigned>(img.width()));
    put16le(b, static_cast<unsigned>(img.height()));
    b.insert(b.end(), {0x02, 3, 8, 0, 0, 0});
    for (int y = img.height() - 1; y >= 0; --y) {
        for (std::uint8_t c = 0; c < 3; ++c) {
            b.insert(b.end(), {0x02, c});
            for (int x0 = 0; x0 < img.width(); x0 += 256) {
                const int n = std::min(256, img.width() - x0);
                b.insert(b.end(), {0x05, static_cast<std::uint8_t>(n - 1)});
                for (int x = x0; x < x0 + n; ++x) {
                    b.push_back(static_cast<std::uint8_t>(pixel(img, x, y) >> (16 - 8 * c)));
                }
                if (n % 2) {
                    b.push_back(0); // literals are padded to an even length
                }
            }
        }
        b.insert(b.end(), {0x01, 1});
    }
    b.insert(b.end(), {0x07, 0});
    return b;
}

Bytes read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Resident memory high-water mark since the last reset, in bytes; the
// kernel lets a process reset its own mark through clear_refs.
long read_status_kb(const char* key)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) == 0) {
            return std::stol(line.substr(std::strlen(key)));
        }
    }
    return -1;
}

double peak_extra_mb(const std::function<void()>& work)
{
    malloc_trim(0);
    {
        std::ofstream reset("/proc/self/clear_refs");
        reset << "5";
    }
    const long base = read_status_kb("VmRSS:");
    work();
    const long peak = read_status_kb("VmHWM:");
    if (base < 0 || peak < 0) {
        return -1;
    }
    return static_cast<double>(peak - base) / 1024.0;
}

QImage full_decode_then_smooth_scale(const Bytes& jpeg)
{
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(jpeg.data()),
                                              static_cast<qsizetype>(jpeg.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    reader.setAutoTransform(true);
    reader.setAllocationLimit(1024);
    const QImage full = reader.read();
    return full.scaled(kScreen.width, kScreen.height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// Before our own readers: Qt's reader for the whole picture, then our scaler.
framory::media::Image qt_reader_then_our_scale(const Bytes& bytes, const char* format)
{
    QByteArray data =
        QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAllocationLimit(1024);
    const QImage image = reader.read().convertToFormat(QImage::Format_ARGB32);
    return framory::media::ScalePixels(reinterpret_cast<const std::uint32_t*>(image.constBits()), image.width(),
                                       image.height(), image.bytesPerLine() / 4, kScreen.width, kScreen.height);
}

QImage decode_at_one_eighth(const Bytes& jpeg)
{
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(jpeg.data()),
                                              static_cast<qsizetype>(jpeg.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    reader.setScaledSize(QSize(750, 500));
    return reader.read();
}

class RecordingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            // The fastest repetition: the machine is shared, and other work
            // only ever adds time.
            if (!run.error_occurred && run.run_type == Run::RT_Iteration) {
                const std::string name = run.run_name.str();
                const double ms = run.GetAdjustedRealTime();
                const auto it = m_ms.find(name);
                m_ms[name] = it == m_ms.end() ? ms : std::min(it->second, ms);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    // By name, ignoring the suffixes the library adds ("/min_time:2.000").
    double ms(const std::string& name) const
    {
        for (const auto& [full, ms] : m_ms) {
            if (full == name || full.rfind(name + "/", 0) == 0) {
                return ms;
            }
        }
        return -1;
    }

private:
    std::map<std::string, double> m_ms;
};

struct TypeCase {
    std::string type;
    std::string name;
    Bytes bytes;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    Magick::InitializeMagick(nullptr);

    // Two 24 MP photos: one with strong sensor grain (a high-ISO shot, the
    // harder case: entropy decoding, which no reduced scale avoids, weighs
    // more), one clean (a low-ISO shot).
    std::printf("making two 6000x4000 photo-like JPEGs at quality 90...\n");
    const Bytes grainy = encode_qt(photo_like(6000, 4000, 6.0f), "JPEG", 90);
    const Bytes clean = encode_qt(photo_like(6000, 4000, 2.0f), "JPEG", 90);
    std::printf("  grainy %zu bytes, clean %zu bytes\n", grainy.size(), clean.size());

    for (const auto& [label, photo] : {std::pair<std::string, const Bytes*>{"grainy", &grainy}, {"clean", &clean}}) {
        benchmark::RegisterBenchmark(("jpeg24mp_" + label + "/ours_decode_to_1080p").c_str(),
                                     [photo = photo](benchmark::State& state) {
                                         for (auto _ : state) {
                                             auto r = DecodeBytes(*photo, "photo.jpg", kScreen);
                                             benchmark::DoNotOptimize(r.image.data());
                                         }
                                     })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Repetitions(5);
        benchmark::RegisterBenchmark(("jpeg24mp_" + label + "/qt_full_decode_smooth_scale").c_str(),
                                     [photo = photo](benchmark::State& state) {
                                         for (auto _ : state) {
                                             QImage img = full_decode_then_smooth_scale(*photo);
                                             benchmark::DoNotOptimize(img.constBits());
                                         }
                                     })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Repetitions(5);
        // The floor: libjpeg at 1/8 scale, where almost all that is left is
        // entropy decoding of the whole file.
        benchmark::RegisterBenchmark(("jpeg24mp_" + label + "/qt_decode_at_one_eighth").c_str(),
                                     [photo = photo](benchmark::State& state) {
                                         for (auto _ : state) {
                                             QImage img = decode_at_one_eighth(*photo);
                                             benchmark::DoNotOptimize(img.constBits());
                                         }
                                     })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Repetitions(5);
    }
    const Bytes& photo = grainy;

    // The same 24 MP photo as PNG and TIFF, ours against Qt's readers.
    std::printf("making a 6000x4000 PNG and TIFF...\n");
    std::vector<std::pair<std::string, Bytes>> lossless;
    {
        const QImage big = photo_like(6000, 4000, 2.0f);
        lossless.emplace_back("png", encode_qt(big, "PNG"));
        lossless.emplace_back("tiff", encode_qt(big, "TIFF"));
    }
    for (const auto& [format, bytes] : lossless) {
        const std::string name = "x." + format;
        benchmark::RegisterBenchmark(("lossless24mp_" + format + "/ours_decode_to_1080p").c_str(),
                                     [&bytes = bytes, name](benchmark::State& state) {
                                         for (auto _ : state) {
                                             auto r = DecodeBytes(bytes, name, kScreen);
                                             benchmark::DoNotOptimize(r.image.data());
                                         }
                                     })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Repetitions(3);
        benchmark::RegisterBenchmark(("lossless24mp_" + format + "/qt_reader_then_our_scale").c_str(),
                                     [&bytes = bytes, format = format](benchmark::State& state) {
                                         for (auto _ : state) {
                                             auto img = qt_reader_then_our_scale(bytes, format.c_str());
                                             benchmark::DoNotOptimize(img.data());
                                         }
                                     })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Repetitions(3);
    }

    // One picture per type, made from the same 2400x1600 source where we
    // can write the type, else the sample file of that type.
    std::vector<TypeCase> cases;
    {
        const QImage src = photo_like(2400, 1600);
        cases.push_back({"JPG", "x.jpg", encode_qt(src, "JPEG", 90)});
        cases.push_back({"PNG", "x.png", encode_qt(src, "PNG")});
        Bytes bmp = encode_qt(src, "BMP");
        cases.push_back({"BMP", "x.bmp", bmp});
        cases.push_back({"DIB", "x.dib", Bytes(bmp.begin() + 14, bmp.end())});
        cases.push_back({"TIF", "x.tif", encode_qt(src, "TIFF")});
        cases.push_back({"GIF", "x.gif", encode_magick(src, "GIF")});
        cases.push_back({"TGA", "x.tga", encode_magick(src, "TGA")});
        cases.push_back({"PCX", "x.pcx", encode_magick(src, "PCX")});
        cases.push_back({"PIC (Softimage)", "x.pic", encode_softimage(src)});
        cases.push_back({"PIC (Radiance)", "x.pic", encode_radiance(src)});
        cases.push_back({"RLE (Utah)", "x.rle", encode_utah(src)});
        const std::string samples = FRAMORY_SAMPLES_DIR;
        cases.push_back({"RLE (BMP RLE8, 128x128 sample)", "x.rle", read_file(samples + "/rle/hopper_rle8.rle")});
        cases.push_back({"WMF (clock sample)", "x.wmf", read_file(samples + "/wmf/clock_placeable.wmf")});
        cases.push_back({"WPG (32x32 sample)", "x.wpg", read_file(samples + "/wpg/input_wpg2.wpg")});
    }
    for (const TypeCase& c : cases) {
        benchmark::RegisterBenchmark(("type/" + c.type).c_str(), [&c](benchmark::State& state) {
            for (auto _ : state) {
                auto r = DecodeBytes(c.bytes, c.name, kScreen);
                if (!r.ok()) {
                    state.SkipWithError(r.message.c_str());
                    break;
                }
                benchmark::DoNotOptimize(r.image.data());
            }
        })->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);
    }

    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\n");
    for (const char* label : {"grainy", "clean"}) {
        const std::string prefix = std::string("jpeg24mp_") + label;
        const double ours = reporter.ms(prefix + "/ours_decode_to_1080p");
        const double qt = reporter.ms(prefix + "/qt_full_decode_smooth_scale");
        const double floor = reporter.ms(prefix + "/qt_decode_at_one_eighth");
        if (ours > 0 && qt > 0) {
            std::printf("24 MP JPEG (%s) to 1920x1080: ours %.1f ms, full decode + smooth scale %.1f ms, "
                        "ratio %.2fx (goal <= 0.50x); decoding at 1/8 alone is %.2fx\n",
                        label, ours, qt, ours / qt, floor / qt);
        }
    }
    for (const auto& [format, bytes] : lossless) {
        const std::string prefix = "lossless24mp_" + format;
        const double ours = reporter.ms(prefix + "/ours_decode_to_1080p");
        const double qt = reporter.ms(prefix + "/qt_reader_then_our_scale");
        if (ours > 0 && qt > 0) {
            std::printf("24 MP %s to 1920x1080: ours %.1f ms, Qt's reader + our scale %.1f ms, ratio %.2fx "
                        "(goal <= 1.00x)\n",
                        format.c_str(), ours, qt, ours / qt);
        }
    }
    const double mem_ours = peak_extra_mb([&photo] {
        auto r = DecodeBytes(photo, "photo.jpg", kScreen);
        benchmark::DoNotOptimize(r.image.data());
    });
    const double mem_qt = peak_extra_mb([&photo] {
        QImage img = full_decode_then_smooth_scale(photo);
        benchmark::DoNotOptimize(img.constBits());
    });
    std::printf("peak extra memory for one 24 MP JPEG shown at 1080p: ours %.1f MB (goal < 64 MB), "
                "full decode + smooth scale %.1f MB\n",
                mem_ours, mem_qt);

    // Broken and hostile files: the time to refuse (or show) each, and the
    // memory it takes; measured once each, as a user meets them.
    std::printf("\n| broken file | status | time (ms) | peak extra memory (MB) |\n|---|---|---:|---:|\n");
    std::vector<std::filesystem::path> broken;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(FRAMORY_SAMPLES_DIR) + "/../broken")) {
        broken.push_back(entry.path());
    }
    std::sort(broken.begin(), broken.end());
    for (const auto& path : broken) {
        framory::media::DecodeResult r;
        const auto start = std::chrono::steady_clock::now();
        const double mb = peak_extra_mb([&] { r = framory::media::DecodeFile(path.string(), kScreen); });
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        std::printf("| %s | %s | %.1f | %.1f |\n", path.filename().c_str(), std::string(framory::media::StatusName(r.status)).c_str(),
                    ms, mb);
    }

    std::printf("\n| type | decoder | bytes | natural size | decode to 1920x1080 (ms) |\n|---|---|---:|---|---:|\n");
    for (const TypeCase& c : cases) {
        const auto probe = framory::media::ProbeBytes(c.bytes, c.name);
        std::printf("| %s | %s | %zu | %dx%d | %.1f |\n", c.type.c_str(), probe.decoder.c_str(), c.bytes.size(),
                    probe.natural.width, probe.natural.height, reporter.ms("type/" + c.type));
    }
    benchmark::Shutdown();
    return 0;
}
