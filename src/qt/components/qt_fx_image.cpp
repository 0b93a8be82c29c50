#include "qt/components/qt_fx_image.h"

#include "media/effects/palette.h"
#include "media/image/scale.h"
#include "qt/components/image_bridge.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QPointer>
#include <QTimer>

#include <algorithm>

namespace framory::qt {

QtPictureObject::QtPictureObject(QImage image)
    : m_image(image.format() == QImage::Format_ARGB32 || image.format() == QImage::Format_RGB32
                  ? std::move(image)
                  : image.convertToFormat(QImage::Format_ARGB32))
{
}

core::PixelView QtPictureObject::pixels() const
{
    return {reinterpret_cast<const std::uint32_t*>(m_image.constBits()), m_image.width(), m_image.height(),
            static_cast<int>(m_image.bytesPerLine() / 4)};
}

namespace {

int status_code(media::DecodeStatus status)
{
    switch (status) {
    case media::DecodeStatus::Ok:
        return 0;
    case media::DecodeStatus::NotAPicture:
        return 1;
    case media::DecodeStatus::TooLarge:
        return 2;
    case media::DecodeStatus::Corrupt:
        return 3;
    }
    return 1;
}

// Copies pixels, laying see-through ones over black, so the component
// always shows opaque pixels whatever lies behind it.
void copy_opaque(const std::uint32_t* src, std::uint32_t* dst, int count)
{
    for (int i = 0; i < count; ++i) {
        const std::uint32_t p = src[i];
        const std::uint32_t a = p >> 24;
        if (a == 0xffu) {
            dst[i] = p;
            continue;
        }
        const std::uint32_t r = ((p >> 16) & 0xffu) * a / 255u;
        const std::uint32_t g = ((p >> 8) & 0xffu) * a / 255u;
        const std::uint32_t b = (p & 0xffu) * a / 255u;
        dst[i] = 0xff000000u | (r << 16) | (g << 8) | b;
    }
}

} // namespace

QtFXImage::QtFXImage(QWidget* parent, double units_per_pixel, PixelKind kind)
    : EffectComponent(parent, units_per_pixel, kind)
{
    QWidget::hide();
    set_decode_services([] { return std::make_unique<media::WorkerDecodeService>(); });
}

void QtFXImage::set_decode_services(ServiceFactory make)
{
    m_make_service = std::move(make);
    m_sharper.reset();
    m_sharper_ticket.reset();
    m_ahead = std::make_unique<DecodeAhead>(m_make_service());
    m_ahead->set_display_profile(m_profile);
    // An answer wakes the event loop that a load may be waiting in.
    m_ahead->set_answered([this] { QMetaObject::invokeMethod(this, [] {}, Qt::QueuedConnection); });
}

void QtFXImage::set_display_profile(std::vector<std::uint8_t> icc)
{
    m_profile = std::move(icc);
    m_ahead->set_display_profile(m_profile);
    if (m_sharper) {
        m_sharper->set_display_profile(m_profile);
    }
}

void QtFXImage::prepare(const std::string& path)
{
    m_ahead->request(path, m_bounds);
}

namespace {

// Holds back the deletion of a window while a load waits inside one of its
// handlers. A close handled meanwhile (the desktop's stop request) deletes
// the window at the first chance Qt sees, which may be the wait's next
// round of events, under the code that called the load. The deletion is
// asked for again when the wait is over and happens once the handlers on
// the stack have returned.
class HoldDeletion : public QObject {
public:
    explicit HoldDeletion(QObject* target) : m_target(target) { target->installEventFilter(this); }
    ~HoldDeletion() override
    {
        if (m_target) {
            m_target->removeEventFilter(this);
            if (m_held) {
                m_target->deleteLater();
            }
        }
    }
    HoldDeletion(const HoldDeletion&) = delete;
    HoldDeletion& operator=(const HoldDeletion&) = delete;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::DeferredDelete) {
            m_held = true;
            return true;
        }
        return false;
    }

private:
    QPointer<QObject> m_target;
    bool m_held = false;
};

} // namespace

DecodeAhead::Reply QtFXImage::wait_for_picture(const std::string& path, std::uint64_t load)
{
    const DecodeAhead::Ticket ticket = m_ahead->request(path, m_bounds);
    const QPointer<QtFXImage> alive(this);
    const HoldDeletion hold(window());
    QElapsedTimer clock;
    clock.start();
    QTimer wake;
    wake.setSingleShot(true);
    for (;;) {
        if (DecodeAhead::Reply reply = m_ahead->answer(ticket)) {
            return reply;
        }
        const qint64 left = static_cast<qint64>(m_load_wait.count()) - clock.elapsed();
        if (left <= 0) {
            m_ahead->cancel(ticket);
            return std::make_shared<const media::DecodeReply>(media::Interrupted(
                media::Interruption::OutOfTime, "no picture within " + std::to_string(m_load_wait.count()) + " ms"));
        }
        wake.start(static_cast<int>(left));
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        if (!alive || m_load != load) {
            return nullptr; // gone, or a later load took over
        }
    }
}

