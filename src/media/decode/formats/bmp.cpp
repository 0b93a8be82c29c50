// This folder: one file per picture format, each with its sniff (the bytes
// that name the format), its header reader and its decoder.

// Windows and OS/2 bitmaps, read by our own reader: every header version
// (OS/2 1.x and 2.x, Windows 3 to 5 with the V2 and V3 sizes), palettes of
// any length up to the pixel data, 1 to 64 bits a pixel, bit fields of any
// width, RLE4, RLE8 and RLE24, top-down rows, embedded JPEG and PNG, and
// embedded colour profiles. A packed DIB (no file header) is the same
// reader given the offsets the file header would have held.
#include <algorithm>
#include <bit>
#include <cmath>
#include <optional>
#include <vector>

#include "media/decode/format.h"
#include "media/image/scale.h"

namespace framory::media::detail {

namespace {

enum Compression : std::uint32_t {
    kRgb = 0,
    kRle8 = 1,
    kRle4 = 2,
    kBitFields = 3, // OS/2 2.x with one bit a pixel: Huffman 1D
    kJpeg = 4,      // OS/2 2.x with 24 bits a pixel: RLE24
    kPng = 5,
    kAlphaBitFields = 6,
};

struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint64_t max = 0; // the mask's largest value once shifted down

