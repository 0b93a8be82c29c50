#pragma once

#include "core/components/fx_components.h"
#include "core/components/platform.h"

#include <optional>
#include <string>

namespace framory::core {

struct Program;

// The full-screen window as the show's rules see it. Sizes and places are
// in the window's own units.
class ShowWindow {
public:
    virtual ~ShowWindow() = default;
    virtual double inner_width() = 0;
    virtual double inner_height() = 0;
    virtual double left() = 0;
    virtual double top() = 0;
    virtual bool maximised() = 0;
    virtual void maximise() = 0;
    virtual void bring_to_front() = 0;
    // Keeps the window above all others at its present place and size.
    virtual void make_top_most() = 0;
    virtual void start_timer2(int interval_ms) = 0;
    virtual void enable_timer1() = 0;
    // Makes the picture the window's own and saves the window's image as a
    // bitmap file; false when the file could not be written.
    virtual bool save_as_bitmap(const PictureObject& picture, const std::string& path) = 0;
    // Closes the window; its unload step runs.
    virtual void unload() = 0;
};

// The desktop's "ask for a password when the saver ends" switch.
class PasswordSwitch {
public:
    virtual ~PasswordSwitch() = default;
    virtual bool DesktopPasswordOn() = 0;
};

// The password prompt, shown modally; it sets exit_now on the right
// password and clears the dismissal state on cancel or time-out.
class PasswordPrompt {
public:
    virtual ~PasswordPrompt() = default;
    virtual void show_modal(Program& program) = 0;
};

// Makes a bitmap file the desktop wallpaper.
class WallpaperService {
public:
    virtual ~WallpaperService() = default;
    virtual void SetWallpaper(const std::string& path) = 0;
};

// The system's default printer, as the print command uses it. Each
// operation reports whether it worked.
class Printer {
public:
    virtual ~Printer() = default;
    // Readies the default printer; the one setting made before measuring.
    virtual bool prepare() = 0;
    // The page's width and height, in the unit pictures are drawn in.
    virtual bool page_size(double& width, double& height) = 0;
    // Draws the picture stretched into the rectangle.
    virtual bool draw_picture(const PictureObject& picture, double left, double top, double width,
                              double height) = 0;
    // Ends the document, which sends the page to the printer.
    virtual bool end_document() = 0;
};

// Message boxes the show may raise.
class ShowMessages {
public:
    virtual ~ShowMessages() = default;
    // "Please check your printer!", an OK button, the application's title.
    virtual void printer_problem() = 0;
};

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
