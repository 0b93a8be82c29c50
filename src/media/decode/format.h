#pragma once

// What every picture format provides to the table in decode.cpp: a sniff of
// the first bytes, a header reader that learns the claimed size without
// decoding (so the pixel budget is enforced before any library allocates),
// and a decoder to a requested size. One file per format under formats/.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "media/decode/bytes.h"
#include "media/decode/colour.h"
#include "media/decode/decode.h"
#include "media/image/image.h"

namespace framory::media::detail {

// How well content fits a format. Strong: a magic number and sane fields.
// Weak: no magic number exists for the format (TGA, headerless DIB), only
// plausible fields; the file name breaks ties between weak matches.
enum class Match { None = 0, Weak = 1, Strong = 2 };

struct Header {
    int width = 0; // as stored, before orientation
    int height = 0;
    // EXIF/TIFF orientation 1..8; 5 to 8 swap width and height on screen.
    int orientation = 1;
    // False when the data visibly stops before the picture ends (a missing
    // end marker, packets that run past the end of the file).
    bool complete = true;
    // The largest part the decoder holds besides the picture itself (a GIF
    // frame larger than its screen, a later WPG bitmap), and the pixels held
    // at once when that exceeds width x height. Both count against the budget.
    Size largest_part;
    std::int64_t total_pixels = 0;
    // GIF: how many frames are composed into the picture shown.
    int frames = 1;
    std::string problem; // set when the header is unusable
    bool valid() const { return problem.empty(); }
};

Header MakeProblem(std::string problem);
// A header of the given stored size, or a problem when a side is not positive.
Header Sized(std::int64_t width, std::int64_t height);

struct Decoded {
    DecodeStatus status = DecodeStatus::Corrupt;
    bool partial = false;
    Image image; // upright, exactly the requested size
    std::string message;
    ColourInfo colour; // what the file says about its colours
};

Decoded Failed(std::string message, DecodeStatus status = DecodeStatus::Corrupt);
Decoded Succeeded(Image image, bool partial);

// What the caller wants: the upright size (never 0x0 here) and the colour
// space the pixels end in.
struct Request {
    Size out;
    const ColourTarget& colour;
};

struct Format {
    std::string_view name;
    // File types (last three characters of the name) this content usually
    // comes under; used only to break a tie between equal matches.
    std::array<std::string_view, 3> types;
    Match (*sniff)(Bytes);
    Header (*read_header)(Bytes);
    Decoded (*decode)(Bytes, const Header&, const Request&);
};

extern const Format kJpegFormat;
extern const Format kPngFormat;
extern const Format kGifFormat;
extern const Format kBmpFormat;
extern const Format kDibFormat;
extern const Format kTiffFormat;
extern const Format kTgaFormat;
extern const Format kSoftimageFormat;
extern const Format kRadianceFormat;
extern const Format kPcxFormat;
extern const Format kWmfFormat;
extern const Format kWpgFormat;
extern const Format kUtahRleFormat;

// The formats this build reads, in the order the sniff tries them (order
// matters only among equal matches with no help from the name), and the
// one-time set-up of the libraries behind them. Each build names its own:
// table.cpp on Linux; on Windows the front end's decoding folder, where the
// system's readers stand in for the libraries it lacks.
std::span<const Format* const> Formats();
void PrepareLibraries();

// The stored-orientation size that shows as `upright` after `orientation`.
Size StoredSize(Size upright, int orientation);

// Turns a picture stored in EXIF/TIFF orientation 1..8 upright.
Image Orient(Image stored, int orientation);

// Scales a picture decoded in its stored orientation so that, turned
// upright, it is exactly `out`. Scaling comes first: the turn then moves
// only the pixels shown.
Image FitStored(Image stored, int orientation, Size out);

} // namespace framory::media::detail
