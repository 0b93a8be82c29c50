#include "media/decode/headers.h"

#include "media/decode/decode.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string_view>

namespace framory::media::detail {

namespace {

// Bounds-checked little reads: a read past the end yields nothing rather
// than touching memory, which is what every reader below relies on.
std::optional<std::uint32_t> u8(Bytes b, std::size_t at)
{
    if (at >= b.size()) {
        return std::nullopt;
    }
    return b[at];
}

std::optional<std::uint32_t> u16le(Bytes b, std::size_t at)
{
    if (at > b.size() || b.size() - at < 2) {
        return std::nullopt;
    }
    return std::uint32_t{b[at]} | (std::uint32_t{b[at + 1]} << 8);
}

std::optional<std::uint32_t> u16be(Bytes b, std::size_t at)
{
    if (at > b.size() || b.size() - at < 2) {
        return std::nullopt;
    }
    return (std::uint32_t{b[at]} << 8) | std::uint32_t{b[at + 1]};
}

std::optional<std::uint32_t> u32le(Bytes b, std::size_t at)
{
    if (at > b.size() || b.size() - at < 4) {
        return std::nullopt;
    }
    return std::uint32_t{b[at]} | (std::uint32_t{b[at + 1]} << 8) | (std::uint32_t{b[at + 2]} << 16) |
           (std::uint32_t{b[at + 3]} << 24);
}

std::optional<std::uint32_t> u32be(Bytes b, std::size_t at)
{
    if (at > b.size() || b.size() - at < 4) {
        return std::nullopt;
    }
    return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) | (std::uint32_t{b[at + 2]} << 8) |
           std::uint32_t{b[at + 3]};
}

bool starts_with(Bytes b, std::string_view magic, std::size_t at = 0)
{
    if (at > b.size() || b.size() - at < magic.size()) {
        return false;
    }
    return std::memcmp(b.data() + at, magic.data(), magic.size()) == 0;
}

Header sized(std::int64_t width, std::int64_t height)
{
    if (width <= 0 || height <= 0) {
        return MakeProblem("the header gives no size");
    }
    Header h;
    // Sizes beyond int range are clamped: they are refused by the budget anyway.
    h.width = static_cast<int>(std::min<std::int64_t>(width, 1 << 30));
    h.height = static_cast<int>(std::min<std::int64_t>(height, 1 << 30));
    return h;
}

bool is_dib_header_size(std::uint32_t size)
{
    return size == 12 || size == 40 || size == 52 || size == 56 || size == 64 || size == 108 || size == 124;
}

// Reads a BITMAPINFOHEADER (or the OS/2 core header) at `at`.
Header read_info_header(Bytes b, std::size_t at)
{
    const auto size = u32le(b, at);
    if (!size) {
        return MakeProblem("bitmap header cut short");
    }
    if (*size == 12) {
        const auto w = u16le(b, at + 4);
        const auto h = u16le(b, at + 6);
        const auto bpp = u16le(b, at + 10);
        if (!w || !h || !bpp) {
            return MakeProblem("bitmap header cut short");
        }
        return sized(*w, *h);
    }
    if (!is_dib_header_size(*size) && *size != 16) {
        return MakeProblem("unknown bitmap header size");
    }
    if (b.size() < at + std::min<std::size_t>(*size, 40)) {
        return MakeProblem("bitmap header cut short");
    }
    const auto w = static_cast<std::int32_t>(*u32le(b, at + 4));
    const auto h = static_cast<std::int32_t>(*u32le(b, at + 8));
    // A negative height is a top-down bitmap; the size is its magnitude.
    const std::int64_t height = h < 0 ? -static_cast<std::int64_t>(h) : h;
    return sized(w, height);
}

} // namespace

Header MakeProblem(std::string problem)
{
    Header h;
    h.problem = std::move(problem);
    return h;
}

// ---- BMP and DIB ------------------------------------------------------------

Match SniffBmp(Bytes b)
{
    if (!starts_with(b, "BM")) {
        return Match::None;
    }
    const auto size = u32le(b, 14);
    // A file cut inside its header is still a bitmap (a broken one).
    if (!size || is_dib_header_size(*size) || *size == 16) {
        return Match::Strong;
    }
    return Match::None;
}

Header ReadBmpHeader(Bytes b)
{
    if (b.size() < 14 + 16) {
        return MakeProblem("bitmap header cut short");
    }
    Header h = read_info_header(b, 14);
    if (!h.valid()) {
        return h;
    }
    const auto off_bits = u32le(b, 10).value_or(0);
    const auto info_size = *u32le(b, 14);
    if (info_size != 12) {
        const auto bpp = u16le(b, 28).value_or(0);
        const auto compression = u32le(b, 30).value_or(0);
        // Uncompressed rows have a known length, so a short file shows.
        if (compression == 0 && bpp > 0) {
            const std::uint64_t stride = ((static_cast<std::uint64_t>(h.width) * bpp + 31) / 32) * 4;
            if (off_bits + stride * static_cast<std::uint64_t>(h.height) > b.size()) {
                h.complete = false;
            }
        }
    }
    return h;
}

