#include "qt/forms/frm_about.h"
#include "qt/forms/frm_configuration.h"

#include "app/desktop_platform.h"
#include "core/startup/program.h"
#include "form_test_support.h"
#include "support/message_boxes.h"

#include <QMessageBox>
#include <QTest>

#include <gtest/gtest.h>

namespace framory::qt {
namespace {

using framory::testing::FocusChain;

class RecordingShell : public core::Shell {
public:
    std::vector<std::string> opened;
    int ShellExecute(const std::string& file) override
    {
        opened.push_back(file);
        return 2; // not found
    }
};

class HubTest : public ::testing::Test {
protected:
    framory::testing::DesktopHome home;
    DesktopPlatform platform{DisplayKind::Offscreen};
    core::Program program;
    RecordingShell shell;
    std::vector<std::string> opened;
    int ended = 0;
    bool preview_flag = false;

    void SetUp() override { program.windows_dir = (home.folder.path() / "data").string() + "/"; }

    HubDialogs dialogs()
    {
        HubDialogs d;
        d.edit_folders = [this](QWidget*) { opened.push_back("folders"); };
        d.options = [this](QWidget*) { opened.push_back("options"); };
        d.change_password = [this](QWidget*) { opened.push_back("password"); };
        d.about = [this](QWidget*) { opened.push_back("about"); };
        d.show_preview = [this] {
            opened.push_back("show");
            preview_flag = program.config_preview;
        };
        d.end_program = [this] { ++ended; };
        return d;
    }

    std::string stored(const std::string& key) { return framory::testing::StoredOption(platform.store().file(), key); }
};

TEST_F(HubTest, TitleAndTabOrder)
{
    frm_configuration hub(program, platform, shell, dialogs());
    EXPECT_EQ(hub.windowTitle(), QStringLiteral("Framory - v3.0.0"));
    EXPECT_EQ(FocusChain(&hub.Command5, 8), (std::vector<QString>{"Command5", "Command3", "Command4", "Command2",
                                                                  "Command8", "Check1", "Command7", "Command6"}));
}

TEST_F(HubTest, ButtonsOpenTheirDialogsOrTheCatalogueAndPreviewRunsTheShowAsAPreviewWithTheCheckBoxStored)
{
    frm_configuration hub(program, platform, shell, dialogs());
    ASSERT_TRUE(hub.Check1.isChecked());
    hub.Check1.setChecked(false);
    framory::testing::MessageBoxAnswerer watcher;
    for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{
             &hub.Command8, &hub.Command7, &hub.Command5, &hub.Command2, &hub.Command3, &hub.Command6}) {
        QTest::mouseClick(button, Qt::LeftButton);
    }
    EXPECT_EQ(opened, (std::vector<std::string>{"folders", "options", "password", "about", "show"}));
    EXPECT_TRUE(preview_flag);
    EXPECT_FALSE(program.config_preview);
    EXPECT_EQ(stored("show_filenames"), "0");
    // The catalogue program is missing.
    EXPECT_EQ(shell.opened, std::vector<std::string>{"empty/Obelin_Products.exe"});
    EXPECT_EQ(watcher.count, 1);
    EXPECT_EQ(watcher.text, QStringLiteral("Error Launching Obelin_Products.exe!\r\rPlease make sure you have this "
                                           "program installed properly!"));
}

TEST_F(HubTest, ExitAndTheCloseBoxBothSaveAndEndTheProgram)
{
    for (const bool use_exit : {true, false}) {
        ended = 0;
        auto* hub = new frm_configuration(program, platform, shell, dialogs());
        hub->setAttribute(Qt::WA_DeleteOnClose);
        hub->show();
        hub->Check1.setChecked(!use_exit);
        if (use_exit) {
            QTest::mouseClick(&hub->Command4, Qt::LeftButton);
        } else {
            hub->close();
        }
        EXPECT_EQ(ended, 1);
        EXPECT_EQ(stored("show_filenames"), use_exit ? "0" : "1");
        EXPECT_EQ(stored("folders_total"), "1");
    }
}

TEST(AboutBox, ShowsTheMakerAndOpensTheHomePageAsOftenAsAsked)
{
    RecordingShell shell;
    QtScreenMetrics screen;
    QtEventPump pump;
    frm_about about(shell, screen, pump);
    about.show();
    EXPECT_EQ(about.Label1[2].text(), QStringLiteral("Framory"));
    EXPECT_EQ(FocusChain(&about.Command1, 2), (std::vector<QString>{"Command1", "Command2"})) << "Ok comes first";
    QTest::mouseClick(&about.Command2, Qt::LeftButton);
    QTest::mouseClick(&about.Command2, Qt::LeftButton);
    EXPECT_EQ(shell.opened.size(), 2u);
    EXPECT_TRUE(about.isVisible()) << "the box stays open";
    QTest::mouseClick(&about.Command1, Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
}

} // namespace
} // namespace framory::qt
