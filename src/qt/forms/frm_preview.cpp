#include "qt/forms/frm_preview.h"

#include "core/startup/program.h"
#include "qt/platform/desktop_platform.h"

#include <QCoreApplication>
#include <QFont>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <X11/Xlib.h>
#include <xcb/xproto.h>

#include <cmath>

namespace framory::qt {

namespace {

// ---------------------------------------------------------------------------
// The built-in picture. It is drawn in code rather than shipped as a file, so
// the preview shows it even from a program copied on its own. Each
// photograph of the collage is a small scene of its own, framed in white.

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

// ---------------------------------------------------------------------------

int ignore_x_errors(Display*, XErrorEvent*)
{
    return 0;
}

// X window ids are unsigned and never have the top bits set; a negative
// handle, or 0, names no window.
std::optional<Window> window_id(std::int32_t handle)
{
    if (handle <= 0) {
        return std::nullopt;
    }
    return static_cast<Window>(static_cast<std::uint32_t>(handle));
}

std::optional<XWindowAttributes> window_attributes(Display* display, std::int32_t handle)
{
    const std::optional<Window> id = window_id(handle);
    if (display == nullptr || !id) {
        return std::nullopt;
    }
    const auto previous = XSetErrorHandler(ignore_x_errors);
    XWindowAttributes attributes{};
    const Status status = XGetWindowAttributes(display, *id, &attributes);
    XSetErrorHandler(previous);
    if (status == 0) {
        return std::nullopt;
    }
    return attributes;
}

} // namespace

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

PictureBox::PictureBox(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(kPictureBoxBorder);
    setAutoFillBackground(true);
}

void PictureBox::set_picture(const QImage& picture)
{
    m_picture = picture;
    update();
}

void PictureBox::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    QPainter p(this);
    const QRect inside = contentsRect();
    p.setClipRect(inside);
    p.drawImage(inside.topLeft(), m_picture);
}

XPreviewWindows::XPreviewWindows()
{
    // Only an X server has windows to embed into; Qt's other platforms
    // (offscreen) leave every handle naming no window.
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        m_display = XOpenDisplay(nullptr);
    }
}

XPreviewWindows::~XPreviewWindows()
{
    if (m_display != nullptr) {
        XCloseDisplay(m_display);
    }
}

std::optional<core::HostRect> XPreviewWindows::client_rect(std::int32_t window)
{
    const auto attributes = window_attributes(m_display, window);
    if (!attributes) {
        return std::nullopt;
    }
    // An X window's inside is all client area: its border lies outside it.
    return core::HostRect{0, 0, attributes->width, attributes->height};
}

bool XPreviewWindows::is_window(std::int32_t window)
{
    return window_attributes(m_display, window).has_value();
}

std::uint32_t XPreviewWindows::atom(const char* name)
{
    if (m_display == nullptr) {
        return 0;
    }
    return static_cast<std::uint32_t>(XInternAtom(m_display, name, False));
}

Msghook::Msghook()
{
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
}

Msghook::~Msghook()
{
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeNativeEventFilter(this);
    }
}

void Msghook::report(std::int32_t message)
{
    if (m_wanted.count(message) != 0 && m_handler) {
        m_handler(message);
    }
}

bool Msghook::nativeEventFilter(const QByteArray& event_type, void* message, qintptr*)
{
    if (m_window == 0 || event_type != "xcb_generic_event_t") {
        return false;
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7f) {
    case XCB_CLIENT_MESSAGE: {
        const auto* client = static_cast<const xcb_client_message_event_t*>(message);
        if (client->window == m_window && client->format == 32 && m_wm_protocols != 0 &&
            client->type == m_wm_protocols && client->data.data32[0] == m_wm_delete_window) {
            report(core::kCloseMessage);
            // The request is the preview's to answer; Qt must not close the
            // box on its own.
            return true;
        }
        return false;
    }
    case XCB_DESTROY_NOTIFY: {
        const auto* destroyed = static_cast<const xcb_destroy_notify_event_t*>(message);
        if (destroyed->window == m_window) {
            // Destroyed with its pane, or by the pane on its own: either
            // way the box has left the pane for good.
            m_destroyed = true;
            report(core::kCloseMessage);
        }
        return false;
    }
    default:
        return false;
    }
}

