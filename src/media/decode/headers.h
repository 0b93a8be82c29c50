#pragma once

// Our own readers of picture headers: each recognises its format from the
// first bytes (`sniff`) and reads the claimed size (`read_*`) without
// decoding pixels, so the pixel budget is enforced before any library sees
// the data. They take untrusted bytes and are fuzzed.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace framory::media::detail {

using Bytes = std::span<const std::uint8_t>;

// How well content fits a format. Strong: a magic number and sane fields.
// Weak: no magic number exists for the format (TGA, headerless DIB), only
// plausible fields; the file name breaks ties between weak matches.
enum class Match { None = 0, Weak = 1, Strong = 2 };

struct Header {
    int width = 0;  // as stored, before orientation
    int height = 0;
    // EXIF/TIFF orientation 1..8; 5 to 8 swap width and height on screen.
    int orientation = 1;
    // False when the data visibly stops before the picture ends (a missing
    // end marker, packets that run past the end of the file).
    bool complete = true;
    // Pixels the library will hold at once when that exceeds width x height
    // (every bitmap of a WPG file is decoded, not only the first).
    std::int64_t total_pixels = 0;
    // The longest side of any part the library decodes (a GIF frame larger
    // than its screen, a later WPG bitmap).
    int largest_side = 0;
    std::string problem; // set when the header is unusable
    bool valid() const { return problem.empty(); }
};

Header MakeProblem(std::string problem);

Match SniffBmp(Bytes b);
Match SniffDib(Bytes b);
Match SniffGif(Bytes b);
Match SniffJpeg(Bytes b);
Match SniffPng(Bytes b);
Match SniffTiff(Bytes b);
Match SniffTga(Bytes b);
Match SniffPcx(Bytes b);
Match SniffWmf(Bytes b);
Match SniffWpg(Bytes b);
Match SniffSoftimage(Bytes b);
Match SniffRadiance(Bytes b);
Match SniffUtahRle(Bytes b);

Header ReadBmpHeader(Bytes b);
Header ReadDibHeader(Bytes b);
Header ReadGifHeader(Bytes b);
Header ReadJpegHeader(Bytes b);
Header ReadPngHeader(Bytes b);
Header ReadTiffHeader(Bytes b);
Header ReadTgaHeader(Bytes b);
Header ReadPcxHeader(Bytes b);
Header ReadWmfHeader(Bytes b);
Header ReadWpgHeader(Bytes b);
Header ReadSoftimageHeader(Bytes b);
Header ReadRadianceHeader(Bytes b);
Header ReadUtahRleHeader(Bytes b);

// A packed DIB (BITMAPINFOHEADER first) made into a BMP file by putting the
// 14-byte file header in front, so a BMP reader takes it. Empty when the
// header cannot be read.
std::optional<std::string> DibToBmp(Bytes b);

// Natural (upright) size of a WMF at 96 dots per inch, from the placeable
// header's frame or else the window extent of the records (twips assumed).
struct WmfFrame {
    double width_inches = 0;
    double height_inches = 0;
    std::size_t records_end = 0; // end of the last whole record
    bool placeable = false;
};
std::optional<WmfFrame> ReadWmfFrame(Bytes b);

// Radiance RGBE picture, decoded by our own reader (the old header form
// without "#?RADIANCE" is common in .pic files). Pixels are 0xAARRGGBB,
// exposed so the picture's log-average luminance is middle grey, with a
// 2.2 gamma.
struct RadianceImage {
    int width = 0;
    int height = 0;
    bool complete = true;
    std::vector<std::uint32_t> pixels;
};
std::optional<RadianceImage> DecodeRadiance(Bytes b, std::string& problem);

} // namespace framory::media::detail
