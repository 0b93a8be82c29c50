#include "qt/forms/frm_options.h"

#include "../components/component_test_support.h"
#include "core/settings/settings.h"
#include "core/startup/program.h"
#include "form_test_support.h"
#include "qt/platform/desktop_services.h"
#include "qt/platform/volume_control.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

// Texts in failure messages, readable.
static void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace framory::qt {
namespace {

class RecordingShell : public core::Shell {
public:
    std::vector<std::string> files;
    int ShellExecute(const std::string& file) override
    {
        files.push_back(file);
        return 2; // not found, as on a desktop without a volume control
    }
};

// A click on an option button's round mark: only the mark and the caption
// answer clicks, not the empty rest of the button's box.
void click(QRadioButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

class OptionsFormTest : public ::testing::Test {
protected:
    framory::testing::TempFolder folder;
    std::filesystem::path file = folder.path() / "Obelin Framory.ini";
    SettingsFileStore store{file};
    core::Program program;
    QtScreenMetrics screen;
    QtEventPump pump;
    RecordingShell shell;
    int password_dialogs = 0;

    void SetUp() override
    {
        program.windows_dir = (folder.path() / "data").string() + "/";
        program.program_folder = folder.path().string() + "/";
    }

    // The hub loads the settings before it opens the dialog.
    void load(const std::map<std::string, std::string>& stored = {})
    {
        for (const auto& [key, value] : stored) {
            store.write("Options", key, value);
        }
        core::LoadSettings(program, store);
    }

    std::unique_ptr<frm_options> open(std::int32_t platform_id = kLinuxPlatformId)
    {
        auto dialog = std::make_unique<frm_options>(program, store, screen, pump, shell, platform_id,
                                                    [this] { ++password_dialogs; });
        dialog->show();
        return dialog;
    }

    // What a later process reads from the settings file.
    std::string saved(const std::string& key) { return framory::testing::StoredOption(file, key, "missing"); }
};

TEST_F(OptionsFormTest, TextsFitTheirBoxesAndEachTooltipSitsOnItsControl)
{
    load();
    auto dialog = open();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Screen Saver Options"));
    EXPECT_FALSE(dialog->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(dialog->texts_fit()) << "at " << dialog->text_point_size() << " pt";
    EXPECT_GE(dialog->text_point_size(), 7.0);
    EXPECT_EQ(dialog->Frame8.title(), QStringLiteral("Picture duration (seconds)"));
    for (const auto& [label, text] : {std::pair{&dialog->Label3, "Fine"}, std::pair{&dialog->Label2, "Coarse"},
                                      std::pair{&dialog->Label4, "Faster"}, std::pair{&dialog->Label5, "Slower"}}) {
        EXPECT_EQ(label->text(), QString::fromLatin1(text));
    }
    // The groups' tips sit on their frames, the buttons' on the buttons.
    std::set<QString> with_tips;
    for (const QWidget* widget : dialog->findChildren<QWidget*>()) {
        if (!widget->toolTip().isEmpty()) {
            with_tips.insert(widget->objectName());
        }
    }
    EXPECT_EQ(with_tips, (std::set<QString>{"Frame5", "Frame9", "Frame6", "Option6", "Option7", "Option14", "Option8",
                                            "Option9", "Option2", "Option1", "Command3", "Option12", "Option13",
                                            "Option18", "Option19", "Command2", "Command1"}));
    EXPECT_EQ(dialog->Frame9.toolTip(),
              QStringLiteral("Background gradient fills look best in color modes higher than 256 colors."));
    EXPECT_EQ(dialog->Option7.toolTip(),
              QStringLiteral("Scale pictures to 80% of screen dimension.  This leaves a border around the screen."));
    EXPECT_EQ(dialog->Command3.toolTip(),
              QStringLiteral("Click here to adjust your system's audio settings (If available)"));
    EXPECT_EQ(dialog->Command2.text(), QStringLiteral("Change &Password"));
    EXPECT_EQ(dialog->Command1.text(), QStringLiteral("&Ok"));
}

TEST_F(OptionsFormTest, EveryButtonWritesItsFieldAndTheFileHoldsItAfterOk)
{
    struct Case {
        int number;
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {14, "scale_flag", "0"},   {7, "scale_flag", "85"},   {6, "scale_flag", "100"},  {8, "border_active", "1"},
        {9, "border_active", "0"}, {2, "sound_on", "1"},      {1, "sound_on", "0"},      {10, "wallpaper", "1"},
        {11, "wallpaper", "0"},    {15, "cancel_mode", "4"},  {16, "cancel_mode", "7"},  {17, "cancel_mode", "9"},
        {3, "effect_speed", "3"},  {4, "effect_speed", "2"},  {5, "effect_speed", "1"},  {12, "gradient", "1"},
        {13, "gradient", "0"},     {18, "random_order", "0"}, {19, "random_order", "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        // A stored value that no button stands for, so each click shows.
        load({{c.key, "-5"}});
        auto dialog = open();
        QRadioButton* button = dialog->option(c.number);
        ASSERT_NE(button, nullptr);
        click(button);
        EXPECT_EQ(saved(c.key), "-5") << "nothing reaches the file before the dialog closes";
        QTest::mouseClick(&dialog->Command1, Qt::LeftButton);
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(saved(c.key), c.value);
    }
}

TEST_F(OptionsFormTest, CloseBoxSavesAsOkDoesAndEscapeDoesNotClose)
{
    load();
    auto dialog = open();
    click(&dialog->Option7);
    dialog->HScroll2.setFocus();
    QTest::keyClick(&dialog->HScroll2, Qt::Key_End);
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_TRUE(dialog->isVisible()) << "there is no cancel";
    dialog->close();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(saved("scale_flag"), "85");
    EXPECT_EQ(saved("effect_grain"), "15");
    EXPECT_EQ(saved("folders_total"), "1") << "the whole record is written";
}

TEST_F(OptionsFormTest, TabOrderFollowsTheDesignAndEntersGroupsAtTheirSelection)
{
    load({{"cancel_mode", "5"}, {"scale_flag", "85"}});
    auto dialog = open();
    // Tab visits each group once, at its selected button; a group with
    // nothing selected (the unmatched cancel mode) at its first. The arrow
    // keys move within a group.
    QApplication::setActiveWindow(dialog.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    const std::vector<QString> tabbed{"Option7",  "Option8",  "Option2",  "Command3", "Option11",
                                      "Option15", "HScroll2", "HScroll3", "Option4",  "HScroll1",
                                      "Option12", "Option18", "Command2", "Command1", "Option7"};
    std::vector<QString> seen;
    for (std::size_t i = 0; i < tabbed.size(); ++i) {
        seen.push_back(QApplication::focusWidget() != nullptr ? QApplication::focusWidget()->objectName() : "none");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(seen, tabbed);
    std::vector<QString> back;
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        back.push_back(QApplication::focusWidget()->objectName());
    }
    EXPECT_EQ(back, (std::vector<QString>{"Option7", "Command1", "Command2", "Option18"}))
        << "back into a group, at its selection";
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    EXPECT_EQ(QApplication::focusWidget(), &dialog->Option19);
    EXPECT_EQ(program.settings.random_order, 1) << "an arrow key picks the next button of the group";
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), &dialog->Option19) << "the new selection is the group's stop";
}

TEST_F(OptionsFormTest, SlidersHaveTheirRangesAndLabel1FollowsTheDuration)
{
    load({{"scene_delay", "20"}, {"effect_grain", "9"}, {"effect_delay", "4"}});
    auto dialog = open();
    // Each bar goes from its least to its greatest value and no further.
    struct Case {
        QScrollBar* bar;
        std::int16_t& field;
        int minimum, maximum;
    };
    for (const Case& c : {Case{&dialog->HScroll2, program.settings.effect_grain, 2, 15},
                          Case{&dialog->HScroll3, program.settings.effect_delay, 2, 20}}) {
        SCOPED_TRACE(c.bar->objectName().toStdString());
        for (const auto& [key, value] : {std::pair{Qt::Key_End, c.maximum}, std::pair{Qt::Key_Right, c.maximum},
                                         std::pair{Qt::Key_Home, c.minimum}, std::pair{Qt::Key_Left, c.minimum}}) {
            QTest::keyClick(c.bar, key);
            EXPECT_EQ(c.field, value);
        }
    }
    dialog->HScroll2.setValue(9);
    dialog->HScroll3.setValue(4);
    EXPECT_EQ(dialog->Label1.text(), QStringLiteral("20"));
    // The duration moves by a second on an arrow and by five on a page, and
    // its label follows; the ends stop it.
    for (const auto& [key, value] :
         {std::pair{Qt::Key_End, 60}, std::pair{Qt::Key_Home, 5}, std::pair{Qt::Key_PageDown, 10},
          std::pair{Qt::Key_Right, 11}, std::pair{Qt::Key_PageUp, 6}, std::pair{Qt::Key_Left, 5},
          std::pair{Qt::Key_Left, 5}, std::pair{Qt::Key_Down, 6}, std::pair{Qt::Key_PageDown, 11}}) {
        QTest::keyClick(&dialog->HScroll1, key);
        EXPECT_EQ(program.settings.scene_delay, value) << key;
        EXPECT_EQ(dialog->Label1.text(), QString::number(value)) << key;
    }

    // A dragged thumb changes nothing until it is let go.
    dialog->HScroll1.setSliderDown(true);
    dialog->HScroll1.setSliderPosition(40);
    EXPECT_EQ(program.settings.scene_delay, 11);
    EXPECT_EQ(dialog->Label1.text(), QStringLiteral("11"));
    dialog->HScroll1.setSliderDown(false);
    EXPECT_EQ(program.settings.scene_delay, 40);
    EXPECT_EQ(dialog->Label1.text(), QStringLiteral("40"));

    QTest::keyClick(&dialog->HScroll2, Qt::Key_Left);
    EXPECT_EQ(program.settings.effect_grain, 8);
    QTest::mouseClick(&dialog->Command1, Qt::LeftButton);
    EXPECT_EQ(saved("scene_delay"), "40");
    EXPECT_EQ(saved("effect_grain"), "8");
    EXPECT_EQ(saved("effect_delay"), "4");
}

TEST_F(OptionsFormTest, UnmatchedOrOutOfRangeValuesOpenAndAreSavedBackUnchanged)
{
    load({{"cancel_mode", "5"}, {"effect_speed", "0"}, {"scene_delay", "300"}, {"effect_grain", "1"}});
    auto dialog = open();
    for (QRadioButton* button : {&dialog->Option15, &dialog->Option16, &dialog->Option17, &dialog->Option3,
                                 &dialog->Option4, &dialog->Option5}) {
        EXPECT_FALSE(button->isChecked()) << button->objectName().toStdString();
    }
    EXPECT_TRUE(dialog->Option6.isChecked()) << "the other groups show their values";
    EXPECT_TRUE(dialog->Option11.isChecked());
    EXPECT_TRUE(dialog->Frame7.isEnabled()) << "Linux is not the NT family";
    EXPECT_EQ(dialog->HScroll1.value(), 60);
    EXPECT_EQ(dialog->Label1.text(), QStringLiteral("300"));
    EXPECT_EQ(dialog->HScroll2.value(), 2);
    QTest::mouseClick(&dialog->Command1, Qt::LeftButton);
    EXPECT_EQ(saved("cancel_mode"), "5");
    EXPECT_EQ(saved("effect_speed"), "0");
    EXPECT_EQ(saved("scene_delay"), "300");
    EXPECT_EQ(saved("effect_grain"), "1");

    // The NT family greys the wallpaper group and turns the wallpaper off.
    load({{"wallpaper", "1"}});
    dialog = open(core::kPlatformWin32Nt);
    EXPECT_FALSE(dialog->Option10.isEnabled());
    EXPECT_TRUE(dialog->Option11.isChecked());
    dialog->close();
    EXPECT_EQ(saved("wallpaper"), "0");
}

TEST_F(OptionsFormTest, PasswordAndAudioButtonsCallOutAndLeaveTheDialogAsItWas)
{
    load();
    auto dialog = open();
    QTest::mouseClick(&dialog->Command2, Qt::LeftButton);
    EXPECT_EQ(password_dialogs, 1);
    QTest::mouseClick(&dialog->Command3, Qt::LeftButton);
    EXPECT_EQ(shell.files, std::vector<std::string>{"SNDVOL32.EXE"});
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(std::filesystem::exists(file)) << "neither button saves";
}

TEST(VolumeControlTest, DesktopsGetTheirOwnSoundSettingsAfterTheMixer)
{
    const auto first_two = [](const QString& desktop) {
        const std::vector<LaunchCommand> commands = VolumeControlCommands(desktop);
        return std::vector<LaunchCommand>(commands.begin(), commands.begin() + 2);
    };
    const LaunchCommand mixer{QStringLiteral("pavucontrol"), {}};
    const std::pair<const char*, LaunchCommand> desktops[] = {
        {"ubuntu:GNOME", {"gnome-control-center", {"sound"}}},
        {"KDE", {"systemsettings", {"kcm_pulseaudio"}}},
        {"X-Cinnamon", {"cinnamon-settings", {"sound"}}},
        {"MATE", {"mate-volume-control", {}}},
    };
    for (const auto& [desktop, own] : desktops) {
        EXPECT_EQ(first_two(QString::fromLatin1(desktop)), (std::vector<LaunchCommand>{mixer, own})) << desktop;
    }
    // Unknown or no desktop: every desktop's tool is still tried, each once.
    const std::vector<LaunchCommand> all = VolumeControlCommands(QString());
    EXPECT_EQ(all, VolumeControlCommands(QStringLiteral("Sway")));
    EXPECT_EQ(all.size(), VolumeControlCommands(QStringLiteral("GNOME:KDE")).size());
    EXPECT_EQ(all.front(), mixer);
}

TEST(VolumeControlTest, TheShellStartsTheFirstThatStartsAndPassesOtherFilesOn)
{
    RecordingShell other;
    std::vector<QString> tried;
    QString installed = QStringLiteral("gnome-control-center");
    VolumeControlShell shell(
        other,
        [&](const LaunchCommand& command) {
            tried.push_back(command.program);
            return command.program == installed;
        },
        QStringLiteral("GNOME"));
    EXPECT_GT(shell.ShellExecute("sndvol32.exe"), 32);
    EXPECT_EQ(tried, (std::vector<QString>{"pavucontrol", "gnome-control-center"}));
    EXPECT_TRUE(other.files.empty());

    installed.clear();
    tried.clear();
    EXPECT_LE(shell.ShellExecute("SNDVOL32.EXE"), 32);
    EXPECT_EQ(tried.size(), VolumeControlCommands(QStringLiteral("GNOME")).size());

    EXPECT_EQ(shell.ShellExecute("/opt/obelin/Obelin_Products.exe"), 2);
    EXPECT_EQ(other.files, std::vector<std::string>{"/opt/obelin/Obelin_Products.exe"});
    EXPECT_FALSE(StartDetached({QStringLiteral("framory-no-such-volume-control"), {}}));
}

} // namespace
} // namespace framory::qt
