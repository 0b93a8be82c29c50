#include "qt/platform/monitor_covers.h"

#include <QCloseEvent>
#include <QCursor>

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

namespace framory::qt {

namespace {

// The X server sends no notice when monitors are split or joined
// (`xrandr --setmonitor`), so they are looked at four times a second.
constexpr int kPollMs = 250;

} // namespace

std::vector<QRect> ListMonitors(Display* display)
{
    std::vector<QRect> monitors;
    if (display == nullptr) {
        return monitors;
    }
    const Window root = DefaultRootWindow(display);
    int event_base = 0;
    int error_base = 0;
    int major = 0;
    int minor = 0;
    if (XRRQueryExtension(display, &event_base, &error_base) != 0 && XRRQueryVersion(display, &major, &minor) != 0 &&
        (major > 1 || (major == 1 && minor >= 5))) {
        int count = 0;
        if (XRRMonitorInfo* list = XRRGetMonitors(display, root, True, &count)) {
            for (int i = 0; i < count; ++i) {
                monitors.emplace_back(list[i].x, list[i].y, list[i].width, list[i].height);
            }
            XRRFreeMonitors(list);
        }
    }
    if (monitors.empty()) {
        const int screen = DefaultScreen(display);
        monitors.emplace_back(0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen));
    }
    return monitors;
}

CoverWindow::CoverWindow(const QRect& area, std::function<void(QEvent::Type)> input) : m_input(std::move(input))
{
    setFlags(Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint | Qt::WindowStaysOnTopHint |
             Qt::WindowDoesNotAcceptFocus);
    setTitle(QStringLiteral("Framory monitor cover"));
    setGeometry(area);
    setCursor(QCursor(Qt::BlankCursor));
    create();
    // The server paints the window black itself, so nothing of what lay
    // below shows and no picture of the window's size is ever held here.
    if (Display* display = QtXDisplay()) {
        XSetWindowBackground(display, winId(), BlackPixel(display, DefaultScreen(display)));
        XFlush(display);
    }
}

void CoverWindow::mousePressEvent(QMouseEvent*)
{
    m_input(QEvent::MouseButtonPress);
}

void CoverWindow::mouseReleaseEvent(QMouseEvent*)
{
    m_input(QEvent::MouseButtonRelease);
}

void CoverWindow::mouseDoubleClickEvent(QMouseEvent*)
{
    m_input(QEvent::MouseButtonDblClick);
}

void CoverWindow::mouseMoveEvent(QMouseEvent*)
{
    m_input(QEvent::MouseMove);
}

void CoverWindow::closeEvent(QCloseEvent* event)
{
    // A cover is part of the show: closing it from outside asks the show
    // to end, and the cover stays until it does.
    event->ignore();
    m_input(QEvent::Close);
}

MonitorCovers::MonitorCovers(std::function<void(QEvent::Type)> input, std::function<void(unsigned long)> place,
                             std::function<void()> changed, QObject* parent)
    : QObject(parent), m_input(std::move(input)), m_place(std::move(place)), m_changed(std::move(changed)),
      m_x([this](XEvent& event) {
          if (m_randr_event_base >= 0 && event.type >= m_randr_event_base &&
              event.type <= m_randr_event_base + RRNotify) {
              update();
          }
      })
{
    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, &MonitorCovers::update);
}

MonitorCovers::~MonitorCovers() = default;

void MonitorCovers::start()
{
    Display* display = m_x.display();
    int error_base = 0;
    if (display != nullptr && XRRQueryExtension(display, &m_randr_event_base, &error_base) != 0) {
        XRRSelectInput(display, DefaultRootWindow(display),
                       RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
        XFlush(display);
    }
    m_poll.start();
    update();
}

void MonitorCovers::stop()
{
    m_poll.stop();
    if (Display* display = m_x.display(); display != nullptr && m_randr_event_base >= 0) {
        XRRSelectInput(display, DefaultRootWindow(display), 0);
        XFlush(display);
    }
    m_covers.clear();
    m_monitors.clear();
}

void MonitorCovers::update()
{
    std::vector<QRect> monitors;
    m_x.quietly([&] { monitors = ListMonitors(m_x.display()); });
    if (monitors == m_monitors) {
        return;
    }
    m_monitors = monitors;
    // Covers that still fit a monitor stay; the others go, and every
    // monitor left without one gets a new one.
    std::vector<std::unique_ptr<CoverWindow>> kept;
    for (auto& cover : m_covers) {
        const auto same = std::find(monitors.begin(), monitors.end(), cover->geometry());
        if (same != monitors.end()) {
            monitors.erase(same);
            kept.push_back(std::move(cover));
        }
    }
    m_covers = std::move(kept);
    for (const QRect& area : monitors) {
        auto cover = std::make_unique<CoverWindow>(area, m_input);
        m_place(cover->winId());
        cover->show();
        m_covers.push_back(std::move(cover));
    }
    m_changed();
}

std::vector<unsigned long> MonitorCovers::windows() const
{
    std::vector<unsigned long> ids;
    for (const auto& cover : m_covers) {
        ids.push_back(cover->winId());
    }
    return ids;
}

} // namespace framory::qt
