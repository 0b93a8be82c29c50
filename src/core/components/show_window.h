#pragma once

#include "core/components/fx_components.h"
#include <string>

// The show's window as its rules see it, with the prompt and the message
// boxes it raises.

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

// The password prompt, shown modally; it sets exit_now on the right
// password and clears the dismissal state on cancel or time-out.
class PasswordPrompt {
public:
    virtual ~PasswordPrompt() = default;
    virtual void show_modal(Program& program) = 0;
};

// Message boxes the show may raise.
class ShowMessages {
public:
    virtual ~ShowMessages() = default;
    // "Please check your printer!", an OK button, the application's title.
    virtual void printer_problem() = 0;
};

} // namespace framory::core
