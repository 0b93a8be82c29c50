// This folder: the Linux front end's windows: the show, the prompt, the
// dialogs and the preview, holding layout and handlers only.

#include "qt/forms/artwork.h"

#include <QFont>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <functional>

namespace framory::qt {

namespace {

// One small framed "photo": a sky, a sun and a hill in the given colours.
void draw_snapshot(QPainter& p, const QRectF& r, QColor sky, QColor ground, qreal angle)
{
    p.save();
    p.translate(r.center());
    p.rotate(angle);
    const QRectF local(-r.width() / 2, -r.height() / 2, r.width(), r.height());
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawRect(local.translated(3, 4));
    p.setBrush(QColor(250, 248, 240));
    p.drawRect(local);
    const QRectF inner = local.adjusted(r.width() * 0.06, r.width() * 0.06, -r.width() * 0.06, -r.height() * 0.18);
    QLinearGradient g(inner.topLeft(), inner.bottomLeft());
    g.setColorAt(0, sky);
    g.setColorAt(1, sky.lighter(160));
    p.fillRect(inner, g);
    p.setBrush(QColor(255, 220, 120));
    p.drawEllipse(QPointF(inner.right() - inner.width() * 0.25, inner.top() + inner.height() * 0.3),
                  inner.height() * 0.14, inner.height() * 0.14);
    QPainterPath hill;
    hill.moveTo(inner.bottomLeft());
    hill.cubicTo(inner.left() + inner.width() * 0.3, inner.top() + inner.height() * 0.4,
                 inner.left() + inner.width() * 0.6, inner.top() + inner.height() * 0.9, inner.right(),
                 inner.top() + inner.height() * 0.55);
    hill.lineTo(inner.bottomRight());
    hill.closeSubpath();
    p.setBrush(ground);
    p.drawPath(hill);
    p.restore();
}

// A pixmap with a pixel for each pixel of the densest screen, drawn on in
// the logical size, so that pictures stay sharp at any scale.
QPixmap canvas(int width, int height)
{
    const qreal ratio = qGuiApp != nullptr ? qGuiApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(QSize(width, height) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

QPixmap icon_canvas()
{
    QPixmap pixmap = canvas(32, 32);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// The scenes of the preview's built-in picture: each photograph of its
// collage is a small scene of its own, framed in white.

void framed_photo(QPainter& p, const QRect& r, const std::function<void(QPainter&, const QRect&)>& scene)
{
    p.fillRect(r.translated(2, 2), QColor(0, 0, 0, 110)); // its shadow on the table
    p.fillRect(r, QColor(250, 248, 240));
    const QRect inner = r.adjusted(2, 2, -2, -2);
    p.save();
    p.setClipRect(inner);
    scene(p, inner);
    p.restore();
}

void sunset(QPainter& p, const QRect& r)
{
    const int horizon = r.top() + r.height() * 2 / 3;
    QLinearGradient sky(r.topLeft(), QPoint(r.left(), horizon));
    sky.setColorAt(0.0, QColor(72, 40, 120));
    sky.setColorAt(0.55, QColor(236, 96, 88));
    sky.setColorAt(1.0, QColor(255, 190, 92));
    p.fillRect(QRect(r.left(), r.top(), r.width(), horizon - r.top()), sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 226, 120));
    p.drawEllipse(QPoint(r.left() + r.width() / 2, horizon), 9, 9);
    p.fillRect(QRect(r.left(), horizon, r.width(), r.bottom() - horizon + 1), QColor(36, 40, 92));
    p.setPen(QPen(QColor(255, 200, 110), 1));
    for (int i = 0; i < 4; ++i) {
        const int y = horizon + 3 + i * 3;
        const int half = 8 - i * 2;
        p.drawLine(r.left() + r.width() / 2 - half, y, r.left() + r.width() / 2 + half, y);
    }
}

void aurora(QPainter& p, const QRect& r)
{
    p.fillRect(r, QColor(10, 22, 48));
    p.setPen(Qt::NoPen);
    for (int band = 0; band < 3; ++band) {
        QPainterPath path;
        const double base = r.top() + 8.0 + band * 5.0;
        path.moveTo(r.left(), base);
        for (int x = 0; x <= r.width(); x += 2) {
            path.lineTo(r.left() + x, base + 4.0 * std::sin((x + band * 9) / 7.0));
        }
        path.lineTo(r.right() + 1, base + 10.0);
        for (int x = r.width(); x >= 0; x -= 2) {
            path.lineTo(r.left() + x, base + 9.0 + 3.0 * std::sin((x + band * 5) / 6.0));
        }
        path.closeSubpath();
        p.setBrush(QColor(60 + band * 40, 230 - band * 30, 140 + band * 30, 120));
        p.drawPath(path);
    }
    p.setPen(QColor(255, 255, 230));
    for (const QPoint star : {QPoint(5, 3), QPoint(17, 6), QPoint(30, 2), QPoint(41, 5), QPoint(11, 13)}) {
        p.drawPoint(r.topLeft() + star);
    }
    QPolygon hills;
    hills << QPoint(r.left(), r.bottom() + 1) << QPoint(r.left(), r.bottom() - 5)
          << QPoint(r.left() + 12, r.bottom() - 11) << QPoint(r.left() + 22, r.bottom() - 4)
          << QPoint(r.left() + 34, r.bottom() - 13) << QPoint(r.right() + 1, r.bottom() - 3)
          << QPoint(r.right() + 1, r.bottom() + 1);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(6, 10, 20));
    p.drawPolygon(hills);
}

void blocks(QPainter& p, const QRect& r)
{
    const QColor colours[] = {QColor(230, 57, 70),  QColor(244, 162, 97), QColor(233, 196, 106),
                              QColor(42, 157, 143), QColor(38, 70, 83),   QColor(120, 90, 200)};
    const int cell = 8;
    for (int y = 0; y * cell < r.height(); ++y) {
        for (int x = 0; x * cell < r.width(); ++x) {
            const QColor& c = colours[(x * 2 + y * 3 + (x * y) % 4) % 6];
            p.fillRect(QRect(r.left() + x * cell, r.top() + y * cell, cell - 1, cell - 1), c);
        }
    }
}

void petals(QPainter& p, const QRect& r)
{
    QLinearGradient grass(r.topLeft(), r.bottomLeft());
    grass.setColorAt(0.0, QColor(150, 200, 120));
    grass.setColorAt(1.0, QColor(50, 120, 60));
    p.fillRect(r, grass);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    const QPointF centre(r.left() + r.width() / 2.0, r.top() + r.height() / 2.0);
    for (int i = 0; i < 6; ++i) {
        p.save();
        p.translate(centre);
        p.rotate(i * 60.0);
        p.setBrush(QColor(245, 140, 190));
        p.drawEllipse(QRectF(2.0, -3.5, 11.0, 7.0));
        p.restore();
    }
    p.setBrush(QColor(255, 210, 60));
    p.drawEllipse(centre, 3.5, 3.5);
    p.setRenderHint(QPainter::Antialiasing, false);
}

void harbour(QPainter& p, const QRect& r)
{
    const int shore = r.top() + r.height() / 2;
    QLinearGradient sky(r.topLeft(), QPoint(r.left(), shore));
    sky.setColorAt(0.0, QColor(110, 170, 230));
    sky.setColorAt(1.0, QColor(200, 230, 250));
    p.fillRect(QRect(r.left(), r.top(), r.width(), shore - r.top()), sky);
    p.fillRect(QRect(r.left(), shore, r.width(), r.bottom() - shore + 1), QColor(30, 100, 160));
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 60, 30));
    QPolygonF hull;
    hull << QPointF(r.left() + 10, shore + 2) << QPointF(r.left() + 30, shore + 2) << QPointF(r.left() + 26, shore + 6)
         << QPointF(r.left() + 14, shore + 6);
    p.drawPolygon(hull);
    p.setBrush(QColor(255, 255, 255));
    QPolygonF sail;
    sail << QPointF(r.left() + 20, shore - 12) << QPointF(r.left() + 20, shore + 1)
         << QPointF(r.left() + 29, shore + 1);
    p.drawPolygon(sail);
    p.setPen(QPen(QColor(220, 240, 255), 1));
    p.drawLine(r.left() + 30, shore + 9, r.left() + 40, shore + 9);
    p.drawLine(r.left() + 4, shore + 12, r.left() + 16, shore + 12);
    p.setRenderHint(QPainter::Antialiasing, false);
}

void meadow(QPainter& p, const QRect& r)
{
    p.fillRect(r, QColor(250, 215, 120));
    p.fillRect(QRect(r.left(), r.top() + r.height() * 3 / 5, r.width(), r.height()), QColor(90, 150, 60));
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(100, 60, 30));
    p.drawRect(QRectF(r.left() + r.width() / 2.0 - 1.5, r.top() + r.height() * 0.35, 3.0, r.height() * 0.3));
    p.setBrush(QColor(40, 110, 50));
    p.drawEllipse(QPointF(r.left() + r.width() / 2.0, r.top() + r.height() * 0.32), 10.0, 9.0);
    p.setRenderHint(QPainter::Antialiasing, false);
}

