// Framory.scr end to end under Wine on a private X server: the show, the
// configuration hub and its dialogs, the change-password request and the
// preview, each started as Windows starts a screen saver, with the settings
// in the registry and the results read from the screen and the registry.
#include "core/config_ui/about.h"
#include "core/config_ui/folder_editor.h"
#include "core/password/scramble.h"
#include "core/startup/program.h"
#include "saver_under_test.h"
#include "win32/decode/picture_decoder.h"
#include "win32/platform/desktop_output.h"
#include "win32/platform/registry_store.h"
#include "win32/show/frm_preview.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

namespace framory::win32::testing {
namespace {

// The picture on show: four quadrants of known colours.
constexpr std::uint32_t kTopLeft = media::Argb(220, 30, 30);
constexpr std::uint32_t kTopRight = media::Argb(30, 200, 60);
constexpr std::uint32_t kBottomLeft = media::Argb(40, 60, 220);
constexpr std::uint32_t kBottomRight = media::Argb(240, 220, 40);

// A magenta window of this process, not top-most.
class PlainHost {
public:
    explicit PlainHost(const RECT& area = {100, 100, 400, 300})
    {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = CreateSolidBrush(RGB(255, 0, 255));
        wc.lpszClassName = "FramoryTestHost";
        RegisterClassA(&wc);
        m_window = CreateWindowExA(0, "FramoryTestHost", "preview host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN,
                                   area.left, area.top, area.right - area.left, area.bottom - area.top, nullptr,
                                   nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    ~PlainHost()
    {
        if (IsWindow(m_window)) {
            DestroyWindow(m_window);
        }
    }
    HWND window() const { return m_window; }

private:
    HWND m_window = nullptr;
};

class SaverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_folder = TempFolder("framory-e2e-");
        media::Image picture(400, 300);
        for (int y = 0; y < 300; ++y) {
            for (int x = 0; x < 400; ++x) {
                picture.at(x, y) = y < 150 ? (x < 200 ? kTopLeft : kTopRight) : (x < 200 ? kBottomLeft : kBottomRight);
            }
        }
        ASSERT_TRUE(WriteBitmapFile(picture, m_folder + "quadrants.bmp"));
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
        // Fast effects, a long hold, no frame, caption on, black ground, no sound.
        const std::map<std::string, std::string> options{
            {"folders_total", "1"}, {"folder1", m_folder},   {"border_active", "0"}, {"gradient", "0"},
            {"scale_flag", "85"},   {"show_filenames", "1"}, {"sound_on", "0"},      {"effect_delay", "2"},
            {"effect_speed", "1"},  {"scene_delay", "60"}};
        for (const auto& [key, value] : options) {
            m_store.write("Options", key, value);
        }
    }

    void TearDown() override { std::filesystem::remove_all(m_folder); }

    // The picture at 85 per cent of the 1024 x 768 screen: 870 x 653 at 77, 58.
    static bool picture_on_screen(const media::Image& screen)
    {
        return Near(screen.at(294, 221), kTopLeft) && Near(screen.at(729, 221), kTopRight) &&
               Near(screen.at(294, 548), kBottomLeft) && Near(screen.at(729, 548), kBottomRight) &&
               Near(screen.at(20, 20), media::Argb(0, 0, 0)) && Near(screen.at(1000, 740), media::Argb(0, 0, 0));
    }

    // White caption text in the strip under the picture.
    static bool caption_on_screen(const media::Image& screen)
    {
        for (int y = 740; y < 768; ++y) {
            for (int x = 100; x < 924; ++x) {
                if (Near(screen.at(x, y), media::Argb(255, 255, 255), 60)) {
                    return true;
                }
            }
        }
        return false;
    }

    static void press_key(WORD key)
    {
        INPUT input[2] = {};
        input[0].type = INPUT_KEYBOARD;
        input[0].ki.wVk = key;
        input[1] = input[0];
        input[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, input, sizeof(INPUT));
    }

