#pragma once

#include "core/components/platform.h"

#include <array>
#include <cstdint>

namespace framory::core {

// The effect numbers the show may draw (entry 1) and may not (entry 0).
class EffectTable {
public:
    static constexpr int kHighest = 113;
    // The fill effect of the background repaint; never drawn.
    static constexpr int kBackgroundFill = 36;

    bool allowed(int number) const
    {
        return number >= 0 && number <= kHighest && m_allowed[static_cast<std::size_t>(number)] != 0;
    }

    friend void InitEffectTable(EffectTable& table);

private:
    std::array<std::int16_t, kHighest + 1> m_allowed{};
};

// Allows 1-23, 26-34, 40-49, 52-59, 68-81 and 94-113.
void InitEffectTable(EffectTable& table);

// Draws an allowed effect number, reseeding from the clock before every
// draw. An empty table (not filled yet) gives 0, no effect.
int DrawEffect(const EffectTable& table, RandomSource& random, std::int16_t& current_effect);

// The background fill by the gradient setting: with 1 a random palette
// colour 1 to 8 and a random style 0 to 19; otherwise black, plain.
struct BackgroundFill {
    int colour = 0;
    int style = 0;
    bool operator==(const BackgroundFill&) const = default;
};
BackgroundFill DrawBackground(std::int16_t gradient, RandomSource& random);

// The grain of the file-name caption: the picture's grain less 2, at least 1.
int CaptionGrain(std::int16_t effect_grain);

// The effects' pace: delay times speed, as a 16-bit product. Values from an
// edited store that would not fit are held at the 16-bit limits.
std::int16_t EffectPace(std::int16_t effect_delay, std::int16_t effect_speed);

} // namespace framory::core
