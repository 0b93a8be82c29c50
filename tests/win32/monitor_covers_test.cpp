// Which areas get covers, and how covers follow monitors (Wine reads them once only).
#include "win32/show/monitor_covers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace framory::win32 {
namespace {

constexpr RECT kPrimary{0, 0, 1024, 768};
constexpr RECT kRight{1024, 0, 1824, 600};
constexpr RECT kLeft{-1280, -200, 0, 824};

TEST(MonitorCoversTest, EveryMonitorButTheShowsOwnIsCoveredOnce)
{
    const struct {
        std::vector<RECT> monitors, covers;
    } cases[] = {
        {{kPrimary}, {}},
        {{kLeft, kPrimary, kRight}, {kLeft, kRight}},
        // The primary monitor grew under the show: covered until the show follows.
        {{RECT{0, 0, 1920, 1080}, kRight}, {RECT{0, 0, 1920, 1080}, kRight}},
        // Mirrored monitors and an empty one.
        {{kPrimary, kRight, kRight, kPrimary, RECT{5, 5, 5, 5}}, {kRight}},
    };
    for (const auto& c : cases) {
        const std::vector<RECT> areas = CoverAreas(c.monitors, kPrimary);
        EXPECT_TRUE(std::equal(areas.begin(), areas.end(), c.covers.begin(), c.covers.end(),
                               [](const RECT& a, const RECT& b) { return EqualRect(&a, &b) != 0; }))
            << c.monitors.size() << " monitors";
    }
}

TEST(MonitorCoversTest, CoversFollowTheMonitorsAndPassOnTheirInput)
{
    std::vector<UINT> input;
    MonitorCovers covers([&](UINT message) { input.push_back(message); });
    covers.update(nullptr, {kLeft, kRight});
    ASSERT_EQ(covers.windows().size(), 2u);
    const HWND left = covers.windows()[0], right = covers.windows()[1];
    const LONG_PTR style = WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE; // no taskbar button, no focus
    EXPECT_EQ(GetWindowLongPtrA(right, GWL_EXSTYLE) & style, style);

    // The left monitor goes and a primary one comes: the right cover stays.
    covers.update(nullptr, {kRight, kPrimary});
    EXPECT_FALSE(IsWindow(left));
    ASSERT_EQ(covers.windows().size(), 2u);
    EXPECT_EQ(covers.windows()[0], right);

    const std::vector<UINT> messages{WM_MOUSEMOVE, WM_RBUTTONUP, WM_LBUTTONDBLCLK, WM_CLOSE};
    for (const UINT message : messages) {
        SendMessageA(right, message, 0, 0);
    }
    EXPECT_EQ(input, messages);
    EXPECT_TRUE(IsWindow(right)) << "a close request leaves the cover to the show";
    covers.clear();
    EXPECT_FALSE(IsWindow(right));
}

} // namespace
} // namespace framory::win32
