#include "core/preview/preview.h"

#include "core/startup/program.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace framory::core {
namespace {

// The system's windows: a set of existing handles with their client areas.
class FakeWindows : public PreviewWindows {
public:
    std::map<std::int32_t, HostRect> windows;
    std::vector<std::string>* calls = nullptr;

    std::optional<HostRect> client_rect(std::int32_t window) override
    {
        calls->push_back("client_rect " + std::to_string(window));
        const auto found = windows.find(window);
        if (found == windows.end()) {
            return std::nullopt;
        }
        return found->second;
    }
    bool is_window(std::int32_t window) override { return windows.count(window) != 0; }
};

class RecordingForm : public PreviewForm {
public:
    std::vector<std::string>* calls = nullptr;
    double width = -1.0;
    double height = -1.0;
    int unloads = 0;

    void hook_picture_box(std::int32_t wanted_message) override
    {
        calls->push_back("hook " + std::to_string(wanted_message));
    }
    void move_picture_box(double left, double top, double w, double h) override
    {
        calls->push_back("move " + std::to_string(left) + " " + std::to_string(top));
        width = w;
        height = h;
    }
    void put_picture_box_into(std::int32_t host_window) override
    {
        calls->push_back("into " + std::to_string(host_window));
    }
    void return_picture_box() override { calls->push_back("return"); }
    void enable_timer() override { calls->push_back("timer"); }
    void unload() override
    {
        calls->push_back("unload");
        ++unloads;
    }
};

class PreviewTest : public ::testing::Test {
protected:
    PreviewTest()
    {
        windows.calls = &calls;
        form.calls = &calls;
        program.host_window = kHost;
        windows.windows[kHost] = HostRect{0, 0, 152, 112};
    }

    static constexpr std::int32_t kHost = 0x400007;
    std::vector<std::string> calls;
    FakeWindows windows;
    RecordingForm form;
    Program program;
    Preview preview{program, form, windows};
};

TEST_F(PreviewTest, LoadHooksTheBoxSizesItToThePaneAndPutsItThereBeforeTheWatchStarts)
{
    struct Case {
        HostRect rect;
        std::int16_t tppx;
        std::int16_t tppy;
        double width_twips;
        double height_twips;
    };
    // The size is the client area's, however the rectangle is placed, in
    // each direction's own twips per pixel.
    const Case cases[] = {
        {{0, 0, 152, 112}, 15, 15, 2280.0, 1680.0},
        {{0, 0, 200, 150}, 12, 20, 2400.0, 3000.0},
        {{10, 5, 110, 65}, 15, 15, 1500.0, 900.0},
        {{0, 0, 40, 30}, 15, 15, 600.0, 450.0}, // smaller than the picture
    };
    for (const Case& c : cases) {
        calls.clear();
        windows.windows[kHost] = c.rect;
        program.twips_per_pixel_x = c.tppx;
        program.twips_per_pixel_y = c.tppy;
        Preview fresh(program, form, windows);
        fresh.Form_Load();
        const std::string host = std::to_string(kHost);
        EXPECT_EQ(calls, (std::vector<std::string>{"hook 16", "client_rect " + host, "move 0.000000 0.000000",
                                                   "into " + host, "timer"}));
        EXPECT_EQ(form.width, c.width_twips);
        EXPECT_EQ(form.height, c.height_twips);
        EXPECT_EQ(fresh.host_rect(), c.rect);
        EXPECT_TRUE(fresh.preview_attached());
    }
}

TEST_F(PreviewTest, WatchKeepsThePreviewWhileThePaneLivesAndEndsItOnceWhenThePaneIsGone)
{
    preview.Form_Load();
    for (int tick = 0; tick < 5; ++tick) {
        preview.Timer1_Timer();
    }
    EXPECT_EQ(form.unloads, 0);
    EXPECT_TRUE(preview.preview_attached());

    windows.windows.erase(kHost); // destroyed without a close request
    preview.Timer1_Timer();
    EXPECT_EQ(form.unloads, 1);
    EXPECT_TRUE(preview.unloaded());
    preview.Timer1_Timer(); // a tick already queued when the form closed
    EXPECT_EQ(form.unloads, 1);
}

TEST_F(PreviewTest, CloseRequestReturnsTheBoxAtOnceAndTheNextTickEnds)
{
    preview.Form_Load();
    calls.clear();
    preview.Msghook1_Message(kCloseMessage);
    EXPECT_EQ(calls, std::vector<std::string>{"return"});
    EXPECT_FALSE(preview.preview_attached());
    EXPECT_EQ(form.unloads, 0) << "the request itself does not end the program";

    // The pane still exists: the detached box alone ends the preview.
    preview.Timer1_Timer();
    EXPECT_EQ(form.unloads, 1);
}

TEST_F(PreviewTest, OtherMessagesAreIgnored)
{
    preview.Form_Load();
    calls.clear();
    for (const std::int32_t message : {0, 2, 15, 17, 18, 0x10 + 0x100, -16}) {
        preview.Msghook1_Message(message);
    }
    preview.Timer1_Timer();
    EXPECT_TRUE(calls.empty());
    EXPECT_TRUE(preview.preview_attached());
    EXPECT_EQ(form.unloads, 0);
}

TEST_F(PreviewTest, AHandleThatIsNoWindowLeavesTheBoxInTheFormAndTheFirstTickEnds)
{
    for (const std::int32_t handle : {0, 1234, -5}) {
        calls.clear();
        form.unloads = 0;
        program.host_window = handle;
        Preview fresh(program, form, windows);
        fresh.Form_Load();
        EXPECT_EQ(calls, (std::vector<std::string>{"hook 16", "client_rect " + std::to_string(handle), "timer"}))
            << handle;
        EXPECT_TRUE(fresh.preview_attached());
        fresh.Timer1_Timer();
        EXPECT_EQ(form.unloads, 1) << handle;
    }
}

} // namespace
} // namespace framory::core
