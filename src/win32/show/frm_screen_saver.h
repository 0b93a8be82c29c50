#pragma once

// The full-screen show window.

#include "core/slideshow/show.h"
#include "win32/platform/desktop_output.h"
#include "win32/platform/mci_sound.h"
#include "win32/show/dialog_window.h"
#include "win32/show/fx_components.h"
#include "win32/show/layers.h"
#include "win32/show/monitor_covers.h"

#include <functional>

namespace framory::win32 {

// frmScreenSaver: a borderless popup titled "screen saver running" that
// covers the primary screen, top-most unless it runs as the configuration
// dialog's preview; as the screen saver, black covers just below it take
// every other monitor, and input on them is input on this window. Its components are layers of the window (background,
// snapshot, picture, caption, bottom to top); Timer1 and Timer2 are timers
// of the window; every window event is handed to the show's rules.
class frmScreenSaver : public core::ShowWindow, public WindowHandler {
public:
    frmScreenSaver(core::Program& program, core::ShowServices services, PictureSource& pictures,
                   WallpaperFile& wallpaper);
    ~frmScreenSaver() override;
    frmScreenSaver(const frmScreenSaver&) = delete;
    frmScreenSaver& operator=(const frmScreenSaver&) = delete;

    // Creates the window, runs its load step, shows it and activates it.
    // False when the window could not be created.
    bool open();
    HWND window() const { return m_window; }
    bool closed() const { return m_unloaded; }
    // Called once the window has unloaded.
    void set_unloaded_handler(std::function<void()> handler) { m_on_unloaded = std::move(handler); }

    // ShowWindow
    double inner_width() override;
    double inner_height() override;
    double left() override;
    double top() override;
    bool maximised() override;
    void maximise() override;
    void bring_to_front() override;
    void make_top_most() override;
    void start_timer2(int interval_ms) override;
    void enable_timer1() override;
    bool save_as_bitmap(const core::PictureObject& picture, const std::string& path) override;
    void unload() override;

    LRESULT handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override;

    Win32FXImage& picture() { return FXImage1; }
    Win32FXLabel& caption() { return FXLabel1; }

private:
    static RECT screen_rect();
    void mouse_event(UINT message, LPARAM lparam);
    void cover_input(UINT message);
    void follow_primary_screen();
    void unloaded();

    core::Program& m_program;
    WallpaperFile& m_wallpaper;
    HWND m_window = nullptr;
    LayerHost m_layers;
    Win32FXLabel FXLabel3;
    Win32FXImage FXImage2;
    Win32FXImage FXImage1;
    Win32FXLabel FXLabel1;
    MciSound FXSnd1;
    MciSound FXSnd2;
    core::ScreenSaverShow m_show;
    MonitorCovers m_covers;
    bool m_unloaded = false;
    std::function<void()> m_on_unloaded;
};

} // namespace framory::win32
