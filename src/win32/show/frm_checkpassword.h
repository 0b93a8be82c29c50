#pragma once

// The password prompt that guards the end of the show.

#include "core/password/check_password.h"
#include "core/slideshow/show.h"
#include "win32/show/dialog_window.h"

namespace framory::win32 {

// frm_checkpassword: a small dialog over the show window, top-most unless
// the show is the configuration dialog's preview, closed by the right
// password, Cancel (or Escape) or its 20-second timer.
class Win32PasswordPrompt : public core::PasswordPrompt {
public:
    Win32PasswordPrompt(core::CursorService& cursor, core::EventPump& pump, core::ScreenMetrics& screen)
        : m_cursor(cursor), m_pump(pump), m_screen(screen)
    {
    }
    // The window the prompt is shown over (the show window).
    void set_owner(HWND owner) { m_owner = owner; }
    void show_modal(core::Program& program) override;

private:
    core::CursorService& m_cursor;
    core::EventPump& m_pump;
    core::ScreenMetrics& m_screen;
    HWND m_owner = nullptr;
};

} // namespace framory::win32
