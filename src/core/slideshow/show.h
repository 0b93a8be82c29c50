#pragma once

#include "core/components/desktop.h"
#include "core/components/fx_components.h"
#include "core/components/platform.h"
#include "core/components/show_window.h"

#include <optional>
#include <string>

namespace framory::core {

struct Program;

struct ShowComponents {
    FXImage& image1; // the picture on show
    FXImage& image2; // the snapshot
    FXLabel& label1; // the caption
    FXLabel& label3; // the background
    FXSnd& snd1;
    FXSnd& snd2; // the background audio
};

struct ShowServices {
    Clock& clock;
    RandomSource& random;
    DirectoryLister& lister;
    CursorService& cursor;
    SaverSystem& saver;
    EventPump& pump;
    SettingsStore& store;
    PasswordSwitch& password_switch;
    PasswordPrompt& prompt;
    WallpaperService& wallpaper;
    Printer& printer;
    ShowMessages& messages;
    ScreenMetrics& screen;
};

// The file name of the wallpaper snapshot in the Windows directory.
inline constexpr const char* kWallpaperFileName = "Velmoria.bmp";
inline constexpr const char* kNotLoadedSuffix = " could not be loaded!";
inline constexpr const char* kNoPhotosMessage = "Framory did not find any photos! Please check config settings!";
inline constexpr const char* kPrinterProblem = "Please check your printer!";

// Who owns the screen the show runs on. Its own show covers the screen,
// hides the pointer, holds off the desktop's saver, plays the sounds, ends
// on the user's request and may leave the wallpaper behind. A hosted show
// draws into a window another program owns (a screen-saver daemon that
// runs it as one of its display modes): that program owns the screen, the
// input, the lock and the end, so the show only shows pictures until it is
// stopped.
enum class ShowHost { Own, Hosted };

// The rules of the show window (frmScreenSaver): its load, activation and
// unload steps, the inputs that ask to end the show, the picture cycle and
// the background audio. The window forwards its events here.
class ScreenSaverShow {
public:
    ScreenSaverShow(Program& program, ShowWindow& window, ShowComponents components, ShowServices services,
                    ShowHost host = ShowHost::Own);

    void Form_Load();
    void Form_Activate();
    void Form_Unload();

    // Clicks, double-clicks and button presses on the window or its
    // components.
    void Form_Click() { request_dismiss(); }
    void Form_DblClick() { request_dismiss(); }
    void Form_MouseDown() { request_dismiss(); }
    void Form_MouseMove() { CountMouseMove(); }
    // A request from outside to close the window (the window manager's
    // close, a close message from another program) is one more way of
    // asking the show to end: it goes through the same check as a key, so
    // it cannot pass the password. The window stays until the show ends.
    void Form_QueryUnload() { request_dismiss(); }
    // A character typed on the window. "P" prints and "M" skips the sound;
    // both are swallowed (the code becomes 0). Every other character asks to
    // end the show and is left as it is.
    void Form_KeyPress(char& key);

    void CountMouseMove();
    // The window took a new size: the picture on show ends its hold as soon
    // as it is held, so that the next one is placed in the new size.
    void Form_Resize() { m_new_size = true; }
    void Timer1_Timer();
    void Timer2_Timer();
    // The background sound player's completion event.
    void FXSnd2_Finished();

    bool activated() const { return m_activated; }
    bool in_tick() const { return m_in_tick; }
    std::int16_t previous_picture() const { return m_previous_picture; }

private:
    struct Choice {
        std::int16_t current = 0;
        std::int16_t previous = 0;
    };

    void request_dismiss();
    void print_screen();
    Choice choose_next_picture();
    void state_load();
    void state_hold();
    void state_clear();
    void state_caption();
    void arm_hold();
    void repaint_background();
    void dismissal_check();
    void close_show();
    void position_caption();
    void let_messages_run();
    double clock();

    Program& m_program;
    ShowWindow& m_window;
    ShowComponents m_c;
    ShowServices m_s;
    bool m_hosted;
    bool m_new_size = false;

    bool m_in_tick = false;
    bool m_activated = false;
    std::int16_t m_previous_picture = 0;
    std::int16_t m_draw_count = 0;
    // The next picture, chosen while the current one is held so that its
    // decoding can start early.
    std::optional<Choice> m_chosen_ahead;
};

} // namespace framory::core