void QtFXImage::set_file_name(const std::string& path)
{
    const std::uint64_t load = ++m_load;
    m_path = path;
    if (m_sharper_ticket) {
        m_sharper->cancel(m_sharper_ticket);
        m_sharper_ticket.reset();
    }
    if (path.empty()) {
        m_status = 0;
        m_natural = {};
        m_picture = media::Image();
        m_content = Content::Nothing;
        content_changed();
        return;
    }
    const DecodeAhead::Reply reply = wait_for_picture(path, load);
    if (!reply) {
        return;
    }
    const media::DecodeResult& result = reply->result;
    m_status = status_code(result.status);
    m_natural = result.ok() ? result.natural : media::Size{};
    // A copy: the kept answer serves the same picture again.
    m_picture = result.ok() ? result.image : media::Image();
    m_content = result.ok() ? Content::Picture : Content::Nothing;
    content_changed();
}

void QtFXImage::request_sharper(media::Size bounds)
{
    if (m_sharper_ticket && m_sharper_bounds == bounds) {
        return;
    }
    if (!m_sharper) {
        m_sharper = std::make_unique<DecodeAhead>(m_make_service());
        m_sharper->set_display_profile(m_profile);
        m_sharper->set_answered(
            [this] { QMetaObject::invokeMethod(this, [this] { adopt_sharper(); }, Qt::QueuedConnection); });
    }
    m_sharper_bounds = bounds;
    m_sharper_ticket = m_sharper->request(m_path, bounds);
}

void QtFXImage::adopt_sharper()
{
    const DecodeAhead::Reply reply = m_sharper_ticket ? m_sharper->answer(m_sharper_ticket) : nullptr;
    if (!reply || !reply->result.ok() || m_content != Content::Picture) {
        return;
    }
    if (effect_running()) {
        // Swapped in once the transition has landed on its last frame.
        QTimer::singleShot(50, this, [this] { adopt_sharper(); });
        return;
    }
    if (reply->result.image.width() > m_picture.width()) {
        m_picture = reply->result.image;
        content_changed();
    }
}

void QtFXImage::set_band1_colour_a(int colour)
{
    m_frame_spec.first.colour_1 = media::PaletteColour(colour);
}

void QtFXImage::set_band1_colour_b(int colour)
{
    m_frame_spec.first.colour_2 = media::PaletteColour(colour);
}

void QtFXImage::set_band2_colour_a(int colour)
{
    m_frame_spec.second.colour_1 = media::PaletteColour(colour);
}

void QtFXImage::set_band2_colour_b(int colour)
{
    m_frame_spec.second.colour_2 = media::PaletteColour(colour);
}

void QtFXImage::set_outer_colour(int colour)
{
    m_frame_spec.line_colour = media::PaletteColour(colour);
}

void QtFXImage::set_snapshot_mode(core::SnapshotMode mode)
{
    switch (mode) {
    case core::SnapshotMode::Step2:
        m_picture = media::Image();
        m_content = Content::Nothing;
        break;
    case core::SnapshotMode::Step1:
        m_content = Content::Snapshot;
        break;
    case core::SnapshotMode::Capture: {
        const media::Image under = capture_under();
        m_snapshot = std::make_shared<const QtPictureObject>(WrapImage(under).copy());
        m_content = Content::Snapshot;
        content_changed();
        break;
    }
    }
}

void QtFXImage::empty_preview()
{
    m_path.clear();
    m_picture = media::Image();
    m_natural = {};
    m_content = Content::Nothing;
    finish_effect();
    content_changed();
}

media::Image QtFXImage::render_content(QSize size)
{
    const int w = std::max(0, size.width());
    const int h = std::max(0, size.height());
    media::Image out(w, h);
    if (w == 0 || h == 0) {
        return out;
    }
    if (m_content == Content::Snapshot && m_snapshot) {
        const QImage& shot = m_snapshot->image();
        if (shot.size() == size) {
            return ToImage(shot);
        }
        return media::ScaleImage(ToImage(shot), w, h);
    }
    if (m_content == Content::Nothing) {
        const QColor back = palette().color(QPalette::Window);
        std::fill(out.data(), out.data() + out.pixel_count(), back.rgb());
        return out;
    }
    // Frame sizes are in logical pixels; the picture is drawn in device
    // pixels.
    const media::FrameSpec frame = media::ScaledFrame(m_frame_spec, pixel_ratio());
    const media::PixelRect outer{0, 0, w, h};
    const media::PixelRect inner = media::FrameInnerRect(frame, outer);
    if (inner.width > 0 && inner.height > 0 && !m_picture.empty()) {
        if (m_size_mode == core::SizeMode::Stretch) {
            // A rectangle larger than the fitted decode in both directions
            // (a picture shown beyond the screen's size) gets a sharper one,
            // up to the picture's own size, from the decoding service; until
            // it is there the picture is drawn from the decode it has.
            if ((inner.width > m_picture.width() && inner.height > m_picture.height()) &&
                (m_picture.width() < m_natural.width || m_picture.height() < m_natural.height)) {
                request_sharper({inner.width, inner.height});
            }
            const media::Image scaled =
                m_picture.width() == inner.width && m_picture.height() == inner.height
                    ? m_picture
                    : media::ScaleImage(m_picture, inner.width, inner.height);
            for (int y = 0; y < inner.height; ++y) {
                copy_opaque(scaled.row(y), out.row(inner.top + y) + inner.left, inner.width);
            }
        } else {
            const int cw = std::min(inner.width, m_picture.width());
            const int ch = std::min(inner.height, m_picture.height());
            for (int y = 0; y < ch; ++y) {
                copy_opaque(m_picture.row(y), out.row(inner.top + y) + inner.left, cw);
            }
        }
    }
    media::DrawFrame(frame, outer, out);
    return out;
}

} // namespace framory::qt
