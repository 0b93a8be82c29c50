// The covers of the monitors beside the show: which areas get one, and how
// they follow monitors that come and go (Wine's X11 driver reads the
// monitors once, so their changes are handed over here).
#include "win32/show/monitor_covers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace framory::win32 {
namespace {

constexpr RECT kPrimary{0, 0, 1024, 768};
constexpr RECT kRight{1024, 0, 1824, 600};
constexpr RECT kLeft{-1280, -200, 0, 824};

bool Same(const std::vector<RECT>& a, const std::vector<RECT>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const RECT& x, const RECT& y) { return EqualRect(&x, &y) != 0; });
}

TEST(MonitorCoversTest, EveryMonitorButTheShowsOwnIsCoveredOnce)
{
    const RECT larger_primary{0, 0, 1920, 1080};
    const struct {
        std::vector<RECT> monitors;
        std::vector<RECT> covers;
    } cases[] = {
        {{kPrimary}, {}},
        {{kPrimary, kRight}, {kRight}},
        {{kLeft, kPrimary, kRight}, {kLeft, kRight}},
        // The primary monitor grew under the show: covered until the show follows.
        {{larger_primary, kRight}, {larger_primary, kRight}},
        // Mirrored monitors and an empty one.
        {{kPrimary, kRight, kRight, kPrimary, RECT{5, 5, 5, 5}}, {kRight}},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(Same(CoverAreas(c.monitors, kPrimary), c.covers)) << c.monitors.size() << " monitors";
    }
}

TEST(MonitorCoversTest, CoversFollowTheMonitorsAndPassOnTheirInput)
{
    std::vector<UINT> input;
    MonitorCovers covers([&](UINT message) { input.push_back(message); });
    covers.update(nullptr, {kLeft, kRight});
    ASSERT_EQ(covers.windows().size(), 2u);
    const HWND left = covers.windows()[0];
    const HWND right = covers.windows()[1];
    RECT area{};
    GetWindowRect(right, &area);
    EXPECT_TRUE(EqualRect(&area, &kRight));
    const LONG_PTR style = GetWindowLongPtrA(right, GWL_EXSTYLE);
    EXPECT_EQ(style & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE),
              WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE);

    // The left monitor goes and a primary one comes: the right cover stays.
    covers.update(nullptr, {kRight, kPrimary});
    EXPECT_FALSE(IsWindow(left));
    ASSERT_EQ(covers.windows().size(), 2u);
    EXPECT_EQ(covers.windows()[0], right);

    for (const UINT message : {WM_MOUSEMOVE, WM_RBUTTONUP, WM_LBUTTONDBLCLK, WM_CLOSE}) {
        SendMessageA(right, message, 0, 0);
    }
    EXPECT_EQ(input, (std::vector<UINT>{WM_MOUSEMOVE, WM_RBUTTONUP, WM_LBUTTONDBLCLK, WM_CLOSE}));
    EXPECT_TRUE(IsWindow(right)) << "a close request leaves the cover to the show";
    covers.clear();
    EXPECT_FALSE(IsWindow(right));
}

} // namespace
} // namespace framory::win32
