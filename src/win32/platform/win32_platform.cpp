#include "win32/platform/win32_platform.h"

#include "core/startup/program.h"
#include "win32/forms/frm_newpassword.h"

namespace framory::win32 {

void Win32ShowMessages::printer_problem()
{
    // Over the top-most show, so the box must be top-most too.
    MessageBoxA(GetActiveWindow(), core::kPrinterProblem, "Framory", MB_OK | MB_TOPMOST);
}

Win32Platform::Win32Platform()
    : m_random(m_clock), m_password_switch(m_registry), m_prompt(m_cursor, m_pump, m_screen),
      m_pictures(m_system.program_file_path()), m_forms(*this),
      m_startup{m_screen, m_system, m_windows, m_store, m_pump, m_forms}
{
}

core::ShowServices Win32Platform::show_services()
{
    return core::ShowServices{m_clock,     m_random,  m_lister,   m_cursor,   m_saver,
                              m_pump,      m_store,   m_password_switch,      m_prompt,
                              m_wallpaper, m_printer, m_messages, m_screen};
}

core::NewPasswordServices Win32Platform::new_password_services()
{
    return core::NewPasswordServices{m_keyboard, m_store, m_screen, m_pump};
}

std::unique_ptr<frmScreenSaver> Win32ModeForms::make_show(core::Program& program)
{
    return std::make_unique<frmScreenSaver>(program, m_platform.show_services(), m_platform.pictures(),
                                            m_platform.wallpaper());
}

bool Win32ModeForms::open_show(core::Program& program)
{
    m_show = make_show(program);
    if (!m_show->open()) {
        return false;
    }
    m_platform.prompt().set_owner(m_show->window());
    return true;
}

void Win32ModeForms::show_preview(core::Program& program, HWND owner)
{
    std::unique_ptr<frmScreenSaver> show = make_show(program);
    EnableWindow(owner, FALSE);
    if (show->open()) {
        m_platform.prompt().set_owner(show->window());
        MSG msg;
        while (!show->closed()) {
            const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
            if (got <= 0) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                break;
            }
            Win32EventPump::dispatch(msg);
        }
    }
    EnableWindow(owner, TRUE);
    SetForegroundWindow(owner);
}

bool Win32ModeForms::open_configuration(core::Program& program)
{
    HubServices services{m_platform.store(),
                         m_platform.shell(),
                         m_platform.screen(),
                         m_platform.pump(),
                         m_platform.pictures(),
                         [this, &program](HWND owner) { show_preview(program, owner); },
                         [this, &program](HWND owner) {
                             ShowNewPasswordDialog(program, m_platform.new_password_services(), owner);
                         }};
    m_configuration = std::make_unique<frmConfiguration>(program, std::move(services));
    return m_configuration->open();
}

bool Win32ModeForms::load_preview(core::Program& program)
{
    m_preview = std::make_unique<frmPreview>(program);
    return m_preview->load();
}

bool Win32ModeForms::open_hosted_show(core::Program&, const core::HostedRequest&)
{
    return false;
}

bool Win32ModeForms::open_change_password(core::Program& program)
{
    ShowNewPasswordDialog(program, m_platform.new_password_services(), nullptr);
    // The dialog was the program's only window.
    PostQuitMessage(0);
    return true;
}

} // namespace framory::win32
