#pragma once

// Picture decoding on Windows, as the show's picture component asks for it:
// a file in, its natural size and its pixels fitted to a bound out.

#include "media/decode/decode.h"

#include <string>

namespace framory::win32 {

// Decodes a picture file and shrinks it to fit within `bounds` (aspect ratio
// kept, never enlarged; 0x0 keeps the natural size). The content picks the
// reader, never the name:
// - metafiles (WMF, placeable or not) are played by GDI at the fitted size;
// - JPEG, PNG, GIF, BMP/DIB and TIFF go through the Windows Imaging
//   Component, with EXIF orientation applied and an embedded colour
//   profile converted to sRGB where the system offers the transform;
// - TGA and Softimage PIC go through stb_image, as on Linux.
// A file that claims more than media::kMaxPixels is refused from its header
// before pixels are allocated. Runs in the decoding worker process.
media::DecodeResult DecodePicture(const std::string& path, media::Size bounds);

// The largest size with the picture's aspect ratio that fits in `bounds`
// and is no larger than the picture; the picture's size for a 0x0 bound.
media::Size FitWithin(media::Size picture, media::Size bounds);

} // namespace framory::win32
