// Radiance RGBE pictures (.pic, .hdr), read by our own reader: scene light
// in a shared-exponent form, run-length rows, any of the eight scan orders
// the resolution line can name.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "media/decode/format.h"

namespace framory::media::detail {

namespace {

struct Layout {
    int scan_length = 0; // pixels in one stored scan line
    int scans = 0;
    int orientation = 1; // how the stored scans turn upright
    std::size_t data = 0; // first byte of the pixels
};

// The resolution line names the slow axis first: "-Y 480 +X 640" is the
// usual top-to-bottom rows of left-to-right pixels; "+X 640 -Y 480" stores
// columns. A sign is the direction the coordinate runs (Y grows upwards).
int orientation_of(char slow_sign, char slow_axis, char fast_sign)
{
    if (slow_axis == 'Y') {
        if (slow_sign == '-') {
            return fast_sign == '+' ? 1 : 2;
        }
        return fast_sign == '+' ? 4 : 3;
    }
    if (slow_sign == '+') {
        return fast_sign == '-' ? 5 : 8;
    }
    return fast_sign == '-' ? 6 : 7;
}

std::optional<Layout> layout_of(Bytes b, std::string& problem)
{
    // The header is text lines up to an empty line, then the resolution
    // line. Old files start straight with their history of commands.
    const std::size_t limit = std::min<std::size_t>(b.size(), 64 * 1024);
    std::size_t at = 0;
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
        const std::string line(reinterpret_cast<const char*>(b.data()) + at, end - at);
        at = end + 1;
        if (blank) {
            char s1 = 0;
            char a1 = 0;
            char s2 = 0;
            char a2 = 0;
            long n1 = 0;
            long n2 = 0;
            const auto sign = [](char c) { return c == '+' || c == '-'; };
            if (std::sscanf(line.c_str(), "%c%c %ld %c%c %ld", &s1, &a1, &n1, &s2, &a2, &n2) != 6 || !sign(s1) ||
                !sign(s2) || !((a1 == 'Y' && a2 == 'X') || (a1 == 'X' && a2 == 'Y'))) {
                problem = "Radiance resolution line not understood";
                return std::nullopt;
            }
            if (n1 <= 0 || n2 <= 0) {
                problem = "the header gives no size";
                return std::nullopt;
            }
            Layout layout;
            layout.scans = static_cast<int>(std::min<long>(n1, 1 << 30));
            layout.scan_length = static_cast<int>(std::min<long>(n2, 1 << 30));
            layout.orientation = orientation_of(s1, a1, s2);
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

// One scan line into `scan` (four bytes a pixel): the run-length form, or
// flat pixels with the old run form (1,1,1,n repeats the last pixel).
bool read_scan(Bytes b, std::size_t& at, int w, std::vector<std::uint8_t>& scan)
{
    const bool rle = w >= 8 && w < 32768 && at + 4 <= b.size() && b[at] == 2 && b[at + 1] == 2 &&
                     ((std::uint32_t{b[at + 2]} << 8) | b[at + 3]) == static_cast<std::uint32_t>(w);
    if (rle) {
        at += 4;
        for (std::size_t c = 0; c < 4; ++c) {
            int x = 0;
            while (x < w) {
                if (at >= b.size()) {
                    return false;
                }
                std::uint32_t count = b[at++];
                if (count > 128) {
                    count -= 128;
                    if (at >= b.size() || x + static_cast<int>(count) > w) {
                        return false;
                    }
                    const std::uint8_t v = b[at++];
                    for (std::uint32_t i = 0; i < count; ++i) {
                        scan[static_cast<std::size_t>(x++) * 4 + c] = v;
                    }
                } else {
                    if (count == 0 || x + static_cast<int>(count) > w || at + count > b.size()) {
                        return false;
                    }
                    for (std::uint32_t i = 0; i < count; ++i) {
                        scan[static_cast<std::size_t>(x++) * 4 + c] = b[at++];
                    }
                }
            }
        }
        return true;
    }
    int x = 0;
    int shift = 0;
    while (x < w) {
        if (at + 4 > b.size()) {
            return false;
        }
        if (b[at] == 1 && b[at + 1] == 1 && b[at + 2] == 1) {
            if (x == 0 || shift > 16) {
                return false;
            }
            const std::size_t repeat = std::size_t{b[at + 3]} << shift;
            shift += 8;
            at += 4;
            for (std::size_t i = 0; i < repeat && x < w; ++i, ++x) {
                std::memcpy(&scan[static_cast<std::size_t>(x) * 4], &scan[static_cast<std::size_t>(x - 1) * 4], 4);
            }
        } else {
            shift = 0;
            std::memcpy(&scan[static_cast<std::size_t>(x) * 4], b.data() + at, 4);
            at += 4;
            ++x;
        }
    }
    return true;
}

// Radiance values are scene light, with no fixed white. We expose the
// picture so that its log-average luminance lands on middle grey (0.18),
// in whole stops, then apply a 2.2 gamma: dark and bright renderings both
// come out as a person would want to see them. The file's EXPOSURE lines
// are only the history of earlier adjustments. `rgbe` holds the raw values
// of the pixels read; they become 0xAARRGGBB in place.
void tone_map(std::uint32_t* rgbe, std::size_t count)
{
    // Luminance 0.27 R + 0.67 G + 0.06 B of mantissas m / 256 under the
    // shared exponent: log2 of the weighted mantissa sum comes from a table.
    std::vector<double> log2_of(27 * 255 + 67 * 255 + 6 * 255 + 1, 0.0);
    for (std::size_t sum = 1; sum < log2_of.size(); ++sum) {
        log2_of[sum] = std::log2(static_cast<double>(sum) / 100.0 / 256.0);
    }
    double log_sum = 0;
    std::size_t lit = 0;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t p[4];
        std::memcpy(p, &rgbe[i], 4);
        const std::size_t sum = 27u * p[0] + 67u * p[1] + 6u * p[2];
        if (p[3] != 0 && sum != 0) {
            log_sum += log2_of[sum] + (static_cast<int>(p[3]) - 128);
            ++lit;
        }
    }
    const double average = lit ? log_sum / static_cast<double>(lit) : 0.0;
    const int stops = std::clamp(static_cast<int>(std::lround(std::log2(0.18) - average)), -64, 64);
    std::vector<std::uint8_t> tone(256 * 256, 0);
    for (int e = 1; e < 256; ++e) {
        for (int m = 1; m < 256; ++m) {
            const double v = std::ldexp(m, e - 136 + stops);
            const double g = std::pow(std::min(v, 1.0), 1.0 / 2.2);
            tone[static_cast<std::size_t>(e) * 256 + static_cast<std::size_t>(m)] =
                static_cast<std::uint8_t>(std::lround(g * 255.0));
        }
    }
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t p[4];
        std::memcpy(p, &rgbe[i], 4);
        const std::size_t e = std::size_t{p[3]} * 256;
        rgbe[i] = 0xff000000u | (std::uint32_t{tone[e + p[0]]} << 16) | (std::uint32_t{tone[e + p[1]]} << 8) |
                  tone[e + p[2]];
    }
}

Match sniff(Bytes b)
{
    if (starts_with(b, "#?RADIANCE\n") || starts_with(b, "#?RGBE\n")) {
        return Match::Strong;
    }
    // The old form has no signature; a text header followed by a valid
    // resolution line is specific enough.
    std::string problem;
    return b.size() > 8 && b[0] >= 0x20 && layout_of(b, problem) ? Match::Strong : Match::None;
}

Header read_header(Bytes b)
{
    std::string problem;
    const auto layout = layout_of(b, problem);
    if (!layout) {
        return MakeProblem(problem);
    }
    Header h = Sized(layout->scan_length, layout->scans);
    h.orientation = layout->orientation;
    return h;
}

Decoded decode(Bytes b, const Header&, const Request& request)
{
    std::string problem;
    const auto layout = layout_of(b, problem);
    if (!layout) {
        return Failed(problem);
    }
    const int w = layout->scan_length;
    const int h = layout->scans;
    Image stored(w, h);
    std::vector<std::uint8_t> scan(static_cast<std::size_t>(w) * 4);
    std::size_t at = layout->data;
    int scans_done = 0;
    while (scans_done < h && read_scan(b, at, w, scan)) {
        std::memcpy(stored.row(scans_done), scan.data(), scan.size());
        ++scans_done;
    }
    if (scans_done == 0) {
        return Failed("Radiance picture has no whole row");
    }
    // Scans never reached stay black.
    tone_map(stored.data(), static_cast<std::size_t>(scans_done) * static_cast<std::size_t>(w));
    return Succeeded(FitStored(std::move(stored), layout->orientation, request.out), scans_done < h);
}

} // namespace

const Format kRadianceFormat{"radiance-pic", {"PIC", "HDR"}, sniff, read_header, decode};

} // namespace framory::media::detail
