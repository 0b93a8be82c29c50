#include "win32/decode/picture_decoder.h"

namespace framory::win32 {

media::DecodeResult DecodePicture(const std::string& path, media::Size bounds)
{
    media::DecodeResult r = media::DecodeFileFitted(path, bounds);
    for (std::size_t i = 0; i < r.image.pixel_count(); ++i) {
        std::uint32_t& p = r.image.data()[i];
        const std::uint32_t a = p >> 24;
        if (a != 0xffu) {
            const std::uint32_t red = ((p >> 16) & 0xffu) * a / 255u;
            const std::uint32_t green = ((p >> 8) & 0xffu) * a / 255u;
            const std::uint32_t blue = (p & 0xffu) * a / 255u;
            p = 0xff000000u | (red << 16) | (green << 8) | blue;
        }
    }
    return r;
}

} // namespace framory::win32
