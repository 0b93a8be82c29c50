#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "media/image/image.h"

// Picture decoding for the show: one entry per picture format (one file
// each under formats/), each a `sniff` of the first bytes, a header reader
// and a `decode` to a target size. Content picks the entry; the file name
// only breaks ties. Readers on Linux: libjpeg-turbo (JPEG), libpng, giflib,
// libtiff, our own (BMP and DIB, PCX, Radiance RGBE, Utah RLE, WPG),
// stb_image (TGA, Softimage PIC), GraphicsMagick (WMF). Colours go through
// lcms2. The Windows build has the same table with the system's readers in
// place of the libraries (src/win32/decode/system_formats.cpp).
// KQP files decode by whichever of these their content is.
namespace framory::media {

struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size&) const = default;
};

// The largest picture we agree to hold. A file that claims more is refused
// from its header, before a single pixel is allocated: 64 megapixels is
// 256 MB as 32-bit pixels, and no screen needs a side over 16384.
inline constexpr std::int64_t kMaxPixels = std::int64_t{64} * 1024 * 1024;
inline constexpr int kMaxSide = 16384;

enum class DecodeStatus {
    Ok,          // pixels are there (see `partial` for a truncated file)
    NotAPicture, // no decoder recognises the content, or the file cannot be read
    TooLarge,    // the header claims more than the pixel budget
    Corrupt,     // recognised, but the data is broken beyond use
};

std::string_view StatusName(DecodeStatus status);

struct DecodeResult {
    DecodeStatus status = DecodeStatus::NotAPicture;
    // A file that stops short but whose decoder still gave the whole
    // canvas: what the data holds is shown, and the rest keeps the
    // decoder's fill. The status is Ok, since the show displays it; this
    // flag says it is not the whole picture. In practice: JPEG (the rows
    // decoded, the rest grey), PNG, TIFF, BMP and TGA (rows present, the
    // rest transparent), GIF (the frames and rows before the cut), Radiance
    // (rows present, the rest black), WMF (played up to its last whole
    // record) and WPG (rows present, the rest transparent). A cut PCX is
    // refused (Corrupt), and so is a TIFF cut before its directory or
    // first strip.
    bool partial = false;
    // The picture's size as a person sees it: after EXIF/TIFF orientation,
    // and for a metafile the size of its frame at 96 dots per inch.
    Size natural;
    // Exactly the target size asked for, or `natural` when the target was
    // 0x0; in sRGB, or in the display's profile when one was given.
    Image image;
    // Which entry of the decoder table read the content ("jpeg", "tga", ...).
    std::string decoder;
    // Why a status other than Ok was given, for logs and tests.
    std::string message;

    bool ok() const { return status == DecodeStatus::Ok; }
};

// Sets up the decoding libraries once (resource limits, font map, silent
// message handlers). The first decode does it anyway; a program calls it
// early on its main thread because the set-up changes the process
// environment, which is best done before other threads run.
void PrepareDecoders();

// Decodes a picture held in memory. The content picks the decoder; the last
// three characters of `name_hint` only break ties between decoders that fit
// the content equally well (a headerless DIB against a TGA, say). `target`
// is the rectangle the picture will fill: the result is scaled to exactly
// that size (aspect ratio as the caller chose it), or left at its natural
// size when the target is 0x0. `display_icc` is the display's ICC profile
// (the X root's _ICC_PROFILE): pixels end in that space, or in sRGB when it
// is empty or unusable. Safe to call from any thread.
DecodeResult DecodeBytes(std::span<const std::uint8_t> bytes, std::string_view name_hint, Size target,
                         std::span<const std::uint8_t> display_icc = {});

// Reads the file and decodes it as DecodeBytes does.
DecodeResult DecodeFile(const std::string& path, Size target, std::span<const std::uint8_t> display_icc = {});

// The largest size that fits `bounds` with the aspect of `natural` kept,
// never larger than `natural` itself; `natural` when bounds are 0x0.
Size FitWithin(Size natural, Size bounds);

// Reads the file once and decodes it to FitWithin(its natural size, bounds).
DecodeResult DecodeFileFitted(const std::string& path, Size bounds, std::span<const std::uint8_t> display_icc = {});

// What the header says, without decoding any pixels: the decoder's name,
// the natural (upright) size, whether the budget allows it and whether the
// file looks cut short (`partial`). `image` stays empty. Cheap next to a
// decode, though ProbeFile reads the whole file: a TIFF may keep its
// directory at the end, and whether a file is whole shows only there.
DecodeResult ProbeBytes(std::span<const std::uint8_t> bytes, std::string_view name_hint);
DecodeResult ProbeFile(const std::string& path);

// The name of the decoder that the content (and, for ties, the name) picks,
// or an empty view when nothing recognises it.
std::string_view SniffDecoder(std::span<const std::uint8_t> bytes, std::string_view name_hint);

} // namespace framory::media
