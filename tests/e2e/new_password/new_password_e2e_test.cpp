// The change-password dialog of the real program, and the keyboard layout
// read from a real X server (each test's own, which starts with the US
// layout), driven by xdotool like a person would.
#include "core/password/code_page.h"
#include "core/password/scramble.h"
#include "qt/platform/desktop_services.h"
#include "qt/platform/xkb_keyboard.h"
#include "support/e2e_test.h"

#include <X11/XKBlib.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using framory::testing::Sh;

constexpr const char* kTitle = "Change  Password";

void lock_group(int group)
{
    const framory::testing::XDisplay x;
    XkbLockGroup(x.get(), XkbUseCoreKbd, static_cast<unsigned>(group));
    XSync(x.get(), False);
}

std::u16string key_caps(framory::qt::XkbKeyboardLayout& layout, const std::u16string& typed)
{
    return framory::core::FromWindows1252(framory::core::ToKeyCaps(typed, layout));
}

using NewPasswordE2E = framory::testing::E2ETest;

TEST_F(NewPasswordE2E, KeyCapsFollowTheServersLayoutAndItsCurrentGroup)
{
    framory::qt::XkbKeyboardLayout layout(framory::qt::KeyboardSource::CurrentXLayout);
    ASSERT_TRUE(layout.reads_x_layout());
    EXPECT_EQ(key_caps(layout, u"tulip!:?"), u"TULIP1;/");
    EXPECT_EQ(key_caps(layout, u"\u00e9\u20ac"), u"\u00c9\u20ac") << "no key on the US layout: kept";

    // US in the first group, German in the second.
    ASSERT_TRUE(Sh("setxkbmap -layout us,de"));
    lock_group(1);
    EXPECT_EQ(key_caps(layout, u"tulip!:?"), u"TULIP1.\u00df");
    // AltGr symbols give their key; the circumflex is only a dead key there
    // and the degree sign's key types none unshifted: both kept.
    EXPECT_EQ(key_caps(layout, u"@\u20ac|\u00fc^\u00b0"), u"QE<\u00dc^\u00b0");
    lock_group(0);
    EXPECT_EQ(key_caps(layout, u":?"), u";/");
}

TEST_F(NewPasswordE2E, TypedWithTheTabOrderStoresTheScrambledCapitals)
{
    framory::testing::ProgramUnderTest dialog(FRAMORY_BINARY, {"/A"}, m_home);
    ASSERT_TRUE(framory::testing::WaitForWindow(kTitle));
    ASSERT_TRUE(Sh(std::string("xdotool search --sync --name '^") + kTitle + "$' windowfocus --sync"));
    ASSERT_TRUE(Sh("xdotool type --delay 20 'tulip!' && xdotool key Tab && xdotool type --delay 20 'TULIP!' && "
                   "xdotool key Tab"));
    EXPECT_FALSE(dialog.wait_for_exit(100ms).has_value()) << "typing alone closes nothing";
    ASSERT_TRUE(Sh("xdotool key space")); // OK has the focus
    EXPECT_EQ(dialog.wait_for_exit(), 0) << "closing the dialog ends the program";
    EXPECT_FALSE(framory::qt::XWindowWithTitleExists(kTitle));
    const std::string settings = framory::testing::ReadFile(framory::testing::SettingsFile(m_home));
    EXPECT_NE(settings.find("\nmisc=" + framory::core::Scramble("TULIP1") + "\n"), std::string::npos) << settings;
}

} // namespace
