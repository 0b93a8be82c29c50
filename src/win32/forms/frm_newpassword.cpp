#include "win32/forms/frm_newpassword.h"

#include "core/startup/program.h"
#include "win32/platform/system_services.h"

namespace framory::win32 {

namespace {

constexpr int kNewPassword = 101;
constexpr int kNewPassword2 = 102;

class NewPasswordForm : public core::NewPasswordWindow, public WindowHandler {
public:
    NewPasswordForm(core::Program& program, core::NewPasswordServices services)
        : m_services(services), m_rules(program, *this, services)
    {
    }

    bool create(HWND owner, const Twips& twips)
    {
        m_window = CreateDialogFrame(core::kNewPasswordCaption, 5265, 1545, twips, owner, *this);
        if (m_window == nullptr) {
            return false;
        }
        AddControl(m_window, "STATIC", core::kNewPasswordLabel, 0, -1, 60, 135, 3840, 240, twips);
        AddControl(m_window, "STATIC", "New Password:", 0, -1, 180, 630, 1110, 195, twips);
        m_new = AddControl(m_window, "EDIT", "", WS_TABSTOP | ES_PASSWORD | ES_AUTOHSCROLL, kNewPassword, 1980, 630,
                           1605, 330, twips);
        AddControl(m_window, "STATIC", "Confirm new password:", 0, -1, 180, 1080, 1635, 195, twips);
        m_confirm = AddControl(m_window, "EDIT", "", WS_TABSTOP | ES_PASSWORD | ES_AUTOHSCROLL, kNewPassword2, 1980,
                               1080, 1605, 315, twips);
        AddControl(m_window, "BUTTON", "OK", WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, 4050, 180, 1095, 330, twips);
        AddControl(m_window, "BUTTON", "Cancel", WS_TABSTOP, IDCANCEL, 4050, 585, 1095, 330, twips);
        m_rules.Form_Load();
        SetFocus(m_new);
        return true;
    }
    HWND window() const { return m_window; }
    const bool& open() const { return m_open; }

    double width_twips() override { return Win32MovableWindow(m_window, m_services.screen).width_twips(); }
    double height_twips() override { return Win32MovableWindow(m_window, m_services.screen).height_twips(); }
    void move_to_twips(double left, double top) override
    {
        Win32MovableWindow(m_window, m_services.screen).move_to_twips(left, top);
    }
    std::u16string new_password() override { return EditText(m_new); }
    std::u16string confirmed_password() override { return EditText(m_confirm); }
    void set_new_password(const std::u16string& text) override { SetEditText(m_new, text); }
    void set_confirmed_password(const std::u16string& text) override { SetEditText(m_confirm, text); }
    void show_mismatch_message() override
    {
        MessageBoxA(m_window, core::kMismatchText, core::kMismatchTitle, MB_OK | MB_ICONSTOP);
    }
    void show_too_long_message() override
    {
        MessageBoxA(m_window, core::kTooLongText, core::kTooLongTitle, MB_OK | MB_ICONEXCLAMATION);
    }
    void close() override
    {
        if (m_window != nullptr && IsWindow(m_window)) {
            DestroyWindow(m_window);
        }
    }

    LRESULT handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override
    {
        switch (message) {
        case WM_COMMAND:
            if (LOWORD(wparam) == IDOK) {
                m_rules.OK_Click();
            } else if (LOWORD(wparam) == IDCANCEL) {
                m_rules.Cancel_Click();
            }
            return 0;
        case WM_CLOSE:
            m_rules.Cancel_Click();
            return 0;
        case WM_DESTROY:
            m_open = false;
            return 0;
        default:
            return DefWindowProcA(window, message, wparam, lparam);
        }
    }

private:
    core::NewPasswordServices m_services;
    core::NewPassword m_rules;
    HWND m_window = nullptr;
    HWND m_new = nullptr;
    HWND m_confirm = nullptr;
    bool m_open = true;
};

} // namespace

void ShowNewPasswordDialog(core::Program& program, core::NewPasswordServices services, HWND owner)
{
    NewPasswordForm form(program, services);
    const Twips twips{static_cast<double>(program.twips_per_pixel_x), static_cast<double>(program.twips_per_pixel_y)};
    if (!form.create(owner, twips)) {
        return;
    }
    RunModal(form.window(), owner, form.open());
}

} // namespace framory::win32
