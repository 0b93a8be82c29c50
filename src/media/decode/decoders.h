#pragma once

// The decoders behind the table in decode.cpp: each turns bytes whose
// header was already read and checked against the budget into pixels of
// exactly `out` size (upright).

#include <optional>
#include <string>

#include "media/decode/decode.h"
#include "media/decode/headers.h"
#include "media/image/image.h"

namespace framory::media::detail {

struct Decoded {
    DecodeStatus status = DecodeStatus::Corrupt;
    bool partial = false;
    Image image;
    std::string message;
};

inline Decoded Failed(std::string message)
{
    Decoded d;
    d.message = std::move(message);
    return d;
}

// One-time set-up of the libraries: GraphicsMagick's limits, font map and
// quiet handlers, and libtiff's handlers. Safe to call from any thread.
void PrepareLibraries();

// Qt's image readers: "jpeg", "png", "gif", "bmp", "tiff".
Decoded DecodeWithQt(Bytes bytes, const char* format, const Header& header, Size out);

// JPEG through libjpeg-turbo at any eighth of its size; nothing for the
// colour spaces it leaves to Qt's reader (CMYK, YCCK).
std::optional<Decoded> DecodeJpegDirect(Bytes bytes, const Header& header, Size out);

// stb_image: TGA and Softimage PIC.
Decoded DecodeWithStb(Bytes bytes, const Header& header, Size out);

// GraphicsMagick: "PCX", "WPG", "RLE" (Utah), and WMF rendered to fit `out`.
Decoded DecodeWithMagick(Bytes bytes, const char* magick, const Header& header, Size out);
Decoded DecodeWmf(Bytes bytes, const Header& header, Size out);

} // namespace framory::media::detail
