#pragma once

#include "core/slideshow/show.h"
#include "qt/components/qt_fx_image.h"
#include "qt/components/qt_fx_label.h"
#include "qt/sound/qt_fx_snd.h"

#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cstdint>
#include <memory>

struct _XDisplay;

namespace framory::core {
struct Program;
}

namespace framory::qt {

// The show drawn into a window that another program owns (a screen-saver
// daemon's window, or the screen's root window): the same components and
// cycle as the full-screen show, placed inside that window at its size and
// following its resizes, with none of the show's own claims on the screen
// (no cover window, no grabs, no title of its own to find). It runs until
// the program is stopped or the window goes away.
class HostedShowWindow : public QWidget, public core::ShowWindow {
    Q_OBJECT

public:
    // The id 0 names the screen's root window.
    HostedShowWindow(core::Program& program, SoundOutput& sound, core::ShowServices services, std::uint32_t host);
    ~HostedShowWindow() override;
    HostedShowWindow(const HostedShowWindow&) = delete;
    HostedShowWindow& operator=(const HostedShowWindow&) = delete;

    // Puts the window into its host and starts the show; false when the id
    // names no window.
    bool open();

    // ShowWindow
    double inner_width() override { return width(); }
    double inner_height() override { return height(); }
    double left() override { return 0; }
    double top() override { return 0; }
    bool maximised() override { return true; } // always the host's size
    void maximise() override {}
    void bring_to_front() override { raise(); }
    void make_top_most() override {}
    void start_timer2(int interval_ms) override;
    void enable_timer1() override { Timer1.start(); }
    bool save_as_bitmap(const core::PictureObject&, const std::string&) override { return false; }
    void unload() override { close(); }

    QtFXLabel FXLabel3;
    QtFXImage FXImage2;
    QtFXImage FXImage1;
    QtFXLabel FXLabel1;
    QtFXSnd FXSnd1;
    QtFXSnd FXSnd2;
    QTimer Timer1;
    QTimer Timer2;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The host's size, or nothing when it is gone.
    std::optional<QSize> host_size();
    void fit(QSize size);
    void watch_host();

    core::ScreenSaverShow m_show;
    _XDisplay* m_display = nullptr; // a connection of its own, to ask about the host
    std::uint32_t m_host;
    std::unique_ptr<QWindow> m_host_window;
    QTimer m_host_watch;
    bool m_unloaded = false;
};

} // namespace framory::qt
