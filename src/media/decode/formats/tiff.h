#pragma once

// TIFF's pieces shared by tiff.cpp (the format, libtiff's RGBA path) and
// tiff_samples.cpp (what we read from the samples ourselves).

#include <cstdint>
#include <string>
#include <vector>

#include <tiffio.h>

#include "media/decode/format.h"

namespace framory::media::detail::tiff {

// No single buffer libtiff or we allocate for a strip or a band of tiles may
// exceed this; a file whose strips need more is refused.
constexpr tmsize_t kMaxBufferBytes = tmsize_t{256} << 20;

struct Memory {
    Bytes bytes;
    std::uint64_t at = 0;
};

// libtiff over our bytes, its complaints gathered as our message.
struct File {
    Memory memory;
    std::string message;
    TIFF* tif = nullptr;

    explicit File(Bytes bytes);
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    std::string why(const char* fallback) const { return message.empty() ? fallback : message; }
};

template <typename T>
T field(TIFF* tif, ttag_t tag, T fallback)
{
    T v = fallback;
    return TIFFGetFieldDefaulted(tif, tag, &v) ? v : fallback;
}

// Whether our own reader takes pictures of this photometric interpretation.
bool OwnPathReads(std::uint16_t photometric);

// The picture read from its samples, in its stored orientation, scaled to
// `stored_out`: CIE L*a*b* and CMYK converted to the target's colours,
// floating-point samples encoded as sRGB.
Decoded DecodeSamples(File& file, const Header& header, Size stored_out, const Request& request,
                      std::uint16_t photometric, const std::vector<std::uint8_t>& icc);

} // namespace framory::media::detail::tiff
