// WordPerfect Graphics, versions 1 and 2: the bitmaps they hold, read
// through GraphicsMagick. The header walk counts every bitmap, since the
// library decodes them all.
#include <optional>

#include "media/decode/format.h"
#include "media/decode/magick.h"

namespace framory::media::detail {

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

Match sniff(Bytes b)
{
    return starts_with(b, "\xffWPC") ? Match::Strong : Match::None;
}

Header read_header(Bytes b)
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
    Size largest;
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
            if (std::int64_t{*w} * *h > std::int64_t{largest.width} * largest.height) {
                largest = {static_cast<int>(*w), static_cast<int>(*h)};
            }
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
    Header hd = Sized(width, height);
    hd.total_pixels = total;
    hd.largest_part = largest;
    hd.complete = complete;
    return hd;
}

Decoded decode(Bytes b, const Header& h, const Request& request)
{
    return DecodeWithMagick(b, "WPG", h, request.out);
}

} // namespace

const Format kWpgFormat{"wpg", {"WPG"}, sniff, read_header, decode};

} // namespace framory::media::detail
