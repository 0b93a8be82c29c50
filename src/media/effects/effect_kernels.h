#pragma once

// The effects' kernels: one function per effect number, each drawing a whole
// frame of its effect into the job's output. The catalogue in
// effect_table.cpp names which kernel draws which number.

namespace framory::media::fx {

struct Job;

// Straight edges and cells (effects_reveal.cpp): wipes, barn doors, blinds,
// checkerboards, cell orders, random dissolves, combs, cell shapes, rain.
void wipe_right(const Job& j);
void wipe_left(const Job& j);
void wipe_down(const Job& j);
void wipe_up(const Job& j);
void diagonal_wipe_from_top_left(const Job& j);
void diagonal_wipe_from_top_right(const Job& j);
void diagonal_wipe_from_bottom_left(const Job& j);
void diagonal_wipe_from_bottom_right(const Job& j);
void doors_open_sideways(const Job& j);
void doors_close_sideways(const Job& j);
void doors_open_vertically(const Job& j);
void doors_close_vertically(const Job& j);
void blinds_across(const Job& j);
void blinds_down(const Job& j);
void blinds_across_from_centres(const Job& j);
void blinds_down_from_centres(const Job& j);
void checkerboard_across(const Job& j);
void checkerboard_down(const Job& j);
void checkerboard_two_turns(const Job& j);
void spiral_in(const Job& j);
void spiral_out(const Job& j);
void snake_rows(const Job& j);
void snake_columns(const Job& j);
void random_dissolve(const Job& j);
void random_bars_across(const Job& j);
void random_bars_down(const Job& j);
void comb_across(const Job& j);
void comb_down(const Job& j);
void diagonal_blinds_rising(const Job& j);
void diagonal_blinds_falling(const Job& j);
void growing_squares(const Job& j);
void shrinking_squares(const Job& j);
void growing_dots(const Job& j);
void growing_diamonds(const Job& j);
void typewriter(const Job& j);
void cells_by_diagonals(const Job& j);
void rain_down(const Job& j);
void rain_up(const Job& j);
void random_growing_squares(const Job& j);

// Shapes from the centre, an edge or a corner (effects_shape.cpp): irises,
// crosses, clock hands, fans and wavy edges.
void box_out(const Job& j);
void box_in(const Job& j);
void circle_out(const Job& j);
void circle_in(const Job& j);
void diamond_out(const Job& j);
void diamond_in(const Job& j);
void clockwise_wipe(const Job& j);
void anticlockwise_wipe(const Job& j);
void fan_out_from_twelve(const Job& j);
void pinwheel(const Job& j);
void cross_out(const Job& j);
void cross_in(const Job& j);
void diagonal_cross_out(const Job& j);
void wave_wipe_right(const Job& j);
void wave_wipe_down(const Job& j);
void zigzag_wipe_right(const Job& j);
void zigzag_wipe_down(const Job& j);
void ellipse_out(const Job& j);
void ellipse_in(const Job& j);
void double_clock_wipe(const Job& j);
void fan_from_top(const Job& j);
void fan_from_bottom(const Job& j);
void fan_from_left(const Job& j);
void fan_from_corner(const Job& j);

// Mixes of the two pictures and mosaics (effects_blend.cpp).
void fade(const Job& j);
void fade_through_black(const Job& j);
void fade_through_white(const Job& j);
void pixelate(const Job& j);
void mosaic_dissolve(const Job& j);
void soft_wipe_right(const Job& j);
void soft_wipe_left(const Job& j);
void soft_wipe_down(const Job& j);
void soft_wipe_up(const Job& j);
void soft_circle_out(const Job& j);
void soft_diagonal(const Job& j);
void soft_dissolve(const Job& j);
void staggered_fade_down(const Job& j);
void soft_circle_in(const Job& j);

// Pictures moved or scaled (effects_motion.cpp).
void slide_in_from_left(const Job& j);
void slide_in_from_right(const Job& j);
void slide_in_from_top(const Job& j);
void slide_in_from_bottom(const Job& j);
void push_left(const Job& j);
void push_right(const Job& j);
void push_up(const Job& j);
void push_down(const Job& j);
void slide_in_from_top_left(const Job& j);
void slide_in_from_top_right(const Job& j);
void slide_in_from_bottom_left(const Job& j);
void slide_in_from_bottom_right(const Job& j);
void uncover_to_the_left(const Job& j);
void uncover_to_the_right(const Job& j);
void uncover_upwards(const Job& j);
void uncover_downwards(const Job& j);
void uncover_to_top_left(const Job& j);
void uncover_to_top_right(const Job& j);
void uncover_to_bottom_left(const Job& j);
void uncover_to_bottom_right(const Job& j);
void zoom_in_from_centre(const Job& j);
void zoom_out(const Job& j);
void zoom_in_from_top_left(const Job& j);
void zoom_in_from_top_right(const Job& j);
void zoom_in_from_bottom_left(const Job& j);
void zoom_in_from_bottom_right(const Job& j);
void stretch_from_left(const Job& j);
void stretch_from_top(const Job& j);
void stretch_from_right(const Job& j);
void stretch_from_bottom(const Job& j);
void stretch_from_the_centre_across(const Job& j);
void stretch_from_the_centre_up_and_down(const Job& j);
void squeeze_left(const Job& j);
void squeeze_up(const Job& j);
void flip_across(const Job& j);
void flip_over(const Job& j);

} // namespace framory::media::fx
