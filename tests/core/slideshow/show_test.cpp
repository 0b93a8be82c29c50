#include "core/slideshow/show.h"

#include "core/startup/program.h"
#include "support/fake_components.h"
#include "support/fake_platform.h"

#include <gtest/gtest.h>

namespace framory::core {
namespace {

using namespace framory::testing;

// The show's window and the services it calls, as state.
struct FakeShowWindow : ShowWindow,
                        PasswordSwitch,
                        PasswordPrompt,
                        WallpaperService,
                        Printer,
                        ShowMessages,
                        SaverSystem {
    bool maximised_ = false, top_most = false, timer1 = false, unloaded = false, save_works = true;
    bool switch_on = false, printer_works = true, saver_running = false;
    int timer2_ms = 0, prompts = 0, switch_asked = 0, printer_messages = 0, pointer_at_message = -99;
    std::string saved, wallpaper;
    std::vector<PictureRect> printed;
    std::function<void()> during_prompt;
    FakeCursor* cursor = nullptr;

    double inner_width() override { return 800; }
    double inner_height() override { return 600; }
    double left() override { return 0; }
    double top() override { return 0; }
    bool maximised() override { return maximised_; }
    void maximise() override { maximised_ = true; }
    void bring_to_front() override {}
    void make_top_most() override { top_most = true; }
    void start_timer2(int ms) override { timer2_ms += ms; }
    void enable_timer1() override { timer1 = true; }
    bool save_as_bitmap(const PictureObject&, const std::string& path) override
    {
        saved = path;
        return save_works;
    }
    void unload() override { unloaded = true; }
    bool DesktopPasswordOn() override
    {
        ++switch_asked;
        return switch_on;
    }
    void show_modal(Program&) override
    {
        ++prompts;
        during_prompt();
    }
    void SetWallpaper(const std::string& path) override { wallpaper = path; }
    bool prepare() override { return printer_works; }
    bool page_size(double& width, double& height) override
    {
        width = 8500;
        height = 11000;
        return printer_works;
    }
    bool draw_picture(const PictureObject&, double l, double t, double w, double h) override
    {
        printed.push_back({int(l), int(t), int(w), int(h)});
        return printer_works;
    }
    bool end_document() override { return printer_works; }
    void printer_problem() override
    {
        ++printer_messages;
        pointer_at_message = cursor->count;
    }
    void set_screen_saver_running(bool on, std::uint32_t& previous, std::uint32_t) override
    {
        previous = saver_running;
        saver_running = on;
    }
    void set_screen_saver_active(bool, std::uint32_t&, std::uint32_t) override {}
};

class ShowTest : public ::testing::Test {
protected:
    FakeImage image1, image2;
    FakeLabel label1, label3;
    FakeSound snd1, snd2;
    FakeShowWindow w;
    ManualClock clock;
    ScriptedRandom random;
    FakeLister lister;
    FakeCursor cursor;
    FakePump pump;
    FakeStore store;
    FakeScreen screen;
    Program program;
    std::unique_ptr<ScreenSaverShow> show;

