#include "qt/forms/frm_newpassword.h"

#include "../components/component_test_support.h"
#include "app/desktop_platform.h"
#include "core/password/scramble.h"
#include "core/startup/program.h"
#include "form_test_support.h"
#include "qt/platform/xkb_keyboard.h"
#include "support/message_boxes.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace framory::qt {
namespace {

namespace fs = std::filesystem;
using framory::testing::ReadFile;

class NewPasswordFormTest : public ::testing::Test {
protected:
    framory::testing::TempFolder folder;
    fs::path file = folder.path() / "Obelin Framory.ini";
    SettingsFileStore store{file};
    QtScreenMetrics screen;
    QtEventPump pump;
    core::Program program;

    std::unique_ptr<frm_newpassword> open()
    {
        auto dialog = std::make_unique<frm_newpassword>(
            program, std::make_unique<XkbKeyboardLayout>(KeyboardSource::BuiltInUs), store, screen, pump);
        dialog->show();
        return dialog;
    }
};

TEST_F(NewPasswordFormTest, TypedWithTheTabOrderIntoMaskedBoxesTheCapitalsAreStoredScrambled)
{
    auto dialog = open();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    EXPECT_EQ(QApplication::focusWidget(), &dialog->NewPassword);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("tulip!"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), &dialog->NewPassword2);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("TULIP!"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), &dialog->OK);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), &dialog->Cancel);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    ASSERT_EQ(QApplication::focusWidget(), &dialog->OK);
    for (QLineEdit* box : {&dialog->NewPassword, &dialog->NewPassword2}) {
        EXPECT_EQ(box->echoMode(), QLineEdit::Password);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);

    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(program.password.plain_password, "TULIP1");
    EXPECT_NE(ReadFile(file).find("misc=" + core::Scramble("TULIP1") + "\n"), std::string::npos);
}

