#include "core/password/new_password.h"

#include "core/password/code_page.h"

#include <gtest/gtest.h>

namespace framory::core {
namespace {

// A keyboard layout as its keys, each the characters its shift levels type
// (level 1 first). Code 0 is a level that types nothing of the code page,
// such as a dead key.
class FakeLayout : public KeyboardLayout {
public:
    explicit FakeLayout(std::vector<std::u16string> keys) : m_keys(std::move(keys)) {}

    std::optional<Key> key_for_character(unsigned char code) override
    {
        const char16_t wanted = FromWindows1252(std::string(1, static_cast<char>(code))).front();
        // A key that types the character unshifted wins over one that needs a modifier.
        for (std::size_t level = 0; level < 4; ++level) {
            for (std::size_t key = 0; key < m_keys.size(); ++key) {
                if (level < m_keys[key].size() && m_keys[key][level] != 0 && m_keys[key][level] == wanted) {
                    return static_cast<Key>(key);
                }
            }
        }
        return std::nullopt;
    }
    std::optional<unsigned char> unshifted_character(Key key) override
    {
        const char16_t first = m_keys.at(key).front();
        if (first == 0) {
            return std::nullopt;
        }
        return static_cast<unsigned char>(UpperWindows1252(ToWindows1252(std::u16string(1, first))).front());
    }

private:
    std::vector<std::u16string> m_keys;
};

FakeLayout UsLayout()
{
    return FakeLayout({u"`~",  u"1!",  u"2@", u"3#", u"4$", u"5%", u"6^", u"7&", u"8*", u"9(", u"0)", u"-_",
                       u"=+",  u"qQ",  u"wW", u"eE", u"rR", u"tT", u"yY", u"uU", u"iI", u"oO", u"pP", u"[{",
                       u"]}",  u"\\|", u"aA", u"sS", u"dD", u"fF", u"gG", u"hH", u"jJ", u"kK", u"lL", u";:",
                       u"'\"", u"zZ",  u"xX", u"cC", u"vV", u"bB", u"nN", u"mM", u",<", u".>", u"/?", u"  "});
}

// The German keys the tests need: a dead circumflex, QWERTZ, umlauts, AltGr
// symbols on the third level.
FakeLayout GermanLayout()
{
    return FakeLayout({std::u16string(u"\0\u00b0", 2), u"1!", u"7/{", u"0=}", u"\u00df?\\", u"qQ@", u"eE\u20ac", u"zZ",
                       u"yY", u"\u00fc\u00dc", u"\u00f6\u00d6", u"<>|", u"mM\u00b5", u",;", u".:", u"-_"});
}

TEST(ToKeyCaps, EachCharacterBecomesTheUnshiftedCapOfTheKeyThatTypesIt)
{
    FakeLayout us = UsLayout();
    FakeLayout de = GermanLayout();
    struct Case {
        KeyboardLayout& layout;
        std::u16string typed, caps;
    };
    const Case cases[] = {
        {us, u"TuLiP", u"TULIP"},
        {us, u"@#$%^&*()_+!:", u"234567890-=1;"},
        {us, u"{}|\"<>?~ ", u"[]\\',./` "},
        {us, u"\u00e9\u00e4\u20ac\u00ff", u"\u00c9\u00c4\u20ac\u0178"}, // no key: capitals, else as typed
        {de, u"!?@\u20ac\u00b5{}", u"1\u00dfQEM70"},
        {de, u"\u00fc\u00dc\u00f6:;_zy>|", u"\u00dc\u00dc\u00d6.,-ZY<<"},
        {de, u"^\u00b0", u"^\u00b0"} // only a dead key, and a key with nothing unshifted
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FromWindows1252(ToKeyCaps(c.typed, c.layout)), c.caps);
    }
    EXPECT_EQ(ToKeyCaps(u"\u0142\U0001F600", us), "???") << "outside the code page, as the prompt reads it";
}

TEST(CodePage, Windows1252BothWaysWithItsCapitals)
{
    const std::string bytes = ToWindows1252(u"Caf\u00e9 \u20ac \u0161\u0153\u017e\u00ff \u4e2d");
    EXPECT_EQ(bytes, std::string("Caf\xe9 \x80 \x9a\x9c\x9e\xff ?"));
    EXPECT_EQ(UpperWindows1252(bytes), std::string("CAF\xc9 \x80 \x8a\x8c\x8e\x9f ?"));
    EXPECT_EQ(UpperWindows1252("\xf7\xdf"), "\xf7\xdf") << "no capitals for the division sign and sharp s";
    for (int c = 0; c < 256; ++c) {
        const std::string one(1, static_cast<char>(c));
        EXPECT_EQ(ToWindows1252(FromWindows1252(one)), one) << c;
    }
}

} // namespace
} // namespace framory::core
