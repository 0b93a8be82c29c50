// This folder: the show's rules: its cycle of scenes, the picture and sound
// lists, placement, effects allowed, and its random numbers.

#include "core/slideshow/effect_table.h"

#include "core/slideshow/random.h"

#include <algorithm>
#include <limits>

namespace framory::core {

void InitEffectTable(EffectTable& table)
{
    table.m_allowed.fill(0);
    constexpr std::pair<int, int> ranges[] = {{1, 23}, {26, 34}, {40, 49}, {52, 59}, {68, 81}, {94, 97}, {98, 113}};
    for (const auto& [first, last] : ranges) {
        for (int n = first; n <= last; ++n) {
            table.m_allowed[static_cast<std::size_t>(n)] = 1;
        }
    }
}

int DrawEffect(const EffectTable& table, RandomSource& random, std::int16_t& current_effect)
{
    bool any = false;
    for (int n = 1; n <= EffectTable::kHighest; ++n) {
        any = any || table.allowed(n);
    }
    if (!any) {
        return 0;
    }
    int n = 0;
    do {
        random.reseed_from_clock();
        n = WholeDraw(EffectTable::kHighest, random.draw());
    } while (!table.allowed(n));
    current_effect = static_cast<std::int16_t>(n);
    return n;
}

BackgroundFill DrawBackground(std::int16_t gradient, RandomSource& random)
{
    if (gradient != 1) {
        return {};
    }
    random.reseed_from_clock();
    const int colour = WholeDraw(8, random.draw());
    const int style = WholeDraw(20, random.draw()) - 1;
    return {colour, style};
}

int CaptionGrain(std::int16_t effect_grain)
{
    const int grain = effect_grain - 2;
    return grain >= 1 ? grain : 1;
}

std::int16_t EffectPace(std::int16_t effect_delay, std::int16_t effect_speed)
{
    const int product = static_cast<int>(effect_delay) * static_cast<int>(effect_speed);
    return static_cast<std::int16_t>(std::clamp(product, static_cast<int>(std::numeric_limits<std::int16_t>::min()),
                                                static_cast<int>(std::numeric_limits<std::int16_t>::max())));
}

} // namespace framory::core
