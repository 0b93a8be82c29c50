// Draws every transition effect at 25, 50 and 75 per cent, every gradient
// style and the frame styles onto one PNG, so that a person can look the
// catalogue over at a glance.
//
//   framory_contact_sheet [output.png]     (default: framory_contact_sheet.png)

#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QString>

#include <cstdio>
#include <cstring>
#include <string>

#include "media/effects/effects.h"
#include "media/effects/gradient.h"
#include "media/effects/palette.h"
#include "media/image/frame.h"

namespace {

using framory::media::Image;

constexpr int kThumbW = 192;
constexpr int kThumbH = 108;
constexpr int kGap = 6;
constexpr int kLabelH = 16;
constexpr int kEffectsPerRow = 4;
constexpr int kGrain = 7;
constexpr double kProgress[] = {0.25, 0.5, 0.75};

Image FromQImage(const QImage& source)
{
    const QImage q = source.convertToFormat(QImage::Format_ARGB32);
    Image image(q.width(), q.height());
    for (int y = 0; y < q.height(); ++y) {
        std::memcpy(image.row(y), q.constScanLine(y), static_cast<std::size_t>(q.width()) * 4);
    }
    return image;
}

QImage ToQImage(const Image& image)
{
    QImage q(image.width(), image.height(), QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        std::memcpy(q.scanLine(y), image.row(y), static_cast<std::size_t>(image.width()) * 4);
    }
    return q;
}

// A picture with a big letter on a two-colour background, so that motion,
// scaling and which picture is which can all be seen in a thumbnail.
Image Picture(const QColor& top, const QColor& bottom, const QString& letter, const QColor& ink)
{
    QImage q(kThumbW, kThumbH, QImage::Format_ARGB32);
    QPainter p(&q);
    QLinearGradient sky(0, 0, 0, kThumbH);
    sky.setColorAt(0, top);
    sky.setColorAt(1, bottom);
    p.fillRect(q.rect(), sky);
    p.setPen(QPen(ink.darker(150), 2));
    for (int x = 0; x < kThumbW; x += 24) {
        p.drawLine(x, kThumbH - 20, x + 12, kThumbH - 8);
    }
    p.setBrush(ink);
    p.drawEllipse(QPointF(kThumbW * 0.78, kThumbH * 0.3), 14, 14);
    QFont font("DejaVu Sans");
    font.setPixelSize(72);
    font.setBold(true);
    p.setFont(font);
    p.setPen(ink);
    p.drawText(QRect(0, 0, kThumbW * 2 / 3, kThumbH), Qt::AlignCenter, letter);
    p.end();
    return FromQImage(q);
}

void Label(QPainter& p, int x, int y, const QString& text)
{
    p.setPen(Qt::white);
    p.drawText(QRect(x, y, 3 * kThumbW + 2 * kGap, kLabelH), Qt::AlignLeft | Qt::AlignVCenter, text);
}

} // namespace

