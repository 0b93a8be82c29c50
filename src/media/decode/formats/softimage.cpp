// Softimage PIC: a magic number, a size and a chain of channel packets.
// Pixels through stb_image.
#include "media/decode/format.h"
#include "media/decode/stb.h"

namespace framory::media::detail {

namespace {

Match sniff(Bytes b)
{
    return starts_with(b, "\x53\x80\xf6\x34") && starts_with(b, "PICT", 88) ? Match::Strong : Match::None;
}

Header read_header(Bytes b)
{
    const auto w = u16be(b, 92);
    const auto h = u16be(b, 94);
    if (!w || !h || b.size() < 104) {
        return MakeProblem("Softimage header cut short");
    }
    if (*w > static_cast<std::uint32_t>(kMaxSide) || *h > static_cast<std::uint32_t>(kMaxSide)) {
        return Sized(*w, *h); // refused for its size, whatever follows
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
    return Sized(*w, *h);
}

Decoded decode(Bytes b, const Header& h, const Request& request)
{
    return DecodeWithStb(b, h, request.out, false);
}

} // namespace

const Format kSoftimageFormat{"softimage-pic", {"PIC"}, sniff, read_header, decode};

} // namespace framory::media::detail
