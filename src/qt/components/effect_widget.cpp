#include "qt/components/effect_widget.h"

#include "media/effects/effects.h"
#include "qt/components/image_bridge.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>
#include <random>

namespace framory::qt {

namespace {

// About sixty frames a second; the effect's progress comes from the clock,
// so a slow frame shortens nothing and lengthens nothing.
constexpr int kFrameIntervalMs = 15;

int button_code(Qt::MouseButtons buttons)
{
    int code = 0;
    if (buttons & Qt::LeftButton) {
        code |= 1;
    }
    if (buttons & Qt::RightButton) {
        code |= 2;
    }
    if (buttons & Qt::MiddleButton) {
        code |= 4;
    }
    return code;
}

int shift_code(Qt::KeyboardModifiers modifiers)
{
    int code = 0;
    if (modifiers & Qt::ShiftModifier) {
        code |= 1;
    }
    if (modifiers & Qt::ControlModifier) {
        code |= 2;
    }
    if (modifiers & Qt::AltModifier) {
        code |= 4;
    }
    return code;
}

} // namespace

EffectWidget::EffectWidget(QWidget* parent, double units_per_pixel)
    : QWidget(parent), m_units_per_pixel(units_per_pixel > 0 ? units_per_pixel : 1.0)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(kFrameIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &EffectWidget::step_effect);
    std::random_device device;
    m_seed = device();
}

EffectWidget::~EffectWidget()
{
    if (m_timer.isActive()) {
        qApp->removeEventFilter(this);
    }
}

void EffectWidget::place(double left, double top, double width, double height)
{
    const auto px = [this](double units) { return static_cast<int>(std::lround(units / m_units_per_pixel)); };
    setGeometry(px(left), px(top), std::max(0, px(width)), std::max(0, px(height)));
}

void EffectWidget::set_drawing_switch(bool on)
{
    m_drawing = on;
}

void EffectWidget::content_changed()
{
    if (m_drawing && isVisible() && !m_timer.isActive()) {
        m_frame = render_content(size());
        update();
    }
}

media::Image EffectWidget::capture_under()
{
    QWidget* parent = parentWidget();
    if (parent == nullptr || width() <= 0 || height() <= 0) {
        return media::Image(std::max(0, width()), std::max(0, height()));
    }
    // Drawn without this component, so what lies under it shows.
    const bool was_visible = isVisible();
    if (was_visible) {
        setVisible(false);
    }
    QImage under(size(), QImage::Format_ARGB32);
    under.fill(Qt::black);
    parent->render(&under, QPoint(), QRegion(geometry()), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    if (was_visible) {
        setVisible(true);
    }
    return ToImage(under);
}

void EffectWidget::show_with_effect()
{
    if (isVisible()) {
        redraw_with_effect();
        return;
    }
    if (m_effect != 0 && m_pace > 0 && m_drawing) {
        media::Image under = capture_under();
        m_frame = under;
        QWidget::show();
        start_effect(std::move(under));
        return;
    }
    finish_effect();
    m_frame = render_content(size());
    QWidget::show();
    update();
}

void EffectWidget::redraw_with_effect()
{
    if (!isVisible()) {
        finish_effect();
        m_frame = render_content(size());
        return;
    }
    if (m_effect != 0 && m_pace > 0 && m_drawing) {
        media::Image from = m_frame.width() == width() && m_frame.height() == height() ? m_frame : capture_under();
        start_effect(std::move(from));
        return;
    }
    finish_effect();
    m_frame = render_content(size());
    update();
}

void EffectWidget::start_effect(media::Image from)
{
    finish_effect();
    m_from = std::move(from);
    m_to = render_content(size());
    m_playing_effect = m_effect;
    m_playing_grain = m_grain;
    m_duration_ms = media::EffectDuration(m_pace).count();
    ++m_seed; // a new random layout for each play, the same for all its frames
    m_clock.start();
    qApp->installEventFilter(this);
    m_timer.start();
    step_effect();
}

void EffectWidget::step_effect()
{
    if (!m_timer.isActive()) {
        return;
    }
    const double progress =
        m_duration_ms > 0 ? static_cast<double>(m_clock.elapsed()) / static_cast<double>(m_duration_ms) : 1.0;
    if (progress >= 1.0) {
        finish_effect();
        return;
    }
    media::RenderEffect(m_playing_effect, m_from, m_to, progress, m_playing_grain, m_frame, m_seed);
    update();
}

void EffectWidget::finish_effect()
{
    if (!m_timer.isActive()) {
        return;
    }
    m_timer.stop();
    qApp->removeEventFilter(this);
    m_frame = std::move(m_to);
    m_from = media::Image();
    m_to = media::Image();
    update();
}

bool EffectWidget::eventFilter(QObject* watched, QEvent* event)
{
    const bool key = event->type() == QEvent::KeyPress;
    const bool move = event->type() == QEvent::MouseMove;
    if ((key && (m_cancel_mode == 4 || m_cancel_mode == 9)) || (move && (m_cancel_mode == 7 || m_cancel_mode == 9))) {
        finish_effect();
    }
    return QWidget::eventFilter(watched, event);
}

void EffectWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_frame.empty()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    const QImage image = WrapImage(m_frame);
    if (image.size() == size()) {
        painter.drawImage(QPoint(0, 0), image);
    } else {
        painter.drawImage(rect(), image);
    }
}

void EffectWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_events.click && rect().contains(event->position().toPoint())) {
        m_events.click();
    }
}

void EffectWidget::mouseDoubleClickEvent(QMouseEvent*)
{
    if (m_events.double_click) {
        m_events.double_click();
    }
}

void EffectWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (m_events.mouse_move) {
        const QPointF p = event->position();
        m_events.mouse_move(core::MouseState{button_code(event->buttons()), shift_code(event->modifiers()),
                                             p.x() * m_units_per_pixel, p.y() * m_units_per_pixel});
    }
}

} // namespace framory::qt
