#include "core/slideshow/show.h"

#include "core/startup/program.h"
#include "support/fake_platform.h"
#include "support/recording_components.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <map>

namespace framory::core {
namespace {

using framory::testing::CallLog;

class ManualClock : public Clock {
public:
    double now = 36000.0;
    double seconds_since_midnight() override { return now; }
};

class ScriptedRandom : public RandomSource {
public:
    std::deque<double> draws;
    double fallback = 0.5;
    int reseeds = 0;
    void reseed_from_clock() override { ++reseeds; }
    double draw() override
    {
        if (draws.empty()) {
            return fallback;
        }
        const double r = draws.front();
        draws.pop_front();
        return r;
    }
};

class MapLister : public DirectoryLister {
public:
    std::map<std::string, std::vector<std::string>> folders;
    std::unique_ptr<DirectoryListing> list(const std::string& folder) override
    {
        const auto found = folders.find(folder);
        if (found == folders.end()) {
            return nullptr;
        }
        struct Listing : DirectoryListing {
            std::vector<std::string> names;
            std::size_t at = 0;
            std::optional<std::string> next_name() override
            {
                return at < names.size() ? std::optional<std::string>(names[at++]) : std::nullopt;
            }
        };
        auto listing = std::make_unique<Listing>();
        listing->names = found->second;
        return listing;
    }
};

class FakeWindow : public ShowWindow {
public:
    explicit FakeWindow(CallLog& log) : m_log(log) {}
    double width = 800;
    double height = 600;
    bool is_maximised = false;
    bool save_succeeds = true;
    std::string saved_path;
    double inner_width() override { return width; }
    double inner_height() override { return height; }
    double left() override { return 0; }
    double top() override { return 0; }
    bool maximised() override { return is_maximised; }
    void maximise() override
    {
        m_log.add("window.maximise");
        is_maximised = true;
    }
    void bring_to_front() override { m_log.add("window.front"); }
    void make_top_most() override { m_log.add("window.top_most"); }
    void start_timer2(int ms) override { m_log.add("window.timer2=" + std::to_string(ms)); }
    void enable_timer1() override { m_log.add("window.timer1"); }
    bool save_as_bitmap(const PictureObject&, const std::string& path) override
    {
        m_log.add("window.save=" + path);
        saved_path = path;
        return save_succeeds;
    }
    void unload() override { m_log.add("window.unload"); }

private:
    CallLog& m_log;
};

class FakeSwitch : public PasswordSwitch {
public:
    bool on = false;
    int asked = 0;
    bool DesktopPasswordOn() override
    {
        ++asked;
        return on;
    }
};

class FakePrompt : public PasswordPrompt {
public:
    int shown = 0;
    std::function<void(Program&)> answer;
    void show_modal(Program& program) override
    {
        ++shown;
        if (answer) {
            answer(program);
        }
    }
};

class FakeWallpaper : public WallpaperService {
public:
    std::vector<std::string> set;
    void SetWallpaper(const std::string& path) override { set.push_back(path); }
};

class FakePrinter : public Printer {
public:
    explicit FakePrinter(CallLog& log) : m_log(log) {}
    bool works = true;
    bool prepare() override
    {
        m_log.add("printer.prepare");
        return works;
    }
    bool page_size(double& width, double& height) override
    {
        m_log.add("printer.page_size");
        width = 8500;
        height = 11000;
        return works;
    }
    bool draw_picture(const PictureObject&, double left, double top, double width, double height) override
    {
        m_log.add("printer.draw(" + std::to_string(static_cast<int>(left)) + "," + std::to_string(static_cast<int>(top)) +
                  "," + std::to_string(static_cast<int>(width)) + "," + std::to_string(static_cast<int>(height)) + ")");
        return works;
    }
    bool end_document() override
    {
        m_log.add("printer.end");
        return works;
    }

private:
    CallLog& m_log;
};

class FakeMessages : public ShowMessages {
public:
    explicit FakeMessages(CallLog& log, framory::testing::FakeCursor& cursor) : m_log(log), m_cursor(cursor) {}
    void printer_problem() override
    {
        m_log.add("message.printer(pointer " + std::string(m_cursor.count >= 0 ? "shown" : "hidden") + ")");
    }

private:
    CallLog& m_log;
    framory::testing::FakeCursor& m_cursor;
};

class StubPicture : public PictureObject {
public:
    int width_pixels() const override { return 800; }
    int height_pixels() const override { return 600; }
};

// The snapshot component of the show hands out a picture once it took one.
class SnapshotImage : public framory::testing::RecordingFXImage {
public:
    using RecordingFXImage::RecordingFXImage;
    std::shared_ptr<const PictureObject> snapshot_picture() const override { return std::make_shared<StubPicture>(); }
};

class ShowTest : public ::testing::Test {
protected:
    CallLog log;
    framory::testing::RecordingFXImage image1{log, "FXImage1"};
    SnapshotImage image2{log, "FXImage2"};
    framory::testing::RecordingFXLabel label1{log, "FXLabel1"};
    framory::testing::RecordingFXLabel label3{log, "FXLabel3"};
    framory::testing::RecordingFXSnd snd1{log, "FXSnd1"};
    framory::testing::RecordingFXSnd snd2{log, "FXSnd2"};
    FakeWindow window{log};
    ManualClock clock;
    ScriptedRandom random;
    MapLister lister;
    framory::testing::FakeCursor cursor;
    framory::testing::FakePump pump;
    framory::testing::FakeStore store;
    FakeSwitch password_switch;
    FakePrompt prompt;
    FakeWallpaper wallpaper;
    FakePrinter printer{log};
    FakeMessages messages{log, cursor};
    framory::testing::FakeScreen screen;
    class Saver : public SaverSystem {
    public:
        std::vector<bool> running;
        void set_screen_saver_running(bool on, std::uint32_t& previous, std::uint32_t) override
        {
            previous = running.empty() ? 0u : (running.back() ? 1u : 0u);
            running.push_back(on);
        }
        void set_screen_saver_active(bool, std::uint32_t&, std::uint32_t) override {}
    } saver;
    Program program;
    std::unique_ptr<ScreenSaverShow> show;

