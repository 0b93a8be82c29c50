#pragma once

#include <cstdint>

namespace framory::core {

// picture_rect: left, top, width, height in the caller's units.
struct PictureRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool operator==(const PictureRect&) const = default;
};

// scale_to_area: scale to a share of the area, or keep the natural size
// and only shrink a picture that is larger than the area.
enum class ScaleToArea : std::int16_t { ShrinkOnly = 0, Scale = 1 };

// The nearest whole number, halves to the even neighbour, held to 32 bits:
// how places, sizes and the show's deadlines (whole seconds since midnight)
// are rounded.
std::int32_t NearestWhole(double value);

// Keeps the picture's aspect ratio and centres it in the area. A picture
// without height has no aspect ratio; it gets an empty rectangle at the
// area's origin, so nothing is drawn.
PictureRect PlacePicture(ScaleToArea scale_to_area, float area_top, float area_left, float area_height,
                         float area_width, std::int32_t picture_height, std::int32_t picture_width,
                         std::int16_t percent);

} // namespace framory::core
