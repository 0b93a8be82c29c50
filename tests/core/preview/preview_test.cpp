#include "core/preview/preview.h"

#include "core/startup/program.h"

#include <gtest/gtest.h>

#include <map>

namespace framory::core {
namespace {

// The system's windows: the existing handles with their client areas.
class FakeWindows : public PreviewWindows {
public:
    std::map<std::int32_t, HostRect> windows;
    std::optional<HostRect> client_rect(std::int32_t window) override
    {
        const auto found = windows.find(window);
        return found == windows.end() ? std::nullopt : std::optional<HostRect>(found->second);
    }
    bool is_window(std::int32_t window) override { return windows.count(window) != 0; }
};

class FakePreviewForm : public PreviewForm {
public:
    std::int32_t inside = 0;
    double width = -1, height = -1;
    bool timer = false;
    int unloads = 0;
    void hook_picture_box(std::int32_t) override {}
    void move_picture_box(double, double, double w, double h) override
    {
        width = w;
        height = h;
    }
    void put_picture_box_into(std::int32_t host) override { inside = timer ? -1 : host; }
    void return_picture_box() override { inside = 0; }
    void enable_timer() override { timer = true; }
    void unload() override { ++unloads; }
};

constexpr std::int32_t kHost = 0x400007;

TEST(Preview, FillsThePaneInItsOwnTwipsAndEndsOnceWhenThePaneGoes)
{
    struct Case {
        HostRect rect;
        std::int16_t tppx, tppy;
        double width, height;
    };
    // The size, wherever the rectangle lies, in each direction's own twips.
    const Case cases[] = {{{0, 0, 200, 150}, 12, 20, 2400.0, 3000.0}, {{10, 5, 110, 65}, 15, 15, 1500.0, 900.0}};
    for (const Case& c : cases) {
        Program program;
        program.host_window = kHost;
        program.twips_per_pixel_x = c.tppx;
        program.twips_per_pixel_y = c.tppy;
        FakeWindows windows;
        windows.windows[kHost] = c.rect;
        FakePreviewForm form;
        Preview preview(program, form, windows);
        preview.Form_Load();
        EXPECT_EQ(std::make_pair(form.width, form.height), std::make_pair(c.width, c.height));
        EXPECT_EQ(form.inside, kHost) << "inside the pane before the watch starts";
        for (const std::int32_t message : {0, 2, 15, 17, 0x10 + 0x100, -16}) {
            preview.Msghook1_Message(message); // other messages change nothing
            preview.Timer1_Timer();
        }
        EXPECT_EQ(form.unloads, 0);
        windows.windows.clear(); // destroyed without a close request
        preview.Timer1_Timer();
        preview.Timer1_Timer(); // a tick already queued when the form closed
        EXPECT_EQ(form.unloads, 1);
    }
}

TEST(Preview, TheCloseMessageOrAHandleThatIsNoWindowEndsItAtTheNextTick)
{
    Program program;
    FakeWindows windows;
    windows.windows[kHost] = {0, 0, 152, 112};
    for (const std::int32_t handle : {kHost, 0, 1234}) {
        program.host_window = handle;
        FakePreviewForm form;
        Preview preview(program, form, windows);
        preview.Form_Load();
        if (handle == kHost) {
            preview.Msghook1_Message(kCloseMessage);
        }
        EXPECT_EQ(form.inside, 0) << "the picture is out of the pane, or never went in";
        EXPECT_EQ(form.unloads, 0);
        preview.Timer1_Timer();
        EXPECT_EQ(form.unloads, 1) << handle;
    }
}

} // namespace
} // namespace framory::core
