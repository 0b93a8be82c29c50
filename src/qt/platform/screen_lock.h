#pragma once

#include "qt/platform/input_grab.h"
#include "qt/platform/monitor_covers.h"
#include "qt/platform/stay_on_top.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <vector>

namespace framory::qt {

// What makes a running show a lock on an X11 desktop: its windows are out
// of the window manager's reach (override-redirect) and above every other
// window, every monitor is covered, and the keyboard and pointer are
// grabbed for the show. Windows that open over the show while it runs (the
// password prompt, its message, the printer message) are taken in: they
// are raised above the show and get the keyboard while they are up.
//
// A show that is not locked (the configuration dialog's test run, a show
// drawn into another program's window, a platform other than X11) simply
// never engages it; then adopting a window does nothing.
class ScreenLock : public QObject {
    Q_OBJECT

public:
    explicit ScreenLock(bool x11, QObject* parent = nullptr);
    ~ScreenLock() override;

    // Window flags for a window that stays out of the window manager's reach.
    static constexpr Qt::WindowFlags kFlags = Qt::X11BypassWindowManagerHint | Qt::WindowStaysOnTopHint;

    bool available() const { return m_x11; }
    bool engaged() const { return !m_show.isNull(); }

    // Locks the screen for the show window, which was made with kFlags.
    // Clicks, moves and close requests on the covers of the monitors go to
    // `cover_input`.
    void engage(QWidget& show, std::function<void(QEvent::Type)> cover_input);
    // Lets go of everything; the show is ending.
    void release();

    // Takes in a window that opens over the locked show; call it before the
    // window is shown. It is let go when it hides or is destroyed, and the
    // keyboard goes back to the window below it.
    void adopt(QWidget& window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void restack();
    void give_keyboard();

    bool m_x11;
    QPointer<QWidget> m_show;
    std::vector<QPointer<QWidget>> m_adopted;
    InputGrab m_grab;
    // Made when the lock engages, so no other mode opens X connections.
    std::unique_ptr<StayOnTop> m_on_top;
    std::unique_ptr<MonitorCovers> m_covers;
};

} // namespace framory::qt
