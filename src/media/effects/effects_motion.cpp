// Effects that move or scale the pictures: slides, pushes, uncovers, zooms,
// stretches, squeezes and flips. Each frame is up to two layers, a picture
// placed into a rectangle (scaled when the rectangle's size differs from the
// picture's), painted over a bottom layer.

#include <cmath>

#include "media/effects/effect_blocks.h"
#include "media/effects/effect_kernels.h"

namespace framory::media::fx {
namespace {

// Paints `bottom`, then `top` over it, row by row. The bottom layer always
// covers the frame in these effects; where it does not, the row stays black.
void paint(const Job& j, const Layer& bottom, const Layer* top)
{
    const LayerSampler lower(bottom, j.w);
    const LayerSampler upper(top != nullptr ? *top : Layer{}, j.w);
    each_row(j, [&](int y) {
        Pixel* o = j.out_row(y);
        const Span covered = lower.span();
        if (!lower.draw_row(o, y)) {
            fill_pixels(o, kBlack, j.w);
        } else {
            fill_pixels(o, kBlack, covered.x0);
            fill_pixels(o + covered.x1, kBlack, j.w - covered.x1);
        }
        upper.draw_row(o, y);
    });
}

Layer whole(const Image* image, int dx = 0, int dy = 0)
{
    return {image, dx, dy, image->width(), image->height()};
}

// A distance travelled by progress p over a length.
int travel(double p, int length) { return static_cast<int>(std::lround(p * length)); }

// Direction of travel of the moving picture, as unit steps.
struct Direction {
    int x;
    int y;
};

// ---- 74-77, 82-85: the new picture slides in over the old one ----

// The new picture enters moving along `d`: it starts one frame's size back
// against the direction and ends in place.
void slide_in(const Job& j, Direction d)
{
    const int dx = -d.x * travel(1.0 - j.p, j.w);
    const int dy = -d.y * travel(1.0 - j.p, j.h);
    const Layer top = whole(j.to, dx, dy);
    paint(j, whole(j.from), &top);
}

// ---- 78-81: the new picture pushes the old one out ----

void push(const Job& j, Direction d)
{
    const int dx = d.x * travel(j.p, j.w);
    const int dy = d.y * travel(j.p, j.h);
    const Layer top = whole(j.to, dx - d.x * j.w, dy - d.y * j.h);
    paint(j, whole(j.from, dx, dy), &top);
}

// ---- 86-93: the old picture slides away and uncovers the new one ----

void uncover(const Job& j, Direction d)
{
    const Layer top = whole(j.from, d.x * travel(j.p, j.w), d.y * travel(j.p, j.h));
    paint(j, whole(j.to), &top);
}

// ---- 94-99: zooms ----

// The rectangle of relative size s anchored at (ax, ay) (0 = left/top edge,
// 0.5 = centre, 1 = right/bottom edge).
Layer anchored(const Image* image, int w, int h, double s, double ax, double ay)
{
    const int lw = travel(s, w);
    const int lh = travel(s, h);
    return {image, static_cast<int>(std::lround(ax * (w - lw))), static_cast<int>(std::lround(ay * (h - lh))), lw, lh};
}

void zoom_in(const Job& j, double ax, double ay)
{
    const Layer top = anchored(j.to, j.w, j.h, j.p, ax, ay);
    paint(j, whole(j.from), &top);
}

} // namespace

void zoom_out(const Job& j)
{
    const Layer top = anchored(j.from, j.w, j.h, 1.0 - j.p, 0.5, 0.5);
    paint(j, whole(j.to), &top);
}

namespace {

// ---- 100-105: the new picture stretches over the old one ----

// Horizontal stretch: the new picture, squeezed to a fraction p of the width,
// anchored at ax; vertical likewise.
void stretch_across(const Job& j, double ax)
{
    const int lw = travel(j.p, j.w);
    const Layer top{j.to, static_cast<int>(std::lround(ax * (j.w - lw))), 0, lw, j.h};
    paint(j, whole(j.from), &top);
}

void stretch_down(const Job& j, double ay)
{
    const int lh = travel(j.p, j.h);
    const Layer top{j.to, 0, static_cast<int>(std::lround(ay * (j.h - lh))), j.w, lh};
    paint(j, whole(j.from), &top);
}

} // namespace

// ---- 106, 107: the old picture is squeezed away by the new one ----

void squeeze_left(const Job& j)
{
    const int nw = travel(j.p, j.w);
    const Layer old_layer{j.from, 0, 0, j.w - nw, j.h};
    const Layer new_layer{j.to, j.w - nw, 0, nw, j.h};
    paint(j, old_layer, &new_layer);
}

void squeeze_up(const Job& j)
{
    const int nh = travel(j.p, j.h);
    const Layer old_layer{j.from, 0, 0, j.w, j.h - nh};
    const Layer new_layer{j.to, 0, j.h - nh, j.w, nh};
    paint(j, old_layer, &new_layer);
}

namespace {

// ---- 108, 109: flips ----

// Like a card turned over: the old picture narrows to the centre line over
// black, then the new one widens out of it. Edge-on the card still shows as
// a line two pixels thick, as a real card would.
void flip(const Job& j, bool vertical)
{
    const bool second_half = j.p >= 0.5;
    const double s = second_half ? 2.0 * j.p - 1.0 : 1.0 - 2.0 * j.p;
    const Image* image = second_half ? j.to : j.from;
    Layer top;
    if (vertical) {
        const int lh = std::min(j.h, std::max(2, travel(s, j.h)));
        top = {image, 0, (j.h - lh) / 2, j.w, lh};
    } else {
        const int lw = std::min(j.w, std::max(2, travel(s, j.w)));
        top = {image, (j.w - lw) / 2, 0, lw, j.h};
    }
    paint(j, Layer{nullptr, 0, 0, j.w, j.h}, &top);
}

constexpr Direction kRight{1, 0};
constexpr Direction kLeft{-1, 0};
constexpr Direction kDown{0, 1};
constexpr Direction kUp{0, -1};
constexpr Direction kDownRight{1, 1};
constexpr Direction kDownLeft{-1, 1};
constexpr Direction kUpRight{1, -1};
constexpr Direction kUpLeft{-1, -1};

} // namespace

// The effects drawn by a shared kernel with their own settings.
// The slide's name says where the new picture comes from; it moves the
// opposite way.
void slide_in_from_left(const Job& j) { slide_in(j, kRight); }
void slide_in_from_right(const Job& j) { slide_in(j, kLeft); }
void slide_in_from_top(const Job& j) { slide_in(j, kDown); }
void slide_in_from_bottom(const Job& j) { slide_in(j, kUp); }

// The push's name says which way both pictures move.
void push_left(const Job& j) { push(j, kLeft); }
void push_right(const Job& j) { push(j, kRight); }
void push_up(const Job& j) { push(j, kUp); }
void push_down(const Job& j) { push(j, kDown); }
void slide_in_from_top_left(const Job& j) { slide_in(j, kDownRight); }
void slide_in_from_top_right(const Job& j) { slide_in(j, kDownLeft); }
void slide_in_from_bottom_left(const Job& j) { slide_in(j, kUpRight); }
void slide_in_from_bottom_right(const Job& j) { slide_in(j, kUpLeft); }

// The uncover's name says where the old picture goes.
void uncover_to_the_left(const Job& j) { uncover(j, kLeft); }
void uncover_to_the_right(const Job& j) { uncover(j, kRight); }
void uncover_upwards(const Job& j) { uncover(j, kUp); }
void uncover_downwards(const Job& j) { uncover(j, kDown); }
void uncover_to_top_left(const Job& j) { uncover(j, kUpLeft); }
void uncover_to_top_right(const Job& j) { uncover(j, kUpRight); }
void uncover_to_bottom_left(const Job& j) { uncover(j, kDownLeft); }
void uncover_to_bottom_right(const Job& j) { uncover(j, kDownRight); }
void zoom_in_from_centre(const Job& j) { zoom_in(j, 0.5, 0.5); }
void zoom_in_from_top_left(const Job& j) { zoom_in(j, 0.0, 0.0); }
void zoom_in_from_top_right(const Job& j) { zoom_in(j, 1.0, 0.0); }
void zoom_in_from_bottom_left(const Job& j) { zoom_in(j, 0.0, 1.0); }
void zoom_in_from_bottom_right(const Job& j) { zoom_in(j, 1.0, 1.0); }
void stretch_from_left(const Job& j) { stretch_across(j, 0.0); }
void stretch_from_top(const Job& j) { stretch_down(j, 0.0); }
void stretch_from_right(const Job& j) { stretch_across(j, 1.0); }
void stretch_from_bottom(const Job& j) { stretch_down(j, 1.0); }
void stretch_from_the_centre_across(const Job& j) { stretch_across(j, 0.5); }
void stretch_from_the_centre_up_and_down(const Job& j) { stretch_down(j, 0.5); }
void flip_across(const Job& j) { flip(j, false); }
void flip_over(const Job& j) { flip(j, true); }

} // namespace framory::media::fx
