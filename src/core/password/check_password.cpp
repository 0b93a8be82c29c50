// This folder: the saver password: checking it, the change-password rules, its
// scrambled stored form and the code page it is written in.

#include "core/password/check_password.h"

#include "core/password/code_page.h"
#include "core/startup/helpers.h"
#include "core/startup/program.h"

namespace framory::core {

CheckPassword::CheckPassword(Program& program, PromptWindow& window, CursorService& cursor, EventPump& pump)
    : m_program(program), m_window(window), m_cursor(cursor), m_pump(pump)
{
}

void CheckPassword::Form_Load()
{
    if (!m_program.config_preview) {
        m_window.make_top_most();
        m_pump.process_pending();
    }
    ShowPointer(m_cursor);
}

void CheckPassword::Form_Unload()
{
    m_program.show.dismissal.prompt_closed();
    HidePointer(m_cursor);
}

void CheckPassword::Command1_Click()
{
    if (UpperWindows1252(m_window.typed_text()) == UpperWindows1252(m_program.password.plain_password)) {
        m_program.show.dismissal.password_accepted();
        m_window.close();
        return;
    }
    m_window.clear_text();
    m_window.show_wrong_password_message();
    m_window.focus_text();
}

void CheckPassword::Command2_Click()
{
    give_up();
}

int CheckPassword::Text1_KeyPress(int key_ascii)
{
    if (key_ascii == 13) {
        Command1_Click();
        return 0;
    }
    return key_ascii;
}

void CheckPassword::Timer1_Timer()
{
    give_up();
}

void CheckPassword::give_up()
{
    m_program.show.dismissal.prompt_given_up();
    m_window.close();
}

} // namespace framory::core
