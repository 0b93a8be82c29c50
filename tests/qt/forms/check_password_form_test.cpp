#include "qt/forms/frm_checkpassword.h"

#include "../components/component_test_support.h"
#include "core/startup/helpers.h"
#include "core/startup/program.h"
#include "qt/platform/desktop_services.h"
#include "support/message_boxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace framory::qt {
namespace {

class PromptTest : public ::testing::Test {
protected:
    core::Program program;
    QtCursorService cursor;
    QtEventPump pump;
    QtScreenMetrics screen;

    void SetUp() override
    {
        program.password.plain_password = "Tulip";
        program.show.dismissal.request();
        program.show.dismissal.open_prompt();
        core::HidePointer(cursor); // as the show has it
    }
};

TEST_F(PromptTest, LaidOutAsDesignedWithAMaskedBox)
{
    frm_checkpassword prompt(program, cursor, pump, screen);
    EXPECT_EQ(prompt.windowTitle(), QStringLiteral("Screen Saver Password"));
    EXPECT_EQ(prompt.size(), QSize(256, 75));
    EXPECT_EQ(prompt.Text1.geometry(), QRect(12, 36, 136, 19));
    EXPECT_EQ(prompt.Command1.text(), QStringLiteral("Ok"));
    EXPECT_EQ(prompt.Command2.text(), QStringLiteral("Cancel"));
    EXPECT_EQ(prompt.Label1.text(), QStringLiteral("Type your screen saver password:"));
    EXPECT_EQ(prompt.Text1.echoMode(), QLineEdit::Password);
    EXPECT_TRUE(prompt.Timer1.isActive());
    EXPECT_EQ(prompt.Timer1.interval(), 20000);
    EXPECT_TRUE(prompt.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(cursor.count(), 0) << "the pointer shows for the prompt";

    program.config_preview = true;
    frm_checkpassword preview_prompt(program, cursor, pump, screen);
    EXPECT_FALSE(preview_prompt.windowFlags() & Qt::WindowStaysOnTopHint) << "a preview's prompt is not top-most";
}

TEST_F(PromptTest, TypedPasswordAndEnterEndTheShowWhateverTheCase)
{
    frm_checkpassword prompt(program, cursor, pump, screen);
    prompt.show();
    QTest::keyClicks(&prompt.Text1, QStringLiteral("tULIP"));
    QTest::keyClick(&prompt.Text1, Qt::Key_Return);
    EXPECT_TRUE(program.show.dismissal.exit_now());
    EXPECT_EQ(program.show.dismissal.prompt_state(), core::PromptState::Closed);
    EXPECT_FALSE(prompt.isVisible());
    EXPECT_EQ(cursor.count(), -1) << "hidden again when the prompt closes";
}

TEST_F(PromptTest, WrongPasswordSaysSoAndKeepsThePromptOpen)
{
    frm_checkpassword prompt(program, cursor, pump, screen);
    prompt.show();
    framory::testing::MessageBoxAnswerer seen;
    QTest::keyClicks(&prompt.Text1, QStringLiteral("rose"));
    QTest::mouseClick(&prompt.Command1, Qt::LeftButton);
    EXPECT_EQ(seen.count, 1);
    EXPECT_EQ(seen.text, QStringLiteral("The password that you typed is not correct. Try typing it again."));
    EXPECT_EQ(seen.title, QStringLiteral("Passwords"));
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_TRUE(prompt.Text1.text().isEmpty());
    EXPECT_TRUE(prompt.isVisible());
    EXPECT_FALSE(program.show.dismissal.exit_now());
    EXPECT_EQ(program.show.dismissal.prompt_state(), core::PromptState::Open);
}

TEST_F(PromptTest, CancelOrTheTimeOutClearsTheDismissalAndTheShowGoesOn)
{
    for (const bool cancel : {true, false}) {
        program.show.dismissal.request();
        program.show.dismissal.open_prompt();
        frm_checkpassword prompt(program, cursor, pump, screen);
        prompt.Timer1.setInterval(100); // the 20 seconds, shortened for the test
        prompt.Timer1.start();
        prompt.show();
        QTest::keyClicks(&prompt.Text1, QStringLiteral("Tuli"));
        if (cancel) {
            QTest::mouseClick(&prompt.Command2, Qt::LeftButton);
        }
        ASSERT_TRUE(framory::testing::RunEventsUntil([&] { return !prompt.isVisible(); })) << cancel;
        EXPECT_FALSE(program.show.dismissal.dismiss_request()) << cancel;
        EXPECT_FALSE(program.show.dismissal.exit_now()) << cancel;
        EXPECT_EQ(program.show.dismissal.prompt_state(), core::PromptState::Closed) << cancel;
    }
}

} // namespace
} // namespace framory::qt
