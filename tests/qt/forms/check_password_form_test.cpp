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

TEST_F(PromptTest, MaskedTopMostUnlessAPreviewAndShowsThePointer)
{
    frm_checkpassword prompt(program, cursor, pump, screen);
    EXPECT_EQ(prompt.Text1.echoMode(), QLineEdit::Password);
    EXPECT_TRUE(prompt.Timer1.isActive());
    EXPECT_EQ(prompt.Timer1.interval(), 20000);
    EXPECT_TRUE(prompt.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(cursor.count(), 0) << "the pointer shows for the prompt";

    program.config_preview = true;
    frm_checkpassword preview_prompt(program, cursor, pump, screen);
    EXPECT_FALSE(preview_prompt.windowFlags() & Qt::WindowStaysOnTopHint) << "a preview's prompt is not top-most";
}

TEST_F(PromptTest, TheRightPasswordInAnyCaseEndsTheShowAndAWrongOneIsToldAndKeepsThePromptOpen)
{
    for (const auto& [typed, right] : {std::pair{"rose", false}, std::pair{"tULIP", true}}) {
        SCOPED_TRACE(typed);
        program.show.dismissal.request();
        program.show.dismissal.open_prompt();
        frm_checkpassword prompt(program, cursor, pump, screen);
        prompt.show();
        framory::testing::MessageBoxAnswerer seen;
        QTest::keyClicks(&prompt.Text1, QString::fromLatin1(typed));
        if (right) {
            QTest::keyClick(&prompt.Text1, Qt::Key_Return);
        } else {
            QTest::mouseClick(&prompt.Command1, Qt::LeftButton);
        }
        EXPECT_EQ(program.show.dismissal.exit_now(), right);
        EXPECT_EQ(program.show.dismissal.prompt_state(), right ? core::PromptState::Closed : core::PromptState::Open);
        EXPECT_EQ(prompt.isVisible(), !right);
        EXPECT_EQ(seen.count, right ? 0 : 1);
        if (right) {
            EXPECT_EQ(cursor.count(), -1) << "hidden again when the prompt closes";
        } else {
            EXPECT_EQ(seen.text, QStringLiteral("The password that you typed is not correct. Try typing it again."));
            EXPECT_EQ(seen.icon, QMessageBox::Warning);
            EXPECT_TRUE(prompt.Text1.text().isEmpty());
        }
    }
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
