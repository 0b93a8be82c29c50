#include "qt/forms/frm_mgetfolder.h"

#include "../components/component_test_support.h"
#include "core/startup/program.h"
#include "form_test_support.h"
#include "qt/platform/desktop_services.h"
#include "qt/sound/sound_output.h"
#include "support/message_boxes.h"
#include "support/thread_count.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <unistd.h>
#include <vector>

namespace framory::qt {
namespace {

namespace fs = std::filesystem;
using framory::testing::RunEventsUntil;

void Touch(const fs::path& file)
{
    std::ofstream(file).put('x');
}

class FolderEditorFormTest : public ::testing::Test {
protected:
    framory::testing::TempFolder temp;
    fs::path pictures = temp.path() / "Pictures";
    fs::path data = temp.path() / "data";
    core::Program program;
    SettingsFileStore store{temp.path() / "Obelin Framory.ini"};
    QtEventPump pump;
    QtScreenMetrics screen;
    // Sound goes to a file through SDL's disk driver.
    framory::testing::ScopedEnvironment sdl{{"SDL_AUDIODRIVER", "disk"},
                                            {"SDL_DISKAUDIOFILE", (temp.path() / "audio.raw").string()}};
    SoundOutput sound;

    void SetUp() override
    {
        fs::create_directories(pictures / "sub");
        fs::create_directories(data);
        ASSERT_TRUE(framory::testing::Quarters(64, 48).save(QString::fromStdString((pictures / "cat.png").string())));
        // A sound of about a second.
        fs::copy_file(FRAMORY_SOUND_TEST_DATA "/sword_16bit_mono_44k.wav", pictures / "bell.wav");
        Touch(pictures / "Photo.JPG");
        Touch(pictures / "notes.txt");
        Touch(pictures / ".hidden.png");
        Touch(pictures / "scan.tiff");

        program.windows_dir = data.string() + "/";
        program.settings.dir_path = pictures.string() + "/";
        program.folders.folders_total = 0;
    }

    void set_folders(int count)
    {
        program.folders.folders_total = count;
        for (int i = 1; i <= count; ++i) {
            program.folders[i] = "/f" + std::to_string(i) + "/";
        }
    }

    std::unique_ptr<frm_mgetfolder> open_editor()
    {
        auto editor = std::make_unique<frm_mgetfolder>(program, store, pump, screen, sound);
        editor->show();
        EXPECT_TRUE(RunEventsUntil([&] { return editor->file_list_complete(); }));
        return editor;
    }

    // What a list shows, row by row.
    static QStringList rows(const QAbstractItemModel& model)
    {
        QStringList shown;
        for (int row = 0; row < model.rowCount(); ++row) {
            shown.append(model.index(row, 0).data().toString());
        }
        return shown;
    }
    static QStringList files_of(const frm_mgetfolder& editor) { return rows(editor.file_names()); }
    static QStringList items_of(const frm_mgetfolder& editor) { return rows(*editor.List1.model()); }

    static void click_file(frm_mgetfolder& editor, const QString& name)
    {
        const auto row = static_cast<int>(files_of(editor).indexOf(name));
        ASSERT_GE(row, 0) << name.toStdString();
        const QModelIndex index = editor.file_names().index(row);
        editor.file1.scrollTo(index);
        QTest::mouseClick(editor.file1.viewport(), Qt::LeftButton, {}, editor.file1.visualRect(index).center());
    }

    std::string settings_text() const { return framory::testing::ReadFile(temp.path() / "Obelin Framory.ini"); }
};

TEST_F(FolderEditorFormTest, ControlsDoNotOverlapAndTabFollowsTheDialogsOrder)
{
    auto editor = open_editor();
    const std::vector<QWidget*> controls = {&editor->Drive1,       &editor->Dir1,     &editor->file1,
                                            &editor->PreviewFrame, &editor->Label1,   &editor->Command2,
                                            &editor->Command3,     &editor->Command1, &editor->List1};
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const std::string name = controls[i]->objectName().toStdString();
        EXPECT_TRUE(controls[i]->isVisible()) << name;
        EXPECT_TRUE(editor->rect().contains(controls[i]->geometry())) << name;
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
            EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry()))
                << name << " and " << controls[j]->objectName().toStdString();
        }
    }
    // The picture sits inside the preview's frame, the path between the rules.
    EXPECT_TRUE(editor->PreviewFrame.geometry().contains(editor->FXImage1.geometry()));
    EXPECT_LT(editor->Line1.geometry().bottom(), editor->Label1.geometry().top());
    EXPECT_GT(editor->Line2.geometry().top(), editor->Label1.geometry().bottom());

    EXPECT_EQ(
        framory::testing::FocusChain(&editor->Drive1, 8),
        (std::vector<QString>{"Drive1", "Dir1", "file1", "Command1", "Command2", "List1", "Command3", "FXImage1"}));
}