void centred_text(QPainter& p, const QRect& band, const QString& text, int pixel_size, bool bold, const QColor& colour)
{
    // A named family and pixel sizes keep the text the same on every
    // platform plugin and screen density; the families after the first are
    // stand-ins where it is missing.
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans")});
    font.setStyleStrategy(QFont::StyleStrategy(QFont::PreferAntialias | QFont::NoSubpixelAntialias));
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setPixelSize(pixel_size);
    font.setBold(bold);
    font.setStyleHint(QFont::SansSerif);
    p.setFont(font);
    p.setPen(QColor(0, 0, 0, 160));
    p.drawText(band.translated(1, 1), Qt::AlignCenter, text);
    p.setPen(colour);
    p.drawText(band, Qt::AlignCenter, text);
}

} // namespace

QPixmap ProductArtwork(int width, int height)
{
    QPixmap pixmap = canvas(width, height);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0, QColor(28, 24, 70));
    sky.setColorAt(0.6, QColor(120, 60, 110));
    sky.setColorAt(1, QColor(230, 140, 90));
    p.fillRect(QRect(0, 0, width, height), sky);
    const qreal w = width;
    const qreal h = height;
    draw_snapshot(p, QRectF(w * 0.06, h * 0.30, w * 0.34, h * 0.36), QColor(70, 140, 210), QColor(60, 130, 70), -8);
    draw_snapshot(p, QRectF(w * 0.34, h * 0.36, w * 0.34, h * 0.36), QColor(200, 90, 70), QColor(90, 50, 80), 4);
    draw_snapshot(p, QRectF(w * 0.62, h * 0.28, w * 0.32, h * 0.34), QColor(40, 170, 170), QColor(200, 170, 80), 10);
    QFont title(QStringLiteral("Serif"));
    title.setStyleHint(QFont::Serif);
    title.setBold(true);
    title.setPixelSize(qMax(10, height / 6));
    p.setFont(title);
    p.setPen(QColor(0, 0, 0, 120));
    p.drawText(QRectF(2, 2, w, h * 0.28), Qt::AlignCenter, QStringLiteral("Framory"));
    p.setPen(QColor(255, 236, 190));
    p.drawText(QRectF(0, 0, w, h * 0.28), Qt::AlignCenter, QStringLiteral("Framory"));
    QFont line(QStringLiteral("Sans"));
    line.setPixelSize(qMax(7, height / 16));
    p.setFont(line);
    p.setPen(QColor(255, 255, 255, 220));
    p.drawText(QRectF(0, h * 0.80, w, h * 0.18), Qt::AlignCenter, QStringLiteral("your pictures, framed"));
    return pixmap;
}

