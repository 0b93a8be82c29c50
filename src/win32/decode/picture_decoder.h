#pragma once

// Picture decoding on Windows, as the show's picture component asks for it:
// a file in, its natural size and its pixels fitted to a bound out.

#include "media/decode/decode.h"

#include <string>

namespace framory::win32 {

// Decodes a picture file with the media layer's decoders (the formats our
// own code reads, and the system's readers for the rest: system_formats.cpp)
// and shrinks it to fit within `bounds` (aspect ratio kept, never enlarged;
// 0x0 keeps the natural size). The content picks the reader; the name only
// breaks ties. Pixels with alpha come laid over black, as the show's
// picture component draws them. A file that claims more than
// media::kMaxPixels is refused from its header before pixels are allocated.
// Runs in the decoding worker process.
media::DecodeResult DecodePicture(const std::string& path, media::Size bounds);

using media::FitWithin;

} // namespace framory::win32
