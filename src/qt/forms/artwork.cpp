#include "qt/forms/artwork.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

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

} // namespace framory::qt