TEST_F(FolderEditorFormTest, OpensAtDirPathOrItsNearestParentListingMatchingFilesWhateverTheCase)
{
    for (const fs::path& dir_path : {pictures, pictures / "gone" / "deeper"}) {
        program.settings.dir_path = dir_path.string() + "/";
        auto editor = open_editor();
        EXPECT_EQ(editor->Label1.text(), QString::fromStdString(pictures.string()));
        EXPECT_EQ(program.settings.dir_path, pictures.string() + "/");
        EXPECT_EQ(files_of(*editor), (QStringList{"bell.wav", "cat.png", "Photo.JPG"}));
        EXPECT_EQ(items_of(*editor), (QStringList{QString::fromStdString(data.string() + "/")}))
            << "an empty list shows the default entry";
        EXPECT_EQ(editor->Drive1.itemData(editor->Drive1.currentIndex()).toString(), QStringLiteral("/"));
    }
}

TEST_F(FolderEditorFormTest, The500thFolderIsAddedAndThe501stGetsTheCapacityMessage)
{
    for (const int before : {499, 500}) {
        set_folders(before);
        framory::testing::MessageBoxAnswerer messages;
        auto editor = open_editor();
        QTest::mouseClick(&editor->Command2, Qt::LeftButton);
        EXPECT_EQ(editor->List1.count(), 500) << before;
        EXPECT_EQ(messages.count, before == 500 ? 1 : 0);
        EXPECT_EQ(messages.text, before == 500 ? QStringLiteral("You can only add up to 500 folders!") : QString());
    }
}

