#include "qt/platform/desktop_services.h"

#include "qt/platform/title_lock.h"
#include "qt/platform/x_connection.h"

#include <QApplication>
#include <QCursor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

#include <cmath>
#include <vector>

namespace framory::qt {

namespace {

std::optional<std::string> window_title(Display* display, Window window, Atom net_wm_name, Atom utf8_string)
{
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, net_wm_name, 0, 1024, False, utf8_string, &type, &format, &items,
                           &remaining, &data) == Success &&
        data != nullptr) {
        std::string title(reinterpret_cast<const char*>(data), items);
        XFree(data);
        if (type == utf8_string && format == 8) {
            return title;
        }
    }
    char* name = nullptr;
    if (XFetchName(display, window, &name) != 0 && name != nullptr) {
        std::string title(name);
        XFree(name);
        return title;
    }
    return std::nullopt;
}

bool search_tree(Display* display, Window window, const std::string& title, Atom net_wm_name, Atom utf8_string,
                 int depth)
{
    if (const auto found = window_title(display, window, net_wm_name, utf8_string); found && *found == title) {
        return true;
    }
    // Client windows sit a few levels down under reparenting window
    // managers; deeper trees are the clients' own child windows.
    if (depth >= 4) {
        return false;
    }
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count) == 0) {
        return false;
    }
    std::vector<Window> list(children, children + count);
    if (children != nullptr) {
        XFree(children);
    }
    for (const Window child : list) {
        if (search_tree(display, child, title, net_wm_name, utf8_string, depth + 1)) {
            return true;
        }
    }
    return false;
}

} // namespace

bool XServerReachable()
{
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || name[0] == '\0') {
        return false;
    }
    const XConnection connection;
    return connection.get() != nullptr;
}

bool XWindowWithTitleExists(const std::string& title)
{
    // Windows can vanish between listing and asking; such errors are
    // expected during a search.
    const XConnection connection;
    Display* display = connection.get();
    bool found = false;
    connection.quietly([&] {
        const Atom net_wm_name = XInternAtom(display, "_NET_WM_NAME", False);
        const Atom utf8_string = XInternAtom(display, "UTF8_STRING", False);
        for (int screen = 0; screen < ScreenCount(display) && !found; ++screen) {
            found = search_tree(display, RootWindow(display, screen), title, net_wm_name, utf8_string, 0);
        }
    });
    return found;
}

bool DesktopWindowFinder::top_level_window_exists(const std::string& title)
{
    if (m_display == DisplayKind::X11) {
        return XWindowWithTitleExists(title);
    }
    const QString wanted = QString::fromLatin1(title.data(), static_cast<qsizetype>(title.size()));
    for (const QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->windowTitle() == wanted) {
            return true;
        }
    }
    return TitleLock::IsHeld(title);
}

QtCursorService::~QtCursorService()
{
    if (m_blank && qApp != nullptr) {
        QGuiApplication::restoreOverrideCursor();
    }
}

int QtCursorService::show_cursor(Request request)
{
    m_count += request == Request::Show ? 1 : -1;
    const bool blank = m_count < 0;
    if (blank != m_blank && qApp != nullptr) {
        if (blank) {
            QGuiApplication::setOverrideCursor(QCursor(Qt::BlankCursor));
        } else {
            QGuiApplication::restoreOverrideCursor();
        }
        m_blank = blank;
    }
    return m_count;
}

DesktopSaverSystem::~DesktopSaverSystem()
{
    release();
}

void DesktopSaverSystem::set_screen_saver_running(bool running, std::uint32_t& previous_state, std::uint32_t)
{
    previous_state = m_running ? 1u : 0u;
    m_running = running;
}

void DesktopSaverSystem::set_screen_saver_active(bool active, std::uint32_t&, std::uint32_t)
{
    // The desktop keeps no lasting "saver active" switch of ours to write
    // to the profile: holding off ends with the release or with the process.
    if (active) {
        release();
    } else {
        hold_off();
    }
}

namespace {

constexpr int kBusTimeoutMs = 500;

QDBusInterface* screen_saver_interface()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || bus.interface() == nullptr ||
        !bus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.ScreenSaver")).value()) {
        return nullptr;
    }
    auto* iface = new QDBusInterface(QStringLiteral("org.freedesktop.ScreenSaver"),
                                     QStringLiteral("/org/freedesktop/ScreenSaver"),
                                     QStringLiteral("org.freedesktop.ScreenSaver"), bus);
    iface->setTimeout(kBusTimeoutMs);
    return iface;
}

void suspend_x_saver(bool suspend)
{
    // Qt's own connection lasts as long as the program, which is what the
    // suspension is tied to.
    Display* display = QtXDisplay();
    if (display == nullptr) {
        return;
    }
    int event_base = 0;
    int error_base = 0;
    if (XScreenSaverQueryExtension(display, &event_base, &error_base) != 0) {
        XScreenSaverSuspend(display, suspend ? True : False);
        XFlush(display);
    }
}

} // namespace

