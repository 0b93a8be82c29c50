#pragma once

#include "core/preview/preview.h"
#include "qt/platform/desktop_services.h"

#include <QAbstractNativeEventFilter>
#include <QFrame>
#include <QImage>
#include <QRect>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cstdint>
#include <functional>
#include <memory>
#include <set>

// Xlib's display type, kept out of the header's users.
struct _XDisplay;

namespace framory::core {
struct Program;
}

namespace framory::qt {

class DesktopPlatform;

// The built-in picture of the preview: a collage of small photographs with
// the product's name across the top and the maker's web address along the
// bottom, drawn the same on every run.
inline constexpr int kPreviewPictureWidth = 150;
inline constexpr int kPreviewPictureHeight = 112;
QImage BuiltInPreviewPicture();

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

// The X11 windows by id, asked through a connection of the preview's own,
// so that asking about a window that is gone is an answer, not an error of
// Qt's connection. Without an X server no id names a window.
class XPreviewWindows : public core::PreviewWindows {
public:
    XPreviewWindows();
    ~XPreviewWindows() override;
    XPreviewWindows(const XPreviewWindows&) = delete;
    XPreviewWindows& operator=(const XPreviewWindows&) = delete;

    std::optional<core::HostRect> client_rect(std::int32_t window) override;
    bool is_window(std::int32_t window) override;

    // The number of an atom, or 0 without an X server.
    std::uint32_t atom(const char* name);

private:
    _XDisplay* m_display = nullptr;
};

// Reports chosen messages of one window. On X11 the pane's way of asking a
// window of its own to close is the WM_DELETE_WINDOW client message; a pane
// may also destroy the window outright. Both are reported as the close
// message, the first before Qt would act on it.
class Msghook : public QAbstractNativeEventFilter {
public:
    Msghook();
    ~Msghook() override;
    Msghook(const Msghook&) = delete;
    Msghook& operator=(const Msghook&) = delete;

    // The atoms that make a close request: WM_PROTOCOLS with WM_DELETE_WINDOW.
    void set_close_request_atoms(std::uint32_t wm_protocols, std::uint32_t wm_delete_window)
    {
        m_wm_protocols = wm_protocols;
        m_wm_delete_window = wm_delete_window;
    }
    void set_window(WId window) { m_window = window; }
    void want_message(std::int32_t message) { m_wanted.insert(message); }
    void on_message(std::function<void(std::int32_t)> handler) { m_handler = std::move(handler); }
    // Whether the watched window was destroyed.
    bool window_destroyed() const { return m_destroyed; }

    bool nativeEventFilter(const QByteArray& event_type, void* message, qintptr* result) override;

private:
    void report(std::int32_t message);

    std::uint32_t m_wm_protocols = 0;
    std::uint32_t m_wm_delete_window = 0;
    WId m_window = 0;
    std::set<std::int32_t> m_wanted;
    std::function<void(std::int32_t)> m_handler;
    bool m_destroyed = false;
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
    XPreviewWindows m_windows;
    std::unique_ptr<QWindow> m_host;
    QRect m_box_geometry;
    core::Preview m_rules;
};

// Loads the preview window for "/P": its load step puts the picture into
// the window `program.host_window` names. False when no window can be made
// (no display).
bool LoadPreview(core::Program& program, DesktopPlatform& platform);

} // namespace framory::qt
