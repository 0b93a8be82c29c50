#pragma once

// The about box.

#include "core/components/platform.h"
#include "win32/forms/form_kit.h"

namespace framory::win32 {

// frm_about: the artwork, six centred lines about the product and its
// maker, "Want more screen savers? Click Here!" to the maker's home page
// and "Ok". The close box and Escape act as "Ok".
class frmAbout : public ConfigForm {
public:
    frmAbout(core::Shell& shell, core::ScreenMetrics& screen, core::EventPump& pump);
    ~frmAbout() override;

    bool create(HWND owner, const Twips& twips);

    LRESULT handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override;

private:
    core::Shell& m_shell;
    core::ScreenMetrics& m_screen;
    core::EventPump& m_pump;
};

// Shows the about box modally over `owner` and returns when it has closed.
void ShowAboutBox(core::Shell& shell, core::ScreenMetrics& screen, core::EventPump& pump, HWND owner,
                  const Twips& twips);

} // namespace framory::win32
