#include "qt/components/effect_widget.h"

#include "core/settings/settings.h"
#include "media/effects/effects.h"
#include "qt/components/image_bridge.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>

#include <algorithm>
#include <cmath>
#include <random>
#include <utility>

namespace framory::qt {

namespace {

// About sixty frames a second; the effect's progress comes from the clock,
// so a slow frame shortens nothing and lengthens nothing.
constexpr int kFrameIntervalMs = 15;

// The longest a transition can play (the longest pace), and so the longest
// a component waits for the ones under it.
constexpr qint64 kLongestEffectMs = 10'000;

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

// The device pixel on which a logical coordinate falls.
int to_device(int logical, double ratio)
{
    return static_cast<int>(std::lround(logical * ratio));
}

// The device pixels a logical rectangle covers, partly covered ones too.
QRect device_cover(const QRect& logical, double ratio)
{
    const int left = static_cast<int>(std::floor(logical.x() * ratio));
    const int top = static_cast<int>(std::floor(logical.y() * ratio));
    const int right = static_cast<int>(std::ceil((logical.x() + logical.width()) * ratio));
    const int bottom = static_cast<int>(std::ceil((logical.y() + logical.height()) * ratio));
    return {left, top, right - left, bottom - top};
}

// The logical pixels that cover a device rectangle.
QRect logical_cover(const QRect& device, double ratio)
{
    const int left = static_cast<int>(std::floor(device.x() / ratio));
    const int top = static_cast<int>(std::floor(device.y() / ratio));
    const int right = static_cast<int>(std::ceil((device.x() + device.width()) / ratio));
    const int bottom = static_cast<int>(std::ceil((device.y() + device.height()) / ratio));
    return {left, top, right - left, bottom - top};
}

// The first logical coordinate whose device pixel is at or before `device`,
// and the first whose device pixel is at or after it.
int logical_at_or_before(int device, double ratio)
{
    auto logical = static_cast<int>(std::floor(device / ratio));
    while (to_device(logical, ratio) > device) {
        --logical;
    }
    return logical;
}

int logical_at_or_after(int device, double ratio)
{
    auto logical = static_cast<int>(std::ceil(device / ratio));
    while (to_device(logical, ratio) < device) {
        ++logical;
    }
    return logical;
}

} // namespace

EffectWidget::EffectWidget(QWidget* parent, double units_per_pixel, PixelKind kind)
    : QWidget(parent), m_units_per_pixel(units_per_pixel > 0 ? units_per_pixel : 1.0), m_kind(kind)
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

double EffectWidget::pixel_ratio() const
{
    const double ratio = devicePixelRatioF();
    return ratio > 0 ? ratio : 1.0;
}

double EffectWidget::units_per_device_pixel() const
{
    return m_kind == PixelKind::Device ? m_units_per_pixel : m_units_per_pixel / pixel_ratio();
}

QRect EffectWidget::content_rect() const
{
    if (m_placed) {
        return m_rect;
    }
    const double ratio = pixel_ratio();
    const QRect g = geometry();
    return {to_device(g.x(), ratio), to_device(g.y(), ratio), to_device(g.width(), ratio),
            to_device(g.height(), ratio)};
}

void EffectWidget::place(double left, double top, double width, double height)
{
    const double units = units_per_device_pixel();
    const auto px = [units](double value) {
        const double pixels = std::nearbyint(value / units);
        return static_cast<int>(std::clamp(pixels, -1.0e8, 1.0e8));
    };
    m_rect = QRect(px(left), px(top), std::max(0, px(width)), std::max(0, px(height)));
    m_placed = true;
    apply_geometry();
}

void EffectWidget::resize_content(QSize size)
{
    m_rect = QRect(content_rect().topLeft(), size.expandedTo(QSize(0, 0)));
    m_placed = true;
    apply_geometry();
}

void EffectWidget::apply_geometry()
{
    // The widget covers the content's device pixels with whole logical
    // pixels; where the content's edges fall between them, the frame keeps
    // a rim of what lies under the content.
    const double ratio = pixel_ratio();
    const int left = logical_at_or_before(m_rect.x(), ratio);
    const int top = logical_at_or_before(m_rect.y(), ratio);
    const int right = m_rect.width() > 0 ? logical_at_or_after(m_rect.x() + m_rect.width(), ratio) : left;
    const int bottom = m_rect.height() > 0 ? logical_at_or_after(m_rect.y() + m_rect.height(), ratio) : top;
    m_offset = QPoint(m_rect.x() - to_device(left, ratio), m_rect.y() - to_device(top, ratio));
    const QRect wanted(left, top, right - left, bottom - top);
    if (wanted == geometry()) {
        return;
    }
    setGeometry(wanted);
    if (isVisible()) {
        finish_effect();
        if (m_drawing) {
            m_frame = compose_frame();
            update();
        }
    }
}

void EffectWidget::set_drawing_switch(bool on)
{
    m_drawing = on;
}

void EffectWidget::content_changed()
{
    if (m_drawing && isVisible() && !m_timer.isActive()) {
        m_frame = compose_frame();
        update();
    }
}

media::Image EffectWidget::compose_frame()
{
    const QRect frame = device_cover(QRect(QPoint(), size()), pixel_ratio());
    const QRect content = content_rect();
    media::Image body = render_content(content.size());
    if (m_offset == QPoint() && content.size() == frame.size()) {
        return body;
    }
    media::Image out = capture_under();
    const QRect inside = QRect(m_offset, content.size()).intersected(QRect(0, 0, out.width(), out.height()));
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        const std::uint32_t* from = body.row(y - m_offset.y()) + (inside.left() - m_offset.x());
        std::copy(from, from + inside.width(), out.row(y) + inside.left());
    }
    return out;
}

