#pragma once

#include "core/components/platform.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace framory::core {

struct Program;

inline constexpr const char* kNewPasswordCaption = "Change  Password"; // two blanks, as the dialog always had
inline constexpr const char* kNewPasswordLabel = "Change password for Framory Screen Saver";
inline constexpr const char* kMismatchText = "The new and confirmed passwords do not match. Please type them again.";
inline constexpr const char* kMismatchTitle = "Microsoft Windows";
inline constexpr const char* kTooLongText = "New password too long\nMaximum length 30 chars";
inline constexpr const char* kTooLongTitle = "Change Password";
inline constexpr std::size_t kMaxPasswordLength = 30;

// The keyboard layout the user types with, as the password's key caps see
// it: which key types a character, and what that key types unshifted.
class KeyboardLayout {
public:
    // A key of the layout in the form the layout chooses (on X a keycode
    // with its group).
    using Key = std::uint32_t;

    virtual ~KeyboardLayout() = default;
    // The key that types the Windows-1252 character in the layout in use
    // now, at any shift level; nothing when no key types it.
    virtual std::optional<Key> key_for_character(unsigned char code) = 0;
    // The Windows-1252 character the key types with no modifier, letters as
    // capitals; nothing when that is not a character of the code page (a
    // dead key, a function key, a character outside the code page).
    virtual std::optional<unsigned char> unshifted_character(Key key) = 0;
};

// The key cap of one typed character: the unshifted character of the key
// that types it, so letters become capitals and a shifted symbol becomes the
// symbol below it on the same key ("!" gives "1" on a US layout).
//
// Where the layout has no answer (no key types the character, or its key
// has no unshifted character of the code page) the key cap would be the
// character with code 0, and a password holding it could never be typed at
// the prompt, so the show could not be ended. Such a character keeps its
// typed form instead, upper-cased where it is a letter: the prompt compares
// without regard to case, so the user types it again just as before.
// A character outside Windows-1252 is read as "?", as the prompt reads it.
std::string ToKeyCaps(std::u16string_view typed, KeyboardLayout& layout);

// The dialog frm_newpassword as its rules see it. Its outer size and place
// are those of a window that can be centred.
class NewPasswordWindow : public MovableWindow {
public:
    // The boxes NewPassword and NewPassword2, in UTF-16 as typed.
    virtual std::u16string new_password() = 0;
    virtual std::u16string confirmed_password() = 0;
    virtual void set_new_password(const std::u16string& text) = 0;
    virtual void set_confirmed_password(const std::u16string& text) = 0;
    virtual void show_mismatch_message() = 0; // kMismatchText, stop icon, OK
    virtual void show_too_long_message() = 0; // kTooLongText, exclamation icon, OK
    virtual void close() = 0;
};

struct NewPasswordServices {
    KeyboardLayout& keyboard;
    SettingsStore& store;
    ScreenMetrics& screen;
    EventPump& pump;
};

// The rules of frm_newpassword: the user types the new password twice, the
// key caps of both are compared, checked for length and stored scrambled at
// once. Both boxes empty remove the password.
class NewPassword {
public:
    NewPassword(Program& program, NewPasswordWindow& window, NewPasswordServices services);

    // Centres the dialog, then empties both boxes.
    void Form_Load();
    void OK_Click();
    void Cancel_Click();

private:
    Program& m_program;
    NewPasswordWindow& m_window;
    NewPasswordServices m_services;
};

} // namespace framory::core
