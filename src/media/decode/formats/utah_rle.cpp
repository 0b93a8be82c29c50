// Utah Raster Toolkit RLE: read through GraphicsMagick.
#include "media/decode/format.h"
#include "media/decode/magick.h"

namespace framory::media::detail {

namespace {

Match sniff(Bytes b)
{
    if (b.size() < 15 || b[0] != 0x52 || b[1] != 0xcc) {
        return Match::None;
    }
    const std::uint32_t colours = b[11];
    const std::uint32_t bits = b[12];
    const std::uint32_t maps = b[13];
    return colours >= 1 && colours <= 4 && bits == 8 && maps <= 3 && b[14] <= 8 ? Match::Strong : Match::None;
}

Header read_header(Bytes b)
{
    return Sized(u16le(b, 6).value_or(0), u16le(b, 8).value_or(0));
}

Decoded decode(Bytes b, const Header& h, const Request& request)
{
    return DecodeWithMagick(b, "RLE", h, request.out);
}

} // namespace

const Format kUtahRleFormat{"utah-rle", {"RLE"}, sniff, read_header, decode};

} // namespace framory::media::detail
