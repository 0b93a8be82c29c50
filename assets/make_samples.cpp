// Draws Framory's bundled sample pictures and sounds: a few pictures of the
// types the show lists, a short chime and a short tune. Everything is made
// here from code, so the samples are our own.
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

QImage draw_sunset(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, h * 0.62);
    sky.setColorAt(0.0, QColor(40, 22, 84));
    sky.setColorAt(0.45, QColor(196, 70, 96));
    sky.setColorAt(1.0, QColor(255, 178, 84));
    p.fillRect(0, 0, w, h, sky);
    QRadialGradient sun(w * 0.62, h * 0.55, h * 0.16);
    sun.setColorAt(0.0, QColor(255, 246, 200));
    sun.setColorAt(0.6, QColor(255, 214, 120));
    sun.setColorAt(1.0, QColor(255, 180, 90, 0));
    p.setBrush(sun);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(w * 0.62, h * 0.55), h * 0.16, h * 0.16);
    const QColor ridges[] = {QColor(120, 52, 96), QColor(84, 34, 78), QColor(52, 22, 58)};
    for (int layer = 0; layer < 3; ++layer) {
        QPainterPath path;
        const double base = h * (0.52 + 0.06 * layer);
        path.moveTo(0, h);
        for (int x = 0; x <= w; x += 8) {
            const double t = static_cast<double>(x) / w;
            const double y = base - h * 0.08 * std::sin(t * kPi * (2.0 + layer) + layer) -
                             h * 0.03 * std::sin(t * kPi * (9.0 + 3 * layer));
            path.lineTo(x, y);
        }
        path.lineTo(w, h);
        path.closeSubpath();
        p.setBrush(ridges[layer]);
        p.drawPath(path);
    }
    QLinearGradient water(0, h * 0.7, 0, h);
    water.setColorAt(0.0, QColor(70, 40, 90));
    water.setColorAt(1.0, QColor(20, 12, 40));
    p.fillRect(QRectF(0, h * 0.7, w, h * 0.3), water);
    p.setPen(QPen(QColor(255, 210, 140, 150), 2));
    for (int i = 0; i < 14; ++i) {
        const double y = h * 0.72 + i * h * 0.02;
        const double half = w * (0.09 - i * 0.005);
        p.drawLine(QPointF(w * 0.62 - half, y), QPointF(w * 0.62 + half, y));
    }
    return image;
}

QImage draw_aurora(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0.0, QColor(4, 8, 30));
    sky.setColorAt(1.0, QColor(10, 30, 52));
    p.fillRect(0, 0, w, h, sky);
    std::mt19937 rng(7);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 220; ++i) {
        const double x = static_cast<double>(rng() % static_cast<unsigned>(w));
        const double y = static_cast<double>(rng() % static_cast<unsigned>(h * 2 / 3));
        const int a = 90 + static_cast<int>(rng() % 160);
        p.setBrush(QColor(255, 255, 240, a));
        p.drawEllipse(QPointF(x, y), 1.1, 1.1);
    }
    for (int band = 0; band < 3; ++band) {
        for (int x = 0; x < w; x += 2) {
            const double t = static_cast<double>(x) / w;
            const double top = h * (0.18 + 0.08 * band) + h * 0.07 * std::sin(t * kPi * 3 + band * 1.7);
            const double height = h * (0.22 + 0.05 * std::sin(t * kPi * 5 + band));
            QLinearGradient ray(0, top, 0, top + height);
            const QColor c = band == 1 ? QColor(120, 80, 220) : QColor(60, 230, 150);
            ray.setColorAt(0.0, QColor(c.red(), c.green(), c.blue(), 0));
            ray.setColorAt(0.7, QColor(c.red(), c.green(), c.blue(), 70));
            ray.setColorAt(1.0, QColor(c.red(), c.green(), c.blue(), 0));
            p.fillRect(QRectF(x, top, 2, height), ray);
        }
    }
    QPainterPath hills;
    hills.moveTo(0, h);
    for (int x = 0; x <= w; x += 6) {
        hills.lineTo(x, h * 0.82 - h * 0.05 * std::sin(static_cast<double>(x) / w * kPi * 2.5));
    }
    hills.lineTo(w, h);
    p.setBrush(QColor(2, 6, 12));
    p.drawPath(hills);
    return image;
}

QImage draw_blocks(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(QColor(244, 240, 228));
    QPainter p(&image);
    const QColor colours[] = {QColor(200, 40, 40), QColor(30, 70, 170), QColor(246, 200, 40),
                              QColor(244, 240, 228), QColor(244, 240, 228)};
    std::mt19937 rng(11);
    for (int row = 0; row < 5; ++row) {
        int x = 0;
        const int y = row * h / 5;
        while (x < w) {
            const int width = w / 10 + static_cast<int>(rng() % static_cast<unsigned>(w / 4));
            p.fillRect(x, y, width, h / 5, colours[rng() % 5]);
            x += width;
        }
    }
    p.setPen(QPen(QColor(20, 20, 20), 6));
    for (int row = 1; row < 5; ++row) {
        p.drawLine(0, row * h / 5, w, row * h / 5);
    }
    for (int i = 0; i < 9; ++i) {
        const int x = static_cast<int>(rng() % static_cast<unsigned>(w));
        const int row = static_cast<int>(rng() % 5);
        p.drawLine(x, row * h / 5, x, (row + 1) * h / 5);
    }
    p.end();
    return image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
}

