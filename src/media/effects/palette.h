#pragma once

#include <array>
#include <cstdint>

namespace framory::media {

inline constexpr int kPaletteSize = 16;

// The 16-colour palette used wherever a colour is given by number (frame
// colours, background fills), as opaque 0xAARRGGBB pixels.
inline constexpr std::array<std::uint32_t, kPaletteSize> kPalette{
    0xff000000u, // 0 black
    0xff000080u, // 1 dark blue
    0xff008000u, // 2 dark green
    0xff008080u, // 3 dark cyan
    0xff800000u, // 4 dark red
    0xff800080u, // 5 dark magenta
    0xff808000u, // 6 dark yellow
    0xffc0c0c0u, // 7 light grey
    0xff808080u, // 8 dark grey
    0xff0000ffu, // 9 blue
    0xff00ff00u, // 10 green
    0xff00ffffu, // 11 cyan
    0xffff0000u, // 12 red
    0xffff00ffu, // 13 magenta
    0xffffff00u, // 14 yellow
    0xffffffffu, // 15 white
};

// The palette's colour for an index. An index outside 0..15 (only possible
// from an edited settings file) gives black, the colour of "nothing".
constexpr std::uint32_t PaletteColour(int index)
{
    return index >= 0 && index < kPaletteSize ? kPalette[static_cast<std::size_t>(index)] : kPalette[0];
}

} // namespace framory::media
