#include "qt/forms/frm_about.h"
#include "qt/forms/frm_configuration.h"

#include "../platform/temp_folder.h"
#include "core/settings/settings.h"
#include "core/startup/program.h"
#include "app/desktop_platform.h"
#include "qt/platform/settings_file_store.h"
#include "support/message_boxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace framory::qt {
namespace {

using framory::testing::TempFolder;

class RecordingShell : public core::Shell {
public:
    int result = 2;
    std::vector<std::string> opened;
    int ShellExecute(const std::string& file) override
    {
        opened.push_back(file);
        return result;
    }
};

std::vector<QString> focus_chain(QWidget* first, int count)
{
    std::vector<QString> names;
    QWidget* w = first;
    for (int i = 0; i < count; ++i) {
        names.push_back(w->objectName());
        w = w->nextInFocusChain();
        while (w->focusPolicy() == Qt::NoFocus || w->objectName().isEmpty()) {
            w = w->nextInFocusChain();
        }
    }
    return names;
}

class HubTest : public ::testing::Test {
protected:
    TempFolder home;
    std::unique_ptr<DesktopPlatform> platform;
    core::Program program;
    RecordingShell shell;
    std::vector<std::string> opened;
    int ended = 0;
    bool preview_flag = false;

    void SetUp() override
    {
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((home.path() / "config").string()));
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString((home.path() / "data").string()));
        platform = std::make_unique<DesktopPlatform>(DisplayKind::Offscreen);
        program.windows_dir = (home.path() / "data").string() + "/";
    }

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

    std::string stored(const std::string& key)
    {
        SettingsFileStore store(platform->store().file());
        return store.read("Options", key, "(missing)");
    }
};

TEST_F(HubTest, TitleLayoutTooltipsAndTabOrder)
{
    frm_configuration hub(program, *platform, shell, dialogs());
    EXPECT_EQ(hub.windowTitle(), QStringLiteral("Framory - v3.0.0"));
    EXPECT_EQ(hub.Image1.pixmap().size(), QSize(320, 240));
    EXPECT_EQ(hub.Command8.icon().availableSizes().value(0), QSize(32, 32));
    EXPECT_EQ(hub.Command8.text(), QStringLiteral("Edit Display Folders"));
    EXPECT_EQ(hub.Command6.toolTip(), QStringLiteral("Click here to preview the screen saver!"));
    EXPECT_EQ(hub.Command3.toolTip(), QStringLiteral("Click here to learn about other Obelin Software products"));
    EXPECT_EQ(hub.Check1.text(), QStringLiteral("Display Filenames"));
    EXPECT_TRUE(hub.Check1.font().bold());
    EXPECT_EQ(focus_chain(&hub.Command5, 8), (std::vector<QString>{"Command5", "Command3", "Command4", "Command2",
                                                                   "Command8", "Check1", "Command7", "Command6"}));
}

TEST_F(HubTest, ButtonsOpenTheirDialogs)
{
    frm_configuration hub(program, *platform, shell, dialogs());
    QTest::mouseClick(&hub.Command8, Qt::LeftButton);
    QTest::mouseClick(&hub.Command7, Qt::LeftButton);
    QTest::mouseClick(&hub.Command5, Qt::LeftButton);
    QTest::mouseClick(&hub.Command2, Qt::LeftButton);
    EXPECT_EQ(opened, (std::vector<std::string>{"folders", "options", "password", "about"}));
}

TEST_F(HubTest, PreviewStoresTheCheckBoxAndRunsTheShowAsAPreview)
{
    frm_configuration hub(program, *platform, shell, dialogs());
    ASSERT_TRUE(hub.Check1.isChecked());
    hub.Check1.setChecked(false);
    QTest::mouseClick(&hub.Command6, Qt::LeftButton);
    EXPECT_EQ(opened, std::vector<std::string>{"show"});
    EXPECT_TRUE(preview_flag);
    EXPECT_FALSE(program.config_preview);
    EXPECT_EQ(stored("show_filenames"), "0");
}

TEST_F(HubTest, MissingCatalogueProgramShowsTheErrorBox)
{
    frm_configuration hub(program, *platform, shell, dialogs());
    framory::testing::MessageBoxAnswerer watcher;
    QTest::mouseClick(&hub.Command3, Qt::LeftButton);
    EXPECT_EQ(shell.opened, std::vector<std::string>{"empty/Obelin_Products.exe"});
    EXPECT_EQ(watcher.count, 1);
    EXPECT_EQ(watcher.title, QStringLiteral("Error!"));
    EXPECT_EQ(watcher.text, QStringLiteral("Error Launching Obelin_Products.exe!\r\rPlease make sure you have this "
                                           "program installed properly!"));
    EXPECT_EQ(watcher.icon, QMessageBox::NoIcon);
}

TEST_F(HubTest, ExitAndTheCloseBoxBothSaveAndEndTheProgram)
{
    for (const bool use_exit : {true, false}) {
        ended = 0;
        auto* hub = new frm_configuration(program, *platform, shell, dialogs());
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
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About This Screen Saver..."));
    EXPECT_EQ(about.Label1[2].text(), QStringLiteral("Framory"));
    EXPECT_TRUE(about.Label1[2].font().bold());
    EXPECT_EQ(about.Label1[1].text(), QStringLiteral("Developed By:"));
    EXPECT_EQ(about.Image1.pixmap().size(), QSize(150, 112));
    EXPECT_EQ(about.Command2.toolTip(), QStringLiteral("Click here to launch your browser to our internet home page!"));
    EXPECT_EQ(about.Command1.toolTip(), QStringLiteral("Click here to exit this screen"));
    EXPECT_EQ(focus_chain(&about.Command1, 2), (std::vector<QString>{"Command1", "Command2"})) << "Ok comes first";
    QTest::mouseClick(&about.Command2, Qt::LeftButton);
    QTest::mouseClick(&about.Command2, Qt::LeftButton);
    EXPECT_EQ(shell.opened.size(), 2u);
    EXPECT_TRUE(about.isVisible()) << "the box stays open";
    QTest::mouseClick(&about.Command1, Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
}

} // namespace
} // namespace framory::qt