frm_preview::frm_preview(core::Program& program, QWidget* parent)
    : QWidget(parent), m_program(program), m_rules(program, *this, m_windows)
{
    setObjectName(QStringLiteral("frm_preview"));
    Picture1.setObjectName(QStringLiteral("Picture1"));
    Timer1.setObjectName(QStringLiteral("Timer1"));
    Picture1.set_picture(BuiltInPreviewPicture());
    Picture1.setWindowFlag(Qt::FramelessWindowHint);

    // A precise timer keeps the watch's 50 ms beat instead of letting Qt
    // shift it to save wake-ups.
    Timer1.setTimerType(Qt::PreciseTimer);
    Timer1.setInterval(core::kPreviewWatchIntervalMs);
    connect(&Timer1, &QTimer::timeout, this, [this] { m_rules.Timer1_Timer(); });

    Msghook1.set_close_request_atoms(m_windows.atom("WM_PROTOCOLS"), m_windows.atom("WM_DELETE_WINDOW"));
    Msghook1.on_message([this](std::int32_t message) { m_rules.Msghook1_Message(message); });
}

frm_preview::~frm_preview() = default;

void frm_preview::hook_picture_box(std::int32_t wanted_message)
{
    Msghook1.set_window(Picture1.winId());
    Msghook1.want_message(wanted_message);
}

void frm_preview::move_picture_box(double left, double top, double width, double height)
{
    const double tppx = m_program.twips_per_pixel_x;
    const double tppy = m_program.twips_per_pixel_y;
    m_box_geometry = QRect(static_cast<int>(std::lround(left / tppx)), static_cast<int>(std::lround(top / tppy)),
                           static_cast<int>(std::lround(width / tppx)), static_cast<int>(std::lround(height / tppy)));
    Picture1.setGeometry(m_box_geometry);
}

void frm_preview::put_picture_box_into(std::int32_t host_window)
{
    const std::optional<Window> id = window_id(host_window);
    if (!id) {
        return;
    }
    m_host.reset(QWindow::fromWinId(static_cast<WId>(*id)));
    if (!m_host) {
        return;
    }
    Picture1.windowHandle()->setParent(m_host.get());
    // The place is relative to the new parent now.
    Picture1.setGeometry(m_box_geometry);
    Picture1.show();
}

void frm_preview::return_picture_box()
{
    if (Msghook1.window_destroyed()) {
        return; // nothing is left to move
    }
    // The form's own window is never shown, so the box disappears with it.
    winId();
    Picture1.windowHandle()->setParent(windowHandle());
}

void frm_preview::enable_timer()
{
    Timer1.start();
}

void frm_preview::unload()
{
    Timer1.stop();
    // A box back in the form hands its window to Qt's keeping again, so
    // that it is not owned twice when the program's windows are torn down.
    // A box destroyed with its pane has no window left to move.
    if (!Msghook1.window_destroyed() && Picture1.windowHandle() != nullptr &&
        Picture1.windowHandle()->parent() == windowHandle() && windowHandle() != nullptr) {
        Picture1.hide();
        Picture1.windowHandle()->setParent(nullptr);
    }
    close();
    // The preview is the program's only window: closing it ends the run.
    QCoreApplication::exit(0);
}

bool LoadPreview(core::Program& program, DesktopPlatform& platform)
{
    // Without a display there is nothing to show the picture on.
    if (platform.display() == DisplayKind::NoDisplay) {
        return false;
    }
    // The form lives until the program ends.
    auto* form = new frm_preview(program);
    form->load();
    return true;
}

} // namespace framory::qt
