#include "win32/forms/frm_about.h"

#include "core/config_ui/about.h"
#include "win32/forms/artwork.h"

namespace framory::win32 {

namespace {

enum : int { kCommand1 = 201, kCommand2 = 202, kImage1 = 301, kLabel1 = 400 };

} // namespace

frmAbout::frmAbout(core::Shell& shell, core::ScreenMetrics& screen, core::EventPump& pump)
    : m_shell(shell), m_screen(screen), m_pump(pump)
{
}

frmAbout::~frmAbout()
{
    close();
}

bool frmAbout::create(HWND owner, const Twips& twips)
{
    if (!make_window(core::kAboutTitle, 4680, 2355, twips, owner)) {
        return false;
    }
    FormControls& c = controls();
    // The artwork fills its box inside a thin line.
    HWND image = c.add("Image1", "STATIC", "", SS_BITMAP | SS_CENTERIMAGE | WS_BORDER, kImage1, {90, 90, 2310, 1740});
    RECT inside{};
    GetClientRect(image, &inside);
    c.set_picture(image, ProductArtwork(inside.right, inside.bottom));
    for (const core::AboutLine& line : core::kAboutLines) {
        c.add("Label1_" + std::to_string(line.index), "STATIC", line.text, SS_CENTER | SS_NOPREFIX,
              kLabel1 + line.index, {double(line.left), double(line.top), double(line.width), double(line.height)},
              {Face::SansSerif, line.bold}, TextFit::Line);
    }
    for (const auto& [name, id, place] :
         {std::tuple{"Command2", kCommand2, Place{90, 1920, 3015, 345}},
          std::tuple{"Command1", kCommand1, Place{3270, 1920, 1275, 345}}}) {
        const core::ControlText text = core::FindControlText(core::kAboutButtons, name);
        HWND button = c.add(name, "BUTTON", text.caption, WS_TABSTOP | (id == kCommand1 ? BS_DEFPUSHBUTTON : 0), id,
                            place, {}, TextFit::Button);
        tooltips().add(button, text.tooltip);
    }
    finish(core::kAboutTabOrder);
    centre(m_screen, m_pump);
    return true;
}

LRESULT frmAbout::handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_COMMAND) {
        switch (LOWORD(wparam)) {
        case kCommand2:
            core::OpenMakerHomePage(m_shell);
            break;
        case IDOK:
            // Enter presses the button that has the focus, else "Ok".
            if (!PressFocusedButton(window)) {
                close();
            }
            break;
        case kCommand1:
        case IDCANCEL:
            close();
            break;
        default:
            break;
        }
        return 0;
    }
    return base_handle(window, message, wparam, lparam);
}

void ShowAboutBox(core::Shell& shell, core::ScreenMetrics& screen, core::EventPump& pump, HWND owner,
                  const Twips& twips)
{
    frmAbout about(shell, screen, pump);
    if (about.create(owner, twips)) {
        about.run_modal(owner);
    }
}

} // namespace framory::win32
