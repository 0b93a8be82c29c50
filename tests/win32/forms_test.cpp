// The configuration dialogs of the Windows front end in this process, on
// the private X server: their captions fit, the keyboard visits what the
// design says, their controls reach the settings record, and the folder
// editor neither waits for a slow folder nor misses the moments it becomes
// active.
#include "core/config_ui/about.h"
#include "core/config_ui/folder_editor.h"
#include "core/settings/schema.h"
#include "core/startup/program.h"
#include "saver_under_test.h"
#include "support/fake_platform.h"
#include "win32/forms/frm_about.h"
#include "win32/forms/frm_mgetfolder.h"
#include "win32/forms/frm_options.h"
#include "win32/platform/system_services.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace framory::win32::testing {
namespace {

class RecordingShell : public core::Shell {
public:
    std::vector<std::string> started;
    int ShellExecute(const std::string& file) override
    {
        started.push_back(file);
        return 2;
    }
};

// Pictures for the editor's preview: a small grey square for any path.
class RecordingPictures : public PictureSource {
public:
    std::vector<std::string> paths;
    media::DecodeResult decode(const std::string& path, media::Size) override
    {
        paths.push_back(path);
        media::DecodeResult result;
        result.status = media::DecodeStatus::Ok;
        result.natural = {10, 10};
        result.image = media::Image(10, 10, media::Argb(128, 128, 128));
        return result;
    }
};

class FormsTest : public ::testing::Test {
protected:
    core::Program program;
    framory::testing::FakeStore store;
    Win32ScreenMetrics screen;
    Win32EventPump pump;
    RecordingShell shell;
    Twips twips{screen.twips_per_pixel_x(), screen.twips_per_pixel_y()};

    // The controls the Tab key visits, from the first stop round to it again.
    static std::vector<HWND> tab_stops(HWND dialog)
    {
        std::vector<HWND> stops;
        for (HWND at = GetNextDlgTabItem(dialog, nullptr, FALSE); at != nullptr && stops.size() < 64;
             at = GetNextDlgTabItem(dialog, at, FALSE)) {
            if (!stops.empty() && at == stops.front()) {
                break;
            }
            stops.push_back(at);
        }
        return stops;
    }

    static std::vector<HWND> named(FormControls& controls, std::initializer_list<const char*> names)
    {
        std::vector<HWND> windows;
        for (const char* name : names) {
            windows.push_back(controls.get(name));
        }
        return windows;
    }
};

TEST_F(FormsTest, CaptionsFitTheKeyboardFollowsTheDesignAndTooltipsAreAttached)
{
    frmAbout about(shell, screen, pump);
    ASSERT_TRUE(about.create(nullptr, twips));
    program.settings.wallpaper = 1;
    frmOptions options(program, store, screen, pump, shell, {});
    ASSERT_TRUE(options.create(nullptr, twips, core::kPlatformWin32Nt));
    RecordingPictures pictures;
    frmMGetFolder editor(program, store, screen, pump, pictures);
    ASSERT_TRUE(editor.create(nullptr, twips));

    struct Case {
        ConfigForm* form;
        // The stops of the keyboard with the record's defaults: one per group
        // of option buttons, at the selected one; the wallpaper group is
        // greyed out on the NT family and skipped.
        std::vector<HWND> stops;
        const char* control;
        std::string_view tooltip;
    };
    const std::vector<Case> cases = {
        {&about, named(about.controls(), {"Command1", "Command2"}), "Command2",
         core::FindControlText(core::kAboutButtons, "Command2").tooltip},
        {&options,
         named(options.controls(), {"Option6", "Option8", "Option2", "Command3", "Option16", "HScroll2", "HScroll3",
                                    "Option4", "HScroll1", "Option12", "Option18", "Command2", "Command1"}),
         "Option7", core::FindOptionButton(7)->tooltip},
        {&editor,
         named(editor.controls(),
               {"Drive1", "Dir1", "file1", "Command1", "Command2", "List1", "Command3", "FXImage1"}),
         "List1", core::kList1Tooltip},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control);
        EXPECT_TRUE(c.form->controls().texts_fit()) << "at " << c.form->controls().points() << " points";
        EXPECT_EQ(tab_stops(c.form->window()), c.stops);
        EXPECT_EQ(c.form->tooltips().text(c.form->controls().get(c.control)), c.tooltip);
    }
    EXPECT_FALSE(IsWindowEnabled(options.controls().get("Option10")));
    EXPECT_EQ(program.settings.wallpaper, 0);
}

