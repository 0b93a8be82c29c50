#pragma once

#include "core/slideshow/effect_table.h"
#include "core/slideshow/lists.h"
#include "core/slideshow/placement.h"

#include <cstdint>
#include <string>

namespace framory::core {

// The step the next tick of the picture cycle performs. A picture runs
// Load, Caption, Pause, Arm, then Hold until its time is up, then Clear.
enum class CycleState : std::int16_t {
    Load = 0,    // choose and load the next picture
    Hold = 1,    // wait until the clock passes next_change
    Clear = 2,   // hide the picture and caption, repaint the background
    Caption = 3, // show the caption or a message
    Arm = 4,     // next_change := the clock plus scene_delay
    Pause = 5,   // nothing
};

// Whether the password prompt is up.
enum class PromptState : std::int16_t { Closed = 0, Open = 1 };

// Whether the show may end. Inputs ask (a click, a key, a burst of mouse
// moves); the end of every cycle tick decides, either letting the show end
// or opening the password prompt; the prompt answers. Every change of these
// values is one of the operations below.
class Dismissal {
public:
    // More than this many moves within one counting window ask to end the show.
    static constexpr int kMovesTolerated = 12;
    static constexpr int kMoveWindowSeconds = 2;

    // The show window loads: nothing asked, no prompt, no exit.
    void reset();

    // A click, a key or a button press asks to end the show.
    void request();

    // A mouse move at the given time (seconds since midnight). A single move
    // does not end the show, since windows report moves when they open under
    // the pointer: the move that opens a counting window is not counted, and
    // the 13th further move before the window ends asks to end the show.
    void count_move(double now);

    // The end of a tick has a request to decide on.
    bool decision_due() const;
    // The check lets the show end: the next tick closes it.
    void allow_exit();
    // The check opens the password prompt; no second prompt opens meanwhile.
    void open_prompt();

    // The prompt's answers: the right password lets the show end; cancel
    // and time-out forget the request and the moves, so the show goes on
    // until a new input asks again; every close marks the prompt closed.
    void password_accepted();
    void prompt_given_up();
    void prompt_closed();

    bool dismiss_request() const { return m_dismiss_request; }
    bool exit_now() const { return m_exit_now; }
    PromptState prompt_state() const { return m_prompt_state; }
    std::int32_t move_count() const { return m_move_count; }
    std::int32_t move_window_end() const { return m_move_window_end; }

private:
    bool m_dismiss_request = false;
    std::int32_t m_move_count = 0;
    std::int32_t m_move_window_end = 0;
    bool m_exit_now = false;
    PromptState m_prompt_state = PromptState::Closed;
};

// The show's program-wide values, shared between the window's handlers,
// the cycle, the keyboard commands, the audio and the password prompt.
struct ShowState {
    Dismissal dismissal;

    // The cycle.
    CycleState cycle_state = CycleState::Load;
    std::int32_t next_change = 0;
    std::int16_t holding = 0;
    std::int16_t current_picture = 0;
    std::string caption_text;
    std::int32_t start_error = 0;

    // Placement and effects.
    ScaleToArea scale_to_area = ScaleToArea::ShrinkOnly;
    PictureRect picture_rect;
    EffectTable effect_table;
    std::int16_t current_effect = 0;

    // Audio.
    std::int16_t next_audio_request = 0;
    std::int16_t current_audio = 0;
    std::int16_t cycle_started = 0;

    ShowLists lists;
};

} // namespace framory::core
