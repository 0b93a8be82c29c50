// Drives the scaler with arbitrary sizes and pixels: the first four bytes
// give the source and target sizes, the rest the pixels.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "media/image/scale.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4) {
        return 0;
    }
    const int sw = 1 + data[0] % 64;
    const int sh = 1 + data[1] % 64;
    const int dw = 1 + data[2];
    const int dh = 1 + data[3];
    framory::media::Image src(sw, sh, 0);
    const std::size_t bytes = std::min(size - 4, src.pixel_count() * 4);
    std::memcpy(src.data(), data + 4, bytes);
    const framory::media::Image out = framory::media::ScaleImage(src, dw, dh);
    if (out.width() != dw || out.height() != dh) {
        std::abort();
    }
    // A fully opaque source gives a fully opaque result.
    bool opaque = true;
    for (std::size_t i = 0; i < src.pixel_count(); ++i) {
        opaque = opaque && (src.data()[i] >> 24) == 0xff;
    }
    if (opaque) {
        for (std::size_t i = 0; i < out.pixel_count(); ++i) {
            if ((out.data()[i] >> 24) != 0xff) {
                std::abort();
            }
        }
    }
    return 0;
}