TEST_F(FormsTest, OptionButtonsAndSlidersWriteTheirFieldsAndClosingSaves)
{
    frmOptions options(program, store, screen, pump, shell, {});
    ASSERT_TRUE(options.create(nullptr, twips, 0));
    ShowWindow(options.window(), SW_SHOW);
    for (const core::OptionButton& button : core::kOptionButtons) {
        SendMessageA(options.controls().get("Option" + std::to_string(button.number)), BM_CLICK, 0, 0);
        EXPECT_EQ(core::NumberOf(program.settings, *core::GroupInfo(button.group).field), button.value) << "Option" << button.number;
        for (const core::OptionButton& other : core::kOptionButtons) {
            if (other.group == button.group) {
                const LRESULT check =
                    SendMessageA(options.controls().get("Option" + std::to_string(other.number)), BM_GETCHECK, 0, 0);
                EXPECT_EQ(check == BST_CHECKED, other.number == button.number) << "Option" << other.number;
            }
        }
    }

    struct Move {
        const char* slider;
        int request;
        int thumb;
        std::int32_t expected;
    };
    // The duration starts at its default of 5; the grain at 7, the delay at 10.
    const Move moves[] = {
        {"HScroll1", SB_LINERIGHT, 0, 6},    {"HScroll1", SB_PAGERIGHT, 0, 11}, {"HScroll1", SB_RIGHT, 0, 60},
        {"HScroll1", SB_THUMBTRACK, 30, 60}, {"HScroll1", SB_THUMBPOSITION, 30, 30},
        {"HScroll1", SB_LEFT, 0, 5},         {"HScroll1", SB_LINELEFT, 0, 5},   {"HScroll2", SB_PAGELEFT, 0, 6},
        {"HScroll3", SB_RIGHT, 0, 20},
    };
    for (const Move& move : moves) {
        HWND bar = options.controls().get(move.slider);
        SendMessageA(options.window(), WM_HSCROLL, MAKEWPARAM(move.request, move.thumb), reinterpret_cast<LPARAM>(bar));
        const std::int32_t field = std::string_view(move.slider) == "HScroll1"   ? program.settings.scene_delay
                                   : std::string_view(move.slider) == "HScroll2" ? program.settings.effect_grain
                                                                                 : program.settings.effect_delay;
        EXPECT_EQ(field, move.expected) << move.slider << " " << move.request;
        EXPECT_EQ(GetScrollPos(bar, SB_CTL), move.expected);
    }
    char duration[8] = {};
    GetWindowTextA(options.controls().get("Label1"), duration, sizeof duration);
    EXPECT_STREQ(duration, "5");

    SendMessageA(options.controls().get("Command3"), BM_CLICK, 0, 0);
    EXPECT_EQ(shell.started, std::vector<std::string>{"SNDVOL32.EXE"});
    PostMessageA(options.window(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(options.window()); }));
    EXPECT_EQ(store.get("scale_flag"), "100");
    EXPECT_EQ(store.get("random_order"), "1");
    EXPECT_EQ(store.get("effect_delay"), "20");
}

TEST_F(FormsTest, ASlowFolderNeverHoldsTheEditorAndEachActivationEmptiesThePreview)
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    program.settings.dir_path = temp;
    const std::string slow = std::string(temp).substr(0, std::string(temp).size() - 1);

    // The browsed folder answers only when the test lets it, and then with
    // more names than the file list takes at one time.
    std::mutex mutex;
    std::condition_variable released;
    bool release = false;
    const FolderReader reader = [&](const std::string& folder, const std::function<bool()>& wanted) {
        if (_stricmp(folder.c_str(), slow.c_str()) != 0) {
            return ReadFolder(folder, wanted);
        }
        std::unique_lock lock(mutex);
        released.wait(lock, [&] { return release; });
        FolderContents contents;
        for (int i = 4999; i >= 0; --i) {
            contents.files.push_back("picture" + std::to_string(i) + ".jpg");
        }
        std::sort(contents.files.begin(), contents.files.end(), ListOrder);
        return contents;
    };
    RecordingPictures pictures;
    {
        frmMGetFolder editor(program, store, screen, pump, pictures, reader);
        ASSERT_TRUE(editor.create(nullptr, twips));
        HWND files = editor.controls().get("file1");
        EXPECT_FALSE(editor.file_list_complete());
        ShowWindow(editor.window(), SW_SHOW);
        SetForegroundWindow(editor.window());
        ASSERT_TRUE(WaitUntil([&] { return editor.preview().visible(); })) << "the editor never became active";
        EXPECT_EQ(SendMessageA(files, LB_GETCOUNT, 0, 0), 0);
        {
            const std::lock_guard lock(mutex);
            release = true;
        }
        released.notify_all();
        ASSERT_TRUE(WaitUntil([&] { return editor.file_list_complete(); }));
        ASSERT_EQ(SendMessageA(files, LB_GETCOUNT, 0, 0), 5000);

        // A click on a file shows it in the preview; becoming active again
        // empties the preview.
        SendMessageA(files, LB_SETCURSEL, 1, 0);
        SendMessageA(editor.window(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(files), LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(files));
        ASSERT_EQ(pictures.paths, std::vector<std::string>{std::string(temp) + "picture1.jpg"});
        EXPECT_EQ(editor.preview().natural_width(), 10);
        HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                     GetModuleHandleA(nullptr), nullptr);
        SetForegroundWindow(other);
        ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == other; }));
        SetForegroundWindow(editor.window());
        EXPECT_TRUE(WaitUntil([&] { return editor.preview().natural_width() == 0; }));
        DestroyWindow(other);
    }
    EXPECT_EQ(store.get("dir_path"), temp);
}

} // namespace
} // namespace framory::win32::testing