TEST_F(NewPasswordFormTest, OkStoresMatchingPasswordsOfUpToThirtyCharactersOrSaysWhatIsWrong)
{
    const QString thirty_one = QStringLiteral("abcdefghijklmnopqrstuvwxyz:{}?~");
    const char* const mismatch = "The new and confirmed passwords do not match. Please type them again.";
    const char* const too_long = "New password too long\nMaximum length 30 chars";
    struct Case {
        QString first, second;
        bool enter;         // Enter in the second box instead of a click on OK
        const char* shown;  // the message shown, or none: the dialog closes
        QString first_box;  // the first box afterwards
        const char* stored; // the password as the file holds it, unscrambled
    };
    const Case cases[] = {
        // Different and both too long: the mismatch is told first.
        {QString(31, 'a'), QString(32, 'a'), false, mismatch, QString(31, 'A'), nullptr},
        {thirty_one, thirty_one, false, too_long, QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ;[]/`"), nullptr},
        {thirty_one.left(30), thirty_one.left(30), false, nullptr, {}, "ABCDEFGHIJKLMNOPQRSTUVWXYZ;[]/"},
        {QStringLiteral("rose"), QStringLiteral("Rose"), true, nullptr, {}, "ROSE"},
        // Both empty remove the password.
        {{}, {}, false, nullptr, {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.first.toStdString());
        fs::remove(file);
        program.password.plain_password = "OLD";
        auto dialog = open();
        dialog->NewPassword.setText(c.first);
        dialog->NewPassword2.setText(c.second);
        framory::testing::MessageBoxAnswerer seen;
        if (c.enter) {
            QTest::keyClick(&dialog->NewPassword2, Qt::Key_Return);
        } else {
            QTest::mouseClick(&dialog->OK, Qt::LeftButton);
        }
        EXPECT_EQ(seen.count, c.shown != nullptr ? 1 : 0);
        EXPECT_EQ(dialog->isVisible(), c.shown != nullptr);
        if (c.shown != nullptr) {
            EXPECT_EQ(seen.text, QString::fromUtf8(c.shown));
            EXPECT_EQ(dialog->NewPassword.text(), c.first_box);
            EXPECT_EQ(program.password.plain_password, "OLD");
            EXPECT_EQ(framory::testing::StoredOption(file, "misc"), "(absent)");
        } else {
            EXPECT_EQ(program.password.plain_password, c.stored);
            EXPECT_EQ(core::Unscramble(framory::testing::StoredOption(file, "misc")), c.stored);
            EXPECT_NE(ReadFile(file).find("misc=" + core::Scramble(c.stored) + "\n"), std::string::npos);
        }
    }
}

TEST_F(NewPasswordFormTest, CancelEscapeAndTheCloseBoxStoreNothing)
{
    const std::vector<std::function<void(frm_newpassword&)>> ways = {
        [](frm_newpassword& d) { QTest::mouseClick(&d.Cancel, Qt::LeftButton); },
        [](frm_newpassword& d) { QTest::keyClick(&d.NewPassword2, Qt::Key_Escape); },
        [](frm_newpassword& d) { d.QWidget::close(); },
    };
    for (const auto& way : ways) {
        auto dialog = open();
        dialog->NewPassword.setText(QStringLiteral("new"));
        dialog->NewPassword2.setText(QStringLiteral("new"));
        way(*dialog);
        EXPECT_FALSE(dialog->isVisible());
    }
    EXPECT_EQ(program.password.plain_password, "");
    EXPECT_FALSE(fs::exists(file));
}

// The two ways the program opens the dialog, over the desktop's own services.
class ChangePasswordEntryTest : public ::testing::Test {
protected:
    framory::testing::DesktopHome home;
    DesktopPlatform platform{DisplayKind::Offscreen};
    core::Program program;

    std::string stored_in_file() { return framory::testing::StoredOption(home.settings_file(), "misc"); }
    static frm_newpassword* find_dialog()
    {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* d = qobject_cast<frm_newpassword*>(w); d != nullptr && d->isVisible()) {
                return d;
            }
        }
        return nullptr;
    }
};

TEST_F(ChangePasswordEntryTest, AsItsOwnProgramClosingEndsTheEventLoop)
{
    ASSERT_TRUE(OpenChangePasswordProgram(program, platform));
    frm_newpassword* dialog = find_dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->isModal());
    dialog->NewPassword.setText(QStringLiteral("daisy"));
    dialog->NewPassword2.setText(QStringLiteral("DAISY"));

    // The program's own loop, as main runs it, with the program's setting
    // that closing a last window does not end it by itself. (Ending the
    // application's loop from a nested loop would leave Qt refusing to run
    // any later loop in this process.)
    const bool quit_on_close = QGuiApplication::quitOnLastWindowClosed();
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QTimer::singleShot(0, dialog, [dialog] { dialog->OK.click(); });
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    safety.start(30000);
    EXPECT_EQ(QApplication::exec(), 0) << "the dialog's close ends the program's loop";
    QGuiApplication::setQuitOnLastWindowClosed(quit_on_close);
    EXPECT_EQ(stored_in_file(), core::Scramble("DAISY"));
    EXPECT_TRUE(framory::testing::RunEventsUntil([] { return find_dialog() == nullptr; }));
}

TEST_F(ChangePasswordEntryTest, ModalFromAnotherDialogReturnsWhenClosed)
{
    QWidget hub;
    hub.show();
    bool was_modal = false;
    // The dialog's load step lets events run before it shows, so the test
    // waits for it to be up.
    QTimer watch;
    watch.setInterval(10);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        frm_newpassword* dialog = find_dialog();
        if (dialog == nullptr) {
            return;
        }
        watch.stop();
        was_modal = dialog->isModal() && dialog->parentWidget() == &hub;
        dialog->NewPassword.setText(QStringLiteral("lily:"));
        dialog->NewPassword2.setText(QStringLiteral("LILY;"));
        dialog->OK.click();
    });
    watch.start();
    // Should the dialog not close, it is closed here so the test cannot hang.
    QTimer::singleShot(30000, [] {
        if (frm_newpassword* dialog = find_dialog()) {
            dialog->QWidget::close();
        }
    });
    ShowChangePasswordModal(program, platform, &hub);
    EXPECT_TRUE(was_modal);
    EXPECT_EQ(program.password.plain_password, "LILY;");
    EXPECT_EQ(stored_in_file(), core::Scramble("LILY;"));
}

} // namespace
} // namespace framory::qt
