#include "core/password/new_password.h"

#include "core/password/code_page.h"
#include "core/password/scramble.h"
#include "core/startup/program.h"
#include "support/fake_platform.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace framory::core {
namespace {

// A keyboard layout given as its keys, each a list of what its shift levels
// type (level 1 first). Code 0 stands for a level that types no character
// of the code page, such as a dead key.
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

// German: a dead circumflex left of the 1, QWERTZ, umlauts, AltGr symbols
// on the third level.
FakeLayout GermanLayout()
{
    return FakeLayout({std::u16string(u"\0\u00b0", 2),
                       u"1!\u00b9",
                       u"2\"\u00b2",
                       u"3\u00a7\u00b3",
                       u"4$",
                       u"5%",
                       u"6&",
                       u"7/{",
                       u"8([",
                       u"9)]",
                       u"0=}",
                       u"\u00df?\\",
                       std::u16string(u"\0\0", 2),
                       u"qQ@",
                       u"wW",
                       u"eE\u20ac",
                       u"rR",
                       u"tT",
                       u"zZ",
                       u"uU",
                       u"iI",
                       u"oO",
                       u"pP",
                       u"\u00fc\u00dc",
                       u"+*~",
                       u"aA",
                       u"sS",
                       u"dD",
                       u"fF",
                       u"gG",
                       u"hH",
                       u"jJ",
                       u"kK",
                       u"lL",
                       u"\u00f6\u00d6",
                       u"\u00e4\u00c4",
                       u"#'",
                       u"<>|",
                       u"yY",
                       u"xX",
                       u"cC",
                       u"vV",
                       u"bB",
                       u"nN",
                       u"mM\u00b5",
                       u",;",
                       u".:",
                       u"-_",
                       u"  "});
}

struct KeyCapCase {
    std::u16string typed;
    std::u16string caps;
};

TEST(ToKeyCaps, UsLayoutGivesTheUnshiftedKeyCaps)
{
    FakeLayout us = UsLayout();
    const std::vector<KeyCapCase> cases = {
        {u"tulip", u"TULIP"},         {u"TuLiP", u"TULIP"}, {u"!:", u"1;"}, {u"@#$%^&*()_+", u"234567890-="},
        {u"{}|\"<>?~", u"[]\\',./`"}, {u"a b", u"A B"},     {u"", u""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FromWindows1252(ToKeyCaps(c.typed, us)), c.caps);
    }
}

TEST(ToKeyCaps, GermanLayoutUsesItsOwnKeys)
{
    FakeLayout de = GermanLayout();
    const std::vector<KeyCapCase> cases = {
        {u"!?", u"1\u00df"}, // the question mark sits over the sharp s
        {u"@\u20ac", u"QE"}, // AltGr symbols give their key's letter
        {u"\u00fc\u00dc\u00f6", u"\u00dc\u00dc\u00d6"},
        {u":;_", u".,-"},
        {u"zy", u"ZY"},
        {u">|", u"<<"},
        {u"\u00b5", u"M"},
        {u"{}", u"70"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FromWindows1252(ToKeyCaps(c.typed, de)), c.caps);
    }
}

TEST(ToKeyCaps, CharactersWithoutAKeyCapKeepTheirTypedFormNeverCodeZero)
{
    FakeLayout us = UsLayout();
    FakeLayout de = GermanLayout();
    // No key of the US layout types these; letters still become capitals.
    EXPECT_EQ(FromWindows1252(ToKeyCaps(u"\u00e9\u00e4\u20ac\u00ff", us)), u"\u00c9\u00c4\u20ac\u0178");
    // On the German layout the circumflex is only a dead key, and the degree
    // sign's key types no character unshifted.
    EXPECT_EQ(FromWindows1252(ToKeyCaps(u"^\u00b0", de)), u"^\u00b0");
    // Outside the code page: read as "?", as the prompt reads it, and kept.
    EXPECT_EQ(ToKeyCaps(u"\u0142\U0001F600", us), "???");
    for (const auto& text : {u"\u00e9\u20ac\t", u"^\u00b0"}) {
        EXPECT_EQ(ToKeyCaps(text, de).find('\0'), std::string::npos);
    }
}

class FakeNewPasswordWindow : public NewPasswordWindow {
public:
    std::u16string box1 = u"typed before load";
    std::u16string box2 = u"typed before load";
    std::vector<std::string> calls;
    double left = -1;
    double top = -1;

    std::u16string new_password() override { return box1; }
    std::u16string confirmed_password() override { return box2; }
    void set_new_password(const std::u16string& text) override { box1 = text; }
    void set_confirmed_password(const std::u16string& text) override { box2 = text; }
    void show_mismatch_message() override { calls.push_back("mismatch"); }
    void show_too_long_message() override { calls.push_back("too_long"); }
    void close() override { calls.push_back("close"); }
    double width_twips() override { return 5265 + 120; }
    double height_twips() override { return 1545 + 420; }
    void move_to_twips(double l, double t) override
    {
        calls.push_back("move");
        left = l;
        top = t;
    }
};

class NewPasswordTest : public ::testing::Test {
protected:
    Program program;
    FakeNewPasswordWindow window;
    FakeLayout us = UsLayout();
    framory::testing::FakeStore store;
    framory::testing::FakeScreen screen;
    framory::testing::FakePump pump;
    NewPassword rules{program, window, NewPasswordServices{us, store, screen, pump}};

