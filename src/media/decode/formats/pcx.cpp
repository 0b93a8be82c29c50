// PCX (ZSoft Paintbrush): run-length rows of one to four planes, with a
// 16-colour palette in the header or a 256-colour one at the end. Read by
// our own code.
#include <algorithm>
#include <vector>

#include "media/decode/format.h"
#include "media/image/scale.h"

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
    // A file cut short, or a 256-colour one without its palette, is
    // refused: what it would show is mostly made up.
    if (!h.complete) {
        return Failed("PCX data cut short or palette missing");
    }
    const std::uint32_t bpp = b[3];
    const std::uint32_t planes = b[65];
    const std::size_t bytes_per_line = *u16le(b, 66);
    const std::size_t line = bytes_per_line * planes;
    const auto w = static_cast<std::size_t>(h.width);
    // The palette: the header's 16 colours, or the 256 after the data.
    std::uint32_t palette[256] = {};
    const bool long_palette = bpp == 8 && planes == 1;
    const std::size_t palette_at = long_palette ? b.size() - 768 : 16;
    for (std::size_t i = 0; i < (long_palette ? 256u : 16u); ++i) {
        const std::size_t at = palette_at + i * 3;
        palette[i] = Argb(b[at], b[at + 1], b[at + 2]);
    }
    if (bpp == 1 && planes == 1) {
        palette[0] = Argb(0, 0, 0);
        palette[1] = Argb(255, 255, 255);
    }
    std::vector<std::uint8_t> raw(line);
    std::size_t at = 128;
    std::size_t run = 0;
    std::uint8_t run_value = 0;
    // Runs may carry over from one line to the next.
    const auto next = [&]() -> std::uint8_t {
        if (run == 0 && at < b.size()) {
            const std::uint8_t v = b[at++];
            if (b[2] == 1 && (v & 0xc0) == 0xc0) {
                run = v & 0x3fu;
                run_value = at < b.size() ? b[at++] : 0;
            } else {
                return v;
            }
        }
        if (run == 0) {
            return 0;
        }
        --run;
        return run_value;
    };
    const auto bit = [&](std::size_t p, std::size_t x, std::uint32_t bits) -> std::uint32_t {
        const std::size_t pos = x * bits;
        const std::uint8_t byte = raw[p * bytes_per_line + pos / 8];
        return (byte >> (8 - bits - pos % 8)) & ((1u << bits) - 1);
    };
    int decoded = 0;
    Image image = ScaleRows(
        h.width, h.height,
        [&](int y, std::uint32_t* scratch) {
            for (; decoded <= y; ++decoded) {
                std::generate(raw.begin(), raw.end(), next);
            }
            for (std::size_t x = 0; x < w; ++x) {
                if (bpp == 8 && planes >= 3) {
                    const std::uint32_t alpha = planes == 4 ? raw[3 * bytes_per_line + x] : 255u;
                    scratch[x] = Argb(raw[x], raw[bytes_per_line + x], raw[2 * bytes_per_line + x],
                                      static_cast<std::uint8_t>(alpha));
                } else {
                    // Planes give the bits of a palette index, lowest first.
                    std::uint32_t index = 0;
                    for (std::size_t p = 0; p < planes; ++p) {
                        index |= bit(p, x, bpp) << (p * bpp);
                    }
                    scratch[x] = palette[index & 0xffu];
                }
            }
            return static_cast<const std::uint32_t*>(scratch);
        },
        request.out.width, request.out.height);
    return Succeeded(std::move(image), false);
}

} // namespace

const Format kPcxFormat{"pcx", {"PCX"}, sniff, read_header, decode};

} // namespace framory::media::detail
