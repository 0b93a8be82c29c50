#pragma once

#include "core/preview/preview.h"
#include "qt/platform/host_window.h"
#include "qt/platform/message_hook.h"

#include <QFrame>
#include <QImage>
#include <QRect>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cstdint>
#include <memory>

namespace framory::core {
struct Program;
}

namespace framory::qt {

class FormServices;

// The width of the picture box's sunken border, in pixels.
inline constexpr int kPictureBoxBorder = 2;

// A picture box with a border: its picture is drawn at its own size at the
// top-left inside the border, never stretched, and clipped when the box is
// smaller.
class PictureBox : public QFrame {
    Q_OBJECT

public:
    explicit PictureBox(QWidget* parent = nullptr);
    void set_picture(const QImage& picture);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
};

// The preview window: never shown itself; its picture box goes into the
// host's pane and the watch ends the program when the pane goes away.
class frm_preview : public QWidget, public core::PreviewForm {
    Q_OBJECT

public:
    explicit frm_preview(core::Program& program, QWidget* parent = nullptr);
    ~frm_preview() override;

    PictureBox Picture1;
    QTimer Timer1;
    Msghook Msghook1;

    // Runs the load step.
    void load() { m_rules.Form_Load(); }
    const core::Preview& rules() const { return m_rules; }

    // PreviewForm
    void hook_picture_box(std::int32_t wanted_message) override;
    void move_picture_box(double left, double top, double width, double height) override;
    void put_picture_box_into(std::int32_t host_window) override;
    void return_picture_box() override;
    void enable_timer() override;
    void unload() override;

private:
    core::Program& m_program;
    XHostWindows m_windows;
    std::unique_ptr<QWindow> m_host;
    QRect m_box_geometry;
    core::Preview m_rules;
};

// Loads the preview window for "/P": its load step puts the picture into
// the window `program.host_window` names. False when no window can be made
// (no display).
bool LoadPreview(core::Program& program, FormServices& platform);

} // namespace framory::qt
