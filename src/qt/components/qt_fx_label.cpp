#include "qt/components/qt_fx_label.h"

#include "media/effects/gradient.h"
#include "media/effects/palette.h"

#include <QFontMetrics>
#include <QPainter>

#include <cmath>

namespace framory::qt {

QtFXLabel::QtFXLabel(QWidget* parent, double units_per_pixel, PixelKind kind)
    : EffectComponent(parent, units_per_pixel, kind)
{
    QFont design(QStringLiteral("Arial"));
    design.setStyleHint(QFont::SansSerif);
    setFont(design);
    QWidget::hide();
}


void QtFXLabel::set_caption(const std::string& text)
{
    // Captions are file paths in the system's encoding; text that is not
    // valid UTF-8 is shown byte for byte as Latin-1 rather than dropped.
    const QByteArray bytes(text.data(), static_cast<qsizetype>(text.size()));
    const QString decoded = QString::fromUtf8(bytes);
    m_caption = decoded.toUtf8() == bytes ? decoded : QString::fromLatin1(bytes);
    fit_to_caption();
    content_changed();
}

void QtFXLabel::fit_to_caption()
{
    if (m_caption.isEmpty()) {
        return;
    }
    // Measured in logical pixels, the font being in points; the label's
    // size is in device pixels.
    const QSize text = caption_size();
    const int margin = std::max(2, text.height() / 4);
    const double ratio = pixel_ratio();
    resize_content(QSize(static_cast<int>(std::ceil((text.width() + 2 * margin) * ratio)),
                         static_cast<int>(std::ceil((text.height() + margin) * ratio))));
}

void QtFXLabel::set_gradient_colour(int colour)
{
    m_colour = colour;
    content_changed();
}

void QtFXLabel::set_gradient_style(int style)
{
    m_style = style;
    content_changed();
}

void QtFXLabel::set_gradient_smoothness(int value)
{
    m_depth = value;
    content_changed();
}

void QtFXLabel::set_text_size(int points)
{
    QFont f = font();
    f.setPointSize(points > 0 ? points : 8);
    setFont(f);
    fit_to_caption();
    content_changed();
}

void QtFXLabel::set_bold(bool bold)
{
    QFont f = font();
    f.setBold(bold);
    setFont(f);
    fit_to_caption();
    content_changed();
}

QSize QtFXLabel::caption_size() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(m_caption), metrics.height()};
}

media::Image QtFXLabel::render_content(QSize size)
{
    media::Image out(std::max(0, size.width()), std::max(0, size.height()));
    if (out.empty()) {
        return out;
    }
    media::RenderGradient(m_style, media::PaletteColour(m_colour), out, m_depth);
    if (!m_caption.isEmpty()) {
        // The text keeps its size in points: on a denser screen it is drawn
        // with more device pixels, not smaller.
        QImage canvas(reinterpret_cast<uchar*>(out.data()), out.width(), out.height(),
                      static_cast<qsizetype>(out.width()) * 4, QImage::Format_ARGB32);
        const double ratio = pixel_ratio();
        canvas.setDevicePixelRatio(ratio);
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.setFont(font());
        painter.setPen(Qt::white);
        painter.drawText(QRectF(0, 0, out.width() / ratio, out.height() / ratio), Qt::AlignCenter | Qt::TextSingleLine,
                         m_caption);
    }
    return out;
}

} // namespace framory::qt
