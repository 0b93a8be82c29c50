// The change-password dialog of the real program, and the keyboard layout
// read from a real X server (each test's own, which starts with the US
// layout), driven by xdotool like a person would.
#include <gtest/gtest.h>

#include "core/password/code_page.h"
#include "core/password/scramble.h"
#include "qt/platform/desktop_services.h"
#include "qt/platform/xkb_keyboard.h"
#include "support/program_under_test.h"

#include <X11/XKBlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>


namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kTitle = "Change  Password";

void run(const std::string& command)
{
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// The program started with its own settings and data folders.
class Framory : public framory::testing::ProgramUnderTest {
public:
    Framory(const std::string& argument, const fs::path& home)
        : ProgramUnderTest(FRAMORY_BINARY, {argument}, home)
    {
    }
};

bool wait_for_window(const std::string& title, bool present)
{
    return framory::testing::WaitForWindow(title, present);
}

// The value of a key in the settings file as a person reads it.
std::optional<std::string> ini_value(const fs::path& file, const std::string& key)
{
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(key + "=", 0) == 0) {
            return line.substr(key.size() + 1);
        }
    }
    return std::nullopt;
}

void lock_group(int group)
{
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    XkbLockGroup(display, XkbUseCoreKbd, static_cast<unsigned>(group));
    XSync(display, False);
    XCloseDisplay(display);
}

std::u16string key_caps(framory::qt::XkbKeyboardLayout& layout, const std::u16string& typed)
{
    return framory::core::FromWindows1252(framory::core::ToKeyCaps(typed, layout));
}

TEST(XkbLayoutE2E, FollowsTheServersLayoutAndItsCurrentGroup)
{
    framory::testing::XServer server;
    ASSERT_TRUE(server.started());
    framory::qt::XkbKeyboardLayout layout(framory::qt::KeyboardSource::CurrentXLayout);
    ASSERT_TRUE(layout.reads_x_layout());
    EXPECT_EQ(key_caps(layout, u"tulip!:?"), u"TULIP1;/");
    EXPECT_EQ(key_caps(layout, u"\u00e9\u20ac"), u"\u00c9\u20ac") << "no key on the US layout: kept";

    // US in the first group, German in the second.
    run("setxkbmap -layout us,de");
    lock_group(1);
    EXPECT_EQ(key_caps(layout, u"tulip!:?"), u"TULIP1.\u00df");
    // AltGr symbols give their key; the circumflex is only a dead key there
    // and the degree sign's key types none unshifted: both kept.
    EXPECT_EQ(key_caps(layout, u"@\u20ac|\u00fc^\u00b0"), u"QE<\u00dc^\u00b0");
    lock_group(0);
    EXPECT_EQ(key_caps(layout, u":?"), u";/");
}

class NewPasswordE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.started());
        char pattern[] = "/tmp/framory-e2e-newpw-XXXXXX";
        m_home = ::mkdtemp(pattern);
        fs::create_directories(m_home / "config");
    }
    void TearDown() override { fs::remove_all(m_home); }

    fs::path settings_file() const { return m_home / "config" / "Obelin Framory.ini"; }

    framory::testing::XServer m_server;
    fs::path m_home;
};

TEST_F(NewPasswordE2E, TypedWithTheTabOrderStoresTheScrambledCapitals)
{
    Framory dialog("/A", m_home);
    ASSERT_TRUE(wait_for_window(kTitle, true));
    run(std::string("xdotool search --sync --name '^") + kTitle + "$' windowfocus --sync");
    run("xdotool type --delay 20 'tulip!'");
    run("xdotool key Tab");
    run("xdotool type --delay 20 'TULIP!'");
    run("xdotool key Tab");
    EXPECT_FALSE(dialog.wait_for_exit(100ms).has_value()) << "typing alone closes nothing";
    run("xdotool key space"); // OK has the focus
    EXPECT_EQ(dialog.wait_for_exit(), 0) << "closing the dialog ends the program";
    EXPECT_FALSE(framory::qt::XWindowWithTitleExists(kTitle));
    EXPECT_EQ(ini_value(settings_file(), "misc"), framory::core::Scramble("TULIP1"));
}

} // namespace