    RegistrySettingsStore m_store;
    std::string m_folder;
};

// The monitors scripts/wine-run gives these tests: 1024 x 768, and 800 x 600 to its right.
TEST_F(SaverTest, ShowDisplaysThePictureCoversTheOtherMonitorAndAClickThereEndsIt)
{
    ASSERT_EQ(GetSystemMetrics(SM_CMONITORS), 2);
    const RECT second{1024, 0, 1824, 600};
    const auto all_black = [&] {
        const media::Image area = CaptureScreen(second);
        return std::all_of(area.data(), area.data() + area.pixel_count(),
                           [](std::uint32_t pixel) { return Near(pixel, media::Argb(0, 0, 0)); });
    };
    PlainHost other_window(second);
    ASSERT_TRUE(WaitUntil([&] { return Near(CaptureScreen(second).at(400, 300), media::Argb(255, 0, 255)); }));

    SaverProcess saver("/s");
    ASSERT_TRUE(saver.started());
    ASSERT_TRUE(WaitUntil([] { return FindWindowA(nullptr, "screen saver running") != nullptr; }));
    ASSERT_TRUE(WaitUntil([] { return picture_on_screen(CaptureScreen()); }))
        << "the picture's quadrants never showed inside its rectangle";
    EXPECT_TRUE(WaitUntil([] { return caption_on_screen(CaptureScreen()); }));
    EXPECT_TRUE(WaitUntil(all_black)) << "the second monitor is not covered black";

    // A second show start finds the first one's window and ends at once.
    SaverProcess second_show("/s");
    EXPECT_TRUE(second_show.wait_for_exit());
    EXPECT_FALSE(saver.exited());

    SetCursorPos(1424, 300);
    mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    EXPECT_TRUE(saver.wait_for_exit()) << "a click on the cover did not end the show";
}

// The hub opens each dialog modally from its button; what they and the hub
// change is in the registry when it has closed, and the show reads it.
TEST_F(SaverTest, HubDialogsSaveToTheRegistryAndTheShowReadsIt)
{
    {
        SaverProcess hub("/c");
        HWND window = nullptr;
        ASSERT_TRUE(WaitUntil([&] {
            window = FindWindowA(nullptr, "Framory - v3.0.0");
            return window != nullptr && IsWindowVisible(window);
        }));
        HWND check = FindWindowExA(window, nullptr, "Button", "Display Filenames");
        ASSERT_NE(check, nullptr);
        EXPECT_EQ(SendMessageA(check, BM_GETCHECK, 0, 0), BST_CHECKED);
        SendMessageA(check, BM_SETCHECK, BST_UNCHECKED, 0);
        const auto click = [](HWND parent, const char* caption) {
            HWND button = FindWindowExA(parent, nullptr, "Button", caption);
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
            {"Screen Saver Options", "Screen Saver Options", [&](HWND dialog) { click(dialog, "Random Order"); },
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
             [](HWND dialog) { EXPECT_NE(FindWindowExA(dialog, nullptr, "Static", "Developed By:"), nullptr); }, "Ok"},
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
    EXPECT_EQ(m_store.read("Options", "show_filenames", ""), "0");
    EXPECT_EQ(m_store.read("Options", "random_order", ""), "1");
    EXPECT_EQ(m_store.read("Options", "scale_flag", ""), "85");
    EXPECT_EQ(m_store.read("Options", "folder1", ""), m_folder);
    std::string program_folder = FRAMORY_SCR_PATH;
    program_folder.erase(program_folder.find_last_of('\\') + 1);
    EXPECT_EQ(_stricmp(m_store.read("Options", "folder2", "").c_str(), program_folder.c_str()), 0)
        << m_store.read("Options", "folder2", "");

    SaverProcess saver("/s");
    ASSERT_TRUE(WaitUntil([] { return picture_on_screen(CaptureScreen()); }));
    // The caption would follow the picture within a tick; it must not come.
    EXPECT_FALSE(WaitUntil([] { return caption_on_screen(CaptureScreen()); }, 2s));
}

TEST_F(SaverTest, ChangePasswordRequestStoresTheScrambledKeyCaps)
{
    SaverProcess dialog("/a");
    HWND window = nullptr;
    HWND first = nullptr;
    HWND second = nullptr;
    // Shown only once its load step has emptied the boxes.
    ASSERT_TRUE(WaitUntil([&] {
        window = FindWindowA(nullptr, "Change  Password");
        first = FindWindowExA(window, nullptr, "Edit", nullptr);
        second = first != nullptr ? FindWindowExA(window, first, "Edit", nullptr) : nullptr;
        return window != nullptr && IsWindowVisible(window) && second != nullptr;
    }));
    SendMessageA(first, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Secret!"));
    SendMessageA(second, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("sEcReT1"));
    PostMessageA(window, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(dialog.wait_for_exit());
    // Both boxes become the key caps "SECRET1" on a US layout.
    EXPECT_EQ(m_store.read("Options", "misc", ""), core::Scramble("SECRET1"));
}

TEST_F(SaverTest, PrinterFailureIsReportedAndTheLastSceneBecomesTheWallpaper)
{
    m_store.write("Options", "wallpaper", "1");
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string bitmap = std::string(windows) + "\\Velmoria.bmp";
    DeleteFileA(bitmap.c_str());

    SaverProcess saver("/s");
    ASSERT_TRUE(WaitUntil([] { return picture_on_screen(CaptureScreen()); }));
    // "P" while the picture is held: Wine has no printer, so the print
    // fails with its message box, and the show goes on.
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        SetForegroundWindow(FindWindowA(nullptr, "screen saver running"));
        press_key('P');
        return WaitUntil([&] { return (box = FindWindowA(nullptr, "Framory")) != nullptr; }, 1500ms);
    }));
    EXPECT_NE(FindWindowExA(box, nullptr, "Static", "Please check your printer!"), nullptr);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([] { return FindWindowA(nullptr, "Framory") == nullptr; }));
    EXPECT_FALSE(saver.exited());

    SetForegroundWindow(FindWindowA(nullptr, "screen saver running"));
    press_key(VK_SPACE);
    ASSERT_TRUE(saver.wait_for_exit());
    const media::DecodeResult scene = DecodePicture(bitmap, {});
    ASSERT_TRUE(scene.ok()) << scene.message;
    EXPECT_TRUE(picture_on_screen(scene.image)) << "the wallpaper does not hold the last scene";
}

TEST_F(SaverTest, WithTheDesktopPasswordSwitchOnOnlyTheRightPasswordEndsTheShow)
{
    m_store.write("Options", "misc", core::Scramble("ABC"));
    RegSetKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "ScreenSaveUsePassword", REG_SZ, "1", 2);