    void SetUp() override
    {
        program.password.plain_password = "OLD";
        program.password.stored_password = Scramble("OLD");
    }
    void type(const std::u16string& first, const std::u16string& second)
    {
        window.box1 = first;
        window.box2 = second;
    }
    void expect_nothing_stored()
    {
        EXPECT_TRUE(store.writes.empty());
        EXPECT_EQ(program.password.plain_password, "OLD");
        EXPECT_EQ(program.password.stored_password, Scramble("OLD"));
    }
};

TEST_F(NewPasswordTest, LoadCentresThenEmptiesBothBoxes)
{
    rules.Form_Load();
    EXPECT_EQ(window.calls, std::vector<std::string>{"move"});
    EXPECT_DOUBLE_EQ(window.left, 1920.0 * 15 / 2 - (5265 + 120) / 2.0);
    EXPECT_DOUBLE_EQ(window.top, 1080.0 * 15 / 2 - (1545 + 420) / 2.0);
    EXPECT_GE(pump.pending_runs, 1);
    EXPECT_TRUE(window.box1.empty());
    EXPECT_TRUE(window.box2.empty());
}

TEST_F(NewPasswordTest, SmallLettersAndCapitalsMatchAndTheCapitalsAreStoredAtOnce)
{
    type(u"tulip!", u"TULIP!");
    rules.OK_Click();
    EXPECT_EQ(program.password.plain_password, "TULIP1");
    EXPECT_EQ(program.password.stored_password, Scramble("TULIP1"));
    EXPECT_EQ(store.writes, std::vector<std::string>{"Options/misc=" + Scramble("TULIP1")});
    EXPECT_EQ(store.groups_begun, 0) << "written at once, not held for a later save";
    EXPECT_EQ(pump.pending_runs, 1);
    EXPECT_EQ(window.calls, std::vector<std::string>{"close"});
    EXPECT_EQ(Unscramble(store.get("misc")), "TULIP1");
}

TEST_F(NewPasswordTest, MismatchIsCheckedBeforeLengthAndTheBoxesKeepTheirKeyCaps)
{
    const std::u16string long_one(31, u'a');
    const std::u16string long_other = std::u16string(30, u'a') + u"b";
    type(long_one, long_other);
    rules.OK_Click();
    EXPECT_EQ(window.calls, std::vector<std::string>{"mismatch"});
    EXPECT_EQ(window.box1, std::u16string(31, u'A'));
    EXPECT_EQ(window.box2, std::u16string(30, u'A') + u"B");
    expect_nothing_stored();

    window.calls.clear();
    type(u"rose:", u"ROSE");
    rules.OK_Click();
    EXPECT_EQ(window.calls, std::vector<std::string>{"mismatch"});
    EXPECT_EQ(window.box1, u"ROSE;");
    expect_nothing_stored();
}

TEST_F(NewPasswordTest, ThirtyCharactersAreAcceptedThirtyOneRefused)
{
    const std::u16string thirty_one = u"abcdefghijklmnopqrstuvwxyz!@#$%";
    type(thirty_one, thirty_one);
    rules.OK_Click();
    EXPECT_EQ(window.calls, std::vector<std::string>{"too_long"});
    EXPECT_EQ(window.box1, u"ABCDEFGHIJKLMNOPQRSTUVWXYZ12345");
    EXPECT_EQ(window.box2, window.box1);
    expect_nothing_stored();

    window.calls.clear();
    const std::u16string thirty = thirty_one.substr(0, 30);
    type(thirty, thirty);
    rules.OK_Click();
    EXPECT_EQ(window.calls, std::vector<std::string>{"close"});
    EXPECT_EQ(program.password.plain_password, "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234");
    EXPECT_EQ(store.get("misc").size(), 60u);
}

TEST_F(NewPasswordTest, BothBoxesEmptyRemoveThePassword)
{
    type(u"", u"");
    rules.OK_Click();
    EXPECT_EQ(program.password.plain_password, "");
    EXPECT_EQ(program.password.stored_password, "");
    EXPECT_EQ(store.writes, std::vector<std::string>{"Options/misc="});
    EXPECT_EQ(window.calls, std::vector<std::string>{"close"});
}

TEST_F(NewPasswordTest, CancelChangesNothing)
{
    type(u"new", u"new");
    rules.Cancel_Click();
    EXPECT_EQ(window.calls, std::vector<std::string>{"close"});
    expect_nothing_stored();
}

TEST_F(NewPasswordTest, APasswordWithoutKeyCapsStaysTypeable)
{
    // Neither character is on a US keyboard; stored as typed, the letter as
    // a capital, so the prompt (which compares without case) accepts them.
    type(u"caf\u00e9\u20ac", u"CAF\u00c9\u20ac");
    rules.OK_Click();
    EXPECT_EQ(window.calls, std::vector<std::string>{"close"});
    EXPECT_EQ(program.password.plain_password, ToWindows1252(u"CAF\u00c9\u20ac"));
}

} // namespace
} // namespace framory::core
