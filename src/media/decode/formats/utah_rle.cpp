// Utah Raster Toolkit RLE: a header, an optional background colour,
// colour maps and comment, then a stream of operations that write runs and
// literal bytes into one channel of a scan line at a time, rows from the
// bottom up. Read by our own code.
#include <algorithm>
#include <array>
#include <vector>

#include "media/decode/format.h"
#include "media/image/scale.h"

namespace framory::media::detail {

namespace {

constexpr std::uint32_t kClearFirst = 0x1;
constexpr std::uint32_t kNoBackground = 0x2;
constexpr std::uint32_t kAlpha = 0x4;
constexpr std::uint32_t kComment = 0x8;

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
    const std::uint32_t flags = b[10];
    const std::uint32_t colours = b[11];
    const std::uint32_t maps = b[13];
    const std::size_t map_length = std::size_t{1} << b[14];
    std::size_t at = 15;
    std::array<std::uint8_t, 3> background{};
    if (flags & kNoBackground) {
        ++at; // a filler byte
    } else {
        for (std::uint32_t c = 0; c < colours; ++c) {
            background[std::min<std::size_t>(c, 2)] = u8(b, at + c).value_or(0);
        }
        at += colours + (colours % 2 == 0 ? 1 : 0); // to an even offset
    }
    // Colour maps: 16-bit entries whose high byte is the colour.
    std::vector<std::array<std::uint8_t, 256>> map(maps);
    for (std::uint32_t m = 0; m < maps; ++m) {
        for (std::size_t i = 0; i < 256; ++i) {
            const std::size_t entry = std::min(i, map_length - 1);
            map[m][i] = static_cast<std::uint8_t>(u16le(b, at + (m * map_length + entry) * 2).value_or(0) >> 8);
        }
    }
    at += maps * map_length * 2;
    if (flags & kComment) {
        const std::size_t length = u16le(b, at).value_or(0);
        at += 2 + length + (length % 2);
    }
    if (at > b.size()) {
        return Failed("RLE header cut short");
    }

    // Channels 0..2 colour (fewer repeat the first), 3 alpha.
    const int w = h.width;
    const int height = h.height;
    const std::size_t plane = static_cast<std::size_t>(w) * static_cast<std::size_t>(height);
    std::vector<std::uint8_t> planes(plane * 4, 0);
    if ((flags & kClearFirst) && !(flags & kNoBackground)) {
        for (std::size_t c = 0; c < 3; ++c) {
            std::fill_n(planes.begin() + static_cast<std::ptrdiff_t>(c * plane), plane,
                        background[std::min<std::size_t>(c, colours - 1)]);
        }
    }
    std::fill_n(planes.begin() + static_cast<std::ptrdiff_t>(3 * plane), plane, (flags & kAlpha) ? 0 : 255);

    // Positions within the picture's own rectangle (the header's position
    // on the original screen does not matter): lines from the bottom up,
    // each channel of a line written from its left; only "skip lines"
    // moves to the next line.
    std::int64_t y = 0;
    std::int64_t x = 0;
    int channel = 0;
    bool ended = false;
    const auto put = [&](std::uint8_t value) {
        if (channel >= 0 && x >= 0 && x < w && y >= 0 && y < height) {
            const std::size_t row = static_cast<std::size_t>(height - 1 - y);
            planes[static_cast<std::size_t>(channel) * plane + row * static_cast<std::size_t>(w) +
                   static_cast<std::size_t>(x)] = value;
        }
        ++x;
    };
    while (at + 2 <= b.size() && y < height) {
        const std::uint32_t op = b[at] & 0x3f;
        std::uint32_t datum = b[at + 1];
        at += 2;
        if (b[at - 2] & 0x40) { // the long form: a 16-bit operand follows
            const auto word = u16le(b, at);
            if (!word) {
                break;
            }
            datum = *word;
            at += 2;
        }
        if (op == 1) { // skip lines
            y += datum;
            x = 0;
        } else if (op == 2) { // set the channel
            channel = datum == 255 ? 3 : (datum < colours && datum < 3 ? static_cast<int>(datum) : -1);
            x = 0;
        } else if (op == 3) { // skip pixels
            x += datum;
        } else if (op == 5) { // literal bytes, padded to an even count
            const std::size_t count = std::size_t{datum} + 1;
            if (b.size() - at < count) {
                break;
            }
            for (std::size_t i = 0; i < count; ++i) {
                put(b[at + i]);
            }
            at += count + (count % 2);
        } else if (op == 6) { // a run of one value, in a 16-bit word
            const auto value = u16le(b, at);
            if (!value) {
                break;
            }
            at += 2;
            for (std::uint32_t i = 0; i <= datum && x < w; ++i) {
                put(static_cast<std::uint8_t>(*value & 0xffu));
            }
        } else if (op == 7) { // the end
            ended = true;
            break;
        } else {
            return Failed("RLE operation " + std::to_string(op) + " unknown");
        }
    }

    const auto value = [&](std::size_t c, std::size_t i) {
        std::uint8_t v = planes[std::min<std::size_t>(c, colours - 1) * plane + i];
        if (maps > 0) {
            v = map[std::min<std::size_t>(c, maps - 1)][v];
        }
        return std::uint32_t{v};
    };
    Image picture(w, height);
    for (std::size_t i = 0; i < plane; ++i) {
        picture.data()[i] = (std::uint32_t{planes[3 * plane + i]} << 24) | (value(0, i) << 16) | (value(1, i) << 8) |
                            value(2, i);
    }
    return Succeeded(FitStored(std::move(picture), 1, request.out), !ended || !h.complete);
}

} // namespace

const Format kUtahRleFormat{"utah-rle", {"RLE"}, sniff, read_header, decode};

} // namespace framory::media::detail
