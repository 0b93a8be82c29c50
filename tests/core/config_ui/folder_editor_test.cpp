#include "core/config_ui/folder_editor.h"

#include "core/startup/program.h"
#include "support/fake_platform.h"
#include "support/recording_components.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace framory::core {
namespace {

using testing::CallLog;

// The editor's window over plain containers; browsing logs what it did.
class FakeEditorWindow : public FolderEditorWindow {
public:
    explicit FakeEditorWindow(CallLog& log) : m_log(log) {}

    std::set<std::string> existing;
    std::set<std::string> unreadable_drives;
    std::string file_folder;
    std::string tree;
    std::string label;
    std::vector<std::string> items;
    std::vector<bool> selected;
    int capacity_messages = 0;
    FolderEditor* editor = nullptr;

    bool folder_exists(const std::string& folder) override { return existing.count(folder) != 0; }
    std::string file_list_folder() override { return file_folder; }
    void set_file_list_folder(const std::string& folder) override
    {
        m_log.add("files=" + folder);
        file_folder = folder;
    }
    std::string tree_folder() override { return tree; }
    void open_browser_at(const std::string& folder) override
    {
        m_log.add("open=" + folder);
        tree = folder;
        editor->Dir1_Change();
    }
    bool tree_to_drive(const std::string& drive) override
    {
        if (unreadable_drives.count(drive) != 0) {
            return false;
        }
        tree = drive;
        editor->Dir1_Change();
        return true;
    }
    void set_label(const std::string& text) override { label = text; }
    int list_count() override { return static_cast<int>(items.size()); }
    std::string list_item(int index) override { return items.at(static_cast<std::size_t>(index)); }
    bool list_selected(int index) override { return selected.at(static_cast<std::size_t>(index)); }
    void list_add(const std::string& text) override
    {
        items.push_back(text);
        selected.push_back(false);
    }
    void list_remove(int index) override
    {
        items.erase(items.begin() + index);
        selected.erase(selected.begin() + index);
    }
    void show_capacity_message() override { ++capacity_messages; }

private:
    CallLog& m_log;
};

class FolderEditorTest : public ::testing::Test {
protected:
    Program program;
    CallLog log;
    FakeEditorWindow window{log};
    testing::RecordingFXImage preview{log, "FXImage1"};
    testing::RecordingFXSnd sound{log, "FXSnd1"};
    testing::FakeStore store;
    testing::FakePump pump;
    FolderEditor editor{program, window, preview, sound, store, pump};

    void SetUp() override
    {
        window.editor = &editor;
        program.windows_dir = "/home/u/.local/share/Obelin Framory/";
        program.settings.dir_path = "/home/u/Pictures/";
        window.existing = {"/home/u/Pictures", "/home/u", "/home", "/home/u/.local/share/Obelin Framory"};
    }

    void browse(const std::string& folder) { window.file_folder = folder; }

