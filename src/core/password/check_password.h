#pragma once

#include "core/components/platform.h"

#include <string>

namespace framory::core {

struct Program;

inline constexpr const char* kPromptCaption = "Screen Saver Password";
inline constexpr const char* kPromptLabel = "Type your screen saver password:";
inline constexpr const char* kWrongPasswordText = "The password that you typed is not correct. Try typing it again.";
inline constexpr const char* kWrongPasswordTitle = "Passwords";
inline constexpr int kPromptTimeoutMs = 20000;

// The password prompt's window as its rules see it.
class PromptWindow {
public:
    virtual ~PromptWindow() = default;
    virtual void make_top_most() = 0;
    virtual std::string typed_text() = 0; // in the Windows-1252 code page
    virtual void clear_text() = 0;
    virtual void focus_text() = 0;
    virtual void show_wrong_password_message() = 0; // exclamation icon, OK
    virtual void close() = 0;
};

// The rules of frm_checkpassword.
class CheckPassword {
public:
    CheckPassword(Program& program, PromptWindow& window, CursorService& cursor, EventPump& pump);

    // After the window was centred.
    void Form_Load();
    void Form_Unload();
    void Command1_Click(); // Ok
    void Command2_Click(); // Cancel
    // Enter acts as Ok; returns the character code left for the text box.
    int Text1_KeyPress(int key_ascii);
    void Timer1_Timer(); // 20 seconds after the prompt was created

private:
    void give_up();

    Program& m_program;
    PromptWindow& m_window;
    CursorService& m_cursor;
    EventPump& m_pump;
};

} // namespace framory::core