QImage ProductIcon(int size)
{
    QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    QLinearGradient sky(0, 0, 0, s);
    sky.setColorAt(0, QColor(28, 24, 70));
    sky.setColorAt(0.6, QColor(120, 60, 110));
    sky.setColorAt(1, QColor(230, 140, 90));
    p.setPen(Qt::NoPen);
    p.setBrush(sky);
    p.drawRoundedRect(QRectF(0, 0, s, s).adjusted(s * 0.03, s * 0.03, -s * 0.03, -s * 0.03), s * 0.18, s * 0.18);
    draw_snapshot(p, QRectF(s * 0.10, s * 0.16, s * 0.50, s * 0.44), QColor(70, 140, 210), QColor(60, 130, 70), -10);
    draw_snapshot(p, QRectF(s * 0.38, s * 0.42, s * 0.50, s * 0.44), QColor(200, 90, 70), QColor(90, 50, 80), 8);
    p.end();
    return icon;
}

QIcon FoldersIcon()
{
    QPixmap pixmap = icon_canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(120, 80, 10), 1));
    p.setBrush(QColor(240, 190, 60));
    p.drawRoundedRect(QRectF(2, 7, 28, 21), 2, 2);
    p.setBrush(QColor(250, 215, 100));
    p.drawRoundedRect(QRectF(2, 11, 28, 17), 2, 2);
    draw_snapshot(p, QRectF(10, 3, 14, 11), QColor(70, 140, 210), QColor(60, 130, 70), 8);
    return QIcon(pixmap);
}