    SaverProcess saver("/s");
    ASSERT_TRUE(WaitUntil([] { return picture_on_screen(CaptureScreen()); }));
    HWND prompt = nullptr;
    HWND text = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        SetForegroundWindow(FindWindowA(nullptr, "screen saver running"));
        press_key('Q');
        return WaitUntil(
            [&] {
                prompt = FindWindowA(nullptr, "Screen Saver Password");
                text = FindWindowExA(prompt, nullptr, "Edit", nullptr);
                return prompt != nullptr && IsWindowVisible(prompt) && text != nullptr;
            },
            1500ms);
    }));
    SendMessageA(text, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("abd"));
    PostMessageA(prompt, WM_COMMAND, IDOK, 0);
    HWND wrong = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (wrong = FindWindowA(nullptr, "Passwords")) != nullptr; }));
    PostMessageA(wrong, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([] { return FindWindowA(nullptr, "Passwords") == nullptr; }));
    EXPECT_FALSE(saver.exited());
    // The prompt compares without regard to case.
    SendMessageA(text, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("abc"));
    PostMessageA(prompt, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(saver.wait_for_exit()) << "the right password did not end the show";
    RegDeleteKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "ScreenSaveUsePassword");
}

// Wine shows no pixels of a child window that another process draws, so
// the preview process is checked for what it does to the host (its picture
// box becomes the pane's child, covering it, and it ends with the pane),
// and its drawing is checked in this process below.
TEST_F(SaverTest, PreviewBecomesTheHostsChildAndEndsWithIt)
{
    PlainHost host;
    ASSERT_NE(host.window(), nullptr);
    SaverProcess preview("/p " + std::to_string(reinterpret_cast<INT_PTR>(host.window())));
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = GetWindow(host.window(), GW_CHILD)) != nullptr; }))
        << "the preview never became a child of the host";
    const auto covers_pane = [&] {
        RECT pane{};
        RECT shown{};
        GetWindowRect(host.window(), &pane);
        GetWindowRect(box, &shown);
        return IsWindowVisible(box) && EqualRect(&pane, &shown);
    };
    EXPECT_TRUE(WaitUntil(covers_pane)) << "the picture box does not cover the pane";
    DestroyWindow(host.window());
    EXPECT_TRUE(preview.wait_for_exit()) << "the preview outlived its host";
}

TEST_F(SaverTest, PreviewDrawsTheBuiltInPictureInTheHostsTopLeftCorner)
{
    PlainHost host;
    core::Program program;
    program.host_window = static_cast<std::int32_t>(reinterpret_cast<INT_PTR>(host.window()));
    frmPreview form(program);
    ASSERT_TRUE(form.load());
    const media::Image expected = PreviewPicture();
    // The pane's client area starts at 100, 100; the box has a one-pixel border.
    const auto drawn = [&] {
        const media::Image screen = CaptureScreen();
        int same = 0;
        for (int y = 10; y < 100; y += 7) {
            for (int x = 10; x < 140; x += 7) {
                same += Near(screen.at(101 + x, 101 + y), expected.at(x, y), 40) ? 1 : 0;
            }
        }
        return same > 200 && Near(screen.at(380, 280), media::Argb(0, 0, 0), 8);
    };
    EXPECT_TRUE(WaitUntil(drawn)) << "the preview picture never showed in the host";
    DestroyWindow(host.window());
    EXPECT_TRUE(WaitUntil([&] { return form.unloaded(); }));
}

TEST_F(SaverTest, UnknownSwitchesAndMissingPreviewHostsEndAtOnce)
{
    for (const char* arguments : {"-s", "S", "/p 0", "/p:1234"}) {
        SaverProcess saver(arguments);
        EXPECT_TRUE(saver.wait_for_exit()) << arguments;
    }
    EXPECT_EQ(FindWindowA(nullptr, "screen saver running"), nullptr);
}

} // namespace
} // namespace framory::win32::testing
