// Feeds arbitrary bytes to the probe of every format: the one sniff that
// picks the format, its header reader and the pixel budget, under each
// file-name hint that breaks ties.
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
    const std::span<const std::uint8_t> bytes(data, size);
    static constexpr std::array<std::string_view, 6> names = {"a.jpg", "a.dib", "a.pic", "a.rle", "a.tga", "a.bmp"};
    for (std::string_view name : names) {
        const m::DecodeResult probe = m::ProbeBytes(bytes, name);
        // A picture the probe accepts has a size within the budget, names
        // its decoder, and no pixels yet.
        if (probe.ok() && (probe.natural.width <= 0 || probe.natural.height <= 0 ||
                           probe.natural.width > m::kMaxSide || probe.natural.height > m::kMaxSide ||
                           std::int64_t{probe.natural.width} * probe.natural.height > m::kMaxPixels ||
                           probe.decoder.empty() || !probe.image.empty())) {
            std::abort();
        }
        if (!probe.ok() && probe.message.empty()) {
            std::abort();
        }
        if (m::SniffDecoder(bytes, name) != probe.decoder) {
            std::abort();
        }
    }
    return 0;
}
