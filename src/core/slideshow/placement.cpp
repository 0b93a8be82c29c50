#include "core/slideshow/placement.h"

#include <cmath>
#include <limits>

namespace framory::core {

std::int32_t NearestWhole(double value)
{
    const double r = std::nearbyint(value);
    if (!(r > static_cast<double>(std::numeric_limits<std::int32_t>::min()))) {
        return std::numeric_limits<std::int32_t>::min();
    }
    if (r > static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(r);
}

PictureRect PlacePicture(ScaleToArea scale_to_area, float area_top, float area_left, float area_height,
                         float area_width, std::int32_t picture_height, std::int32_t picture_width,
                         std::int16_t percent)
{
    if (picture_height == 0) {
        return {};
    }
    double w = picture_width;
    double h = picture_height;
    const double ratio = w / h;
    const double big_w = area_width;
    const double big_h = area_height;
    double left = 0;
    double top = 0;

    if (scale_to_area == ScaleToArea::Scale) {
        const double f = static_cast<double>(percent) / 100.0;
        if (w >= h) {
            w = f * big_w;
            h = w / ratio;
            if (h > f * big_h) {
                h = f * big_h;
                w = ratio * h;
            }
        } else {
            h = f * big_h;
            w = ratio * h;
        }
        left = static_cast<double>(area_left) + (big_w - w) / 2.0;
        top = static_cast<double>(area_top) + (big_h - h) / 2.0;
    } else {
        if (w >= big_w) {
            w = big_w;
            h = w / ratio;
        }
        if (h > big_h) {
            h = big_h;
            w = ratio * h;
        }
        left = (big_w - w) / 2.0;
        top = (big_h - h) / 2.0;
    }
    if (left < 0) {
        left = 0;
    }
    if (top < 0) {
        top = 0;
    }
    return {NearestWhole(left), NearestWhole(top), NearestWhole(w), NearestWhole(h)};
}

} // namespace framory::core
