#pragma once

#include "core/slideshow/effect_table.h"
#include "core/slideshow/lists.h"
#include "core/slideshow/placement.h"

#include <cstdint>
#include <string>

namespace framory::core {

// The show's program-wide values, shared between the window's handlers,
// the cycle, the keyboard commands, the audio and the password prompt.
struct ShowState {
    // Dismissal.
    std::int16_t dismiss_request = 0;
    std::int32_t move_count = 0;
    std::int32_t move_window_end = 0;
    std::int16_t exit_now = 0;
    std::int16_t prompt_state = 0;

    // The cycle.
    std::int16_t cycle_state = 0;
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