TEST_F(FolderEditorFormTest, RemovingSelectedEntriesKeepsTheOrderOfTheRestAndAnEmptyListStoresTheDefault)
{
    set_folders(6);
    auto editor = open_editor();
    // Click, Ctrl+click and Ctrl+click, as a user picks three entries.
    const auto click_row = [&](int row, Qt::KeyboardModifiers keys) {
        const QRect rect = editor->List1.visualItemRect(editor->List1.item(row));
        QTest::mouseClick(editor->List1.viewport(), Qt::LeftButton, keys, rect.center());
    };
    click_row(1, {});
    click_row(3, Qt::ControlModifier);
    click_row(4, Qt::ControlModifier);
    ASSERT_EQ(editor->List1.selectedItems().size(), 3);
    QTest::mouseClick(&editor->Command3, Qt::LeftButton);
    EXPECT_EQ(items_of(*editor), (QStringList{"/f1/", "/f3/", "/f6/"}));

    editor->List1.selectAll();
    QTest::mouseClick(&editor->Command3, Qt::LeftButton);
    ASSERT_EQ(editor->List1.count(), 0);
    editor->close(); // the close box
    EXPECT_EQ(program.folders.folders_total, 1);
    const std::string text = settings_text();
    EXPECT_NE(text.find("folders_total=1\nfolder1=" + data.string() + "/\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("folder2="), std::string::npos) << text;
}

TEST_F(FolderEditorFormTest, ExitWritesTheListAndEverySettingToTheFileAFolderThatCannotBeReadIncluded)
{
    program.settings.scene_delay = 17;
    auto editor = open_editor();
    editor->List1.clear();
    // The first is gone between being shown in the tree and being clicked.
    for (const fs::path& folder : {temp.path() / "vanished", pictures / "sub", fs::path("/")}) {
        editor->Dir1_Click(QString::fromStdString(folder.string()));
        EXPECT_TRUE(RunEventsUntil([&] { return editor->file_list_complete(); }));
        EXPECT_TRUE(fs::exists(folder) || editor->file_names().rowCount() == 0) << "lists nothing";
        QTest::mouseClick(&editor->Command2, Qt::LeftButton);
    }
    QTest::mouseClick(&editor->Command1, Qt::LeftButton);
    EXPECT_FALSE(editor->isVisible());

    const std::string text = settings_text();
    for (const std::string& line : std::vector<std::string>{
             "[Options]\n", "folders_total=3\n", "folder1=" + (temp.path() / "vanished").string() + "/\n",
             "folder2=" + (pictures / "sub").string() + "/\n", "folder3=/\n", "dir_path=/\n", "scene_delay=17\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line << " in " << text;
    }
}

TEST_F(FolderEditorFormTest, EveryActivationEmptiesThePreviewAgain)
{
    auto editor = open_editor();
    ASSERT_TRUE(RunEventsUntil([&] { return !editor->FXImage1.isHidden(); }));
    QWidget other;
    for (int round = 0; round < 2; ++round) {
        click_file(*editor, QStringLiteral("cat.png"));
        ASSERT_TRUE(RunEventsUntil([&] { return editor->FXImage1.natural_width() == 64; })) << round;
        other.show();
        other.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
        editor->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(editor.get()));
        EXPECT_TRUE(RunEventsUntil([&] { return editor->FXImage1.natural_width() == 0; }))
            << "coming back to the editor empties the preview, round " << round;
    }
}

TEST_F(FolderEditorFormTest, ASoundClickPlaysItAndAPictureClickStopsItAndShowsThePicture)
{
    auto editor = open_editor();
    ASSERT_TRUE(RunEventsUntil([&] { return !editor->FXImage1.isHidden(); }));
    click_file(*editor, QStringLiteral("bell.wav"));
    EXPECT_EQ(editor->FXSnd1.device(), core::SoundDevice::Wave);
    EXPECT_EQ(editor->FXSnd1.sound_file(), pictures.string() + "/bell.wav");
    // An empty file name is the player's stop (its own tests hear it fall silent).
    click_file(*editor, QStringLiteral("cat.png"));
    EXPECT_TRUE(editor->FXSnd1.sound_file().empty());
    ASSERT_TRUE(RunEventsUntil([&] { return !editor->FXImage1.effect_running(); }));
    EXPECT_EQ(editor->FXImage1.load_status(), 0);
    EXPECT_EQ(editor->FXImage1.natural_width(), 64);
    const media::Image& frame = editor->FXImage1.shown_frame();
    ASSERT_GT(frame.width(), 0);
    EXPECT_LE(framory::testing::ChannelDistance(frame.at(frame.width() / 4, frame.height() / 4), 0xffff0000u), 24);

    // The arrow keys preview as they move: the next file is not a picture.
    QTest::keyClick(&editor->file1, Qt::Key_Down);
    EXPECT_NE(editor->FXImage1.load_status(), 0);
    QTest::keyClick(&editor->file1, Qt::Key_Up);
    EXPECT_EQ(editor->FXImage1.load_status(), 0);

    // Another folder empties the preview.
    editor->Dir1_Click(QString::fromStdString((pictures / "sub").string()));
    EXPECT_NE(editor->FXImage1.shown_frame().at(frame.width() / 4, frame.height() / 4), 0xffff0000u);
}

// A folder of 100 000 pictures, made in memory where the system offers a
// memory file system (twenty times faster to make than on a disk).
TEST_F(FolderEditorFormTest, AFolderOf100000FilesIsListedWhileTheDialogGoesOnAndClosingEndsItsListing)
{
    constexpr int kFiles = 100000;
    const fs::path shm = "/dev/shm";
    std::error_code error;
    framory::testing::TempFolder memory(
        fs::is_directory(shm, error) && ::access(shm.c_str(), W_OK) == 0 ? shm : fs::temp_directory_path());
    const fs::path huge_path = memory.path() / "huge";
    fs::create_directories(huge_path / "inside");
    char name[32];
    for (int i = 0; i < kFiles; ++i) {
        std::snprintf(name, sizeof name, "p%06d.jpg", kFiles - 1 - i);
        const int fd = ::open((huge_path / name).c_str(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }
    const QString huge = QString::fromStdString(huge_path.string());

    auto editor = open_editor();
    // A double click: the tree opens the folder and reads its subfolders
    // while the file list reads its files, all of them, sorted once read.
    editor->Dir1_Open(huge);
    EXPECT_EQ(editor->Label1.text(), huge);
    const auto tree_read = [&] {
        const QModelIndex current = editor->Dir1.currentIndex();
        return editor->Dir1.model()->rowCount(current) == 1 &&
               editor->Dir1.model()->index(0, 0, current).data().toString() == QStringLiteral("inside");
    };
    ASSERT_TRUE(RunEventsUntil([&] { return editor->file_list_complete() && tree_read(); }));
    ASSERT_EQ(editor->file_names().rowCount(), kFiles);
    EXPECT_EQ(editor->file_names().name(0), QStringLiteral("p000000.jpg"));

    // Browsing on before the listing ends drops it: the small folder's
    // files, and only those, are shown.
    editor->Dir1_Click(huge);
    editor->Dir1_Click(QString::fromStdString(pictures.string()));
    ASSERT_TRUE(RunEventsUntil([&] { return editor->file_list_complete(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(files_of(*editor), (QStringList{"bell.wav", "cat.png", "Photo.JPG"}));

    // Closing while the huge folder is read leaves no thread behind, and
    // nothing of the listing arrives afterwards.
    const int threads = framory::testing::ThreadCount();
    editor->Dir1_Click(huge);
    editor->close();
    EXPECT_LE(framory::testing::ThreadCount(), threads);
    const int listed = editor->file_names().rowCount();
    QCoreApplication::processEvents();
    EXPECT_EQ(editor->file_names().rowCount(), listed);
}

} // namespace
} // namespace framory::qt