    void fill(int count)
    {
        for (int i = 0; i < count; ++i) {
            window.list_add("/f/" + std::to_string(i) + "/");
        }
    }
};

TEST_F(FolderEditorTest, AddUsesTheBrowsedFolderWithASeparatorAndSkipsExactDuplicates)
{
    browse("/home/u/Pictures");
    editor.Command2_Click();
    editor.Command2_Click();
    browse("/home/u/pictures");
    editor.Command2_Click();
    browse("/");
    editor.Command2_Click();
    EXPECT_EQ(window.items, (std::vector<std::string>{"/home/u/Pictures/", "/home/u/pictures/", "/"}));
    EXPECT_EQ(window.capacity_messages, 0);
    EXPECT_EQ(window.label, "/") << "the label shows the folder as the file list reports it";
    EXPECT_EQ(program.settings.dir_path, "/");
}

TEST_F(FolderEditorTest, FiveHundredIsTheLimitAndTheMessageChangesNothing)
{
    fill(499);
    browse("/a");
    editor.Command2_Click();
    ASSERT_EQ(window.items.size(), 500u);
    EXPECT_EQ(window.items.back(), "/a/");
    EXPECT_EQ(window.capacity_messages, 0);

    const auto before = window.items;
    browse("/b");
    editor.Command2_Click();
    EXPECT_EQ(window.capacity_messages, 1);
    EXPECT_EQ(window.items, before);

    // A duplicate of a full list is still ignored without a message.
    browse("/a");
    editor.Command2_Click();
    EXPECT_EQ(window.capacity_messages, 1);
}

TEST_F(FolderEditorTest, RemoveTakesEverySelectedEntryAndKeepsTheOrderOfTheRest)
{
    struct Case {
        std::vector<bool> selected;
        std::vector<std::string> left;
    };
    const std::vector<Case> cases = {
        {{true, false, true, true, false}, {"/f/1/", "/f/4/"}},
        {{false, false, false, false, false}, {"/f/0/", "/f/1/", "/f/2/", "/f/3/", "/f/4/"}},
        {{true, true, true, true, true}, {}},
        {{false, true, true, false, false}, {"/f/0/", "/f/3/", "/f/4/"}},
    };
    for (const Case& c : cases) {
        window.items.clear();
        window.selected.clear();
        fill(5);
        window.selected = c.selected;
        editor.Command3_Click();
        EXPECT_EQ(window.items, c.left);
    }
}

TEST_F(FolderEditorTest, CloseStopsTheSoundWritesTheListAndSavesEverything)
{
    program.folders.folders_total = 4;
    for (int i = 1; i <= 4; ++i) {
        program.folders[i] = "/old/" + std::to_string(i) + "/";
    }
    window.list_add("/x/");
    window.list_add("/y/");
    program.settings.dir_path = "/y/";
    editor.Form_Unload();

    ASSERT_GE(log.calls.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(log.calls.begin(), log.calls.begin() + 3),
              (std::vector<std::string>{"FXSnd1.file=", "FXSnd1.command=11", "FXSnd1.command=1"}));
    EXPECT_EQ(program.folders.folders_total, 2);
    EXPECT_EQ(program.folders[1], "/x/");
    EXPECT_EQ(program.folders[2], "/y/");
    EXPECT_EQ(store.get("folders_total"), "2");
    EXPECT_EQ(store.get("folder1"), "/x/");
    EXPECT_EQ(store.get("folder2"), "/y/");
    EXPECT_FALSE(store.has("folder3"));
    EXPECT_EQ(store.get("dir_path"), "/y/");
}

TEST_F(FolderEditorTest, ClosingAnEmptyListStoresTheDefaultEntry)
{
    editor.Form_Unload();
    EXPECT_EQ(program.folders.folders_total, 1);
    EXPECT_EQ(store.get("folders_total"), "1");
    EXPECT_EQ(store.get("folder1"), "/home/u/.local/share/Obelin Framory/");
}

TEST_F(FolderEditorTest, LoadShowsTheListOrTheDefaultForAnEmptyOrNegativeCount)
{
    struct Case {
        int total;
        std::vector<std::string> shown;
    };
    const std::string fallback = "/home/u/.local/share/Obelin Framory/";
    for (const Case& c : std::vector<Case>{{0, {fallback}}, {-3, {fallback}}, {2, {"/p/1/", "/p/2/"}}}) {
        window.items.clear();
        program.folders.folders_total = c.total;
        program.folders[1] = "/p/1/";
        program.folders[2] = "/p/2/";
        editor.Form_Load();
        EXPECT_EQ(window.items, c.shown) << c.total;
        EXPECT_EQ(program.folders.folders_total, static_cast<int>(c.shown.size()));
    }
}

TEST_F(FolderEditorTest, ACountAboveTheRoomShowsFiveHundredAndClosingStoresThose)
{
    program.folders.folders_total = 620;
    for (int i = 1; i <= FolderList::kCapacity; ++i) {
        program.folders[i] = "/p/" + std::to_string(i) + "/";
    }
    editor.Form_Load();
    ASSERT_EQ(window.items.size(), 500u);
    EXPECT_EQ(window.items.back(), "/p/500/");
    editor.Form_Unload();
    EXPECT_EQ(store.get("folders_total"), "500");
}

TEST_F(FolderEditorTest, LoadOpensTheBrowserAtDirPathAndTheLabelFollows)
{
    editor.Form_Load();
    EXPECT_EQ(log.calls.front(), "open=/home/u/Pictures");
    EXPECT_EQ(window.file_folder, "/home/u/Pictures");
    EXPECT_EQ(window.label, "/home/u/Pictures");
    EXPECT_EQ(program.settings.dir_path, "/home/u/Pictures/");
}

TEST_F(FolderEditorTest, StartFolderFallsBackToTheNearestParentThenTheWindowsDirectory)
{
    struct Case {
        std::string dir_path;
        std::set<std::string> existing;
        std::string start;
    };
    const std::string win = "/data/Obelin Framory/";
    const std::vector<Case> cases = {
        {"/home/u/Pictures/", {"/home/u/Pictures", "/home/u"}, "/home/u/Pictures"},
        {"/home/u/Pictures/2019/", {"/home/u", "/home"}, "/home/u"},
        {"/media/u/STICK/pics/", {"/data/Obelin Framory", "/media"}, "/media"},
        {"/mnt/gone/", {"/data/Obelin Framory"}, "/data/Obelin Framory"},
        {"/mnt/gone/", {}, "/"},
        {"/", {"/data/Obelin Framory"}, "/data/Obelin Framory"},
        {"", {}, "/"},
    };
    for (const Case& c : cases) {
        window.existing = c.existing;
        EXPECT_EQ(StartFolder(c.dir_path, win, window), c.start) << c.dir_path;
    }
}

TEST_F(FolderEditorTest, FileFilterMatchesTheListedTypesWhateverTheCase)
{
    const std::vector<std::pair<std::string, bool>> names = {
        {"photo.jpg", true},   {"PHOTO.JPG", true},  {"Tune.Mid", true},    {"a.b.wpg", true},
        {"scan.TIF", true},    {"photo.jpeg", false}, {"scan.tiff", false}, {"tune.midi", false},
        {"notes.txt", false},  {"jpg", false},       {"photo.jpg.bak", false}, {".wav", true},
        {"xbmp", false},       {"clip.Wav", true},
    };
    for (const auto& [name, expected] : names) {
        EXPECT_EQ(MatchesFileFilter(name), expected) << name;
    }
    EXPECT_TRUE(MatchesFileFilter("a1.x", "*.q;?1.*"));
    EXPECT_FALSE(MatchesFileFilter("ab1.x", "?1.*"));
}

TEST_F(FolderEditorTest, PreviewPathHasOneSeparatorAtARoot)
{
    EXPECT_EQ(PreviewPath("/", "photo.bmp"), "/photo.bmp");
    EXPECT_EQ(PreviewPath("/home/u", "photo.bmp"), "/home/u/photo.bmp");
}

TEST_F(FolderEditorTest, FileClickPlaysSoundsByExtensionAndShowsPicturesAfterStoppingTheSound)
{
    struct Case {
        std::string name;
        std::vector<std::string> calls;
    };
    const std::vector<Case> cases = {
        {"TUNE.MID", {"FXSnd1.device=1", "FXSnd1.file=/m/TUNE.MID"}},
        {"tune.mid", {"FXSnd1.device=1", "FXSnd1.file=/m/tune.mid"}},
        {"bell.wav", {"FXSnd1.device=0", "FXSnd1.file=/m/bell.wav"}},
        {"cat.png",
         {"FXSnd1.file=", "FXSnd1.command=11", "FXSnd1.command=1", "FXImage1.file=/m/cat.png"}},
    };
    browse("/m");
    for (const Case& c : cases) {
        log.clear();
        editor.file1_Click(c.name);
        EXPECT_EQ(log.calls, c.calls) << c.name;
    }
    log.clear();
    browse("");
    editor.file1_Click("ab");
    EXPECT_TRUE(log.calls.empty()) << "a path of three characters or fewer is not previewed";
}

TEST_F(FolderEditorTest, ActivationEmptiesThePreviewAndShowsIt)
{
    editor.Form_Activate();
    EXPECT_EQ(log.calls, (std::vector<std::string>{"FXImage1.file=", "FXImage1.empty", "FXImage1.snapshot=3",
                                                   "FXImage1.refresh", "FXImage1.show"}));
}

TEST_F(FolderEditorTest, FolderClicksAndChangesClearThePreviewStopTheSoundAndSetThePath)
{
    editor.Dir1_Click("/home/u/Music");
    EXPECT_EQ(log.calls, (std::vector<std::string>{"FXImage1.file=", "FXImage1.refresh", "FXSnd1.file=",
                                                   "FXSnd1.command=11", "FXSnd1.command=1",
                                                   "files=/home/u/Music"}));
    EXPECT_EQ(program.settings.dir_path, "/home/u/Music/");
    EXPECT_EQ(window.tree, "") << "a single click leaves the tree's folder alone";

    log.clear();
    window.tree = "/srv";
    editor.Dir1_Change();
    EXPECT_EQ(log.calls.front(), "files=/srv");
    EXPECT_EQ(program.settings.dir_path, "/srv/");
    EXPECT_EQ(log.calls.back(), "FXSnd1.command=1");
}

TEST_F(FolderEditorTest, AnUnreadableDriveFallsBackToWhereTheUserWas)
{
    window.unreadable_drives = {"/media/u/CD"};
    editor.Drive1_Change("/media/u/CD");
    EXPECT_EQ(log.calls.front(), "open=/home/u/Pictures");
    EXPECT_EQ(window.file_folder, "/home/u/Pictures");

    log.clear();
    editor.Drive1_Change("/media/u/STICK");
    EXPECT_EQ(window.file_folder, "/media/u/STICK");
    EXPECT_EQ(program.settings.dir_path, "/media/u/STICK/");
}

} // namespace
} // namespace framory::core