int main(int argc, char** argv)
{
    // No window is shown: text is drawn with the offscreen platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    const QString output = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("framory_contact_sheet.png");

    const Image from = Picture(QColor(40, 70, 160), QColor(120, 170, 230), QStringLiteral("A"), QColor(250, 250, 250));
    const Image to = Picture(QColor(230, 120, 30), QColor(250, 220, 120), QStringLiteral("B"), QColor(60, 20, 20));

    const int group_w = 3 * kThumbW + 2 * kGap;
    const int sheet_w = kEffectsPerRow * group_w + (kEffectsPerRow + 1) * 3 * kGap;
    const int effect_rows = (framory::media::kEffectCount + kEffectsPerRow - 1) / kEffectsPerRow;
    const int row_h = kLabelH + kThumbH + 2 * kGap;
    const int gradients_per_row = sheet_w / (kThumbW + kGap);
    const int gradient_rows = (framory::media::kGradientStyleCount + gradients_per_row - 1) / gradients_per_row;
    // Three sections, each a title line and its rows.
    const int title_h = kLabelH + kGap;
    const int sheet_h = kGap + title_h + effect_rows * row_h + kGap + title_h + gradient_rows * row_h + kGap + title_h +
                        kLabelH + 2 * kThumbH + kGap;

    QImage sheet(sheet_w, sheet_h, QImage::Format_ARGB32);
    sheet.fill(QColor(32, 32, 32));
    QPainter p(&sheet);
    QFont font("DejaVu Sans");
    font.setPixelSize(12);
    p.setFont(font);

    int y = kGap;
    Label(p, 3 * kGap, y, QStringLiteral("Transitions 1-%1 at 25, 50 and 75 per cent (grain %2; old picture A, new picture B)")
                              .arg(framory::media::kEffectCount)
                              .arg(kGrain));
    y += kLabelH + kGap;
    Image frame;
    for (int n = 1; n <= framory::media::kEffectCount; ++n) {
        const int col = (n - 1) % kEffectsPerRow;
        const int row = (n - 1) / kEffectsPerRow;
        const int x0 = 3 * kGap + col * (group_w + 3 * kGap);
        const int y0 = y + row * row_h;
        Label(p, x0, y0, QStringLiteral("%1  %2").arg(n).arg(QString::fromUtf8(framory::media::EffectName(n).data(),
                                                                               static_cast<int>(framory::media::EffectName(n).size()))));
        for (int i = 0; i < 3; ++i) {
            framory::media::RenderEffect(n, from, to, kProgress[i], kGrain, frame, 1);
            p.drawImage(x0 + i * (kThumbW + kGap), y0 + kLabelH, ToQImage(frame));
        }
    }
    y += effect_rows * row_h + kGap;

    Label(p, 3 * kGap, y, QStringLiteral("Gradient styles 0-%1 (palette colours 1-8 in turn, depth %2)")
                              .arg(framory::media::kGradientStyleCount - 1)
                              .arg(framory::media::kDefaultGradientDepth));
    y += kLabelH + kGap;
    for (int style = 0; style < framory::media::kGradientStyleCount; ++style) {
        const int x0 = 3 * kGap + (style % gradients_per_row) * (kThumbW + kGap);
        const int y0 = y + (style / gradients_per_row) * row_h;
        Image g(kThumbW, kThumbH);
        framory::media::RenderGradient(style, framory::media::PaletteColour(1 + style % 8), g);
        const auto name = framory::media::GradientStyleName(style);
        p.setPen(Qt::white);
        p.drawText(QRect(x0, y0, kThumbW, kLabelH), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("%1  %2").arg(style).arg(QString::fromUtf8(name.data(), static_cast<int>(name.size()))));
        p.drawImage(x0, y0 + kLabelH, ToQImage(g));
    }
    y += gradient_rows * row_h + kGap;

    // The show's frame at its real pixel sizes (shown twice as large), then
    // each band style in a 6-pixel band of dark grey and white.
    Label(p, 3 * kGap, y, QStringLiteral("Frames: the show's fixed values (twice size), then band styles 0-7"));
    y += kLabelH + kGap;
    {
        framory::media::FrameSpec show;
        show.first = {framory::media::PaletteColour(8), framory::media::PaletteColour(15), 3, 1};
        show.second = {framory::media::PaletteColour(8), framory::media::PaletteColour(15), 5, 2};
        show.line_colour = framory::media::PaletteColour(1);
        show.line_size = 2;
        Image framed(kThumbW, kThumbH);
        const framory::media::PixelRect inner = framory::media::FrameInnerRect(show, {0, 0, kThumbW, kThumbH});
        for (int yy = 0; yy < inner.height; ++yy) {
            for (int xx = 0; xx < inner.width; ++xx) {
                framed.at(inner.left + xx, inner.top + yy) = to.at(xx * kThumbW / inner.width, yy * kThumbH / inner.height);
            }
        }
        framory::media::DrawFrame(show, framed);
        p.drawImage(QRect(3 * kGap, y, 2 * kThumbW, 2 * kThumbH), ToQImage(framed));
        for (int style = 0; style <= framory::media::kFrameDotted; ++style) {
            framory::media::FrameSpec one;
            one.first = {framory::media::PaletteColour(8), framory::media::PaletteColour(15), style, 6};
            Image sample(kThumbH, kThumbH, framory::media::PaletteColour(3));
            framory::media::DrawFrame(one, sample);
            const int x0 = 3 * kGap + 2 * kThumbW + 2 * kGap + style * (kThumbH + kGap);
            const auto name = framory::media::FrameStyleName(style);
            p.setPen(Qt::white);
            p.drawText(QRect(x0, y, kThumbH, kLabelH), Qt::AlignLeft | Qt::AlignVCenter,
                       QStringLiteral("%1 %2").arg(style).arg(QString::fromUtf8(name.data(), static_cast<int>(name.size()))));
            p.drawImage(x0, y + kLabelH, ToQImage(sample));
        }
    }
    p.end();

    if (!sheet.save(output, "PNG")) {
        std::fprintf(stderr, "framory_contact_sheet: cannot write %s\n", output.toLocal8Bit().constData());
        return 1;
    }
    std::printf("%s (%dx%d)\n", output.toLocal8Bit().constData(), sheet.width(), sheet.height());
    return 0;
}
