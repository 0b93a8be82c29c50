#include "media/decode/format.h"

#include <algorithm>
#include <utility>

#include "media/image/scale.h"

namespace framory::media::detail {

Header MakeProblem(std::string problem)
{
    Header h;
    h.problem = std::move(problem);
    return h;
}

Header Sized(std::int64_t width, std::int64_t height)
{
    if (width <= 0 || height <= 0) {
        return MakeProblem("the header gives no size");
    }
    Header h;
    // Sizes beyond int range are clamped: they are refused by the budget anyway.
    h.width = static_cast<int>(std::min<std::int64_t>(width, 1 << 30));
    h.height = static_cast<int>(std::min<std::int64_t>(height, 1 << 30));
    return h;
}

Decoded Failed(std::string message, DecodeStatus status)
{
    Decoded d;
    d.status = status;
    d.message = std::move(message);
    return d;
}

Decoded Succeeded(Image image, bool partial)
{
    Decoded d;
    d.status = DecodeStatus::Ok;
    d.partial = partial;
    d.image = std::move(image);
    return d;
}

Size StoredSize(Size upright, int orientation)
{
    return orientation >= 5 && orientation <= 8 ? Size{upright.height, upright.width} : upright;
}

Image Orient(Image stored, int orientation)
{
    if (orientation <= 1 || orientation > 8) {
        return stored;
    }
    const int w = stored.width();
    const int h = stored.height();
    const bool swap = orientation >= 5;
    Image out(swap ? h : w, swap ? w : h);
    for (int y = 0; y < h; ++y) {
        const std::uint32_t* row = stored.row(y);
        for (int x = 0; x < w; ++x) {
            int ox = x;
            int oy = y;
            switch (orientation) {
            case 2: ox = w - 1 - x; break;                 // mirrored
            case 3: ox = w - 1 - x; oy = h - 1 - y; break; // turned half round
            case 4: oy = h - 1 - y; break;                 // mirrored upside down
            case 5: ox = y; oy = x; break;                 // mirrored along the main diagonal
            case 6: ox = h - 1 - y; oy = x; break;         // turned a quarter clockwise
            case 7: ox = h - 1 - y; oy = w - 1 - x; break; // mirrored along the other diagonal
            default: ox = y; oy = w - 1 - x; break;        // 8: turned a quarter anticlockwise
            }
            out.at(ox, oy) = row[x];
        }
    }
    return out;
}

Image FitStored(Image stored, int orientation, Size out)
{
    const Size want = StoredSize(out, orientation);
    if (stored.width() != want.width || stored.height() != want.height) {
        stored = ScaleImage(stored, want.width, want.height);
    }
    return Orient(std::move(stored), orientation);
}

} // namespace framory::media::detail
