// TGA (Truevision): no signature, only plausible fields, so a weak match
// that the file name settles. Pixels through stb_image.
#include <optional>

#include "media/decode/format.h"
#include "media/decode/stb.h"

namespace framory::media::detail {

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

Match sniff(Bytes b)
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

Header read_header(Bytes b)
{
    const auto f = tga_fields(b);
    if (!f) {
        return MakeProblem("not a TGA header");
    }
    Header h = Sized(f->width, f->height);
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

Decoded decode(Bytes b, const Header& h, const Request& request)
{
    // Descriptor bit 4: rows stored right to left (the header reader has
    // made sure the 18 bytes are there).
    return DecodeWithStb(b, h, request.out, (b[17] & 0x10) != 0);
}

} // namespace

const Format kTgaFormat{"tga", {"TGA"}, sniff, read_header, decode};

} // namespace framory::media::detail