Match SniffDib(Bytes b)
{
    const auto size = u32le(b, 0);
    if (!size || !is_dib_header_size(*size)) {
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

Header ReadDibHeader(Bytes b)
{
    if (SniffDib(b) == Match::None) {
        return MakeProblem("not a device-independent bitmap");
    }
    return read_info_header(b, 0);
}

std::optional<std::string> DibToBmp(Bytes b)
{
    const auto size = u32le(b, 0);
    if (!size || SniffDib(b) == Match::None) {
        return std::nullopt;
    }
    std::uint32_t palette = 0;
    std::uint32_t masks = 0;
    if (*size == 12) {
        const std::uint32_t bpp = u16le(b, 10).value_or(0);
        palette = bpp <= 8 ? (1u << bpp) * 3 : 0;
    } else {
        const std::uint32_t bpp = u16le(b, 14).value_or(0);
        const std::uint32_t compression = u32le(b, 16).value_or(0);
        std::uint32_t used = u32le(b, 32).value_or(0);
        if (used == 0 && bpp <= 8) {
            used = 1u << bpp;
        }
        palette = std::min<std::uint32_t>(used, 256) * 4;
        // The colour masks follow a 40-byte header; longer headers hold them.
        if (*size == 40 && compression == 3) {
            masks = 12;
        } else if (*size == 40 && compression == 6) {
            masks = 16;
        }
    }
    const std::uint64_t file_size = 14 + b.size();
    const std::uint64_t off_bits = 14 + std::uint64_t{*size} + palette + masks;
    if (off_bits > file_size || file_size > 0xffffffffu) {
        return std::nullopt;
    }
    std::string out(14, '\0');
    out[0] = 'B';
    out[1] = 'M';
    auto put32 = [&out](std::size_t at, std::uint64_t v) {
        for (int i = 0; i < 4; ++i) {
            out[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xff);
        }
    };
    put32(2, file_size);
    put32(10, off_bits);
    out.append(reinterpret_cast<const char*>(b.data()), b.size());
    return out;
}

// ---- GIF --------------------------------------------------------------------

Match SniffGif(Bytes b)
{
    return starts_with(b, "GIF87a") || starts_with(b, "GIF89a") ? Match::Strong : Match::None;
}

Header ReadGifHeader(Bytes b)
{
    const auto sw = u16le(b, 6);
    const auto sh = u16le(b, 8);
    const auto flags = u8(b, 10);
    if (!sw || !sh || !flags) {
        return MakeProblem("GIF header cut short");
    }
    std::size_t at = 13;
    if (*flags & 0x80) {
        at += 3u * (2u << (*flags & 7));
    }
    // Walk the blocks to the first frame: its size is checked against the
    // budget too, and whether its data is all there says if it is partial.
    int fw = 0;
    int fh = 0;
    bool complete = false;
    while (true) {
        const auto kind = u8(b, at);
        if (!kind || *kind == 0x3b) {
            break;
        }
        if (*kind == 0x21) {
            at += 2;
            while (true) {
                const auto len = u8(b, at);
                if (!len) {
                    break;
                }
                at += 1 + *len;
                if (*len == 0) {
                    break;
                }
            }
            continue;
        }
        if (*kind != 0x2c) {
            break;
        }
        const auto w = u16le(b, at + 5);
        const auto h = u16le(b, at + 7);
        const auto iflags = u8(b, at + 9);
        if (!w || !h || !iflags) {
            break;
        }
        fw = static_cast<int>(*w);
        fh = static_cast<int>(*h);
        at += 10;
        if (*iflags & 0x80) {
            at += 3u * (2u << (*iflags & 7));
        }
        at += 1; // LZW minimum code size
        while (true) {
            const auto len = u8(b, at);
            if (!len) {
                break;
            }
            at += 1 + *len;
            if (*len == 0) {
                complete = at <= b.size();
                break;
            }
        }
        break;
    }
    if (fw == 0 && fh == 0 && !complete) {
        return MakeProblem("GIF has no frame");
    }
    // A zero screen size takes the first frame's size, as readers do.
    Header h = sized(*sw != 0 ? *sw : static_cast<std::uint32_t>(fw), *sh != 0 ? *sh : static_cast<std::uint32_t>(fh));
    if (!h.valid()) {
        return h;
    }
    // A frame larger than the screen is clipped by the reader, but it still
    // has to fit the budget on its own.
    h.total_pixels = std::int64_t{fw} * fh;
    h.largest_side = std::max(fw, fh);
    h.complete = complete;
    return h;
}

// ---- JPEG -------------------------------------------------------------------

Match SniffJpeg(Bytes b)
{
    return b.size() >= 3 && b[0] == 0xff && b[1] == 0xd8 && b[2] == 0xff ? Match::Strong : Match::None;
}

namespace {

// The Orientation tag of IFD0 of an EXIF block (a TIFF structure).
int exif_orientation(Bytes tiff)
{
    bool little = false;
    if (starts_with(tiff, "II*")) {
        little = true;
    } else if (!starts_with(tiff, "MM")) {
        return 1;
    }
    auto r16 = [&](std::size_t at) { return little ? u16le(tiff, at) : u16be(tiff, at); };
    auto r32 = [&](std::size_t at) { return little ? u32le(tiff, at) : u32be(tiff, at); };
    const auto ifd = r32(4);
    if (!ifd) {
        return 1;
    }
    const auto count = r16(*ifd);
    if (!count) {
        return 1;
    }
    for (std::uint32_t i = 0; i < *count; ++i) {
        const std::size_t entry = std::size_t{*ifd} + 2 + 12 * std::size_t{i};
        const auto tag = r16(entry);
        if (!tag) {
            break;
        }
        if (*tag == 0x0112) {
            const auto value = r16(entry + 8);
            if (value && *value >= 1 && *value <= 8) {
                return static_cast<int>(*value);
            }
            return 1;
        }
    }
    return 1;
}

} // namespace

Header ReadJpegHeader(Bytes b)
{
    if (SniffJpeg(b) == Match::None) {
        return MakeProblem("not a JPEG");
    }
    std::size_t at = 2;
    int orientation = 1;
    std::optional<Header> found;
    while (at < b.size()) {
        if (b[at] != 0xff) {
            ++at; // garbage between segments: look for the next marker
            continue;
        }
        while (at < b.size() && b[at] == 0xff) {
            ++at;
        }
        const auto marker = u8(b, at);
        if (!marker) {
            break;
        }
        ++at;
        if (*marker == 0xd8 || *marker == 0x01 || (*marker >= 0xd0 && *marker <= 0xd7)) {
            continue;
        }
        if (*marker == 0xd9 || *marker == 0xda) {
            break;
        }
        const auto len = u16be(b, at);
        if (!len || *len < 2) {
            break;
        }
        const std::size_t payload = at + 2;
        const std::size_t payload_len = *len - 2u;
        if (*marker == 0xe1 && starts_with(b, std::string_view("Exif\0\0", 6), payload) && payload_len > 6 &&
            payload + payload_len <= b.size()) {
            orientation = exif_orientation(b.subspan(payload + 6, payload_len - 6));
        }
        const bool sof = *marker >= 0xc0 && *marker <= 0xcf && *marker != 0xc4 && *marker != 0xc8 && *marker != 0xcc;
        if (sof && !found) {
            const auto h = u16be(b, payload + 1);
            const auto w = u16be(b, payload + 3);
            if (!h || !w) {
                return MakeProblem("JPEG frame header cut short");
            }
            found = sized(*w, *h);
            if (!found->valid()) {
                return *found;
            }
        }
        at = payload + payload_len;
    }
    if (!found) {
        return MakeProblem("JPEG has no frame header");
    }
    found->orientation = orientation;
    // The end-of-image marker sits at the end; trailing padding is common,
    // so look for it near the end rather than in the last two bytes only.
    found->complete = false;
    const std::size_t from = b.size() > 64 ? b.size() - 64 : 0;
    for (std::size_t i = from; i + 1 < b.size(); ++i) {
        if (b[i] == 0xff && b[i + 1] == 0xd9) {
            found->complete = true;
        }
    }
    return *found;
}

// ---- PNG --------------------------------------------------------------------

Match SniffPng(Bytes b)
{
    return starts_with(b, "\x89PNG\r\n\x1a\n") ? Match::Strong : Match::None;
}

Header ReadPngHeader(Bytes b)
{
    if (!starts_with(b, "IHDR", 12)) {
        return MakeProblem("PNG has no IHDR chunk");
    }
    const auto w = u32be(b, 16);
    const auto h = u32be(b, 20);
    if (!w || !h) {
        return MakeProblem("PNG header cut short");
    }
    Header hd = sized(*w, *h);
    if (!hd.valid()) {
        return hd;
    }
    hd.complete = b.size() >= 12 && starts_with(b, "IEND", b.size() - 8);
    return hd;
}

// ---- TIFF -------------------------------------------------------------------

Match SniffTiff(Bytes b)
{
    return starts_with(b, std::string_view("II*\0", 4)) || starts_with(b, std::string_view("MM\0*", 4)) ? Match::Strong
                                                                                                       : Match::None;
}

Header ReadTiffHeader(Bytes b)
{
    const bool little = starts_with(b, "II");
    auto r16 = [&](std::size_t at) { return little ? u16le(b, at) : u16be(b, at); };
    auto r32 = [&](std::size_t at) { return little ? u32le(b, at) : u32be(b, at); };
    const auto ifd = r32(4);
    if (!ifd) {
        return MakeProblem("TIFF header cut short");
    }
    const auto count = r16(*ifd);
    if (!count) {
        return MakeProblem("the first TIFF directory lies past the end of the file");
    }
    std::int64_t width = 0;
    std::int64_t height = 0;
    int orientation = 1;
    // Where the first page's data lies (strips or tiles): offsets and byte
    // counts, each a single value or an array elsewhere in the file.
    struct Array {
        std::uint32_t type = 0;
        std::uint32_t count = 0;
        std::size_t at = 0; // where the values are
    };
    Array offsets;
    Array lengths;
    for (std::uint32_t i = 0; i < *count; ++i) {
        const std::size_t entry = std::size_t{*ifd} + 2 + 12 * std::size_t{i};
        const auto tag = r16(entry);
        const auto type = r16(entry + 2);
        if (!tag || !type) {
            return MakeProblem("TIFF directory cut short");
        }
        if (*tag == 273 || *tag == 324 || *tag == 279 || *tag == 325) {
            const auto n = r32(entry + 4);
            if (n && (*type == 3 || *type == 4)) {
                Array a{*type, *n, entry + 8};
                const std::uint64_t bytes = std::uint64_t{*n} * (*type == 3 ? 2 : 4);
                if (bytes > 4) {
                    a.at = r32(entry + 8).value_or(0xffffffffu);
                }
                (*tag == 273 || *tag == 324 ? offsets : lengths) = a;
            }
        }
        std::optional<std::uint32_t> value;
        if (*type == 3) {
            value = r16(entry + 8);
        } else if (*type == 4) {
            value = r32(entry + 8);
        }
        if (!value) {
            continue;
        }
        if (*tag == 256) {
            width = *value;
        } else if (*tag == 257) {
            height = *value;
        } else if (*tag == 274 && *value >= 1 && *value <= 8) {
            orientation = static_cast<int>(*value);
        }
    }
    Header h = sized(width, height);
    h.orientation = orientation;
    // The page is whole when every strip ends inside the file.
    if (offsets.count != lengths.count || offsets.count == 0) {
        return h;
    }
    auto value = [&](const Array& a, std::uint32_t i) {
        const std::size_t at = a.at + std::size_t{i} * (a.type == 3 ? 2 : 4);
        return a.type == 3 ? r16(at) : r32(at);
    };
    for (std::uint32_t i = 0; i < offsets.count; ++i) {
        const auto off = value(offsets, i);
        const auto len = value(lengths, i);
        if (!off || !len || std::uint64_t{*off} + *len > b.size()) {
            h.complete = false;
            break;
        }
    }
    return h;
}

// ---- TGA --------------------------------------------------------------------

namespace {

struct TgaFields {
    std::uint32_t id_length, cmap_type, type, cmap_length, cmap_depth, width, height, depth, descriptor;
};

std::optional<TgaFields> tga_fields(Bytes b)
{
    if (b.size() < 18) {
        return std::nullopt;
    }
    TgaFields f{b[0], b[1], b[2], *u16le(b, 5), b[7], *u16le(b, 12), *u16le(b, 14), b[16], b[17]};
    const bool mapped = f.type == 1 || f.type == 9;
    const bool truecolour = f.type == 2 || f.type == 10;
    const bool grey = f.type == 3 || f.type == 11;
    if (!mapped && !truecolour && !grey) {
        return std::nullopt;
    }
    if (f.cmap_type > 1 || (mapped && f.cmap_type != 1)) {
        return std::nullopt;
    }
    if (f.cmap_type == 1 && f.cmap_depth != 15 && f.cmap_depth != 16 && f.cmap_depth != 24 && f.cmap_depth != 32) {
        return std::nullopt;
    }
    if (mapped && f.depth != 8 && f.depth != 16) {
        return std::nullopt;
    }
    if (truecolour && f.depth != 15 && f.depth != 16 && f.depth != 24 && f.depth != 32) {
        return std::nullopt;
    }
    if (grey && f.depth != 8 && f.depth != 16) {
        return std::nullopt;
    }
    if ((f.descriptor & 0xc0) != 0 || f.width == 0 || f.height == 0) {
        return std::nullopt;
    }
    return f;
}

} // namespace

Match SniffTga(Bytes b)
{
    if (!tga_fields(b)) {
        return Match::None;
    }
    // The version 2 footer is the only signature the format has.
    if (b.size() >= 18 + 26 && starts_with(b, std::string_view("TRUEVISION-XFILE.\0", 18), b.size() - 18)) {
        return Match::Strong;
    }
    return Match::Weak;
}

Header ReadTgaHeader(Bytes b)
{
    const auto f = tga_fields(b);
    if (!f) {
        return MakeProblem("not a TGA header");
    }
    Header h = sized(f->width, f->height);
    const std::size_t bytes_per_pixel = (f->depth + 7) / 8;
    std::size_t at = 18 + f->id_length + std::size_t{f->cmap_length} * ((f->cmap_depth + 7) / 8);
    const std::uint64_t pixels = std::uint64_t{f->width} * f->height;
    if (f->type < 9) {
        h.complete = at + pixels * bytes_per_pixel <= b.size();
        return h;
    }
    // Run-length packets: walk them to see whether they cover every pixel.
    // Each packet takes at least one byte, so the walk is bounded by the file.
    std::uint64_t covered = 0;
    while (covered < pixels && at < b.size()) {
        const std::uint32_t head = b[at++];
        const std::uint32_t count = (head & 0x7f) + 1;
        at += (head & 0x80) ? bytes_per_pixel : bytes_per_pixel * count;
        covered += count;
    }
    h.complete = covered >= pixels && at <= b.size();
    return h;
}

// ---- PCX --------------------------------------------------------------------

Match SniffPcx(Bytes b)
{
    if (b.size() < 12 || b[0] != 0x0a) {
        return Match::None;
    }
    const std::uint32_t version = b[1];
    const std::uint32_t encoding = b[2];
    const std::uint32_t bpp = b[3];
    if ((version != 0 && version != 2 && version != 3 && version != 4 && version != 5) || encoding > 1 ||
        (bpp != 1 && bpp != 2 && bpp != 4 && bpp != 8)) {
        return Match::None;
    }
    if (*u16le(b, 8) < *u16le(b, 4) || *u16le(b, 10) < *u16le(b, 6)) {
        return Match::None;
    }
    return Match::Strong;
}

Header ReadPcxHeader(Bytes b)
{
    if (b.size() < 128) {
        return MakeProblem("PCX header cut short");
    }
    const std::int64_t width = std::int64_t{*u16le(b, 8)} - *u16le(b, 4) + 1;
    const std::int64_t height = std::int64_t{*u16le(b, 10)} - *u16le(b, 6) + 1;
    Header h = sized(width, height);
    if (!h.valid()) {
        return h;
    }
    const std::uint32_t bpp = b[3];
    const std::uint32_t planes = b[65];
    const std::uint64_t bytes_per_line = *u16le(b, 66);
    if (planes < 1 || planes > 4 || bytes_per_line * 8 < static_cast<std::uint64_t>(width) * bpp) {
        return MakeProblem("PCX header fields do not agree");
    }
    // Count the decoded bytes the run-length data gives, up to what the
    // picture needs: fewer means the file was cut short.
    const std::uint64_t needed = bytes_per_line * planes * static_cast<std::uint64_t>(height);
    std::uint64_t produced = 0;
    std::size_t at = 128;
    if (b[2] == 0) {
        produced = b.size() - at;
    } else {
        while (produced < needed && at < b.size()) {
            const std::uint32_t v = b[at++];
            if ((v & 0xc0) == 0xc0) {
                if (at >= b.size()) {
                    break;
                }
                ++at;
                produced += v & 0x3f;
            } else {
                ++produced;
            }
        }
    }
    h.complete = produced >= needed;
    // 256-colour pictures end with a 0x0c marker and their palette.
    if (bpp == 8 && planes == 1 && (b.size() < 128 + 769 || b[b.size() - 769] != 0x0c)) {
        h.complete = false;
    }
    return h;
}

// ---- WMF --------------------------------------------------------------------

Match SniffWmf(Bytes b)
{
    if (starts_with(b, "\xd7\xcd\xc6\x9a")) {
        return Match::Strong;
    }
    const auto type = u16le(b, 0);
    const auto header_words = u16le(b, 2);
    const auto version = u16le(b, 4);
    if ((type == 1u || type == 2u) && header_words == 9u && (version == 0x0100u || version == 0x0300u)) {
        return Match::Strong;
    }
    return Match::None;
}

std::optional<WmfFrame> ReadWmfFrame(Bytes b)
{
    WmfFrame frame;
    std::size_t at = 0;
    if (starts_with(b, "\xd7\xcd\xc6\x9a")) {
        if (b.size() < 22) {
            return std::nullopt;
        }
        const auto left = static_cast<std::int16_t>(*u16le(b, 6));
        const auto top = static_cast<std::int16_t>(*u16le(b, 8));
        const auto right = static_cast<std::int16_t>(*u16le(b, 10));
        const auto bottom = static_cast<std::int16_t>(*u16le(b, 12));
        const auto inch = *u16le(b, 14);
        if (inch == 0) {
            return std::nullopt;
        }
        frame.placeable = true;
        frame.width_inches = std::abs(right - left) / static_cast<double>(inch);
        frame.height_inches = std::abs(bottom - top) / static_cast<double>(inch);
        at = 22;
    }
    const auto header_words = u16le(b, at + 2);
    if (!header_words || *header_words != 9 || b.size() < at + 18) {
        return std::nullopt;
    }
    at += 18;
    frame.records_end = at;
    while (true) {
        const auto words = u32le(b, at);
        const auto function = u16le(b, at + 4);
        if (!words || !function || *words < 3 || *words > (b.size() - at) / 2) {
            break; // a record that does not fit: the file stops here
        }
        if (!frame.placeable && *function == 0x020c && frame.width_inches == 0) {
            // SetWindowExt holds y then x, in logical units taken as twips.
            const auto y = static_cast<std::int16_t>(u16le(b, at + 6).value_or(0));
            const auto x = static_cast<std::int16_t>(u16le(b, at + 8).value_or(0));
            frame.width_inches = std::abs(x) / 1440.0;
            frame.height_inches = std::abs(y) / 1440.0;
        }
        at += std::size_t{*words} * 2;
        frame.records_end = at;
        if (*function == 0) {
            break;
        }
    }
    return frame;
}

Header ReadWmfHeader(Bytes b)
{
    const auto frame = ReadWmfFrame(b);
    if (!frame) {
        return MakeProblem("metafile header cut short");
    }
    if (frame->width_inches <= 0 || frame->height_inches <= 0) {
        return MakeProblem("metafile gives no frame size");
    }
    Header h = sized(std::llround(std::min(frame->width_inches * 96.0, 1e9)),
                     std::llround(std::min(frame->height_inches * 96.0, 1e9)));
    if (!h.valid()) {
        return h;
    }
    // The last whole record must be the end-of-file record.
    const auto last_words = frame->records_end >= 6 ? u32le(b, frame->records_end - 6) : std::nullopt;
    const auto last_function = frame->records_end >= 6 ? u16le(b, frame->records_end - 2) : std::nullopt;
    h.complete = last_words == 3u && last_function == 0u;
    return h;
}

// ---- WPG --------------------------------------------------------------------

namespace {

// WordPerfect's variable-length record size: a byte, or 0xff and a 16-bit
// value whose top bit announces a further 16 bits.
std::optional<std::uint64_t> wpg_length(Bytes b, std::size_t& at)
{
    const auto first = u8(b, at);
    if (!first) {
        return std::nullopt;
    }
    ++at;
    if (*first != 0xff) {
        return *first;
    }
    const auto word = u16le(b, at);
    if (!word) {
        return std::nullopt;
    }
    at += 2;
    if ((*word & 0x8000) == 0) {
        return *word;
    }
    const auto low = u16le(b, at);
    if (!low) {
        return std::nullopt;
    }
    at += 2;
    return (std::uint64_t{*word & 0x7fffu} << 16) | *low;
}

} // namespace

Match SniffWpg(Bytes b)
{
    return starts_with(b, "\xffWPC") ? Match::Strong : Match::None;
}

Header ReadWpgHeader(Bytes b)
{
    const auto offset = u32le(b, 4);
    const auto product = u8(b, 9);
    const auto level = u8(b, 10);
    const auto key = u16le(b, 12);
    if (!offset || !product || !level || !key) {
        return MakeProblem("WPG header cut short");
    }
    if (*product != 0x16 || (*level != 1 && *level != 2)) {
        return MakeProblem("not a WordPerfect graphics file");
    }
    if (*key != 0) {
        return MakeProblem("encrypted WPG file");
    }
    std::size_t at = *offset;
    int width = 0;
    int height = 0;
    int largest = 0;
    std::int64_t total = 0;
    bool complete = true;
    while (at < b.size()) {
        std::uint32_t type = 0;
        if (*level == 1) {
            type = b[at++];
        } else {
            at += 1; // record class
            const auto t = u8(b, at++);
            if (!t) {
                complete = false;
                break;
            }
            type = *t;
            std::size_t probe = at;
            if (!wpg_length(b, probe)) { // extension
                complete = false;
                break;
            }
            at = probe;
        }
        const auto length = wpg_length(b, at);
        if (!length) {
            complete = false;
            break;
        }
        const std::size_t body = at;
        if (*length > b.size() - body) {
            complete = false;
        }
        std::optional<std::uint32_t> w;
        std::optional<std::uint32_t> h;
        if (*level == 1 && type == 0x0b) {
            w = u16le(b, body);
            h = u16le(b, body + 2);
        } else if (*level == 1 && type == 0x14) {
            w = u16le(b, body + 10);
            h = u16le(b, body + 12);
        } else if (*level == 2 && type == 0x0e) {
            w = u16le(b, body);
            h = u16le(b, body + 2);
        }
        if (w && h && *w > 0 && *h > 0) {
            if (width == 0) {
                width = static_cast<int>(*w);
                height = static_cast<int>(*h);
            }
            largest = std::max<int>(largest, static_cast<int>(std::max(*w, *h)));
            total += std::int64_t{*w} * *h;
        }
        if (*level == 1 && type == 0x10) {
            break; // end of the WPG data
        }
        if (!complete) {
            break;
        }
        at = body + static_cast<std::size_t>(*length);
    }
    if (width == 0) {
        return MakeProblem(complete ? "WPG file holds no bitmap" : "WPG file cut short before its bitmap");
    }
    Header hd = sized(width, height);
    hd.total_pixels = total;
    hd.largest_side = largest;
    hd.complete = complete;
    return hd;
}

// ---- Softimage PIC ----------------------------------------------------------

Match SniffSoftimage(Bytes b)
{
    return starts_with(b, "\x53\x80\xf6\x34") && starts_with(b, "PICT", 88) ? Match::Strong : Match::None;
}

Header ReadSoftimageHeader(Bytes b)
{
    const auto w = u16be(b, 92);
    const auto h = u16be(b, 94);
    if (!w || !h || b.size() < 104) {
        return MakeProblem("Softimage header cut short");
    }
    if (*w > static_cast<std::uint32_t>(kMaxSide) || *h > static_cast<std::uint32_t>(kMaxSide)) {
        return sized(*w, *h); // refused for its size, whatever follows
    }
    // The channel packets: each names its channels and compression.
    std::size_t at = 104;
    for (int i = 0;; ++i) {
        if (i == 8 || at + 4 > b.size()) {
            return MakeProblem("Softimage channel list is broken");
        }
        const std::uint32_t chained = b[at];
        const std::uint32_t size = b[at + 1];
        const std::uint32_t type = b[at + 2];
        if (size != 8 || type > 2 || b[at + 3] == 0) {
            return MakeProblem("Softimage channel packet is not understood");
        }
        at += 4;
        if (!chained) {
            break;
        }
    }
    return sized(*w, *h);
}

// ---- Radiance ---------------------------------------------------------------

namespace {

struct RadianceLayout {
    int width = 0;
    int height = 0;
    bool bottom_up = false;
    std::size_t data = 0; // first byte of the pixels
};

std::optional<RadianceLayout> radiance_layout(Bytes b, std::string& problem)
{
    // The header is text lines up to an empty line, then the resolution
    // line. Old files start straight with their history of commands.
    const std::size_t limit = std::min<std::size_t>(b.size(), 64 * 1024);
    std::size_t at = 0;
    RadianceLayout layout;
    bool blank = false;
    while (at < limit) {
        std::size_t end = at;
        while (end < limit && b[end] != '\n') {
            const std::uint8_t c = b[end];
            if (c < 0x20 && c != '\t' && c != '\r') {
                problem = "binary data in the Radiance header";
                return std::nullopt;
            }
            ++end;
        }
        if (end >= limit) {
            problem = "Radiance header has no end";
            return std::nullopt;
        }
        const std::string_view line(reinterpret_cast<const char*>(b.data()) + at, end - at);
        at = end + 1;
        if (blank) {
            // The resolution line: -Y rows +X columns (or +Y for bottom-up).
            char ysign = 0;
            char xsign = 0;
            long rows = 0;
            long cols = 0;
            const std::string text(line);
            char yaxis = 0;
            char xaxis = 0;
            if (std::sscanf(text.c_str(), "%c%c %ld %c%c %ld", &ysign, &yaxis, &rows, &xsign, &xaxis, &cols) != 6 ||
                yaxis != 'Y' || xaxis != 'X' || xsign != '+' || (ysign != '-' && ysign != '+')) {
                problem = "Radiance resolution line not understood";
                return std::nullopt;
            }
            if (rows <= 0 || cols <= 0) {
                problem = "the header gives no size";
                return std::nullopt;
            }
            layout.width = static_cast<int>(std::min<long>(cols, 1 << 30));
            layout.height = static_cast<int>(std::min<long>(rows, 1 << 30));
            layout.bottom_up = ysign == '+';
            layout.data = at;
            return layout;
        }
        if (line.empty()) {
            blank = true;
            continue;
        }
        if (line.starts_with("FORMAT=") && line != "FORMAT=32-bit_rle_rgbe") {
            problem = "Radiance pixel format not supported";
            return std::nullopt;
        }
    }
    problem = "Radiance header has no end";
    return std::nullopt;
}

} // namespace

Match SniffRadiance(Bytes b)
{
    if (starts_with(b, "#?RADIANCE\n") || starts_with(b, "#?RGBE\n")) {
        return Match::Strong;
    }
    // The old form has no signature; a text header followed by a valid
    // resolution line is specific enough.
    std::string problem;
    return b.size() > 8 && b[0] >= 0x20 && radiance_layout(b, problem) ? Match::Strong : Match::None;
}

Header ReadRadianceHeader(Bytes b)
{
    std::string problem;
    const auto layout = radiance_layout(b, problem);
    if (!layout) {
        return MakeProblem(problem);
    }
    return sized(layout->width, layout->height);
}

std::optional<RadianceImage> DecodeRadiance(Bytes b, std::string& problem)
{
    const auto layout = radiance_layout(b, problem);
    if (!layout) {
        return std::nullopt;
    }
    const int w = layout->width;
    const int h = layout->height;
    RadianceImage out;
    out.width = w;
    out.height = h;
    out.pixels.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0xff000000u);

    std::vector<std::uint8_t> scan(static_cast<std::size_t>(w) * 4);
    std::size_t at = layout->data;
    int rows_done = 0;
    for (int y = 0; y < h; ++y) {
        bool ok = true;
        const bool rle = w >= 8 && w < 32768 && at + 4 <= b.size() && b[at] == 2 && b[at + 1] == 2 &&
                         ((std::uint32_t{b[at + 2]} << 8) | b[at + 3]) == static_cast<std::uint32_t>(w);
        if (rle) {
            at += 4;
            for (int c = 0; c < 4 && ok; ++c) {
                int x = 0;
                while (x < w) {
                    if (at >= b.size()) {
                        ok = false;
                        break;
                    }
                    std::uint32_t count = b[at++];
                    if (count > 128) {
                        count -= 128;
                        if (at >= b.size() || x + static_cast<int>(count) > w) {
                            ok = false;
                            break;
                        }
                        const std::uint8_t v = b[at++];
                        for (std::uint32_t i = 0; i < count; ++i) {
                            scan[static_cast<std::size_t>(x++) * 4 + static_cast<std::size_t>(c)] = v;
                        }
                    } else {
                        if (count == 0 || x + static_cast<int>(count) > w || at + count > b.size()) {
                            ok = false;
                            break;
                        }
                        for (std::uint32_t i = 0; i < count; ++i) {
                            scan[static_cast<std::size_t>(x++) * 4 + static_cast<std::size_t>(c)] = b[at++];
                        }
                    }
                }
            }
        } else {
            // Flat pixels, with the old run form: 1,1,1,n repeats the last pixel.
            int x = 0;
            int shift = 0;
            while (x < w) {
                if (at + 4 > b.size()) {
                    ok = false;
                    break;
                }
                if (b[at] == 1 && b[at + 1] == 1 && b[at + 2] == 1) {
                    if (x == 0 || shift > 16) {
                        ok = false;
                        break;
                    }
                    const std::size_t repeat = std::size_t{b[at + 3]} << shift;
                    shift += 8;
                    at += 4;
                    for (std::size_t i = 0; i < repeat && x < w; ++i, ++x) {
                        std::memcpy(&scan[static_cast<std::size_t>(x) * 4],
                                    &scan[static_cast<std::size_t>(x - 1) * 4], 4);
                    }
                } else {
                    shift = 0;
                    std::memcpy(&scan[static_cast<std::size_t>(x) * 4], b.data() + at, 4);
                    at += 4;
                    ++x;
                }
            }
        }
        if (!ok) {
            break;
        }
        const int row = layout->bottom_up ? h - 1 - y : y;
        std::uint32_t* dst = out.pixels.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(w);
        // Raw RGBE for now; the tone mapping below needs the whole picture.
        std::memcpy(dst, scan.data(), scan.size());
        ++rows_done;
    }
    if (rows_done == 0) {
        problem = "Radiance picture has no whole row";
        return std::nullopt;
    }
    out.complete = rows_done == h;

    // Radiance values are scene light, with no fixed white. We expose the
    // picture so that its log-average luminance lands on middle grey
    // (0.18), in whole stops, then apply a 2.2 gamma: dark and bright
    // renderings both come out as a person would want to see them. The
    // file's EXPOSURE lines are only the history of earlier adjustments.
    std::array<double, 256> log2_of{};
    for (std::size_t m = 1; m < 256; ++m) {
        log2_of[m] = std::log2((static_cast<double>(m) + 0.5) / 256.0);
    }
    double log_sum = 0;
    std::size_t lit = 0;
    const std::size_t done = static_cast<std::size_t>(rows_done) * static_cast<std::size_t>(w);
    const std::size_t first = layout->bottom_up ? out.pixels.size() - done : 0;
    for (std::size_t i = first; i < first + done; ++i) {
        std::uint8_t p[4];
        std::memcpy(p, &out.pixels[i], 4);
        const std::uint32_t lum = (27u * p[0] + 67u * p[1] + 6u * p[2]) / 100u;
        if (p[3] != 0 && lum != 0) {
            log_sum += log2_of[lum] + (static_cast<int>(p[3]) - 128);
            ++lit;
        }
    }
    const double average = lit ? log_sum / static_cast<double>(lit) : 0.0;
    const int stops = std::clamp(static_cast<int>(std::lround(std::log2(0.18) - average)), -64, 64);
    std::array<std::uint8_t, 256 * 256> tone{};
    for (int e = 1; e < 256; ++e) {
        for (int m = 1; m < 256; ++m) {
            const double v = std::ldexp(m + 0.5, e - 136 + stops);
            const double g = std::pow(std::min(v, 1.0), 1.0 / 2.2);
            tone[static_cast<std::size_t>(e) * 256 + static_cast<std::size_t>(m)] =
                static_cast<std::uint8_t>(std::lround(g * 255.0));
        }
    }
    for (std::size_t i = first; i < first + done; ++i) {
        std::uint8_t p[4];
        std::memcpy(p, &out.pixels[i], 4);
        const std::size_t e = std::size_t{p[3]} * 256;
        out.pixels[i] = 0xff000000u | (std::uint32_t{tone[e + p[0]]} << 16) | (std::uint32_t{tone[e + p[1]]} << 8) |
                        tone[e + p[2]];
    }
    // Rows never reached stay black.
    for (std::size_t i = 0; i < out.pixels.size(); ++i) {
        if (i < first || i >= first + done) {
            out.pixels[i] = 0xff000000u;
        }
    }
    return out;
}

// ---- Utah RLE ---------------------------------------------------------------

Match SniffUtahRle(Bytes b)
{
    if (b.size() < 15 || b[0] != 0x52 || b[1] != 0xcc) {
        return Match::None;
    }
    const std::uint32_t colours = b[11];
    const std::uint32_t bits = b[12];
    const std::uint32_t maps = b[13];
    return colours >= 1 && colours <= 4 && bits == 8 && maps <= 3 && b[14] <= 8 ? Match::Strong : Match::None;
}

Header ReadUtahRleHeader(Bytes b)
{
    if (SniffUtahRle(b) == Match::None) {
        return MakeProblem("Utah RLE header not understood");
    }
    return sized(*u16le(b, 6), *u16le(b, 8));
}

} // namespace framory::media::detail