QImage draw_harbour(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, h / 2);
    sky.setColorAt(0, QColor(120, 180, 230));
    sky.setColorAt(1, QColor(210, 232, 246));
    p.fillRect(0, 0, w, h / 2, sky);
    QLinearGradient sea(0, h / 2, 0, h);
    sea.setColorAt(0, QColor(40, 110, 160));
    sea.setColorAt(1, QColor(16, 50, 90));
    p.fillRect(0, h / 2, w, h - h / 2, sea);
    p.setPen(Qt::NoPen);
    const QColor hulls[] = {QColor(190, 50, 40), QColor(245, 245, 245), QColor(240, 180, 40)};
    for (int i = 0; i < 3; ++i) {
        const double cx = w * (0.22 + 0.28 * i);
        const double base = h * (0.56 + 0.08 * i);
        QPainterPath hull;
        hull.moveTo(cx - w * 0.1, base);
        hull.lineTo(cx + w * 0.1, base);
        hull.lineTo(cx + w * 0.07, base + h * 0.06);
        hull.lineTo(cx - w * 0.07, base + h * 0.06);
        hull.closeSubpath();
        p.setBrush(hulls[i]);
        p.drawPath(hull);
        QPainterPath sail;
        sail.moveTo(cx, base - h * 0.3);
        sail.lineTo(cx, base - h * 0.02);
        sail.lineTo(cx + w * 0.08, base - h * 0.02);
        sail.closeSubpath();
        p.setBrush(QColor(250, 248, 240));
        p.drawPath(sail);
        p.setPen(QPen(QColor(60, 40, 30), 3));
        p.drawLine(QPointF(cx, base - h * 0.32), QPointF(cx, base));
        p.setPen(Qt::NoPen);
    }
    p.setPen(QPen(QColor(255, 255, 255, 90), 2));
    for (int i = 0; i < 30; ++i) {
        const double y = h * 0.55 + i * h * 0.015;
        const double x = (i * 97) % w;
        p.drawLine(QPointF(x, y), QPointF(x + w * 0.08, y));
    }
    return image;
}

QImage draw_petals(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient back(w / 2.0, h / 2.0, w * 0.7);
    back.setColorAt(0, QColor(30, 90, 60));
    back.setColorAt(1, QColor(8, 30, 24));
    p.fillRect(0, 0, w, h, back);
    p.translate(w / 2.0, h / 2.0);
    for (int ring = 3; ring >= 1; --ring) {
        for (int i = 0; i < 12; ++i) {
            p.save();
            p.rotate(i * 30.0 + ring * 15.0);
            QRadialGradient petal(0, -h * 0.12 * ring, h * 0.12 * ring);
            petal.setColorAt(0, QColor(255, 220 - ring * 30, 230));
            petal.setColorAt(1, QColor(200, 40 + ring * 20, 120));
            p.setBrush(petal);
            p.setPen(Qt::NoPen);
            p.drawEllipse(QPointF(0, -h * 0.11 * ring), h * 0.04 * ring, h * 0.11 * ring);
            p.restore();
        }
    }
    p.setBrush(QColor(250, 210, 60));
    p.drawEllipse(QPointF(0, 0), h * 0.07, h * 0.07);
    return image;
}

// Truevision TGA, run-length encoded, 24-bit, rows from the top.
bool write_tga(const QImage& source, const std::string& path)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    std::vector<unsigned char> out = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const auto put16 = [&out](int v) {
        out.push_back(static_cast<unsigned char>(v & 0xff));
        out.push_back(static_cast<unsigned char>((v >> 8) & 0xff));
    };
    put16(image.width());
    put16(image.height());
    out.push_back(24);
    out.push_back(0x20); // top-left origin
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        int x = 0;
        while (x < image.width()) {
            int run = 1;
            while (x + run < image.width() && run < 128 && row[x + run] == row[x]) {
                ++run;
            }
            if (run > 1) {
                out.push_back(static_cast<unsigned char>(0x80 | (run - 1)));
                out.push_back(static_cast<unsigned char>(qBlue(row[x])));
                out.push_back(static_cast<unsigned char>(qGreen(row[x])));
                out.push_back(static_cast<unsigned char>(qRed(row[x])));
                x += run;
                continue;
            }
            int raw = 1;
            while (x + raw < image.width() && raw < 128 && row[x + raw] != row[x + raw - 1]) {
                ++raw;
            }
            out.push_back(static_cast<unsigned char>(raw - 1));
            for (int i = 0; i < raw; ++i) {
                out.push_back(static_cast<unsigned char>(qBlue(row[x + i])));
                out.push_back(static_cast<unsigned char>(qGreen(row[x + i])));
                out.push_back(static_cast<unsigned char>(qRed(row[x + i])));
            }
            x += raw;
        }
    }
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return static_cast<bool>(file);
}

