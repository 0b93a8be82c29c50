#pragma once

#include "qt/platform/x_watch_connection.h"

#include <QRect>
#include <QTimer>
#include <QWindow>

#include <functional>
#include <memory>
#include <vector>

namespace framory::qt {

// The monitors of the X server as RandR lists them (its monitors, which
// `xrandr --setmonitor` may split or join, else its active outputs), or the
// whole screen where RandR is missing. Empty without an X server.
std::vector<QRect> ListMonitors(_XDisplay* display);

// A black, borderless window over one monitor, out of the window manager's
// reach, with the pointer blank over it. It takes no keyboard focus; its
// clicks, mouse moves and close requests go to `input`.
class CoverWindow : public QWindow {
public:
    CoverWindow(const QRect& area, std::function<void(QEvent::Type)> input);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    std::function<void(QEvent::Type)> m_input;
};

// One cover window on every monitor, following monitors that come, go or
// change size (RandR's notices, and a look four times a second for the
// changes no notice tells). A new cover's window is handed to `place` before it is
// mapped; `changed` runs after the covers changed.
class MonitorCovers : public QObject {
    Q_OBJECT

public:
    MonitorCovers(std::function<void(QEvent::Type)> input, std::function<void(unsigned long)> place,
                  std::function<void()> changed, QObject* parent = nullptr);
    ~MonitorCovers() override;

    void start();
    void stop();
    void update();

    std::vector<unsigned long> windows() const;

private:
    std::function<void(QEvent::Type)> m_input;
    std::function<void(unsigned long)> m_place;
    std::function<void()> m_changed;
    XWatchConnection m_x;
    int m_randr_event_base = -1;
    std::vector<QRect> m_monitors;
    std::vector<std::unique_ptr<CoverWindow>> m_covers;
    QTimer m_poll;
};

} // namespace framory::qt
