#pragma once

#include "core/password/new_password.h"
#include "qt/platform/desktop_services.h"

#include <memory>
#include <optional>

struct _XDisplay;
struct _XkbDesc;

namespace framory::qt {

// Where the keyboard layout comes from.
enum class KeyboardSource {
    CurrentXLayout, // the X server's current XKB layout and group
    BuiltInUs,      // a US layout built into the program
};

// The keyboard layout the user types with. On X it is the XKB keymap in its
// current group, read afresh for every character, so a layout switched while
// the dialog is open counts; the key that types a character is its keycode in
// that group, and the key's unshifted character is its level-1 symbol. When
// no X server with the XKB extension answers, a US layout stands in, the
// layout the keys' own names follow.
class XkbKeyboardLayout : public core::KeyboardLayout {
public:
    // `display_name` names the X server; nullptr means $DISPLAY.
    explicit XkbKeyboardLayout(KeyboardSource source, const char* display_name = nullptr);
    ~XkbKeyboardLayout() override;
    XkbKeyboardLayout(const XkbKeyboardLayout&) = delete;
    XkbKeyboardLayout& operator=(const XkbKeyboardLayout&) = delete;

    // Whether the X server's layout is used (else the built-in US one).
    bool reads_x_layout() const { return m_display != nullptr; }

    std::optional<Key> key_for_character(unsigned char code) override;
    std::optional<unsigned char> unshifted_character(Key key) override;

private:
    std::optional<Key> x_key_for_character(unsigned char code);
    std::optional<unsigned char> x_unshifted_character(Key key);

    _XDisplay* m_display = nullptr;
    _XkbDesc* m_keymap = nullptr; // as read by the last search
};

// The layout of the display the program runs on: the X server's on X11, the
// built-in US layout elsewhere.
std::unique_ptr<core::KeyboardLayout> KeyboardLayoutFor(DisplayKind display);

} // namespace framory::qt
