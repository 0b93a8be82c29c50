#include "media/decode/stb.h"

#include <cstdint>
#include <memory>

#include "media/image/scale.h"

// stb_image is built here with only the formats we take from it. Its
// dimension limit is our own budget, a second line behind the header check.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_TGA
#define STBI_ONLY_PIC
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_MAX_DIMENSIONS 16384
#include <stb/stb_image.h>

namespace framory::media::detail {

Decoded DecodeWithStb(Bytes bytes, const Header& header, Size out, bool mirror)
{
    if (bytes.size() > static_cast<std::size_t>(INT32_MAX)) {
        return Failed("file too long");
    }
    int w = 0;
    int h = 0;
    int channels = 0;
    std::unique_ptr<stbi_uc, void (*)(void*)> rgba(
        stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &channels, 4), stbi_image_free);
    if (!rgba) {
        const char* why = stbi_failure_reason();
        return Failed(why ? why : "stb_image could not read it");
    }
    if (w != header.width || h != header.height) {
        return Failed("decoded size differs from the header");
    }
    const stbi_uc* px = rgba.get();
    const auto width = static_cast<std::size_t>(w);
    Image image = ScaleRows(
        w, h,
        [px, width, mirror](int y, std::uint32_t* scratch) {
            const stbi_uc* row = px + static_cast<std::size_t>(y) * width * 4;
            for (std::size_t x = 0; x < width; ++x) {
                const stbi_uc* p = row + x * 4;
                const std::size_t to = mirror ? width - 1 - x : x;
                scratch[to] = (std::uint32_t{p[3]} << 24) | (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) |
                              std::uint32_t{p[2]};
            }
            return static_cast<const std::uint32_t*>(scratch);
        },
        out.width, out.height);
    return Succeeded(std::move(image), !header.complete);
}

} // namespace framory::media::detail
