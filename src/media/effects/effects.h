#pragma once

#include <chrono>
#include <cstdint>
#include <string_view>

#include <vector>

#include "media/image/frame.h"
#include "media/image/image.h"

namespace framory::media {

// The transition catalogue: effect numbers 1 to kEffectCount, one row each in
// effect_table.cpp. Number 0 (and any number outside the catalogue) means
// "no effect": the new picture at once.
inline constexpr int kEffectCount = 113;

// How an effect forms its frames. Reveal effects show every pixel either from
// the old or from the new picture, and a pixel that has turned new stays new
// as progress grows. Blend effects mix the two pictures. Motion effects move or
// scale the pictures. Mosaic effects show enlarged picture cells on the way.
enum class EffectKind { Reveal, Blend, Motion, Mosaic };

struct EffectInfo {
    std::string_view name;
    EffectKind kind = EffectKind::Reveal;
    // Whether the grain (the size of the effect's cells, stripes or soft
    // edges) changes the frames.
    bool uses_grain = false;
};

// The catalogue entry of an effect number; numbers outside 1..kEffectCount
// give the entry "None" (kind Reveal, no grain).
EffectInfo DescribeEffect(int number);
std::string_view EffectName(int number);

// The side in pixels of the effect's cells for a grain (2 fine .. 15 coarse;
// the caption may hand 1) on a picture of the given size. The grain is
// counted in units of 1/270 of the picture's shorter side, but never less than
// one logical pixel (`pixel_ratio` device pixels), so an effect has the same
// look at every screen size and pixel density: at 1920x1080 a grain of 7
// makes 28-pixel cells, in a 150-pixel preview 7-pixel cells, and in the same
// preview on a screen of ratio 2 (300 device pixels) 14-pixel cells. Grains
// below 1 count as 1, above 270 as 270.
int EffectCellSize(int grain, int width, int height, double pixel_ratio = 1.0);

// The play time of an effect for its pace (the component's pace property).
// One unit of pace is 40 ms, so the show's paces 2..60 last 80 ms to 2.4 s and
// the default (delay 10 times speed 2) 0.8 s. Pace 0 or less means at once.
// Paces above 250 (only from an edited settings file) are held at 10 s, so a
// stray value cannot freeze the show behind an endless transition.
std::chrono::milliseconds EffectDuration(int pace);

// Draws one frame of effect `number` from `from` (the old picture) to `to`
// (the new one) at `progress` (0 = the old picture, 1 = the new one; values
// outside are clamped and NaN counts as 1, so a cancelled effect lands on the
// final frame) into `out`.
//
// `out` takes the size of `to`. An old picture of another size counts as
// black, since the component has nothing sensible to show there. `out` may
// be the same object as `from` or `to`: the frame is then built aside first.
//
// `seed` fixes the random layout of the random effects (dissolves, rain):
// keep it for every frame of one play, so that the frames follow on from
// each other, and change it from one play to the next.
//
// `pixel_ratio` is the screen's device pixels per logical pixel, the
// pictures being at device pixels: the grain scales with it.
void RenderEffect(int number, const Image& from, const Image& to, double progress, int grain, Image& out,
                  std::uint32_t seed = 0, double pixel_ratio = 1.0);

// Where two frames of the same size differ: rectangles made of the tiles
// (128 x 32 pixels, fewer at the right and bottom edges) in which a pixel
// changed, left to right and top to bottom, at most `max_areas` of them
// (neighbours are joined beyond that); none when the frames are equal.
// Frames of different sizes differ everywhere in `after`. A tile that
// changed is usually found out at its first row, so an effect frame that
// changes much costs little to compare, and one that changes little is
// repainted in part.
std::vector<PixelRect> ChangedAreas(const Image& before, const Image& after, int max_areas = 64);

} // namespace framory::media
