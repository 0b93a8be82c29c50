#include "win32/forms/frm_configuration.h"

#include "core/startup/helpers.h"
#include "core/startup/program.h"
#include "win32/platform/system_services.h"

namespace framory::win32 {

namespace {

enum : int { kCommand2 = 202, kCommand3 = 203, kCommand4 = 204, kCommand5 = 205, kCommand6 = 206, kCheck1 = 211 };

} // namespace

frmConfiguration::frmConfiguration(core::Program& program, core::SettingsStore& store, core::Shell& shell,
                                   core::ScreenMetrics& screen, core::EventPump& pump, HubActions actions)
    : m_program(program), m_screen(screen), m_pump(pump), m_actions(std::move(actions)),
      m_rules(program, *this, store, shell)
{
}

frmConfiguration::~frmConfiguration()
{
    if (m_window != nullptr && IsWindow(m_window)) {
        DestroyWindow(m_window);
    }
}

bool frmConfiguration::open()
{
    const Twips twips{static_cast<double>(m_program.twips_per_pixel_x), static_cast<double>(m_program.twips_per_pixel_y)};
    m_window = CreateDialogFrame("", 7125, 4200, twips, nullptr, *this);
    if (m_window == nullptr) {
        return false;
    }
    AddControl(m_window, "BUTTON", "", BS_GROUPBOX, -1, 5010, 0, 2055, 3735, twips);
    AddControl(m_window, "BUTTON", "Preview Screen Saver", WS_TABSTOP | BS_MULTILINE, kCommand6, 5130, 2310, 1815, 870,
               twips);
    m_check = AddControl(m_window, "BUTTON", "Display Filenames", WS_TABSTOP | BS_AUTOCHECKBOX, kCheck1, 5100, 3330,
                         1845, 315, twips);
    AddControl(m_window, "BUTTON", "Password", WS_TABSTOP, kCommand5, 1170, 3840, 1000, 300, twips);
    AddControl(m_window, "BUTTON", "Other Obelin Software Products", WS_TABSTOP, kCommand3, 2250, 3840, 2640, 300,
               twips);
    AddControl(m_window, "BUTTON", "Exit", WS_TABSTOP, kCommand4, 6060, 3840, 1000, 300, twips);
    Win32MovableWindow movable(m_window, m_screen);
    core::CenterForm(movable, m_screen, m_pump);
    m_rules.Form_Load();
    ShowWindow(m_window, SW_SHOW);
    SetForegroundWindow(m_window);
    return true;
}

bool frmConfiguration::display_filenames()
{
    return SendMessageA(m_check, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void frmConfiguration::set_display_filenames(bool checked)
{
    SendMessageA(m_check, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void frmConfiguration::set_title(const std::string& title)
{
    SetWindowTextA(m_window, title.c_str());
}

void frmConfiguration::show_show_modal()
{
    if (m_actions.show_preview) {
        m_actions.show_preview(m_window);
    }
}

void frmConfiguration::show_message(const std::string& title, const std::string& text)
{
    MessageBoxA(m_window, text.c_str(), title.c_str(), MB_OK);
}

void frmConfiguration::end_program()
{
    m_ended = true;
    PostQuitMessage(0);
}

LRESULT frmConfiguration::handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case kCommand6:
            m_rules.Command6_Click();
            break;
        case kCommand5:
            if (m_actions.change_password) {
                m_actions.change_password(window);
            }
            break;
        case kCommand3:
            m_rules.Command3_Click();
            break;
        case kCommand4:
        case IDCANCEL:
            DestroyWindow(window);
            break;
        default:
            break;
        }
        return 0;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        if (!m_ended) {
            m_rules.Form_Unload();
        }
        return 0;
    default:
        return DefWindowProcA(window, message, wparam, lparam);
    }
}

} // namespace framory::win32
