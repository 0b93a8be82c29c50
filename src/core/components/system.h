#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The system around the program: the screen, the program's file, the
// desktop's windows, the pointer, the system's own saver, window messages,
// the clock, random numbers and the desktop's way of opening things.

namespace framory::core {

// The screen, in window units (twips).
class ScreenMetrics {
public:
    virtual ~ScreenMetrics() = default;
    virtual double twips_per_pixel_x() = 0;
    virtual double twips_per_pixel_y() = 0;
    virtual double screen_width_twips() = 0;
    virtual double screen_height_twips() = 0;
};

// Facts about the system and this program's file.
class SystemInfo {
public:
    virtual ~SystemInfo() = default;
    // The system folder that stands for the Windows directory, or nothing
    // when the system cannot name one.
    virtual std::optional<std::string> windows_directory() = 0;
    // The full path of the running program file.
    virtual std::string program_file_path() = 0;
    // Whether another process of this same program file runs for this user.
    virtual bool another_instance_running() = 0;
};

// Top-level windows of the whole desktop.
class WindowFinder {
public:
    virtual ~WindowFinder() = default;
    virtual bool top_level_window_exists(const std::string& title) = 0;
};

// The pointer's display count: the pointer shows while the count is 0 or
// more.
class CursorService {
public:
    virtual ~CursorService() = default;
    enum class Request { Show, Hide };
    // Raises (Show) or lowers (Hide) the count by one and returns the new count.
    virtual int show_cursor(Request request) = 0;
};

// The system's own screen saver.
class SaverSystem {
public:
    virtual ~SaverSystem() = default;
    // Tells the system whether a screen saver is running and stores the
    // previous state (0 or 1) in `previous_state`.
    virtual void set_screen_saver_running(bool running, std::uint32_t& previous_state, std::uint32_t update_flags) = 0;
    // Allows or forbids the system's own screen saver to start. Update flag
    // 1 also writes the state to the user profile.
    virtual void set_screen_saver_active(bool active, std::uint32_t& data, std::uint32_t update_flags) = 0;
};

// Lets pending window messages run.
class EventPump {
public:
    virtual ~EventPump() = default;
    // Hands every queued message to its window, then returns.
    virtual void process_pending() = 0;
    // Waits for and hands on messages for as long as `running` is true.
    virtual void run_while(const bool& running) = 0;
};

// A window that can be centred: its outer place and size in twips.
class MovableWindow {
public:
    virtual ~MovableWindow() = default;
    virtual double width_twips() = 0;
    virtual double height_twips() = 0;
    virtual void move_to_twips(double left, double top) = 0;
};

// The clock: seconds since midnight, with a fractional part.
class Clock {
public:
    virtual ~Clock() = default;
    virtual double seconds_since_midnight() = 0;
};

// The random generator of the show: reseeded from the clock where the show
// says so, drawing numbers in [0, 1).
class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual void reseed_from_clock() = 0;
    virtual double draw() = 0;
};

// Opens a program, a document or a web address the way the desktop does.
class Shell {
public:
    virtual ~Shell() = default;
    // Above 32 when it was opened; 32 or less is a failure.
    virtual int ShellExecute(const std::string& file) = 0;
};

} // namespace framory::core