void DesktopSaverSystem::hold_off()
{
    if (m_held) {
        return;
    }
    m_held = true;
    if (m_display == DisplayKind::X11) {
        suspend_x_saver(true);
    }
    if (QDBusInterface* iface = screen_saver_interface()) {
        const QDBusReply<uint> reply =
            iface->call(QStringLiteral("Inhibit"), QStringLiteral("Framory"), QStringLiteral("Showing pictures"));
        if (reply.isValid()) {
            m_inhibit_cookie = reply.value();
        }
        delete iface;
    }
}

void DesktopSaverSystem::release()
{
    if (!m_held) {
        return;
    }
    m_held = false;
    if (m_display == DisplayKind::X11) {
        suspend_x_saver(false);
    }
    if (m_inhibit_cookie) {
        if (QDBusInterface* iface = screen_saver_interface()) {
            iface->call(QStringLiteral("UnInhibit"), *m_inhibit_cookie);
            delete iface;
        }
        m_inhibit_cookie.reset();
    }
}

void QtEventPump::process_pending()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtEventPump::run_while(const bool& running)
{
    while (running) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

namespace {

QScreen* primary_screen()
{
    return QGuiApplication::primaryScreen();
}

double twips_per_pixel(double dots_per_inch)
{
    return dots_per_inch > 0.0 ? 1440.0 / dots_per_inch : 15.0;
}

} // namespace

double QtScreenMetrics::twips_per_pixel_x()
{
    const QScreen* screen = primary_screen();
    return twips_per_pixel(screen != nullptr ? screen->logicalDotsPerInchX() : 96.0);
}

double QtScreenMetrics::twips_per_pixel_y()
{
    const QScreen* screen = primary_screen();
    return twips_per_pixel(screen != nullptr ? screen->logicalDotsPerInchY() : 96.0);
}

double QtScreenMetrics::screen_width_twips()
{
    const QScreen* screen = primary_screen();
    return (screen != nullptr ? screen->geometry().width() : 0) * twips_per_pixel_x();
}

double QtScreenMetrics::screen_height_twips()
{
    const QScreen* screen = primary_screen();
    return (screen != nullptr ? screen->geometry().height() : 0) * twips_per_pixel_y();
}

double WidgetWindow::width_twips()
{
    return m_widget.frameGeometry().width() * m_screen.twips_per_pixel_x();
}

double WidgetWindow::height_twips()
{
    return m_widget.frameGeometry().height() * m_screen.twips_per_pixel_y();
}

namespace {

// Centres a window again by its outer frame once the window manager has
// put the frame around it. Before the window is shown the frame is not
// known, so centring at load time measures the inside only and the frame
// would push the window down and to the right of the centre.
class CentreByFrame : public QObject {
public:
    static constexpr const char* kName = "CentreByFrame";

    explicit CentreByFrame(QWidget& window) : QObject(&window), m_window(window)
    {
        setObjectName(QLatin1String(kName));
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Move:
        case QEvent::Resize:
            // The frame arrives with one of these, or a moment after them.
            QTimer::singleShot(0, this, [this] { centre_once_framed(); });
            break;
        case QEvent::Hide:
            deleteLater();
            break;
        default:
            break;
        }
        return false;
    }

private:
    void centre_once_framed()
    {
        const QRect outer = m_window.frameGeometry();
        if (m_done || !m_window.isVisible() || outer.size() == m_window.size()) {
            return;
        }
        m_done = true;
        const QScreen* screen = m_window.screen() != nullptr ? m_window.screen() : primary_screen();
        if (screen != nullptr) {
            const QRect area = screen->geometry();
            // A window's position is its frame's top-left corner.
            m_window.move(area.left() + (area.width() - outer.width()) / 2,
                          area.top() + (area.height() - outer.height()) / 2);
        }
        deleteLater();
    }

    QWidget& m_window;
    bool m_done = false;
};

} // namespace

void WidgetWindow::move_to_twips(double left, double top)
{
    const QScreen* screen = m_widget.screen() != nullptr ? m_widget.screen() : primary_screen();
    const QPoint origin = screen != nullptr ? screen->geometry().topLeft() : QPoint();
    m_widget.move(origin.x() + static_cast<int>(std::lround(left / m_screen.twips_per_pixel_x())),
                  origin.y() + static_cast<int>(std::lround(top / m_screen.twips_per_pixel_y())));
    if (m_widget.isWindow() && !m_widget.isVisible() && m_widget.findChild<QObject*>(QLatin1String(CentreByFrame::kName), Qt::FindDirectChildrenOnly) == nullptr) {
        new CentreByFrame(m_widget);
    }
}

} // namespace framory::qt