    void SetUp() override
    {
        program.windows_dir = native("/win/");
        program.show_running = true;
        store.set("folders_total", "1");
        store.set("folder1", native("/p/"));
        w.cursor = &cursor;
    }
    void pictures(std::vector<std::string> names)
    {
        for (const auto& n : names) {
            lister.folders[native("/p/")].push_back(n);
            image1.files[native("/p/") + n] = {0, 400, 300};
        }
    }
    void load(bool activate = true, ShowHost host = ShowHost::Own)
    {
        show = std::make_unique<ScreenSaverShow>(
            program, w, ShowComponents{image1, image2, label1, label3, snd1, snd2},
            ShowServices{clock, random, lister, cursor, w, pump, store, w, w, w, w, w, screen}, host);
        show->Form_Load();
        if (activate) {
            show->Form_Activate();
        }
    }
    void press(char typed) { show->Form_KeyPress(typed); }
    // Ticks every 100 ms of the clock for the given time.
    void run_for(double seconds)
    {
        for (const double end = clock.now + seconds; clock.now < end - 1e-9; clock.now += 0.1) {
            show->Timer1_Timer();
        }
    }
    void tick_until(CycleState state)
    {
        for (int i = 0; i < 20 && program.show.cycle_state != state; ++i) {
            show->Timer1_Timer();
        }
        ASSERT_EQ(program.show.cycle_state, state);
    }
    const Dismissal& dismissal() const { return program.show.dismissal; }
};

TEST_F(ShowTest, LoadHidesThePointerPaintsTheBackgroundAndActivationRunsOnce)
{
    pictures({"a.jpg"});
    store.set("cancel_mode", "5"); // no name covers it: handed on as stored
    random.draws = {0.0, 0.0, 0.99, 0.99};
    load(false);
    EXPECT_EQ(cursor.count, -1);
    EXPECT_TRUE(w.saver_running);
    EXPECT_EQ(std::vector<int>({image1.cancel_mode, label1.cancel_mode, label3.cancel_mode}), std::vector<int>(3, 5));
    EXPECT_EQ(std::make_pair(label3.gradient_colour, label3.gradient_style), std::make_pair(8, 19));
    EXPECT_FALSE(label3.visible);
    show->Form_Activate();
    show->Form_Activate();
    EXPECT_TRUE(w.maximised_ && w.top_most);
    EXPECT_EQ(w.timer2_ms, 500) << "the audio timer starts once";
    EXPECT_EQ(std::vector<double>({label3.width, label3.height, image2.width, image2.height}),
              std::vector<double>({800, 600, 800, 600}))
        << "background and snapshot cover the window";
    EXPECT_TRUE(label3.visible) << "the first background shows as soon as it covers the window";

    program.config_preview = true;
    w.top_most = false;
    load();
    EXPECT_FALSE(w.top_most) << "a preview is not top-most";
}

TEST_F(ShowTest, EachPictureStaysForTheSceneDelayAndSequentialOrderStartsAnywhere)
{
    pictures({"a.jpg", "b.jpg", "c.jpg"});
    store.set("scene_delay", "7");
    random.draws = {0.1, 0.9}; // the sound's start, then the picture's: 3 * 0.9 + 1 -> 3, minus 1
    load();
    std::vector<double> load_times;
    std::size_t seen = 0;
    for (int tick = 0; tick < 300; ++tick, clock.now += 0.1) {
        show->Timer1_Timer();
        if (image1.loads.size() > seen) {
            seen = image1.loads.size();
            load_times.push_back(clock.now);
            EXPECT_TRUE(image1.visible && !label1.visible) << "the caption follows on the next tick";
        }
    }
    EXPECT_EQ(image1.loads, (std::vector<std::string>{native("/p/c.jpg"), native("/p/a.jpg"), native("/p/b.jpg"),
                                                      native("/p/c.jpg")}));
    for (std::size_t i = 1; i < load_times.size(); ++i) {
        // Caption, pause and arm take three ticks; the deadline is rounded
        // to a whole second; the hold ends on the first tick past it, and
        // clearing takes one more tick.
        EXPECT_GT(load_times[i] - load_times[i - 1], 7.0) << i;
        EXPECT_LT(load_times[i] - load_times[i - 1], 8.15) << i;
    }
    EXPECT_EQ(label1.caption, native("/p/c.jpg"));
    EXPECT_EQ(image1.prepared, (std::vector<std::string>{native("/p/a.jpg"), native("/p/b.jpg"), native("/p/c.jpg"),
                                                         native("/p/a.jpg")}))
        << "each next picture is handed over once, during the hold before it";
}

TEST_F(ShowTest, RandomOrderNeverRepeatsAPictureAndGivesUpAfterNinetyNineDraws)
{
    pictures({"a.jpg", "b.jpg", "c.jpg"});
    store.set("random_order", "1");
    random.fallback = 0.0; // every draw says picture 1
    load();
    const int reseeds = random.reseeds;
    run_for(4 * 5.6);
    // From b, picture 1 differs at once; from a, 99 draws hit a and the
    // 100th is replaced by the next picture in list order.
    EXPECT_EQ(image1.loads, (std::vector<std::string>{native("/p/b.jpg"), native("/p/a.jpg"), native("/p/b.jpg"),
                                                      native("/p/a.jpg")}));
    EXPECT_GE(random.reseeds - reseeds, 2 * 99) << "a reseed before every draw";
}

TEST_F(ShowTest, OnePictureIsReloadedAndMidnightRearmsTheHold)
{
    pictures({"only.jpg"});
    clock.now = 86398.0;
    load();
    tick_until(CycleState::Hold);
    clock.now = 1.0; // past midnight: the deadline 86403 lies a day ahead
    run_for(5.0);
    EXPECT_EQ(image1.loads.size(), 1u);
    run_for(1.0);
    EXPECT_EQ(image1.loads, (std::vector<std::string>{native("/p/only.jpg"), native("/p/only.jpg")}));
}

TEST_F(ShowTest, PictureIsPlacedFramedAndPlayedWithTheSettings)
{
    struct Case {
        std::string scale_flag, border;
        PictureRect rect;
    };
    const Case cases[] = {{"50", "0", {0, 0, 0, 0}}, // no placement: the previous rectangle, none yet
                          {"100", "1", {0, 0, 800, 600}},
                          {"85", "7", {60, 45, 680, 510}},
                          {"0", "0", {200, 150, 400, 300}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scale_flag);
        store.set("scale_flag", c.scale_flag);
        store.set("border_active", c.border);
        store.set("effect_grain", "9");
        store.set("effect_delay", "4");
        store.set("effect_speed", "3");
        image1 = FakeImage{};
        image1.files[native("/p/a.jpg")] = {0, 400, 300};
        lister.folders[native("/p/")] = {"a.jpg"};
        load();
        show->Timer1_Timer();
        EXPECT_EQ(PictureRect({int(image1.left), int(image1.top), int(image1.width), int(image1.height)}), c.rect);
        EXPECT_EQ(image1.size_mode, SizeMode::Stretch);
        FrameValues frame;
        if (c.border == "0") {
            frame.border_size_1 = frame.border_size_2 = frame.border_size_3 = 0;
        }
        EXPECT_EQ(image1.frame, frame);
        EXPECT_EQ(std::make_pair(image1.grain, image1.pace), std::make_pair(9, 12));
        EXPECT_TRUE(program.show.effect_table.allowed(image1.played_effect)) << image1.played_effect;
    }
}

TEST_F(ShowTest, CaptionsAndMessagesSitCentredAtTheBottom)
{
    struct Case {
        std::vector<std::string> names;
        int load_status;
        std::string show_filenames, caption;
        bool with_effect;
    };
    const Case cases[] = {
        {{"a.jpg"}, 0, "1", native("/p/a.jpg"), true},
        {{"a.jpg"}, 0, "0", "", false},
        {{"a.jpg"}, 1, "0", native("/p/a.jpg could not be loaded!"), false},
        {{"notes.txt"}, 0, "1", "Framory did not find any photos! Please check config settings!", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        lister.folders[native("/p/")] = c.names;
        image1 = FakeImage{};
        image1.files[native("/p/a.jpg")] = {c.load_status, 400, 300};
        store.set("show_filenames", c.show_filenames);
        label1 = FakeLabel{};
        load();
        show->Timer1_Timer();
        show->Timer1_Timer();
        EXPECT_EQ(label1.visible, !c.caption.empty());
        EXPECT_EQ(image1.visible, c.with_effect || c.caption.empty());
        if (!c.caption.empty()) {
            EXPECT_EQ(label1.caption, c.caption);
            const double width = 10.0 * static_cast<double>(c.caption.size());
            EXPECT_EQ(std::make_pair(label1.left, label1.top), std::make_pair((800 - width) / 2, 580.0));
            EXPECT_EQ(label1.played_effect != 0, c.with_effect);
        }
        EXPECT_EQ(program.show.cycle_state, CycleState::Pause);
    }
}

TEST_F(ShowTest, DismissalEndsTheShowOrAsksForThePasswordOnce)
{
    struct Case {
        bool switch_on;
        std::string password;
        bool ends;
        void (ScreenSaverShow::*input)(); // a close request from outside asks like any input
    };
    pictures({"a.jpg"});
    for (const Case& c : {Case{false, "SECRET", true, &ScreenSaverShow::Form_Click},
                          Case{true, "", true, &ScreenSaverShow::Form_MouseDown},
                          Case{true, "SECRET", false, &ScreenSaverShow::Form_QueryUnload}}) {
        SCOPED_TRACE(c.switch_on);
        w.unloaded = false;
        w.switch_on = c.switch_on;
        w.prompts = 0;
        load();
        program.password.plain_password = c.password;
        w.during_prompt = [&] {
            // Behind the prompt the show goes on, and new requests open no
            // second prompt.
            show->Form_DblClick();
            show->Form_MouseDown();
            run_for(0.5);
        };
        (show.get()->*c.input)();
        show->Timer1_Timer();
        show->Timer1_Timer();
        EXPECT_EQ(w.unloaded, c.ends);
        EXPECT_EQ(w.prompts, c.ends ? 0 : 1);
        EXPECT_EQ(dismissal().prompt_state(), c.ends ? PromptState::Closed : PromptState::Open);
    }
    EXPECT_EQ(program.show.cycle_state, CycleState::Hold) << "the cycle ran on behind the prompt";
}

TEST_F(ShowTest, OnlyABurstOfMouseMovesEndsTheShow)
{
    pictures({"a.jpg"});
    load();
    const auto moves = [&](int n, double apart) {
        for (int i = 0; i < n; ++i, clock.now += apart) {
            show->Form_MouseMove();
        }
        return dismissal().dismiss_request();
    };
    EXPECT_FALSE(moves(100, 2.6)) << "moves far apart";
    EXPECT_FALSE(moves(13, 0.01)) << "the move that opens a window and twelve more";
    EXPECT_TRUE(moves(1, 0.01)) << "the thirteenth within the window";

    // A cancelled prompt forgets the burst and its window: a fresh burst is needed.
    program.show.dismissal.open_prompt();
    program.show.dismissal.prompt_given_up();
    EXPECT_FALSE(moves(13, 0.01));
    EXPECT_TRUE(moves(1, 0.01));

    // Past midnight the clock is below the window's end: the moves add up.
    load();
    clock.now = 86399.5;
    moves(1, 0);
    clock.now = 0.5;
    EXPECT_FALSE(moves(12, 60.0));
    EXPECT_TRUE(moves(1, 0));
}

TEST_F(ShowTest, PAndMAreCommandsEveryOtherKeyAsksToEnd)
{
    pictures({"a.jpg"});
    load();
    for (const char typed : {'p', 'P', 'm', 'M', ' ', '\x1b', 'x'}) {
        program.show.dismissal.reset();
        char key = typed;
        show->Form_KeyPress(key);
        const bool command = std::string("pPmM").find(typed) != std::string::npos;
        EXPECT_EQ(key, command ? 0 : typed);
        EXPECT_EQ(dismissal().dismiss_request(), !command) << typed;
    }
    program.show.dismissal.reset();
    press('p');
    EXPECT_TRUE(w.printed.empty()) << "P prints only while a picture is held";
    tick_until(CycleState::Hold);
    show->Timer1_Timer();
    press('p');
    // A 1920 by 1080 screen on an 8500 by 11000 page, at the page's origin.
    EXPECT_EQ(w.printed, (std::vector<PictureRect>{{0, 0, 7650, 4303}}));
    EXPECT_FALSE(image2.visible) << "the frozen copy goes away";

    w.printer_works = false;
    press('p');
    EXPECT_EQ(w.printer_messages, 1) << "a failing printer says so once";
    EXPECT_EQ(w.pointer_at_message, 0) << "with the pointer shown";
    EXPECT_EQ(cursor.count, -1);
    EXPECT_FALSE(dismissal().dismiss_request() || dismissal().exit_now());
}

TEST_F(ShowTest, SoundsPlayInTurnFromARandomStartAndMSkipsOnce)
{
    lister.folders[native("/p/")] = {"a.wav", "b.mid", "c.WAV", "x.jpg"};
    random.draws = {0.7}; // 3 * 0.7 + 1 -> 3, minus 1: c.WAV comes first
    load();
    for (int i = 0; i < 4; ++i) {
        show->Timer2_Timer();
        show->Timer2_Timer(); // a tick while the sound plays starts nothing
        show->FXSnd2_Finished();
    }
    EXPECT_EQ(snd2.started, (std::vector<std::string>{native("/p/c.WAV (wave)"), native("/p/a.wav (wave)"),
                                                      native("/p/b.mid (midi)"), native("/p/c.WAV (wave)")}));
    show->Timer2_Timer();
    press('m');
    press('M');
    EXPECT_TRUE(snd2.stopped());
    show->Timer2_Timer();
    show->Timer2_Timer();
    EXPECT_EQ(snd2.started.back(), native("/p/b.mid (midi)")) << "two presses start one sound";
    EXPECT_TRUE(w.timer1);

    store.set("sound_on", "0");
    snd2 = FakeSound{};
    w.timer1 = false;
    load();
    show->Timer2_Timer();
    EXPECT_TRUE(snd2.started.empty());
    EXPECT_TRUE(w.timer1) << "the cycle starts even without sound";
}

TEST_F(ShowTest, ExitLeavesTheWallpaperWhenAskedAndUnloadRestoresEverything)
{
    pictures({"a.jpg"});
    for (const auto& [wallpaper, save_works] : {std::pair<std::string, bool>{"1", true}, {"1", false}, {"0", true}}) {
        store.set("wallpaper", wallpaper);
        w.save_works = save_works;
        w.saved.clear();
        w.wallpaper.clear();
        w.unloaded = false;
        load();
        show->Timer1_Timer();
        program.show.dismissal.allow_exit();
        show->Timer1_Timer();
        const std::string bitmap = wallpaper == "1" ? native("/win/Velmoria.bmp") : "";
        EXPECT_EQ(w.saved, bitmap);
        EXPECT_EQ(w.wallpaper, save_works ? bitmap : "") << "an unwritten bitmap is not set";
        EXPECT_TRUE(w.unloaded && !show->in_tick());
    }

    snd1.set_sound_file("/p/x.wav");
    show->Form_Unload();
    EXPECT_TRUE(snd1.stopped() && snd2.stopped());
    EXPECT_FALSE(w.saver_running || program.show_running);
    EXPECT_EQ(cursor.count, 0);
}

// The daemon that hosts the show owns the screen, the input, the lock and
// the end: the show leaves all of them alone and only shows pictures.
TEST_F(ShowTest, AHostedShowOnlyShowsPictures)
{
    pictures({"a.jpg", "b.jpg"});
    lister.folders[native("/p/")].push_back("a.wav");
    store.set("wallpaper", "1");
    load(true, ShowHost::Hosted);
    EXPECT_EQ(cursor.count, 0) << "the pointer stays as it is";
    EXPECT_FALSE(w.saver_running) << "the desktop's saver state is the daemon's";
    show->Timer2_Timer();
    press('x');
    show->Form_Click();
    for (int i = 0; i < 20; ++i) {
        show->Form_MouseMove();
    }
    EXPECT_FALSE(dismissal().dismiss_request()) << "input never ends a hosted show";
    EXPECT_TRUE(snd2.started.empty()) << "no sound";
    tick_until(CycleState::Hold);
    const std::size_t placed = image1.loads.size();
    show->Form_Resize();
    show->Timer1_Timer();
    tick_until(CycleState::Load);
    show->Timer1_Timer();
    EXPECT_EQ(image1.loads.size(), placed + 1) << "a new size ends the hold at once";
    EXPECT_EQ(w.switch_asked, 0);
    program.show.dismissal.allow_exit();
    show->Timer1_Timer();
    EXPECT_TRUE(w.saved.empty() && w.wallpaper.empty()) << "no wallpaper";
    show->Form_Unload();
    EXPECT_FALSE(w.saver_running || program.show_running);
    EXPECT_EQ(cursor.count, 0);
}

TEST_F(ShowTest, ATickDeliveredInsideATickReturnsAtOnce)
{
    pictures({"a.jpg", "b.jpg"});
    load();
    int nested = 0;
    pump.on_pending = [&] {
        if (nested++ == 0) {
            show->Timer1_Timer();
        }
    };
    show->Timer1_Timer();
    EXPECT_EQ(image1.loads.size(), 1u);
    EXPECT_EQ(program.show.cycle_state, CycleState::Caption);
}

} // namespace
} // namespace framory::core
