// PCX (ZSoft Paintbrush): run-length rows, read through GraphicsMagick.
#include "media/decode/format.h"
#include "media/decode/magick.h"

namespace framory::media::detail {

namespace {

Match sniff(Bytes b)
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

Header read_header(Bytes b)
{
    if (b.size() < 128) {
        return MakeProblem("PCX header cut short");
    }
    const std::int64_t width = std::int64_t{*u16le(b, 8)} - *u16le(b, 4) + 1;
    const std::int64_t height = std::int64_t{*u16le(b, 10)} - *u16le(b, 6) + 1;
    Header h = Sized(width, height);
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

Decoded decode(Bytes b, const Header& h, const Request& request)
{
    return DecodeWithMagick(b, "PCX", h, request.out);
}

} // namespace

const Format kPcxFormat{"pcx", {"PCX"}, sniff, read_header, decode};

} // namespace framory::media::detail