void put_le(std::vector<unsigned char>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<unsigned char>((value >> (8 * i)) & 0xff));
    }
}

// A bell-like arpeggio: each note is a few decaying harmonics.
bool write_chime(const std::string& path)
{
    constexpr int rate = 22050;
    const double notes[] = {523.25, 659.25, 783.99, 1046.5};
    const int total = rate * 3;
    std::vector<double> mix(static_cast<std::size_t>(total), 0.0);
    for (int n = 0; n < 4; ++n) {
        const int start = n * rate * 2 / 5;
        for (int i = start; i < total; ++i) {
            const double t = static_cast<double>(i - start) / rate;
            const double f = notes[n];
            const double v = std::exp(-3.0 * t) * (std::sin(2 * kPi * f * t) + 0.4 * std::sin(2 * kPi * 2.76 * f * t) *
                                                                                   std::exp(-4.0 * t));
            mix[static_cast<std::size_t>(i)] += 0.22 * v;
        }
    }
    std::vector<unsigned char> out;
    const auto text = [&out](const char* s) { out.insert(out.end(), s, s + 4); };
    const std::uint32_t data_bytes = static_cast<std::uint32_t>(total) * 2;
    text("RIFF");
    put_le(out, 36 + data_bytes, 4);
    text("WAVE");
    text("fmt ");
    put_le(out, 16, 4);
    put_le(out, 1, 2);
    put_le(out, 1, 2);
    put_le(out, rate, 4);
    put_le(out, rate * 2, 4);
    put_le(out, 2, 2);
    put_le(out, 16, 2);
    text("data");
    put_le(out, data_bytes, 4);
    for (const double v : mix) {
        const auto sample = static_cast<std::int16_t>(std::lround(std::clamp(v, -1.0, 1.0) * 32000.0));
        put_le(out, static_cast<std::uint16_t>(sample), 2);
    }
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return static_cast<bool>(file);
}

// A short waltz-like tune on a piano, Standard MIDI File format 0.
bool write_tune(const std::string& path)
{
    std::vector<unsigned char> track;
    const auto delta = [&track](std::uint32_t ticks) {
        unsigned char bytes[4];
        int count = 0;
        bytes[count++] = static_cast<unsigned char>(ticks & 0x7f);
        while ((ticks >>= 7) != 0) {
            bytes[count++] = static_cast<unsigned char>(0x80 | (ticks & 0x7f));
        }
        while (count > 0) {
            track.push_back(bytes[--count]);
        }
    };
    delta(0);
    track.insert(track.end(), {0xff, 0x51, 0x03, 0x07, 0xa1, 0x20}); // 500000 us per beat
    delta(0);
    track.insert(track.end(), {0xc0, 0x00}); // piano
    const int melody[] = {67, 72, 76, 74, 72, 71, 72, 74, 76, 79, 77, 76, 74, 72, 71, 72};
    const int bass[] = {48, 43, 45, 41};
    for (int i = 0; i < 16; ++i) {
        delta(0);
        track.insert(track.end(), {0x90, static_cast<unsigned char>(melody[i]), 90});
        if (i % 4 == 0) {
            delta(0);
            track.insert(track.end(), {0x90, static_cast<unsigned char>(bass[i / 4]), 70});
        }
        delta(240);
        track.insert(track.end(), {0x80, static_cast<unsigned char>(melody[i]), 0});
        if (i % 4 == 3) {
            delta(0);
            track.insert(track.end(), {0x80, static_cast<unsigned char>(bass[i / 4]), 0});
        }
    }
    delta(0);
    track.insert(track.end(), {0xff, 0x2f, 0x00});

    std::vector<unsigned char> out = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xe0,
                                      'M', 'T', 'r', 'k'};
    const auto size = static_cast<std::uint32_t>(track.size());
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<unsigned char>((size >> shift) & 0xff));
    }
    out.insert(out.end(), track.begin(), track.end());
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return static_cast<bool>(file);
}

bool save(const QImage& image, const QString& path, const char* format, int quality = -1, int compression = -1)
{
    QImageWriter writer(path, format);
    if (quality >= 0) {
        writer.setQuality(quality);
    }
    if (compression >= 0) {
        writer.setCompression(compression);
    }
    if (!writer.write(image)) {
        std::fprintf(stderr, "framory_make_samples: %s: %s\n", qPrintable(path), qPrintable(writer.errorString()));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: framory_make_samples OUTPUT_FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const std::string out = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(out, ec);
    bool ok = save(draw_sunset(1280, 800), folder + "/sunset.jpg", "jpg", 88);
    ok = save(draw_aurora(960, 600), folder + "/aurora.png", "png") && ok;
    ok = save(draw_blocks(480, 300), folder + "/blocks.bmp", "bmp") && ok;
    ok = save(draw_harbour(800, 500), folder + "/harbour.tif", "tif", -1, 1) && ok;
    ok = write_tga(draw_petals(640, 480), out + "/petals.tga") && ok;
    ok = write_chime(out + "/chime.wav") && ok;
    ok = write_tune(out + "/tune.mid") && ok;
    return ok ? 0 : 1;
}