    explicit Channel(std::uint32_t m = 0) : mask(m)
    {
        if (m != 0) {
            shift = std::countr_zero(m);
            // A mask with holes counts as the run from its lowest to its
            // highest bit.
            max = (std::uint64_t{1} << std::bit_width(m >> shift)) - 1;
        }
    }
    std::uint32_t get(std::uint32_t pixel) const
    {
        if (mask == 0) {
            return 0;
        }
        const std::uint64_t v = (pixel & mask) >> shift;
        return static_cast<std::uint32_t>((v * 255 + max / 2) / max);
    }
};

struct Layout {
    std::size_t info = 0;        // where the information header starts
    std::uint32_t header_size = 0;
    bool os2 = false;            // OS/2 1.x or 2.x header
    std::int64_t width = 0;
    std::int64_t height = 0;     // its magnitude; top_down says the order
    bool top_down = false;
    std::uint32_t bpp = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t image_size = 0;
    Channel red, green, blue, alpha;
    std::size_t palette = 0;     // first palette entry
    std::size_t entry_size = 4;
    std::size_t colours = 0;     // entries that are there
    std::size_t bits = 0;        // first byte of the pixels
    std::uint32_t colour_space = 0;
    std::size_t profile = 0;     // embedded profile, when there is one
    std::size_t profile_size = 0;
};

bool known_header_size(std::uint32_t size)
{
    return size == 12 || (size >= 16 && size <= 64 && size % 4 == 0) || size == 108 || size == 124;
}

std::optional<Layout> layout_of(Bytes b, bool file_header, std::string& problem)
{
    Layout l;
    l.info = file_header ? 14 : 0;
    const auto size = u32le(b, l.info);
    if (!size || b.size() < l.info + std::min<std::uint32_t>(*size, 40)) {
        problem = "bitmap header cut short";
        return std::nullopt;
    }
    l.header_size = *size;
    if (!known_header_size(l.header_size)) {
        problem = "unknown bitmap header size " + std::to_string(l.header_size);
        return std::nullopt;
    }
    std::uint32_t used = 0;
    if (l.header_size == 12) {
        l.os2 = true;
        l.width = *u16le(b, l.info + 4);
        l.height = *u16le(b, l.info + 6);
        l.bpp = *u16le(b, l.info + 10);
        l.entry_size = 3;
    } else {
        const auto w = static_cast<std::int32_t>(*u32le(b, l.info + 4));
        const auto h = static_cast<std::int32_t>(*u32le(b, l.info + 8));
        l.width = w;
        l.top_down = h < 0;
        l.height = h < 0 ? -static_cast<std::int64_t>(h) : h;
        l.bpp = *u16le(b, l.info + 14);
        l.os2 = l.header_size != 40 && l.header_size != 52 && l.header_size != 56 && l.header_size <= 64;
        if (l.header_size >= 20) {
            l.compression = *u32le(b, l.info + 16);
        }
        if (l.header_size >= 24) {
            l.image_size = *u32le(b, l.info + 20);
        }
        if (l.header_size >= 36) {
            used = *u32le(b, l.info + 32);
        }
    }
    // OS/2 2.x reuses two compression numbers; a 40-byte header may be
    // either kind, and the bit depth tells which was meant.
    if (l.compression == kBitFields && l.bpp == 1) {
        problem = "Huffman-compressed OS/2 bitmaps are not supported";
        return std::nullopt;
    }
    const bool rle24 = l.compression == kJpeg && l.bpp == 24;
    std::size_t after_header = l.info + l.header_size;
    const bool fields = l.compression == kBitFields || l.compression == kAlphaBitFields;
    if (fields) {
        // Windows 3 headers keep the masks after them; later ones inside.
        const std::size_t masks = l.header_size >= 52 && !l.os2 ? l.info + 40 : after_header;
        const auto r = u32le(b, masks);
        const auto g = u32le(b, masks + 4);
        const auto bl = u32le(b, masks + 8);
        if (!r || !g || !bl) {
            problem = "bitmap colour masks cut short";
            return std::nullopt;
        }
        l.red = Channel(*r);
        l.green = Channel(*g);
        l.blue = Channel(*bl);
        const bool has_alpha = l.compression == kAlphaBitFields || (l.header_size >= 56 && !l.os2);
        if (has_alpha) {
            l.alpha = Channel(u32le(b, masks + 12).value_or(0));
        }
        if (masks == after_header) {
            after_header += l.compression == kAlphaBitFields ? 16 : 12;
        }
    } else if (l.bpp == 16) {
        l.red = Channel(0x7c00);
        l.green = Channel(0x03e0);
        l.blue = Channel(0x001f);
    } else if (l.bpp == 32) {
        l.red = Channel(0x00ff0000);
        l.green = Channel(0x0000ff00);
        l.blue = Channel(0x000000ff);
    }
    if (l.header_size >= 108) {
        l.colour_space = *u32le(b, l.info + 56);
    }
    if (l.header_size >= 124 && l.colour_space == 0x4d424544) { // 'MBED'
        l.profile = l.info + *u32le(b, l.info + 112);
        l.profile_size = *u32le(b, l.info + 116);
    }
    const bool ok_depth = l.bpp == 1 || l.bpp == 2 || l.bpp == 4 || l.bpp == 8 || l.bpp == 16 || l.bpp == 24 ||
                          l.bpp == 32 || l.bpp == 64 || (l.bpp == 0 && (l.compression == kJpeg || l.compression == kPng));
    if (!ok_depth) {
        problem = "bitmaps of " + std::to_string(l.bpp) + " bits a pixel do not exist";
        return std::nullopt;
    }
    const bool ok_compression = l.compression == kRgb || (l.compression == kRle8 && l.bpp == 8) ||
                                (l.compression == kRle4 && l.bpp == 4) || rle24 ||
                                (fields && (l.bpp == 16 || l.bpp == 32)) || l.compression == kJpeg ||
                                l.compression == kPng;
    if (!ok_compression) {
        problem = "bitmap compression " + std::to_string(l.compression) + " with " + std::to_string(l.bpp) +
                  " bits a pixel is not understood";
        return std::nullopt;
    }
    // The palette runs from the end of the header to the pixels: a file
    // may hold fewer entries than its depth allows (a short palette).
    l.palette = after_header;
    std::size_t wanted = 0;
    if (l.bpp <= 8 && l.bpp > 0) {
        wanted = used != 0 ? std::min<std::size_t>(used, std::size_t{1} << l.bpp) : std::size_t{1} << l.bpp;
    }
    if (file_header) {
        l.bits = u32le(b, 10).value_or(0);
        const std::size_t room = l.bits > l.palette ? (l.bits - l.palette) / l.entry_size : 0;
        // A pixel offset pointing into the header cannot be right: the
        // pixels then follow the palette.
        if (l.bits < l.palette) {
            l.bits = l.palette + wanted * l.entry_size + (used > wanted ? (used - wanted) * l.entry_size : 0);
            l.colours = wanted;
        } else {
            l.colours = std::min(wanted, room);
        }
    } else {
        // A packed DIB: the pixels follow every palette entry it declares.
        l.colours = wanted;
        l.bits = l.palette + (used != 0 ? std::size_t{used} : wanted) * l.entry_size;
    }
    if (l.bits > b.size()) {
        problem = "the bitmap's pixels lie past the end of the file";
        return std::nullopt;
    }
    return l;
}

std::uint64_t stride_of(const Layout& l)
{
    return ((static_cast<std::uint64_t>(l.width) * l.bpp + 31) / 32) * 4;
}

Header header_of(Bytes b, bool file_header)
{
    std::string problem;
    const auto l = layout_of(b, file_header, problem);
    if (!l) {
        return MakeProblem(problem);
    }
    Header h = Sized(l->width, l->height);
    const bool uncompressed =
        l->compression == kRgb || l->compression == kBitFields || l->compression == kAlphaBitFields;
    if (h.valid() && uncompressed) {
        // Uncompressed rows have a known length, so a short file shows.
        h.complete = l->bits + stride_of(*l) * static_cast<std::uint64_t>(l->height) <= b.size();
    }
    return h;
}

Match sniff_bmp(Bytes b)
{
    if (!starts_with(b, "BM")) {
        return Match::None;
    }
    const auto size = u32le(b, 14);
    // A file cut inside its header is still a bitmap (a broken one).
    return !size || known_header_size(*size) ? Match::Strong : Match::None;
}

Match sniff_dib(Bytes b)
{
    const auto size = u32le(b, 0);
    if (!size || !known_header_size(*size) || (*size != 12 && *size < 40)) {
        return Match::None;
    }
    if (*size == 12) {
        const auto planes = u16le(b, 8);
        const auto bpp = u16le(b, 10);
        return planes == 1u && (bpp == 1u || bpp == 4u || bpp == 8u || bpp == 24u) ? Match::Weak : Match::None;
    }
    const auto planes = u16le(b, 12);
    const auto bpp = u16le(b, 14);
    const auto compression = u32le(b, 16);
    if (planes != 1u || !bpp || !compression) {
        return Match::None;
    }
    const bool bpp_ok = *bpp == 1 || *bpp == 4 || *bpp == 8 || *bpp == 16 || *bpp == 24 || *bpp == 32;
    return bpp_ok && *compression <= 6 ? Match::Weak : Match::None;
}

std::vector<std::uint32_t> palette_of(Bytes b, const Layout& l)
{
    // Entries the file does not hold are black.
    std::vector<std::uint32_t> colours(l.bpp <= 8 ? std::size_t{1} << l.bpp : 0, 0xff000000u);
    for (std::size_t i = 0; i < l.colours && i < colours.size(); ++i) {
        const std::size_t at = l.palette + i * l.entry_size;
        if (at + 3 > b.size()) {
            break;
        }
        colours[i] = Argb(b[at + 2], b[at + 1], b[at]);
    }
    return colours;
}

// 64-bit pixels hold linear light as signed 2.13 fixed point.
std::uint8_t linear_to_srgb(std::int32_t v)
{
    const double x = std::clamp(v / 8192.0, 0.0, 1.0);
    const double s = x <= 0.0031308 ? 12.92 * x : 1.055 * std::pow(x, 1 / 2.4) - 0.055;
    return static_cast<std::uint8_t>(std::lround(s * 255));
}

// One stored row of an uncompressed bitmap to 0xAARRGGBB.
void convert_row(const std::uint8_t* src, const Layout& l, const std::vector<std::uint32_t>& palette,
                 std::uint32_t* out)
{
    const auto w = static_cast<std::size_t>(l.width);
    switch (l.bpp) {
    case 1:
    case 2:
    case 4:
    case 8: {
        const std::uint32_t per_byte = 8 / l.bpp;
        const std::uint32_t mask = (1u << l.bpp) - 1;
        for (std::size_t x = 0; x < w; ++x) {
            const std::uint32_t shift = 8 - l.bpp * (1 + static_cast<std::uint32_t>(x % per_byte));
            out[x] = palette[(src[x / per_byte] >> shift) & mask];
        }
        break;
    }
    case 24:
        for (std::size_t x = 0; x < w; ++x) {
            out[x] = Argb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
        }
        break;
    case 16:
    case 32:
        for (std::size_t x = 0; x < w; ++x) {
            const std::uint32_t p = l.bpp == 16 ? std::uint32_t{src[2 * x]} | (std::uint32_t{src[2 * x + 1]} << 8)
                                                : std::uint32_t{src[4 * x]} | (std::uint32_t{src[4 * x + 1]} << 8) |
                                                      (std::uint32_t{src[4 * x + 2]} << 16) |
                                                      (std::uint32_t{src[4 * x + 3]} << 24);
            const std::uint32_t a = l.alpha.mask ? l.alpha.get(p) : 255;
            out[x] = (a << 24) | (l.red.get(p) << 16) | (l.green.get(p) << 8) | l.blue.get(p);
        }
        break;
    case 64:
        for (std::size_t x = 0; x < w; ++x) {
            const std::uint8_t* p = src + 8 * x;
            auto v = [p](int i) { return static_cast<std::int16_t>(p[2 * i] | (p[2 * i + 1] << 8)); };
            const auto a = static_cast<std::uint32_t>(std::clamp(std::lround(v(3) / 8192.0 * 255), 0L, 255L));
            out[x] = (a << 24) | (std::uint32_t{linear_to_srgb(v(2))} << 16) |
                     (std::uint32_t{linear_to_srgb(v(1))} << 8) | linear_to_srgb(v(0));
        }
        break;
    default:
        break;
    }
}

// Whether any stored pixel has a nonzero alpha under the file's mask.
bool uses_alpha(Bytes b, const Layout& l)
{
    const std::size_t bytes = l.bpp / 8;
    const std::uint64_t row_bytes = static_cast<std::uint64_t>(l.width) * bytes;
    const std::uint64_t stride = stride_of(l);
    for (std::uint64_t y = 0; y < static_cast<std::uint64_t>(l.height); ++y) {
        const std::uint64_t at = l.bits + y * stride;
        if (at + row_bytes > b.size()) {
            break;
        }
        for (std::uint64_t x = 0; x < row_bytes; x += bytes) {
            std::uint32_t p = 0;
            for (std::size_t i = 0; i < bytes; ++i) {
                p |= std::uint32_t{b[at + x + i]} << (8 * i);
            }
            if ((p & l.alpha.mask) != 0) {
                return true;
            }
        }
    }
    return false;
}

// Run-length data into a full picture. Pixels the runs skip (delta and
// end-of-line codes) take the first palette colour (black without a
// palette), as other readers show them; a picture whose data ends early
// keeps what was drawn. Returns false when the data stops before its end
// code.
bool decode_rle(Bytes b, const Layout& l, const std::vector<std::uint32_t>& palette, Image& picture)
{
    std::fill(picture.data(), picture.data() + picture.pixel_count(), palette.empty() ? 0xff000000u : palette[0]);
    const int w = picture.width();
    const int h = picture.height();
    const std::size_t step = l.bpp == 24 ? 3 : 1;
    auto colour = [&](std::size_t at, int nibble) -> std::uint32_t {
        if (l.bpp == 24) {
            return Argb(b[at + 2], b[at + 1], b[at]);
        }
        const std::uint32_t v = l.bpp == 8 ? b[at] : (nibble == 0 ? b[at] >> 4 : b[at] & 0x0f);
        return palette[v];
    };
    int x = 0;
    int row = 0; // rows counted in storage order
    std::size_t at = l.bits;
    auto put = [&](std::uint32_t c) {
        if (x < w && row < h) {
            picture.at(x, l.top_down ? row : h - 1 - row) = c;
        }
        ++x;
    };
    while (at + 1 < b.size()) {
        const std::uint32_t count = b[at];
        const std::uint32_t value = b[at + 1];
        at += 2;
        if (count > 0) {
            // A run: one value repeated (RLE4: two nibbles in turn; RLE24:
            // the value is the blue of a three-byte colour).
            if (l.bpp == 24) {
                if (at + 2 > b.size()) {
                    return false;
                }
                const std::uint32_t c = Argb(b[at + 1], b[at], static_cast<std::uint8_t>(value));
                at += 2;
                for (std::uint32_t i = 0; i < count; ++i) {
                    put(c);
                }
            } else {
                for (std::uint32_t i = 0; i < count; ++i) {
                    put(colour(at - 1, static_cast<int>(i % 2)));
                }
            }
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++row;
        } else if (value == 1) { // end of bitmap
            return true;
        } else if (value == 2) { // delta: move right and up
            if (at + 2 > b.size()) {
                return false;
            }
            x += b[at];
            row += b[at + 1];
            at += 2;
        } else { // literal pixels, padded to a 16-bit boundary
            const std::size_t bytes = l.bpp == 4 ? (value + 1) / 2 : value * step;
            if (at + bytes > b.size()) {
                return false;
            }
            for (std::uint32_t i = 0; i < value; ++i) {
                const std::size_t pos = l.bpp == 4 ? at + i / 2 : at + i * step;
                put(colour(pos, static_cast<int>(i % 2)));
            }
            at += bytes + (bytes & 1);
        }
        if (row >= h) {
            return true;
        }
    }
    return false;
}

// A JPEG or PNG stored whole as the bitmap's pixels.
Decoded decode_embedded(Bytes b, const Layout& l, const Request& request)
{
    const std::size_t length =
        l.image_size != 0 && l.image_size <= b.size() - l.bits ? l.image_size : b.size() - l.bits;
    const Bytes inner = b.subspan(l.bits, length);
    const Format& format = l.compression == kJpeg ? kJpegFormat : kPngFormat;
    if (format.sniff(inner) == Match::None) {
        return Failed("the bitmap's embedded picture is not what its header says");
    }
    const Header h = format.read_header(inner);
    if (!h.valid()) {
        return Failed(h.problem);
    }
    if (h.width != l.width || h.height != l.height) {
        return Failed("the bitmap's embedded picture has another size");
    }
    return format.decode(inner, h, request);
}

Decoded decode_layout(Bytes b, const Layout& l, const Header& header, const Request& request)
{
    if ((l.compression == kJpeg && l.bpp != 24) || l.compression == kPng) {
        return decode_embedded(b, l, request);
    }
    const std::vector<std::uint32_t> palette = palette_of(b, l);
    const int w = header.width;
    const int h = header.height;
    Decoded d;
    if (l.compression == kRle4 || l.compression == kRle8 || l.compression == kJpeg) {
        Image picture(w, h, 0);
        const bool whole = decode_rle(b, l, palette, picture);
        d = Succeeded(FitStored(std::move(picture), 1, request.out), !whole);
    } else {
        // Rows straight from the file into the scaler, in whichever order
        // they are stored; rows past the end of a cut file are transparent.
        const std::uint64_t stride = stride_of(l);
        Layout opaque = l;
        if (l.alpha.mask != 0 && !uses_alpha(b, l)) {
            // An alpha mask that no pixel uses: the file meant an opaque
            // picture (writers often leave the alpha bytes zero).
            opaque.alpha = Channel();
        }
        d = Succeeded(ScaleRows(
                          w, h,
                          [&](int y, std::uint32_t* scratch) {
                              const std::uint64_t stored = l.top_down ? y : h - 1 - y;
                              const std::uint64_t at = l.bits + stored * stride;
                              if (at + stride > b.size()) {
                                  std::fill(scratch, scratch + w, 0u);
                              } else {
                                  convert_row(b.data() + at, opaque, palette, scratch);
                              }
                              return static_cast<const std::uint32_t*>(scratch);
                          },
                          request.out.width, request.out.height),
                      !header.complete);
    }
    if (l.profile != 0 && l.profile_size > 0 && l.profile <= b.size() && l.profile_size <= b.size() - l.profile) {
        d.colour.icc.assign(b.begin() + static_cast<std::ptrdiff_t>(l.profile),
                            b.begin() + static_cast<std::ptrdiff_t>(l.profile + l.profile_size));
    }
    return d;
}

Decoded decode_with(Bytes b, bool file_header, const Header& header, const Request& request)
{
    std::string problem;
    const auto l = layout_of(b, file_header, problem);
    if (!l) {
        return Failed(problem);
    }
    return decode_layout(b, *l, header, request);
}

Header read_bmp(Bytes b)
{
    return header_of(b, true);
}

Header read_dib(Bytes b)
{
    return header_of(b, false);
}

Decoded decode_bmp(Bytes b, const Header& h, const Request& r)
{
    return decode_with(b, true, h, r);
}

Decoded decode_dib(Bytes b, const Header& h, const Request& r)
{
    return decode_with(b, false, h, r);
}

} // namespace

const Format kBmpFormat{"bmp", {"BMP", "DIB", "RLE"}, sniff_bmp, read_bmp, decode_bmp};
const Format kDibFormat{"dib", {"DIB", "BMP", "RLE"}, sniff_dib, read_dib, decode_dib};

} // namespace framory::media::detail
