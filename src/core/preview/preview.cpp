// This folder: the preview mode's rules: the little picture drawn into the
// host's window.

#include "core/preview/preview.h"

#include "core/startup/program.h"

namespace framory::core {

Preview::Preview(Program& program, PreviewForm& form, PreviewWindows& windows)
    : m_program(program), m_form(form), m_windows(windows)
{
}

void Preview::Form_Load()
{
    m_form.hook_picture_box(kCloseMessage);

    const std::optional<HostRect> rect = m_windows.client_rect(m_program.host_window);
    if (rect) {
        m_host_rect = *rect;
        // The box covers the pane's whole client area; the picture inside
        // keeps its own size at the top-left.
        const double width = static_cast<double>(m_host_rect.right - m_host_rect.left) * m_program.twips_per_pixel_x;
        const double height = static_cast<double>(m_host_rect.bottom - m_host_rect.top) * m_program.twips_per_pixel_y;
        m_form.move_picture_box(0.0, 0.0, width, height);
        m_form.put_picture_box_into(m_program.host_window);
    }
    // A handle that names no window (0 when "/P" had no number) cannot take
    // the box, so the box stays in the hidden form, as a failed reparenting
    // would leave it. The flag still turns true: the first tick finds that
    // the host is no window and ends the program all the same.
    m_preview_attached = true;
    m_form.enable_timer();
}

void Preview::Msghook1_Message(std::int32_t message)
{
    if (message != kCloseMessage) {
        return;
    }
    // The pane is about to destroy its windows: the box leaves it first.
    m_form.return_picture_box();
    m_preview_attached = false;
}

void Preview::Timer1_Timer()
{
    if (m_unloaded) {
        return;
    }
    if (!m_windows.is_window(m_program.host_window) || !m_preview_attached) {
        m_unloaded = true;
        m_form.unload();
    }
}

} // namespace framory::core
