#include "core/password/check_password.h"

#include "core/password/code_page.h"
#include "core/startup/program.h"
#include "support/fake_platform.h"

#include <gtest/gtest.h>

namespace framory::core {
namespace {

class FakePromptWindow : public PromptWindow {
public:
    std::string text;
    std::vector<std::string> calls;
    void make_top_most() override { calls.push_back("top_most"); }
    std::string typed_text() override { return text; }
    void clear_text() override
    {
        calls.push_back("clear");
        text.clear();
    }
    void focus_text() override { calls.push_back("focus"); }
    void show_wrong_password_message() override { calls.push_back("wrong"); }
    void close() override { calls.push_back("close"); }
};

class CheckPasswordTest : public ::testing::Test {
protected:
    Program program;
    FakePromptWindow window;
    framory::testing::FakeCursor cursor;
    framory::testing::FakePump pump;
    CheckPassword rules{program, window, cursor, pump};

    void SetUp() override
    {
        program.password.plain_password = "Secret";
        program.show.dismissal.reset();
        program.show.dismissal.request();
        for (int move = 0; move < 8; ++move) {
            program.show.dismissal.count_move(1234.0);
        }
        program.show.dismissal.open_prompt();
        cursor.count = -1;
    }
};

TEST_F(CheckPasswordTest, LoadIsTopMostUnlessPreviewAndShowsThePointer)
{
    rules.Form_Load();
    EXPECT_EQ(window.calls, std::vector<std::string>{"top_most"});
    EXPECT_EQ(cursor.count, 0);
    program.config_preview = true;
    window.calls.clear();
    rules.Form_Load();
    EXPECT_TRUE(window.calls.empty());
}

TEST_F(CheckPasswordTest, RightPasswordInAnyCaseEndsTheShow)
{
    for (const char* typed : {"Secret", "SECRET", "secret", "sEcReT"}) {
        program.show.dismissal.reset();
        program.show.dismissal.open_prompt();
        window.calls.clear();
        window.text = typed;
        rules.Command1_Click();
        EXPECT_TRUE(program.show.dismissal.exit_now()) << typed;
        EXPECT_EQ(program.show.dismissal.prompt_state(), PromptState::Closed) << typed;
        EXPECT_EQ(window.calls, std::vector<std::string>{"close"}) << typed;
    }
}

TEST_F(CheckPasswordTest, AccentedLettersCompareWithoutCase)
{
    program.password.plain_password = ToWindows1252(u"\u00e9t\u00e9");
    window.text = ToWindows1252(u"\u00c9T\u00c9");
    rules.Command1_Click();
    EXPECT_TRUE(program.show.dismissal.exit_now());
}

TEST_F(CheckPasswordTest, WrongOrEmptyPasswordEmptiesTheBoxAndSaysSo)
{
    for (const char* typed : {"Secre", "", "Secret "}) {
        window.calls.clear();
        window.text = typed;
        rules.Command1_Click();
        EXPECT_FALSE(program.show.dismissal.exit_now()) << typed;
        EXPECT_EQ(program.show.dismissal.prompt_state(), PromptState::Open) << typed;
        EXPECT_EQ(window.calls, (std::vector<std::string>{"clear", "wrong", "focus"})) << typed;
    }
}

TEST_F(CheckPasswordTest, EnterActsAsOkOtherKeysPass)
{
    window.text = "secret";
    EXPECT_EQ(rules.Text1_KeyPress('a'), 'a');
    EXPECT_FALSE(program.show.dismissal.exit_now());
    EXPECT_EQ(rules.Text1_KeyPress(13), 0);
    EXPECT_TRUE(program.show.dismissal.exit_now());
}

TEST_F(CheckPasswordTest, CancelAndTimeOutClearTheDismissalAndClose)
{
    rules.Command2_Click();
    EXPECT_EQ(program.show.dismissal.prompt_state(), PromptState::Closed);
    EXPECT_FALSE(program.show.dismissal.dismiss_request());
    EXPECT_EQ(program.show.dismissal.move_count(), 0);
    EXPECT_EQ(program.show.dismissal.move_window_end(), 0);
    EXPECT_FALSE(program.show.dismissal.exit_now());
    EXPECT_EQ(window.calls, std::vector<std::string>{"close"});

    SetUp();
    window.calls.clear();
    rules.Timer1_Timer();
    EXPECT_FALSE(program.show.dismissal.dismiss_request());
    EXPECT_FALSE(program.show.dismissal.exit_now());
    EXPECT_EQ(window.calls, std::vector<std::string>{"close"});
}

TEST_F(CheckPasswordTest, UnloadHidesThePointerAgain)
{
    cursor.count = 0;
    rules.Form_Unload();
    EXPECT_EQ(program.show.dismissal.prompt_state(), PromptState::Closed);
    EXPECT_EQ(cursor.count, -1);
}

TEST(CodePage, RoundTripsAndUpperCase)
{
    const std::u16string text = u"Caf\u00e9 \u20ac \u0161\u0153\u017e\u00ff \u4e2d";
    const std::string bytes = ToWindows1252(text);
    EXPECT_EQ(bytes, std::string("Caf\xe9 \x80 \x9a\x9c\x9e\xff ?"));
    EXPECT_EQ(FromWindows1252(bytes), u"Caf\u00e9 \u20ac \u0161\u0153\u017e\u00ff ?");
    EXPECT_EQ(UpperWindows1252(bytes), std::string("CAF\xc9 \x80 \x8a\x8c\x8e\x9f ?"));
    EXPECT_EQ(UpperWindows1252("\xf7\xdf"), "\xf7\xdf") << "division sign and sharp s have no capital here";
    for (int c = 0; c < 256; ++c) {
        const std::string one(1, static_cast<char>(c));
        EXPECT_EQ(ToWindows1252(FromWindows1252(one)), one) << c;
    }
}

} // namespace
} // namespace framory::core
