#include "media/effects/effect_table.h"

#include <array>
#include <cstddef>

#include "media/effects/effect_kernels.h"

namespace framory::media {
namespace {

using K = EffectKind;

// The transition catalogue: number, name, kind, whether the grain changes the
// frames, and the kernel. Numbers and names are stored in settings and shown
// in the options, so a row never changes its number.
constexpr std::array<EffectEntry, kEffectCount> kEffects{{
    {1, "Wipe right", K::Reveal, false, &fx::wipe_right},
    {2, "Wipe left", K::Reveal, false, &fx::wipe_left},
    {3, "Wipe down", K::Reveal, false, &fx::wipe_down},
    {4, "Wipe up", K::Reveal, false, &fx::wipe_up},
    {5, "Diagonal wipe from top left", K::Reveal, false, &fx::diagonal_wipe_from_top_left},
    {6, "Diagonal wipe from top right", K::Reveal, false, &fx::diagonal_wipe_from_top_right},
    {7, "Diagonal wipe from bottom left", K::Reveal, false, &fx::diagonal_wipe_from_bottom_left},
    {8, "Diagonal wipe from bottom right", K::Reveal, false, &fx::diagonal_wipe_from_bottom_right},
    {9, "Barn doors open sideways", K::Reveal, false, &fx::doors_open_sideways},
    {10, "Barn doors close sideways", K::Reveal, false, &fx::doors_close_sideways},
    {11, "Barn doors open up and down", K::Reveal, false, &fx::doors_open_vertically},
    {12, "Barn doors close up and down", K::Reveal, false, &fx::doors_close_vertically},
    {13, "Horizontal blinds", K::Reveal, true, &fx::blinds_across},
    {14, "Vertical blinds", K::Reveal, true, &fx::blinds_down},
    {15, "Horizontal blinds from the slat centres", K::Reveal, true, &fx::blinds_across_from_centres},
    {16, "Vertical blinds from the slat centres", K::Reveal, true, &fx::blinds_down_from_centres},
    {17, "Checkerboard across", K::Reveal, true, &fx::checkerboard_across},
    {18, "Checkerboard down", K::Reveal, true, &fx::checkerboard_down},
    {19, "Checkerboard in two turns", K::Reveal, true, &fx::checkerboard_two_turns},
    {20, "Box out", K::Reveal, false, &fx::box_out},
    {21, "Box in", K::Reveal, false, &fx::box_in},
    {22, "Circle out", K::Reveal, false, &fx::circle_out},
    {23, "Circle in", K::Reveal, false, &fx::circle_in},
    {24, "Diamond out", K::Reveal, false, &fx::diamond_out},
    {25, "Diamond in", K::Reveal, false, &fx::diamond_in},
    {26, "Clock wipe", K::Reveal, false, &fx::clockwise_wipe},
    {27, "Anticlockwise wipe", K::Reveal, false, &fx::anticlockwise_wipe},
    {28, "Fan out from twelve", K::Reveal, false, &fx::fan_out_from_twelve},
    {29, "Pinwheel", K::Reveal, false, &fx::pinwheel},
    {30, "Spiral in", K::Reveal, true, &fx::spiral_in},
    {31, "Spiral out", K::Reveal, true, &fx::spiral_out},
    {32, "Snake by rows", K::Reveal, true, &fx::snake_rows},
    {33, "Snake by columns", K::Reveal, true, &fx::snake_columns},
    {34, "Random dissolve", K::Reveal, true, &fx::random_dissolve},
    {35, "Random horizontal bars", K::Reveal, true, &fx::random_bars_across},
    {36, "Fade", K::Blend, false, &fx::fade},
    {37, "Random vertical bars", K::Reveal, true, &fx::random_bars_down},
    {38, "Fade through black", K::Blend, false, &fx::fade_through_black},
    {39, "Fade through white", K::Blend, false, &fx::fade_through_white},
    {40, "Pixelate", K::Mosaic, true, &fx::pixelate},
    {41, "Mosaic dissolve", K::Mosaic, true, &fx::mosaic_dissolve},
    {42, "Soft wipe right", K::Blend, true, &fx::soft_wipe_right},
    {43, "Soft wipe left", K::Blend, true, &fx::soft_wipe_left},
    {44, "Soft wipe down", K::Blend, true, &fx::soft_wipe_down},
    {45, "Soft wipe up", K::Blend, true, &fx::soft_wipe_up},
    {46, "Soft circle out", K::Blend, true, &fx::soft_circle_out},
    {47, "Soft diagonal wipe", K::Blend, true, &fx::soft_diagonal},
    {48, "Horizontal comb", K::Reveal, true, &fx::comb_across},
    {49, "Vertical comb", K::Reveal, true, &fx::comb_down},
    {50, "Cross out", K::Reveal, false, &fx::cross_out},
    {51, "Cross in", K::Reveal, false, &fx::cross_in},
    {52, "Diagonal cross out", K::Reveal, false, &fx::diagonal_cross_out},
    {53, "Diagonal blinds rising", K::Reveal, true, &fx::diagonal_blinds_rising},
    {54, "Diagonal blinds falling", K::Reveal, true, &fx::diagonal_blinds_falling},
    {55, "Growing squares", K::Reveal, true, &fx::growing_squares},
    {56, "Shrinking squares", K::Reveal, true, &fx::shrinking_squares},
    {57, "Growing dots", K::Reveal, true, &fx::growing_dots},
    {58, "Growing diamonds", K::Reveal, true, &fx::growing_diamonds},
    {59, "Typewriter", K::Reveal, true, &fx::typewriter},
    {60, "Cells by diagonals", K::Reveal, true, &fx::cells_by_diagonals},
    {61, "Rain down", K::Reveal, true, &fx::rain_down},
    {62, "Rain up", K::Reveal, true, &fx::rain_up},
    {63, "Wave wipe right", K::Reveal, true, &fx::wave_wipe_right},
    {64, "Wave wipe down", K::Reveal, true, &fx::wave_wipe_down},
    {65, "Zigzag wipe right", K::Reveal, true, &fx::zigzag_wipe_right},
    {66, "Zigzag wipe down", K::Reveal, true, &fx::zigzag_wipe_down},
    {67, "Ellipse out", K::Reveal, false, &fx::ellipse_out},
    {68, "Ellipse in", K::Reveal, false, &fx::ellipse_in},
    {69, "Double clock wipe", K::Reveal, false, &fx::double_clock_wipe},
    {70, "Fan from the top edge", K::Reveal, false, &fx::fan_from_top},
    {71, "Fan from the bottom edge", K::Reveal, false, &fx::fan_from_bottom},
    {72, "Fan from the left edge", K::Reveal, false, &fx::fan_from_left},
    {73, "Corner fan from top left", K::Reveal, false, &fx::fan_from_corner},
    {74, "Slide in from left", K::Motion, false, &fx::slide_in_from_left},
    {75, "Slide in from right", K::Motion, false, &fx::slide_in_from_right},
    {76, "Slide in from top", K::Motion, false, &fx::slide_in_from_top},
    {77, "Slide in from bottom", K::Motion, false, &fx::slide_in_from_bottom},
    {78, "Push left", K::Motion, false, &fx::push_left},
    {79, "Push right", K::Motion, false, &fx::push_right},
    {80, "Push up", K::Motion, false, &fx::push_up},
    {81, "Push down", K::Motion, false, &fx::push_down},
    {82, "Slide in from top left", K::Motion, false, &fx::slide_in_from_top_left},
    {83, "Slide in from top right", K::Motion, false, &fx::slide_in_from_top_right},
    {84, "Slide in from bottom left", K::Motion, false, &fx::slide_in_from_bottom_left},
    {85, "Slide in from bottom right", K::Motion, false, &fx::slide_in_from_bottom_right},
    {86, "Uncover to the left", K::Motion, false, &fx::uncover_to_the_left},
    {87, "Uncover to the right", K::Motion, false, &fx::uncover_to_the_right},
    {88, "Uncover upwards", K::Motion, false, &fx::uncover_upwards},
    {89, "Uncover downwards", K::Motion, false, &fx::uncover_downwards},
    {90, "Uncover to top left", K::Motion, false, &fx::uncover_to_top_left},
    {91, "Uncover to top right", K::Motion, false, &fx::uncover_to_top_right},
    {92, "Uncover to bottom left", K::Motion, false, &fx::uncover_to_bottom_left},
    {93, "Uncover to bottom right", K::Motion, false, &fx::uncover_to_bottom_right},
    {94, "Zoom in", K::Motion, false, &fx::zoom_in_from_centre},
    {95, "Zoom out", K::Motion, false, &fx::zoom_out},
    {96, "Zoom in from top left", K::Motion, false, &fx::zoom_in_from_top_left},
    {97, "Zoom in from top right", K::Motion, false, &fx::zoom_in_from_top_right},
    {98, "Zoom in from bottom left", K::Motion, false, &fx::zoom_in_from_bottom_left},
    {99, "Zoom in from bottom right", K::Motion, false, &fx::zoom_in_from_bottom_right},
    {100, "Stretch from left", K::Motion, false, &fx::stretch_from_left},
    {101, "Stretch from top", K::Motion, false, &fx::stretch_from_top},
    {102, "Stretch from right", K::Motion, false, &fx::stretch_from_right},
    {103, "Stretch from bottom", K::Motion, false, &fx::stretch_from_bottom},
    {104, "Stretch from the centre across", K::Motion, false, &fx::stretch_from_the_centre_across},
    {105, "Stretch from the centre up and down", K::Motion, false, &fx::stretch_from_the_centre_up_and_down},
    {106, "Squeeze left", K::Motion, false, &fx::squeeze_left},
    {107, "Squeeze up", K::Motion, false, &fx::squeeze_up},
    {108, "Flip across", K::Motion, false, &fx::flip_across},
    {109, "Flip over", K::Motion, false, &fx::flip_over},
    {110, "Soft dissolve", K::Blend, true, &fx::soft_dissolve},
    {111, "Staggered fade down", K::Blend, true, &fx::staggered_fade_down},
    {112, "Random growing squares", K::Reveal, true, &fx::random_growing_squares},
    {113, "Soft circle in", K::Blend, true, &fx::soft_circle_in},
}};

// Each number from 1 to kEffectCount once, in order, each with a name: a
// row left out, written twice or out of place stops the build. (Every row
// names its kernel function, so a missing kernel does not compile either;
// the sanitizers' builds cannot compare function addresses at compile
// time, so that is not checked here.)
constexpr bool NumberedInOrder()
{
    for (std::size_t i = 0; i < kEffects.size(); ++i) {
        const EffectEntry& e = kEffects[i];
        if (e.number != static_cast<int>(i) + 1 || e.name.empty()) {
            return false;
        }
    }
    return true;
}
static_assert(NumberedInOrder(), "the effect table must hold numbers 1 to kEffectCount in order");

} // namespace

std::span<const EffectEntry> EffectCatalogue() { return kEffects; }

} // namespace framory::media
