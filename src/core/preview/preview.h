#pragma once

#include <cstdint>
#include <optional>

namespace framory::core {

struct Program;

// A window's client area in pixels: left, top, right, bottom.
struct HostRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    bool operator==(const HostRect&) const = default;
};

// The message a pane sends to ask a window of its own to close.
inline constexpr std::int32_t kCloseMessage = 16;

// The preview's watch interval.
inline constexpr int kPreviewWatchIntervalMs = 50;

// The system's windows as the preview asks about them, by handle.
class PreviewWindows {
public:
    virtual ~PreviewWindows() = default;
    // The window's client area in pixels, or nothing when the handle names
    // no window.
    virtual std::optional<HostRect> client_rect(std::int32_t window) = 0;
    // Whether the handle still names a window.
    virtual bool is_window(std::int32_t window) = 0;
};

// The preview form's controls as the preview's rules use them.
class PreviewForm {
public:
    virtual ~PreviewForm() = default;
    // Points the message hook at the picture box's window and marks one
    // message number as wanted; the form then reports that message through
    // Preview::Msghook1_Message.
    virtual void hook_picture_box(std::int32_t wanted_message) = 0;
    // Moves and sizes the picture box within its parent, in twips.
    virtual void move_picture_box(double left, double top, double width, double height) = 0;
    // Makes the picture box's window a child of the host window.
    virtual void put_picture_box_into(std::int32_t host_window) = 0;
    // Makes the picture box's window a child of the form's own, hidden,
    // window again.
    virtual void return_picture_box() = 0;
    // Starts the watch timer, which calls Preview::Timer1_Timer.
    virtual void enable_timer() = 0;
    // Closes the form; as the program's only window, that ends the program.
    virtual void unload() = 0;
};

// The preview's rules: the built-in picture sits in the host's pane until
// the pane goes away or asks the picture to close, and the watch then ends
// the program. Nothing of the settings is written in this mode.
class Preview {
public:
    Preview(Program& program, PreviewForm& form, PreviewWindows& windows);

    void Form_Load();
    // The hook's event; only the message number is read.
    void Msghook1_Message(std::int32_t message);
    void Timer1_Timer();

    bool preview_attached() const { return m_preview_attached; }
    const HostRect& host_rect() const { return m_host_rect; }
    bool unloaded() const { return m_unloaded; }

private:
    Program& m_program;
    PreviewForm& m_form;
    PreviewWindows& m_windows;
    HostRect m_host_rect;
    bool m_preview_attached = false;
    bool m_unloaded = false;
};

} // namespace framory::core
