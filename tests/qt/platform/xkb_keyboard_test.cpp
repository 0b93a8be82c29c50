#include "qt/platform/xkb_keyboard.h"

#include "core/password/code_page.h"

#include <gtest/gtest.h>

namespace framory::qt {
namespace {

// Without an X server the built-in US layout answers; the XKB reading of a
// real server is checked end to end under Xvfb.
TEST(XkbKeyboard, WithoutAnXServerTheUsLayoutStandsIn)
{
    XkbKeyboardLayout built_in(KeyboardSource::BuiltInUs);
    XkbKeyboardLayout unreachable(KeyboardSource::CurrentXLayout, ":65000");
    const std::unique_ptr<core::KeyboardLayout> offscreen = KeyboardLayoutFor(DisplayKind::Offscreen);
    EXPECT_FALSE(built_in.reads_x_layout());
    EXPECT_FALSE(unreachable.reads_x_layout());

    for (core::KeyboardLayout* layout : {static_cast<core::KeyboardLayout*>(&built_in),
                                         static_cast<core::KeyboardLayout*>(&unreachable), offscreen.get()}) {
        EXPECT_EQ(core::ToKeyCaps(u"tulip TULIP", *layout), "TULIP TULIP");
        EXPECT_EQ(core::ToKeyCaps(u"!@#$%^&*()_+", *layout), "1234567890-=");
        EXPECT_EQ(core::ToKeyCaps(u"~{}|:\"<>?", *layout), "`[]\\;',./");
        EXPECT_EQ(core::ToKeyCaps(u"`1;/", *layout), "`1;/");
    }
}

TEST(XkbKeyboard, UsLayoutHasNoKeyForCharactersOffItsKeys)
{
    XkbKeyboardLayout us(KeyboardSource::BuiltInUs);
    for (const char16_t c : {u'\u00e9', u'\u20ac', u'\t', u'\u00a7'}) {
        const std::string code = core::ToWindows1252(std::u16string(1, c));
        EXPECT_FALSE(us.key_for_character(static_cast<unsigned char>(code.front())).has_value()) << int(c);
    }
    EXPECT_FALSE(us.unshifted_character(4711).has_value());
    // What the dialog makes of them: the typed form, letters as capitals.
    EXPECT_EQ(core::FromWindows1252(core::ToKeyCaps(u"\u00e9\u20ac\u00a7", us)), u"\u00c9\u20ac\u00a7");
}

} // namespace
} // namespace framory::qt
