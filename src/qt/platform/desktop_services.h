#pragma once

#include "core/components/platform.h"

#include <cstdint>
#include <optional>
#include <string>

class QWidget;

namespace framory::qt {

// Which display the program runs on.
enum class DisplayKind {
    X11,       // a real X server
    Offscreen, // Qt's offscreen platform, chosen by the caller (tests)
    NoDisplay, // no display could be reached (not "None": Xlib defines that name)
};

// Whether an X server can be reached through $DISPLAY.
bool XServerReachable();

// Searches the X server's top-level windows by title (_NET_WM_NAME, then
// WM_NAME, through the whole window tree, since window managers reparent
// client windows). Without an X server it looks at this program's own
// windows and at the title locks other processes hold.
class DesktopWindowFinder : public core::WindowFinder {
public:
    explicit DesktopWindowFinder(DisplayKind display) : m_display(display) {}
    bool top_level_window_exists(const std::string& title) override;

private:
    DisplayKind m_display;
};

// Searches one X server for a window with the title. Windows that vanish
// during the search are passed over.
bool XWindowWithTitleExists(const std::string& title);

// The pointer's display count for the whole program: below 0 the pointer
// is blank over every window of the program.
class QtCursorService : public core::CursorService {
public:
    ~QtCursorService() override;
    int show_cursor(Request request) override;
    int count() const { return m_count; }

private:
    int m_count = 0;
    bool m_blank = false;
};

// Holds off the desktop's own screen saver while a show runs: the X
// server's saver through XScreenSaverSuspend, and the session's through
// org.freedesktop.ScreenSaver where a session bus offers it.
class DesktopSaverSystem : public core::SaverSystem {
public:
    explicit DesktopSaverSystem(DisplayKind display) : m_display(display) {}
    ~DesktopSaverSystem() override;
    void set_screen_saver_running(bool running, std::uint32_t& previous_state, std::uint32_t update_flags) override;
    void set_screen_saver_active(bool active, std::uint32_t& data, std::uint32_t update_flags) override;

private:
    void hold_off();
    void release();

    DisplayKind m_display;
    bool m_running = false;
    bool m_held = false;
    std::optional<std::uint32_t> m_inhibit_cookie;
};

class QtEventPump : public core::EventPump {
public:
    void process_pending() override;
    void run_while(const bool& running) override;
};

// The primary screen through Qt.
class QtScreenMetrics : public core::ScreenMetrics {
public:
    double twips_per_pixel_x() override;
    double twips_per_pixel_y() override;
    double screen_width_twips() override;
    double screen_height_twips() override;
};

// A widget seen as a window that can be centred, in twips.
class WidgetWindow : public core::MovableWindow {
public:
    WidgetWindow(QWidget& widget, core::ScreenMetrics& screen) : m_widget(widget), m_screen(screen) {}
    double width_twips() override;
    double height_twips() override;
    void move_to_twips(double left, double top) override;

private:
    QWidget& m_widget;
    core::ScreenMetrics& m_screen;
};

} // namespace framory::qt
