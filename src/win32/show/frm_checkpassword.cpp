#include "win32/show/frm_checkpassword.h"

#include "core/password/code_page.h"
#include "core/startup/helpers.h"
#include "core/startup/program.h"
#include "win32/platform/system_services.h"

namespace framory::win32 {

namespace {

constexpr int kText1 = 100;
constexpr UINT_PTR kTimer1 = 1;

class PromptForm : public core::PromptWindow, public WindowHandler {
public:
    PromptForm(core::Program& program, core::CursorService& cursor, core::EventPump& pump) : m_check(program, *this, cursor, pump) {}

    HWND create(HWND owner, const Twips& twips)
    {
        m_window = CreateDialogFrame(core::kPromptCaption, 3840, 1125, twips, owner, *this);
        if (m_window == nullptr) {
            return nullptr;
        }
        m_text = AddControl(m_window, "EDIT", "", WS_TABSTOP | ES_PASSWORD | ES_AUTOHSCROLL, kText1, 180, 540, 2040,
                            285, twips);
        AddControl(m_window, "BUTTON", "Ok", WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, 2790, 180, 915, 330, twips);
        AddControl(m_window, "BUTTON", "Cancel", WS_TABSTOP, IDCANCEL, 2790, 630, 915, 330, twips);
        AddControl(m_window, "STATIC", core::kPromptLabel, 0, -1, 180, 180, 2535, 330, twips);
        // The time-out runs from the moment the window is created.
        SetTimer(m_window, kTimer1, core::kPromptTimeoutMs, nullptr);
        return m_window;
    }
    core::CheckPassword& rules() { return m_check; }
    const bool& open() const { return m_open; }

    void make_top_most() override
    {
        RECT r{};
        GetWindowRect(m_window, &r);
        SetWindowPos(m_window, HWND_TOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top, 0);
    }
    std::string typed_text() override { return core::ToWindows1252(EditText(m_text)); }
    void clear_text() override { SetWindowTextA(m_text, ""); }
    void focus_text() override { SetFocus(m_text); }
    void show_wrong_password_message() override
    {
        MessageBoxA(m_window, core::kWrongPasswordText, core::kWrongPasswordTitle, MB_OK | MB_ICONEXCLAMATION);
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
                m_check.Command1_Click();
            } else if (LOWORD(wparam) == IDCANCEL) {
                m_check.Command2_Click();
            }
            return 0;
        case WM_TIMER:
            if (wparam == kTimer1) {
                KillTimer(window, kTimer1);
                m_check.Timer1_Timer();
            }
            return 0;
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            KillTimer(window, kTimer1);
            m_open = false;
            m_check.Form_Unload();
            return 0;
        default:
            return DefWindowProcA(window, message, wparam, lparam);
        }
    }

private:
    core::CheckPassword m_check;
    HWND m_window = nullptr;
    HWND m_text = nullptr;
    bool m_open = true;
};

} // namespace

void Win32PasswordPrompt::show_modal(core::Program& program)
{
    PromptForm form(program, m_cursor, m_pump);
    const Twips twips{static_cast<double>(program.twips_per_pixel_x), static_cast<double>(program.twips_per_pixel_y)};
    HWND window = form.create(m_owner, twips);
    if (window == nullptr) {
        // Without its window the prompt gives up as a time-out would: the
        // show goes on and a later input asks again.
        form.rules().Timer1_Timer();
        program.show.dismissal.prompt_closed();
        return;
    }
    Win32MovableWindow movable(window, m_screen);
    core::CenterForm(movable, m_screen, m_pump);
    form.rules().Form_Load();
    if (form.open()) {
        RunModal(window, m_owner, form.open());
    }
}

} // namespace framory::win32