    void SetUp() override
    {
        program.windows_dir = "/win/";
        program.show_running = true;
        store.set("folders_total", "1");
        store.set("folder1", "/p/");
    }

    void pictures(std::vector<std::string> names)
    {
        lister.folders["/p/"] = names;
        for (const auto& n : names) {
            image1.files["/p/" + n] = {0, 400, 300};
        }
    }

    void load(ShowHost host = ShowHost::Own)
    {
        show = std::make_unique<ScreenSaverShow>(
            program, window, ShowComponents{image1, image2, label1, label3, snd1, snd2},
            ShowServices{clock, random, lister, cursor, saver, pump, store, password_switch, prompt, wallpaper, printer, messages, screen},
            host);
        show->Form_Load();
        show->Form_Activate();
        log.clear();
    }

    // Runs ticks until the cycle reaches `state`, at most `limit` ticks.
    void tick_until(CycleState state, int limit = 20)
    {
        for (int i = 0; i < limit && program.show.cycle_state != state; ++i) {
            show->Timer1_Timer();
        }
        ASSERT_EQ(program.show.cycle_state, state);
    }

    std::vector<std::string> files_loaded() const
    {
        std::vector<std::string> files;
        for (const auto& call : log.calls) {
            if (call.starts_with("FXImage1.file=")) {
                files.push_back(call.substr(14));
            }
        }
        return files;
    }

    // One whole cycle: load, caption, pause, arm, hold past its end, clear.
    void full_cycle()
    {
        if (program.show.cycle_state == CycleState::Hold) {
            clock.now += program.settings.scene_delay + 1;
        }
        tick_until(CycleState::Load);
        show->Timer1_Timer(); // load
        tick_until(CycleState::Hold);
        clock.now += program.settings.scene_delay + 1;
        tick_until(CycleState::Load);
    }

