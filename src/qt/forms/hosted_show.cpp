#include "qt/forms/hosted_show.h"

#include "qt/platform/display_profile.h"

#include "core/startup/program.h"

#include <QCloseEvent>
#include <QGuiApplication>

#include <X11/Xlib.h>

namespace framory::qt {

namespace {

// The host is watched this often for a new size or its end.
constexpr int kHostWatchMs = 100;

int ignore_x_errors(Display*, XErrorEvent*)
{
    return 0;
}

} // namespace

HostedShowWindow::HostedShowWindow(core::Program& program, SoundOutput& sound, core::ShowServices services,
                                   std::uint32_t host)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), FXLabel3(this), FXImage2(this), FXImage1(this),
      FXLabel1(this), FXSnd1(sound), FXSnd2(sound),
      m_show(program, *this, core::ShowComponents{FXImage1, FXImage2, FXLabel1, FXLabel3, FXSnd1, FXSnd2}, services,
             core::ShowHost::Hosted),
      m_host(host)
{
    setObjectName(QStringLiteral("HostedShowWindow"));
    setWindowTitle(QStringLiteral("Framory"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    // The host owns the input: nothing here takes the keyboard.
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);

    Timer1.setInterval(100);
    connect(&Timer1, &QTimer::timeout, this, [this] { m_show.Timer1_Timer(); });
    connect(&Timer2, &QTimer::timeout, this, [this] { m_show.Timer2_Timer(); });
    m_host_watch.setInterval(kHostWatchMs);
    connect(&m_host_watch, &QTimer::timeout, this, &HostedShowWindow::watch_host);

    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        m_display = XOpenDisplay(nullptr);
    }
    if (m_display != nullptr && m_host == 0) {
        m_host = static_cast<std::uint32_t>(DefaultRootWindow(m_display));
    }
    const std::vector<std::uint8_t> profile = DisplayIccProfile(m_display);
    FXImage1.set_display_profile(profile);
    FXImage2.set_display_profile(profile);
}

HostedShowWindow::~HostedShowWindow()
{
    // The host's stand-in would take this window down with it: the window
    // leaves it first (into the hidden state it is in by now).
    if (QWindow* own = windowHandle(); own != nullptr && m_host_window && own->parent() == m_host_window.get()) {
        own->setParent(nullptr);
    }
    if (m_display != nullptr) {
        XCloseDisplay(m_display);
    }
}

std::optional<QSize> HostedShowWindow::host_size()
{
    if (m_display == nullptr || m_host == 0) {
        return std::nullopt;
    }
    const auto previous = XSetErrorHandler(ignore_x_errors);
    XWindowAttributes attributes{};
    const Status status = XGetWindowAttributes(m_display, m_host, &attributes);
    XSetErrorHandler(previous);
    if (status == 0) {
        return std::nullopt;
    }
    return QSize(attributes.width, attributes.height);
}

void HostedShowWindow::fit(QSize size)
{
    setGeometry(0, 0, size.width(), size.height());
    FXImage1.set_decode_bounds(size);
    FXImage2.set_decode_bounds(size);
    // The background and the snapshot cover the window, as the show's
    // activation placed them; the next picture is placed in the new size.
    FXImage2.move(0, 0, size.width(), size.height());
    FXLabel3.move(0, 0, size.width(), size.height());
}

bool HostedShowWindow::open()
{
    const std::optional<QSize> size = host_size();
    if (!size) {
        return false;
    }
    m_host_window.reset(QWindow::fromWinId(static_cast<WId>(m_host)));
    if (!m_host_window) {
        return false;
    }
    winId();
    windowHandle()->setParent(m_host_window.get());
    fit(*size);
    m_show.Form_Load();
    show();
    m_host_watch.start();
    return true;
}

void HostedShowWindow::watch_host()
{
    const std::optional<QSize> size = host_size();
    if (!size) {
        close(); // the host's window went away: the show ends
    } else if (*size != this->size()) {
        fit(*size);
        m_show.Form_Resize();
    }
}

void HostedShowWindow::start_timer2(int interval_ms)
{
    Timer2.setInterval(interval_ms);
    Timer2.start();
}

void HostedShowWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    QTimer::singleShot(0, this, [this] { m_show.Form_Activate(); });
}

void HostedShowWindow::closeEvent(QCloseEvent* event)
{
    if (!m_unloaded) {
        m_unloaded = true;
        m_host_watch.stop();
        Timer1.stop();
        Timer2.stop();
        m_show.Form_Unload();
    }
    event->accept();
}

} // namespace framory::qt