QIcon OptionsIcon()
{
    QPixmap pixmap = icon_canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 70), 2));
    for (int i = 0; i < 3; ++i) {
        const qreal y = 7 + i * 9;
        p.drawLine(QPointF(4, y), QPointF(28, y));
        p.setBrush(QColor(70, 130, 200));
        p.drawEllipse(QPointF(8 + i * 8, y), 3.5, 3.5);
    }
    return QIcon(pixmap);
}

QIcon PreviewIcon()
{
    QPixmap pixmap = icon_canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 50), 2));
    p.setBrush(QColor(30, 30, 40));
    p.drawRoundedRect(QRectF(2, 4, 28, 19), 2, 2);
    draw_snapshot(p, QRectF(5, 7, 22, 13), QColor(200, 90, 70), QColor(90, 50, 80), 0);
    p.drawLine(QPointF(16, 23), QPointF(16, 27));
    p.drawLine(QPointF(10, 28), QPointF(22, 28));
    return QIcon(pixmap);
}

QImage BuiltInPreviewPicture()
{
    // Drawn in full colour: a 256-colour palette would only add dithering
    // to the gradients on today's screens.
    QImage picture(kPreviewPictureWidth, kPreviewPictureHeight, QImage::Format_RGB32);
    QPainter p(&picture);
    QLinearGradient table(0, 0, 0, kPreviewPictureHeight);
    table.setColorAt(0.0, QColor(26, 32, 64));
    table.setColorAt(1.0, QColor(14, 18, 38));
    p.fillRect(picture.rect(), table);

    framed_photo(p, QRect(5, 21, 52, 40), sunset);
    framed_photo(p, QRect(97, 20, 48, 38), blocks);
    framed_photo(p, QRect(50, 26, 52, 38), aurora);
    framed_photo(p, QRect(110, 54, 35, 40), meadow);
    framed_photo(p, QRect(9, 57, 50, 38), petals);
    framed_photo(p, QRect(56, 60, 58, 35), harbour);

    p.setRenderHint(QPainter::TextAntialiasing, true);
    centred_text(p, QRect(0, 1, kPreviewPictureWidth, 18), QStringLiteral("Framory"), 16, true, QColor(255, 214, 94));
    centred_text(p, QRect(0, 98, kPreviewPictureWidth, 13), QStringLiteral("www.obelin.example"), 10, false,
                 QColor(225, 232, 245));
    p.end();
    return picture;
}

} // namespace framory::qt