    int count_calls(const std::string& call) const
    {
        return static_cast<int>(std::count(log.calls.begin(), log.calls.end(), call));
    }
};

TEST_F(ShowTest, LoadStepPreparesTheShow)
{
    pictures({"a.jpg"});
    lister.folders["/p/"].push_back("tune.mid");
    store.set("cancel_mode", "9");
    store.set("gradient", "1");
    random.draws = {0.0, 0.0, 0.5, 0.7};
    load();
    EXPECT_EQ(cursor.count, -1) << "the pointer is hidden";
    EXPECT_EQ(saver.running, std::vector<bool>{true});
    EXPECT_EQ(program.show.lists.pictures.count(), 1);
    EXPECT_EQ(program.show.lists.audio.count(), 1);
    EXPECT_EQ(program.show.start_error, 0);
    EXPECT_EQ(program.show.next_audio_request, 1);
    EXPECT_EQ(program.show.current_audio, 0);
    EXPECT_EQ(program.show.current_picture, 0);
    EXPECT_EQ(program.show.cycle_state, CycleState::Load);
    EXPECT_TRUE(show->activated());
}

TEST_F(ShowTest, ActivationRunsOnceAndRespectsThePreview)
{
    pictures({"a.jpg"});
    show = std::make_unique<ScreenSaverShow>(
        program, window, ShowComponents{image1, image2, label1, label3, snd1, snd2},
        ShowServices{clock, random, lister, cursor, saver, pump, store, password_switch, prompt, wallpaper, printer, messages, screen});
    show->Form_Load();
    log.clear();
    show->Form_Activate();
    EXPECT_EQ(log.calls, (std::vector<std::string>{"window.maximise", "FXImage2.move(0,0,800,600)",
                                                   "FXLabel3.move(0,0,800,600)", "FXLabel3.show", "window.front",
                                                   "window.top_most",
                                                   "window.timer2=500"}));
    log.clear();
    show->Form_Activate();
    EXPECT_TRUE(log.calls.empty()) << "a second activation does nothing";

    program.config_preview = true;
    show->Form_Load();
    log.clear();
    show->Form_Activate();
    EXPECT_EQ(count_calls("window.top_most"), 0) << "a preview is not top-most";
    EXPECT_EQ(count_calls("window.timer2=500"), 1);
}

TEST_F(ShowTest, LoadTickCallsTheComponentInOrder)
{
    pictures({"a.jpg"});
    store.set("effect_grain", "9");
    store.set("effect_delay", "4");
    store.set("effect_speed", "3");
    random.draws = {0.0, 0.0, 0.0, 0.5};
    load();
    show->Timer1_Timer();
    const std::vector<std::string> expected = {
        "FXImage1.drawing=0",  "FXImage1.size_mode=1", "FXImage1.move(0,0,800,600)",
        "FXImage1.p24=8",      "FXImage1.p25=15",      "FXImage1.p23=3",
        "FXImage1.p22=1",      "FXImage1.p17=8",       "FXImage1.p19=15",
        "FXImage1.p18=5",      "FXImage1.p10=2",       "FXImage1.p21=1",
        "FXImage1.p20=2",      "FXImage1.drawing=1",   "FXImage1.file=/p/a.jpg",
        "FXImage1.move(0,0,800,600)", "FXImage1.size_mode=2", "FXImage1.grain=9",
        "FXImage1.pace=12",    "FXImage1.effect=57",   "FXImage1.drawing=1",
        "FXImage1.front",      "FXImage1.show"};
    EXPECT_EQ(log.calls, expected);
    EXPECT_EQ(program.show.cycle_state, CycleState::Caption);
    EXPECT_EQ(program.show.picture_rect, (PictureRect{0, 0, 800, 600}));
}

TEST_F(ShowTest, StatesFollowLoadCaptionPauseArmHoldClear)
{
    pictures({"a.jpg", "b.jpg"});
    load();
    std::vector<CycleState> states;
    for (int i = 0; i < 6; ++i) {
        show->Timer1_Timer();
        states.push_back(program.show.cycle_state);
    }
    EXPECT_EQ(states, (std::vector<CycleState>{CycleState::Caption, CycleState::Pause, CycleState::Arm,
                                               CycleState::Hold, CycleState::Hold, CycleState::Hold}));
    EXPECT_EQ(program.show.holding, 1);
    EXPECT_EQ(program.show.next_change, 36005);
    clock.now = 36005.0;
    show->Timer1_Timer();
    EXPECT_EQ(program.show.cycle_state, CycleState::Hold) << "the hold ends only once the clock has passed the deadline";
    clock.now = 36005.1;
    show->Timer1_Timer();
    EXPECT_EQ(program.show.cycle_state, CycleState::Clear);
    EXPECT_EQ(program.show.holding, 0);
    log.clear();
    show->Timer1_Timer();
    EXPECT_EQ(program.show.cycle_state, CycleState::Load);
    EXPECT_EQ(log.calls.front(), "FXImage1.drawing=0");
    EXPECT_EQ(count_calls("FXLabel3.effect=36"), 1);
    EXPECT_EQ(count_calls("FXLabel3.p53=200"), 1);
    EXPECT_EQ(count_calls("FXLabel3.pace=60"), 1);
    EXPECT_EQ(count_calls("FXLabel3.grain=12"), 1);
    EXPECT_EQ(log.calls.back(), "FXLabel3.effect=0");
}

TEST_F(ShowTest, SequentialOrderStartsAnywhereAndWraps)
{
    pictures({"a.jpg", "b.jpg", "c.jpg"});
    random.draws = {0.1, 0.9}; // audio start, then the picture start: 3 * 0.9 + 1 = 3.7 -> 3, minus 1 = 2
    load();
    for (int i = 0; i < 4; ++i) {
        full_cycle();
    }
    EXPECT_EQ(files_loaded(), (std::vector<std::string>{"/p/c.jpg", "/p/a.jpg", "/p/b.jpg", "/p/c.jpg"}));
}

TEST_F(ShowTest, RandomOrderWithTwoPicturesAlternates)
{
    pictures({"a.jpg", "b.jpg"});
    store.set("random_order", "1");
    random.fallback = 0.0; // every draw says picture 1
    random.draws = {0.3, 0.3};
    load();
    random.draws = {0.0, 0.9}; // first choice: 1 equals previous, then 2
    for (int i = 0; i < 4; ++i) {
        full_cycle();
    }
    EXPECT_EQ(files_loaded(), (std::vector<std::string>{"/p/b.jpg", "/p/a.jpg", "/p/b.jpg", "/p/a.jpg"}));
}

TEST_F(ShowTest, NinetyNineDrawsOnThePreviousPictureGiveTheNextInOrder)
{
    pictures({"a.jpg", "b.jpg", "c.jpg"});
    store.set("random_order", "1");
    random.fallback = 0.0; // always picture 1, the previous one
    load();
    const int reseeds_before = random.reseeds;
    full_cycle();
    EXPECT_EQ(files_loaded(), std::vector<std::string>{"/p/b.jpg"});
    EXPECT_GE(random.reseeds - reseeds_before, 99) << "every draw is preceded by a reseed";
}

TEST_F(ShowTest, OnePictureIsReloadedEveryCycle)
{
    pictures({"only.jpg"});
    load();
    full_cycle();
    full_cycle();
    EXPECT_EQ(files_loaded(), (std::vector<std::string>{"/p/only.jpg", "/p/only.jpg"}));
}

TEST_F(ShowTest, NextPictureIsHandedOverAheadDuringTheHold)
{
    pictures({"a.jpg", "b.jpg"});
    random.draws = {0.0, 0.0}; // start before a
    load();
    tick_until(CycleState::Hold);
    show->Timer1_Timer();
    EXPECT_EQ(count_calls("FXImage1.prepare=/p/b.jpg"), 1) << "once per hold";
    clock.now += 10;
    tick_until(CycleState::Load);
    show->Timer1_Timer();
    EXPECT_EQ(files_loaded(), (std::vector<std::string>{"/p/a.jpg", "/p/b.jpg"}));
}

TEST_F(ShowTest, MidnightDuringAHoldRearmsFromTheNewClock)
{
    pictures({"a.jpg"});
    clock.now = 86398.0;
    load();
    tick_until(CycleState::Hold);
    EXPECT_EQ(program.show.next_change, 86403);
    clock.now = 1.0; // past midnight
    show->Timer1_Timer();
    EXPECT_EQ(program.show.cycle_state, CycleState::Hold);
    EXPECT_EQ(program.show.next_change, 6);
    clock.now = 6.5;
    show->Timer1_Timer();
    EXPECT_EQ(program.show.cycle_state, CycleState::Clear);
}

TEST_F(ShowTest, FailedLoadIsCaptionedWithoutEffectEvenWithFileNamesOff)
{
    pictures({"a.jpg"});
    image1.files["/p/a.jpg"] = {1, 0, 0};
    store.set("show_filenames", "0");
    load();
    show->Timer1_Timer();
    EXPECT_EQ(count_calls("FXImage1.hide"), 1);
    EXPECT_EQ(count_calls("FXImage1.show"), 0);
    log.clear();
    show->Timer1_Timer();
    EXPECT_EQ(program.show.caption_text, "/p/a.jpg could not be loaded!");
    EXPECT_EQ(count_calls("FXLabel1.caption=/p/a.jpg could not be loaded!"), 1);
    EXPECT_EQ(count_calls("FXLabel1.effect=0"), 1);
    EXPECT_EQ(count_calls("FXLabel1.grain=10"), 1);
    EXPECT_EQ(count_calls("FXLabel1.pace=0"), 1);
    EXPECT_EQ(count_calls("FXLabel1.show"), 1);
    EXPECT_EQ(program.show.cycle_state, CycleState::Pause);
}

TEST_F(ShowTest, FileNamesOffShowsNoCaptionForGoodPictures)
{
    pictures({"a.jpg"});
    store.set("show_filenames", "0");
    load();
    show->Timer1_Timer();
    log.clear();
    show->Timer1_Timer();
    EXPECT_EQ(program.show.cycle_state, CycleState::Pause);
    EXPECT_EQ(count_calls("FXLabel1.show"), 0);
    EXPECT_EQ(log.calls,
              (std::vector<std::string>{"FXLabel3.drawing=0", "FXImage1.drawing=0", "FXLabel1.drawing=0"}));
}

TEST_F(ShowTest, CaptionIsThePathCentredAtTheBottomWithItsOwnEffect)
{
    pictures({"a.jpg"});
    store.set("effect_grain", "2");
    load();
    show->Timer1_Timer();
    log.clear();
    random.draws = {0.0};
    show->Timer1_Timer();
    EXPECT_EQ(program.show.caption_text, "/p/a.jpg");
    // 8 characters of 10 units on an 800 by 600 window.
    EXPECT_EQ(count_calls("FXLabel1.move(360,580,80,20)"), 1);
    EXPECT_EQ(count_calls("FXLabel1.grain=1"), 1);
    EXPECT_EQ(count_calls("FXLabel1.effect=1"), 1);
    EXPECT_EQ(log.calls.back(), "FXLabel1.front");
}

TEST_F(ShowTest, UnknownScaleFlagKeepsThePreviousRectangle)
{
    pictures({"a.jpg"});
    store.set("scale_flag", "50");
    load();
    show->Timer1_Timer();
    EXPECT_EQ(program.show.picture_rect, PictureRect{});
    EXPECT_EQ(count_calls("FXImage1.move(0,0,0,0)"), 1);

    store.set("scale_flag", "85");
    load();
    show->Timer1_Timer();
    EXPECT_EQ(program.show.picture_rect, (PictureRect{60, 45, 680, 510}));
    EXPECT_EQ(program.show.scale_to_area, ScaleToArea::Scale);
}

TEST_F(ShowTest, NoPicturesShowsTheMessageEveryCycle)
{
    lister.folders["/p/"] = {"readme.txt"};
    load();
    EXPECT_EQ(program.show.start_error, 2);
    show->Timer1_Timer();
    EXPECT_EQ(program.show.cycle_state, CycleState::Caption);
    EXPECT_TRUE(files_loaded().empty());
    show->Timer1_Timer();
    EXPECT_EQ(program.show.caption_text, "Framory did not find any photos! Please check config settings!");
    tick_until(CycleState::Hold);
    clock.now += 10;
    tick_until(CycleState::Load);
    tick_until(CycleState::Pause);
    EXPECT_EQ(count_calls("FXLabel1.caption=Framory did not find any photos! Please check config settings!"), 2);
}

TEST_F(ShowTest, DismissalWithTheSwitchOffEndsOnTheNextTick)
{
    pictures({"a.jpg"});
    program.password.plain_password = "SECRET";
    store.set("misc", "");
    load();
    program.password.plain_password = "SECRET";
    show->Form_Click();
    const int pumps = pump.pending_runs;
    show->Timer1_Timer();
    EXPECT_TRUE(program.show.dismissal.exit_now());
    EXPECT_EQ(prompt.shown, 0);
    EXPECT_EQ(pump.pending_runs - pumps, 1) << "only the load tick's pump; the check itself does not pump";
    log.clear();
    show->Timer1_Timer();
    EXPECT_EQ(log.calls.back(), "window.unload");
    EXPECT_EQ(count_calls("window.save=/win/Velmoria.bmp"), 0) << "no wallpaper unless asked";
}

TEST_F(ShowTest, DismissalWithTheSwitchOnAndNoPasswordEnds)
{
    pictures({"a.jpg"});
    password_switch.on = true;
    load();
    char key = 'x';
    show->Form_KeyPress(key);
    show->Timer1_Timer();
    EXPECT_TRUE(program.show.dismissal.exit_now());
    EXPECT_EQ(prompt.shown, 0);
}

TEST_F(ShowTest, DismissalWithAPasswordOpensThePromptOnce)
{
    pictures({"a.jpg"});
    password_switch.on = true;
    load();
    program.password.plain_password = "SECRET";
    int ticks_inside = 0;
    prompt.answer = [&](Program& p) {
        // The show goes on behind the prompt, and a new request opens no
        // second prompt.
        show->Form_DblClick();
        show->Form_MouseDown();
        show->Timer1_Timer();
        show->Timer1_Timer();
        ticks_inside += 2;
        EXPECT_EQ(p.show.dismissal.prompt_state(), PromptState::Open);
    };
    show->Form_QueryUnload(); // a close request from outside asks like any input
    show->Timer1_Timer();
    EXPECT_EQ(prompt.shown, 1);
    EXPECT_EQ(ticks_inside, 2);
    EXPECT_FALSE(program.show.dismissal.exit_now());
    EXPECT_EQ(program.show.cycle_state, CycleState::Arm) << "the cycle ran on behind the prompt";
}

TEST_F(ShowTest, KeysPAndMAreSwallowedOthersDismissAndStay)
{
    pictures({"a.jpg"});
    load();
    for (const char typed : {'p', 'P', 'm', 'M'}) {
        char key = typed;
        show->Form_KeyPress(key);
        EXPECT_EQ(key, 0) << typed;
        EXPECT_FALSE(program.show.dismissal.dismiss_request()) << typed;
    }
    for (const char typed : {' ', '\r', '\x1b', 'x', 'Q'}) {
        program.show.dismissal.reset();
        char key = typed;
        show->Form_KeyPress(key);
        EXPECT_EQ(key, typed);
        EXPECT_TRUE(program.show.dismissal.dismiss_request()) << static_cast<int>(typed);
    }
}

TEST_F(ShowTest, PrintIsIgnoredUnlessAPictureIsHeld)
{
    pictures({"a.jpg"});
    load();
    show->Timer1_Timer(); // loading: not holding
    log.clear();
    char key = 'p';
    show->Form_KeyPress(key);
    EXPECT_TRUE(log.calls.empty());
    EXPECT_FALSE(program.show.dismissal.dismiss_request());
}

TEST_F(ShowTest, PrintFreezesTheScreenPrintsItScaledToThePageAndShowsTheShowAgain)
{
    pictures({"a.jpg"});
    load();
    tick_until(CycleState::Hold);
    show->Timer1_Timer();
    ASSERT_EQ(program.show.holding, 1);
    log.clear();
    char key = 'P';
    show->Form_KeyPress(key);
    // A 1920 by 1080 screen on an 8500 by 11000 page: 90 per cent of the
    // width, the screen's proportions, at the page's origin.
    const std::vector<std::string> expected = {"FXImage2.snapshot=2", "FXImage2.snapshot=1", "FXImage2.front",
                                               "FXImage2.show",       "FXImage2.snapshot=3", "printer.prepare",
                                               "printer.page_size",   "printer.draw(0,0,7650,4303)",
                                               "printer.end",         "FXImage2.hide"};
    EXPECT_EQ(log.calls, expected);
    EXPECT_EQ(program.show.scale_to_area, ScaleToArea::Scale);
    EXPECT_FALSE(program.show.dismissal.dismiss_request());
    EXPECT_FALSE(program.show.dismissal.exit_now());
}

TEST_F(ShowTest, FailingPrinterSaysSoOnceAndTheShowGoesOn)
{
    pictures({"a.jpg"});
    load();
    tick_until(CycleState::Hold);
    show->Timer1_Timer();
    printer.works = false;
    log.clear();
    char key = 'p';
    show->Form_KeyPress(key);
    EXPECT_EQ(count_calls("message.printer(pointer shown)"), 1);
    EXPECT_EQ(count_calls("printer.page_size"), 0) << "the steps after the failure are skipped";
    EXPECT_EQ(log.calls.back(), "FXImage2.hide") << "the frozen copy goes away";
    EXPECT_EQ(cursor.count, -1) << "the pointer is hidden again";
    EXPECT_FALSE(program.show.dismissal.exit_now());
    EXPECT_FALSE(program.show.dismissal.dismiss_request());
}

TEST_F(ShowTest, NextSoundStopsThePlayerAndRequestsOneSoundHoweverOftenPressed)
{
    lister.folders["/p/"] = {"a.wav", "b.wav", "c.wav"};
    random.draws = {0.0};
    load();
    show->Timer2_Timer(); // a.wav starts
    log.clear();
    char key = 'm';
    show->Form_KeyPress(key);
    key = 'M';
    show->Form_KeyPress(key);
    EXPECT_EQ(count_calls("FXSnd2.file="), 2);
    EXPECT_EQ(count_calls("FXSnd2.command=11"), 2);
    EXPECT_EQ(program.show.next_audio_request, 1);
    show->Timer2_Timer();
    show->Timer2_Timer();
    EXPECT_EQ(count_calls("FXSnd2.file=/p/b.wav"), 1);
    EXPECT_EQ(count_calls("FXSnd2.file=/p/c.wav"), 0) << "two presses start one sound";
}

TEST_F(ShowTest, TwelveMovesInAWindowAreToleratedTheThirteenthDismisses)
{
    pictures({"a.jpg"});
    load();
    show->Form_MouseMove(); // opens the counting window
    EXPECT_EQ(program.show.dismissal.move_window_end(), 36002);
    for (int i = 0; i < 12; ++i) {
        show->Form_MouseMove();
    }
    EXPECT_FALSE(program.show.dismissal.dismiss_request());
    show->Form_MouseMove();
    EXPECT_TRUE(program.show.dismissal.dismiss_request());
}

TEST_F(ShowTest, SlowMovesNeverDismiss)
{
    pictures({"a.jpg"});
    load();
    for (int i = 0; i < 100; ++i) {
        clock.now += 2.6;
        show->Form_MouseMove();
    }
    EXPECT_FALSE(program.show.dismissal.dismiss_request());
}

TEST_F(ShowTest, AudioPlaysInOrderFromTheRandomStartAndWraps)
{
    lister.folders["/p/"] = {"a.wav", "b.mid", "c.WAV"};
    random.draws = {0.7}; // 3 * 0.7 + 1 = 3.1 -> 3, minus 1: start value 2
    load();
    EXPECT_EQ(program.show.current_audio, 2);
    std::vector<std::string> played;
    for (int i = 0; i < 4; ++i) {
        log.clear();
        show->Timer2_Timer();
        show->Timer2_Timer(); // a tick while the sound plays starts nothing
        for (const auto& call : log.calls) {
            if (call.starts_with("FXSnd2.")) {
                played.push_back(call.substr(7));
            }
        }
        show->FXSnd2_Finished();
    }
    EXPECT_EQ(played, (std::vector<std::string>{"device=0", "file=/p/c.WAV", "device=0", "file=/p/a.wav", "device=1",
                                                "file=/p/b.mid", "device=0", "file=/p/c.WAV"}));
}

TEST_F(ShowTest, FirstAudioTickStartsTheCycleOnceEvenWithoutSound)
{
    lister.folders["/p/"] = {"a.wav", "x.jpg"};
    store.set("sound_on", "0");
    load();
    show->Timer2_Timer();
    show->Timer2_Timer();
    EXPECT_EQ(count_calls("window.timer1"), 1);
    EXPECT_EQ(count_calls("FXSnd2.file=/p/a.wav"), 0);
    EXPECT_EQ(program.show.cycle_started, 1);
}

TEST_F(ShowTest, ExitWithWallpaperSnapshotsSavesAndSetsIt)
{
    pictures({"a.jpg"});
    store.set("wallpaper", "1");
    load();
    show->Timer1_Timer();
    program.show.dismissal.allow_exit();
    log.clear();
    show->Timer1_Timer();
    const std::vector<std::string> expected = {
        "FXLabel3.effect=0",   "FXLabel3.refresh",    "FXImage1.effect=0",   "FXImage1.show",
        "FXImage1.refresh",    "FXImage2.snapshot=2", "FXImage2.snapshot=1", "FXImage2.front",
        "FXImage2.show",       "FXImage2.snapshot=3", "window.save=/win/Velmoria.bmp", "window.unload"};
    EXPECT_EQ(log.calls, expected);
    EXPECT_EQ(wallpaper.set, std::vector<std::string>{"/win/Velmoria.bmp"});
    EXPECT_FALSE(show->in_tick());
}

TEST_F(ShowTest, BitmapThatCannotBeWrittenSetsNoWallpaperButTheShowEnds)
{
    pictures({"a.jpg"});
    store.set("wallpaper", "1");
    window.save_succeeds = false;
    load();
    program.show.dismissal.allow_exit();
    show->Timer1_Timer();
    EXPECT_TRUE(wallpaper.set.empty());
    EXPECT_EQ(log.calls.back(), "window.unload");
}

TEST_F(ShowTest, UnloadStopsSoundsRestoresTheSystemAndThePointer)
{
    pictures({"a.jpg"});
    load();
    show->Form_Unload();
    EXPECT_EQ(log.calls, (std::vector<std::string>{"FXSnd1.file=", "FXSnd1.command=11", "FXSnd1.command=1",
                                                   "FXSnd2.file=", "FXSnd2.command=11", "FXSnd2.command=1"}));
    EXPECT_EQ(saver.running, (std::vector<bool>{true, false}));
    EXPECT_FALSE(program.show_running);
    EXPECT_EQ(cursor.count, 0);
}

// The daemon that hosts the show owns the screen, the input, the lock and
// the end: the show leaves all of them alone and only shows pictures.
TEST_F(ShowTest, AHostedShowOnlyShowsPictures)
{
    pictures({"a.jpg", "b.jpg"});
    lister.folders["/p/"].push_back("a.wav");
    store.set("wallpaper", "1");
    store.set("sound_on", "1");
    load(ShowHost::Hosted);
    EXPECT_EQ(cursor.count, 0) << "the pointer stays as it is";
    EXPECT_TRUE(saver.running.empty()) << "the desktop's saver state is the daemon's";
    show->Timer2_Timer();
    char key = 'x';
    show->Form_KeyPress(key);
    show->Form_Click();
    for (int i = 0; i < 20; ++i) {
        show->Form_MouseMove();
    }
    EXPECT_EQ(program.show.dismiss_request, 0) << "input never ends a hosted show";
    EXPECT_EQ(count_calls("FXSnd2.file=/p/a.wav"), 0) << "no sound";
    tick_until(0);
    show->Timer1_Timer(); // loads; the hold is still to come
    const std::size_t placed = files_loaded().size();
    show->Form_Resize();
    tick_until(1);
    show->Timer1_Timer();
    tick_until(0);
    show->Timer1_Timer();
    EXPECT_EQ(files_loaded().size(), placed + 1) << "a new size ends the next hold at once";
    EXPECT_EQ(password_switch.asked, 0);
    program.show.exit_now = 1;
    show->Timer1_Timer();
    EXPECT_TRUE(wallpaper.set.empty()) << "no wallpaper";
    show->Form_Unload();
    EXPECT_TRUE(saver.running.empty());
    EXPECT_EQ(cursor.count, 0);
    EXPECT_FALSE(program.show_running);
}

TEST_F(ShowTest, NestedTickReturnsAtOnce)
{
    pictures({"a.jpg"});
    load();
    int nested_states = -1;
    // The first pump inside the load step delivers another tick: it must
    // not run.
    struct Reentry : EventPump {
        ScreenSaverShow* show = nullptr;
        Program* program = nullptr;
        int* seen = nullptr;
        bool delivered = false;
        void process_pending() override
        {
            if (delivered) {
                return;
            }
            delivered = true;
            const CycleState before = program->show.cycle_state;
            show->Timer1_Timer();
            *seen = program->show.cycle_state == before ? 1 : 0;
        }
        void run_while(const bool&) override {}
    } reentry;
    auto nested = std::make_unique<ScreenSaverShow>(
        program, window, ShowComponents{image1, image2, label1, label3, snd1, snd2},
        ShowServices{clock, random, lister, cursor, saver, reentry, store, password_switch, prompt, wallpaper, printer, messages, screen});
    reentry.show = nested.get();
    reentry.program = &program;
    reentry.seen = &nested_states;
    nested->Form_Load();
    program.show.cycle_state = CycleState::Load;
    nested->Timer1_Timer();
    EXPECT_EQ(nested_states, 1) << "the nested tick changed nothing";
    EXPECT_EQ(program.show.cycle_state, CycleState::Caption);
}

} // namespace
} // namespace framory::core
