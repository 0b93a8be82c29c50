#pragma once

#include "core/slideshow/show.h"
#include "qt/components/qt_fx_image.h"
#include "qt/components/qt_fx_label.h"
#include "qt/sound/qt_fx_snd.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <cmath>

namespace framory::core {
struct Program;
}

namespace framory::qt {

class ScreenLock;
class TitleLock;

// The full-screen show window: black, frameless, covering the primary
// monitor and kept above other windows unless it runs as the configuration
// dialog's preview. Given a screen lock, a real show also locks the screen
// with it while it runs. It lays out the components, runs the two timers
// and hands every event to the show's rules. The window measures in device
// pixels.
class frmScreenSaver : public QWidget, public core::ShowWindow {
    Q_OBJECT

public:
    frmScreenSaver(core::Program& program, SoundOutput& sound, core::ShowServices services,
                   ScreenLock* lock = nullptr);
    ~frmScreenSaver() override;

    // Loads the show and opens the window over the whole screen.
    void open();

    core::ScreenSaverShow& show_rules() { return m_show; }

    // ShowWindow
    // The window measures in device pixels, so pictures are placed and drawn
    // at the screen's own resolution whatever its device pixel ratio.
    double inner_width() override { return std::round(width() * devicePixelRatioF()); }
    double inner_height() override { return std::round(height() * devicePixelRatioF()); }
    double left() override { return 0; }
    double top() override { return 0; }
    bool maximised() override;
    void maximise() override;
    void bring_to_front() override;
    void make_top_most() override;
    void start_timer2(int interval_ms) override;
    void enable_timer1() override;
    bool save_as_bitmap(const core::PictureObject& picture, const std::string& path) override;
    void unload() override;

    // The components, stacked from the bottom up as the show needs them.
    QtFXLabel FXLabel3;
    QtFXImage FXImage2;
    QtFXImage FXImage1;
    QtFXLabel FXLabel1;
    QtFXSnd FXSnd1;
    QtFXSnd FXSnd2;
    QTimer Timer1;
    QTimer Timer2;

signals:
    void unloaded();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QRect screen_area() const;
    void follow_primary_screen();
    void cover_input(QEvent::Type type);
    QSize device_size(QSize logical) const;

    core::Program& m_program;
    core::ScreenSaverShow m_show;
    ScreenLock* m_lock;
    std::unique_ptr<TitleLock> m_title_lock;
    bool m_unloaded = false;
};

} // namespace framory::qt