media::Image EffectWidget::capture_under()
{
    const double ratio = pixel_ratio();
    const QSize frame = device_cover(QRect(QPoint(), size()), ratio).size();
    QWidget* parent = parentWidget();
    if (parent == nullptr || frame.isEmpty()) {
        return media::Image(std::max(0, frame.width()), std::max(0, frame.height()));
    }
    // A transition or a snapshot starts from what stays on screen, not from
    // a fill caught half way.
    let_effects_beneath_end();
    // Drawn without this component, so what lies under it shows.
    const bool was_visible = isVisible();
    if (was_visible) {
        setVisible(false);
    }
    QImage under(frame, QImage::Format_RGB32);
    under.setDevicePixelRatio(ratio);
    under.fill(Qt::black);
    parent->render(&under, QPoint(), QRegion(geometry()), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    if (was_visible) {
        setVisible(true);
    }
    return ToImage(under);
}

void EffectWidget::let_effects_beneath_end()
{
    const QWidget* parent = parentWidget();
    if (parent == nullptr) {
        return;
    }
    // The parent's children run from the bottom of the stack to the top.
    const auto running_beneath = [&] {
        for (const QObject* child : parent->children()) {
            if (child == this) {
                return false;
            }
            const auto* below = qobject_cast<const EffectWidget*>(child);
            if (below != nullptr && below->isVisible() && below->effect_running() &&
                below->geometry().intersects(geometry())) {
                return true;
            }
        }
        return false;
    };
    QElapsedTimer waited;
    waited.start();
    while (running_beneath() && waited.elapsed() < kLongestEffectMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

void EffectWidget::show_with_effect()
{
    if (isVisible()) {
        redraw_with_effect();
        return;
    }
    if (m_effect != 0 && m_pace > 0 && m_drawing) {
        media::Image under = capture_under();
        // Nothing of this component is on screen yet: its first effect frame
        // is drawn whole.
        m_frame = media::Image();
        QWidget::show();
        start_effect(std::move(under));
        return;
    }
    finish_effect();
    m_frame = compose_frame();
    QWidget::show();
    update();
}

void EffectWidget::redraw_with_effect()
{
    if (!isVisible()) {
        finish_effect();
        m_frame = compose_frame();
        return;
    }
    if (m_effect != 0 && m_pace > 0 && m_drawing) {
        finish_effect();
        const QSize frame = device_cover(rect(), pixel_ratio()).size();
        const bool current = m_frame.width() == frame.width() && m_frame.height() == frame.height();
        // The frame on screen is the old picture; the first effect frame
        // replaces it before anything is painted again.
        start_effect(current ? std::exchange(m_frame, media::Image()) : capture_under());
        return;
    }
    finish_effect();
    m_frame = compose_frame();
    update();
}

void EffectWidget::start_effect(media::Image from)
{
    finish_effect();
    m_from = std::move(from);
    m_to = compose_frame();
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
    media::RenderEffect(m_playing_effect, m_from, m_to, progress, m_playing_grain, m_next, m_seed, pixel_ratio());
    show_next_frame();
}

void EffectWidget::show_next_frame()
{
    // Only what changed since the frame before is repainted.
    QRegion changed;
    for (const media::PixelRect& r : media::ChangedAreas(m_frame, m_next)) {
        changed += QRect(r.left, r.top, r.width, r.height);
    }
    std::swap(m_frame, m_next);
    ++m_frame_serial;
    if (changed.isEmpty()) {
        // The same picture as the frame before: already on screen.
        m_painted_serial = m_frame_serial;
        ++m_frames_presented;
        return;
    }
    repaint_device(changed);
}

void EffectWidget::finish_effect()
{
    if (!m_timer.isActive()) {
        return;
    }
    m_timer.stop();
    qApp->removeEventFilter(this);
    m_next = std::move(m_to);
    show_next_frame();
    m_from = media::Image();
    m_to = media::Image();
    m_next = media::Image();
}

void EffectWidget::repaint_device(const QRegion& device_region)
{
    // Painted and handed to the window system at once, frame by frame: a
    // later repaint request would be merged with the next frames'.
    const double ratio = pixel_ratio();
    if (ratio == 1.0) {
        repaint(device_region);
        return;
    }
    QRegion logical;
    for (const QRect& r : device_region) {
        logical += logical_cover(r, ratio);
    }
    repaint(logical);
}

bool EffectWidget::eventFilter(QObject* watched, QEvent* event)
{
    const bool key = event->type() == QEvent::KeyPress;
    const bool move = event->type() == QEvent::MouseMove;
    if ((key && core::CancelsOnKey(m_cancel_mode)) || (move && core::CancelsOnMouseMove(m_cancel_mode))) {
        finish_effect();
    }
    return QWidget::eventFilter(watched, event);
}

void EffectWidget::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    if (m_frame.empty()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    // Frames are opaque: copied as they are, without blending.
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const QImage image = WrapFrame(m_frame);
    const double ratio = pixel_ratio();
    const QRect frame = device_cover(rect(), ratio);
    if (image.size() != frame.size()) {
        // A frame of another size (the component was resized while its
        // drawing was off) is stretched until it is drawn again.
        painter.drawImage(rect(), image);
        return;
    }
    // Drawn in device pixels, one frame pixel to one screen pixel.
    if (ratio != 1.0) {
        painter.scale(1.0 / ratio, 1.0 / ratio);
    }
    for (const QRect& area : event->region()) {
        const QRect device = device_cover(area, ratio).intersected(frame);
        painter.drawImage(device.topLeft(), image, device);
    }
    if (m_painted_serial != m_frame_serial) {
        m_painted_serial = m_frame_serial;
        ++m_frames_presented;
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
        const QPointF p = event->position() * pixel_ratio() * units_per_device_pixel();
        m_events.mouse_move(
            core::MouseState{button_code(event->buttons()), shift_code(event->modifiers()), p.x(), p.y()});
    }
}

} // namespace framory::qt
