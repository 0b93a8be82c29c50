// The whole decode entry as the show runs it: arbitrary bytes in, pixels
// out, through whichever library the content picks (libjpeg-turbo, libpng,
// giflib, libtiff, lcms2, GraphicsMagick, stb_image, our own readers).
// The input's length chooses the file-name hint and the target size (the
// bytes stay whole, so picture files are seeds), and small targets,
// natural sizes and enlargements all run.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

#include "fuzz_target.h"
#include "media/decode/decode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    namespace m = framory::media;
    static constexpr std::array<std::string_view, 8> names = {"a.jpg", "a.png", "a.gif", "a.tif",
                                                              "a.bmp", "a.dib", "a.pic", "a.tga"};
    static constexpr std::array<m::Size, 4> targets = {m::Size{}, m::Size{64, 48}, m::Size{7, 300},
                                                       m::Size{320, 200}};
    const std::span<const std::uint8_t> bytes(data, size);
    const m::Size target = targets[(size / names.size()) % targets.size()];
    const m::DecodeResult r = m::DecodeBytes(bytes, names[size % names.size()], target);
    if (r.ok()) {
        // Pixels of exactly the size asked for (the natural size for 0x0).
        const m::Size want = target.width > 0 ? target : r.natural;
        if (r.image.width() != want.width || r.image.height() != want.height ||
            r.image.pixel_count() != static_cast<std::size_t>(want.width) * static_cast<std::size_t>(want.height)) {
            std::abort();
        }
    } else if (!r.image.empty() || r.message.empty()) {
        std::abort();
    }
    return 0;
}
