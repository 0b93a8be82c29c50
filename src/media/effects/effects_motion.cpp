// Effects that move or scale the pictures: slides, pushes, uncovers, zooms,
// stretches, squeezes and flips. Each frame is up to two layers, a picture
// placed into a rectangle (scaled when the rectangle's size differs from the
// picture's), painted over a bottom layer.

#include <cmath>

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

void zoom_out(const Job& j)
{
    const Layer top = anchored(j.from, j.w, j.h, 1.0 - j.p, 0.5, 0.5);
    paint(j, whole(j.to), &top);
}

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

void AddMotionEffects(Catalogue& c)
{
    using K = EffectKind;
    // The slide's name says where the new picture comes from; it moves the
    // opposite way.
    c[74] = {{"Slide in from left", K::Motion, false}, [](const Job& j) { slide_in(j, kRight); }};
    c[75] = {{"Slide in from right", K::Motion, false}, [](const Job& j) { slide_in(j, kLeft); }};
    c[76] = {{"Slide in from top", K::Motion, false}, [](const Job& j) { slide_in(j, kDown); }};
    c[77] = {{"Slide in from bottom", K::Motion, false}, [](const Job& j) { slide_in(j, kUp); }};
    // The push's name says which way both pictures move.
    c[78] = {{"Push left", K::Motion, false}, [](const Job& j) { push(j, kLeft); }};
    c[79] = {{"Push right", K::Motion, false}, [](const Job& j) { push(j, kRight); }};
    c[80] = {{"Push up", K::Motion, false}, [](const Job& j) { push(j, kUp); }};
    c[81] = {{"Push down", K::Motion, false}, [](const Job& j) { push(j, kDown); }};
    c[82] = {{"Slide in from top left", K::Motion, false}, [](const Job& j) { slide_in(j, kDownRight); }};
    c[83] = {{"Slide in from top right", K::Motion, false}, [](const Job& j) { slide_in(j, kDownLeft); }};
    c[84] = {{"Slide in from bottom left", K::Motion, false}, [](const Job& j) { slide_in(j, kUpRight); }};
    c[85] = {{"Slide in from bottom right", K::Motion, false}, [](const Job& j) { slide_in(j, kUpLeft); }};
    // The uncover's name says where the old picture goes.
    c[86] = {{"Uncover to the left", K::Motion, false}, [](const Job& j) { uncover(j, kLeft); }};
    c[87] = {{"Uncover to the right", K::Motion, false}, [](const Job& j) { uncover(j, kRight); }};
    c[88] = {{"Uncover upwards", K::Motion, false}, [](const Job& j) { uncover(j, kUp); }};
    c[89] = {{"Uncover downwards", K::Motion, false}, [](const Job& j) { uncover(j, kDown); }};
    c[90] = {{"Uncover to top left", K::Motion, false}, [](const Job& j) { uncover(j, kUpLeft); }};
    c[91] = {{"Uncover to top right", K::Motion, false}, [](const Job& j) { uncover(j, kUpRight); }};
    c[92] = {{"Uncover to bottom left", K::Motion, false}, [](const Job& j) { uncover(j, kDownLeft); }};
    c[93] = {{"Uncover to bottom right", K::Motion, false}, [](const Job& j) { uncover(j, kDownRight); }};
    c[94] = {{"Zoom in", K::Motion, false}, [](const Job& j) { zoom_in(j, 0.5, 0.5); }};
    c[95] = {{"Zoom out", K::Motion, false}, &zoom_out};
    c[96] = {{"Zoom in from top left", K::Motion, false}, [](const Job& j) { zoom_in(j, 0.0, 0.0); }};
    c[97] = {{"Zoom in from top right", K::Motion, false}, [](const Job& j) { zoom_in(j, 1.0, 0.0); }};
    c[98] = {{"Zoom in from bottom left", K::Motion, false}, [](const Job& j) { zoom_in(j, 0.0, 1.0); }};
    c[99] = {{"Zoom in from bottom right", K::Motion, false}, [](const Job& j) { zoom_in(j, 1.0, 1.0); }};
    c[100] = {{"Stretch from left", K::Motion, false}, [](const Job& j) { stretch_across(j, 0.0); }};
    c[101] = {{"Stretch from top", K::Motion, false}, [](const Job& j) { stretch_down(j, 0.0); }};
    c[102] = {{"Stretch from right", K::Motion, false}, [](const Job& j) { stretch_across(j, 1.0); }};
    c[103] = {{"Stretch from bottom", K::Motion, false}, [](const Job& j) { stretch_down(j, 1.0); }};
    c[104] = {{"Stretch from the centre across", K::Motion, false}, [](const Job& j) { stretch_across(j, 0.5); }};
    c[105] = {{"Stretch from the centre up and down", K::Motion, false}, [](const Job& j) { stretch_down(j, 0.5); }};
    c[106] = {{"Squeeze left", K::Motion, false}, &squeeze_left};
    c[107] = {{"Squeeze up", K::Motion, false}, &squeeze_up};
    c[108] = {{"Flip across", K::Motion, false}, [](const Job& j) { flip(j, false); }};
    c[109] = {{"Flip over", K::Motion, false}, [](const Job& j) { flip(j, true); }};
}

} // namespace framory::media::fx
