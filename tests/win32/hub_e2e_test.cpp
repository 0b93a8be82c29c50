// The configuration hub's dialogs end to end: Framory.scr /c opens each of
// them modally from its button, and what they change is in the registry
// when the hub has closed (the show's reading of it is tested beside the
// show).
#include "core/config_ui/about.h"
#include "core/config_ui/folder_editor.h"
#include "saver_under_test.h"
#include "win32/platform/registry_store.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace framory::win32::testing {
namespace {

TEST(HubTest, EachDialogOpensModallyAndWhatItChangesIsInTheRegistry)
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "framory-hub-" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
    RegistrySettingsStore store;
    for (const auto& [key, value] : {std::pair{"folders_total", "1"}, {"border_active", "0"}, {"gradient", "0"},
                                     {"scale_flag", "85"}, {"sound_on", "0"}, {"show_filenames", "0"},
                                     {"effect_delay", "2"}, {"effect_speed", "1"}, {"scene_delay", "60"}}) {
        store.write("Options", key, value);
    }
    store.write("Options", "folder1", folder);

    {
        SaverProcess hub("/c");
        HWND window = nullptr;
        ASSERT_TRUE(WaitUntil([&] {
            window = FindWindowA(nullptr, "Framory - v3.0.0");
            return window != nullptr && IsWindowVisible(window);
        }));
        const auto click = [](HWND parent, const char* caption) {
            HWND button = FindControl(parent, "Button", caption);
            ASSERT_NE(button, nullptr) << caption;
            PostMessageA(button, BM_CLICK, 0, 0);
        };
        struct Step {
            const char* button;
            std::string title;
            std::function<void(HWND dialog)> act;
            const char* close;
        };
        const Step steps[] = {
            {"Screen Saver Options", "Screen Saver Options", [&](HWND dialog) { click(dialog, "Full screen"); },
             "&Ok"},
            // The editor opens in the program's own folder and adds it.
            {"Edit Display Folders", core::kFolderEditorTitle,
             [&](HWND dialog) {
                 click(dialog, core::kAddFolderCaption);
                 // The chosen folders: the list box that selects several.
                 HWND list = nullptr;
                 for (HWND at = FindWindowExA(dialog, nullptr, "ListBox", nullptr); at != nullptr;
                      at = FindWindowExA(dialog, at, "ListBox", nullptr)) {
                     list = (GetWindowLongPtrA(at, GWL_STYLE) & LBS_EXTENDEDSEL) != 0 ? at : list;
                 }
                 EXPECT_TRUE(WaitUntil([&] { return SendMessageA(list, LB_GETCOUNT, 0, 0) == 2; }));
             },
             core::kExitCaption},
            {"About", std::string(core::kAboutTitle),
             [](HWND dialog) { EXPECT_NE(FindWindowExA(dialog, nullptr, "Static", "Developed By:"), nullptr); },
             "Ok"},
        };
        for (const Step& step : steps) {
            SCOPED_TRACE(step.title);
            click(window, step.button);
            HWND dialog = nullptr;
            ASSERT_TRUE(WaitUntil([&] {
                dialog = FindWindowA(nullptr, step.title.c_str());
                return dialog != nullptr && IsWindowVisible(dialog);
            }));
            EXPECT_FALSE(IsWindowEnabled(window)) << "the hub is not waiting for its dialog";
            step.act(dialog);
            click(dialog, step.close);
            EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog) && IsWindowEnabled(window); }));
        }
        PostMessageA(window, WM_CLOSE, 0, 0);
        ASSERT_TRUE(hub.wait_for_exit());
    }
    EXPECT_EQ(store.read("Options", "scale_flag", ""), "100");
    EXPECT_EQ(store.read("Options", "folders_total", ""), "2");
    std::string program_folder = FRAMORY_SCR_PATH;
    program_folder.erase(program_folder.find_last_of('\\') + 1);
    EXPECT_EQ(_stricmp(store.read("Options", "folder2", "").c_str(), program_folder.c_str()), 0)
        << store.read("Options", "folder2", "");

    RemoveDirectoryA(folder.c_str());
}

} // namespace
} // namespace framory::win32::testing
