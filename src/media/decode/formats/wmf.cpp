// Windows metafiles: records played by GraphicsMagick's metafile player
// (libwmf), rendered at the size they are shown so vector art stays sharp.
#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include <Magick++.h>

#include "media/decode/format.h"
#include "media/decode/magick.h"

namespace framory::media::detail {

namespace {

// A metafile is drawn, not decoded: its time grows with its records and the
// area they cover, which the header cannot bound. Drawing gives up after
// this much processor time and the file is refused as too slow to show.
constexpr std::chrono::milliseconds kDrawLimit{2000};

// Natural (upright) size of a WMF at 96 dots per inch, from the placeable
// header's frame or else the window extent of the records (twips assumed).
struct WmfFrame {
    double width_inches = 0;
    double height_inches = 0;
    std::size_t records_end = 0; // end of the last whole record
    bool placeable = false;
};

std::optional<WmfFrame> read_frame(Bytes b)
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

Match sniff(Bytes b)
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

Header read_header(Bytes b)
{
    const auto frame = read_frame(b);
    if (!frame) {
        return MakeProblem("metafile header cut short");
    }
    if (frame->width_inches <= 0 || frame->height_inches <= 0) {
        return MakeProblem("metafile gives no frame size");
    }
    Header h = Sized(std::llround(std::min(frame->width_inches * 96.0, 1e9)),
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

Decoded decode(Bytes bytes, const Header& header, const Request& request)
{
    const auto frame = read_frame(bytes);
    if (!frame) {
        return Failed("metafile header cut short");
    }
    const Size out = request.out;
    // A metafile cut short is played up to its last whole record: we end it
    // there with an end-of-file record, so the player draws what is there
    // instead of refusing the file.
    std::string patched;
    if (!header.complete) {
        patched.assign(reinterpret_cast<const char*>(bytes.data()), frame->records_end);
        patched.append("\x03\x00\x00\x00\x00\x00", 6);
        const std::size_t start = frame->placeable ? 22 : 0;
        const std::size_t words = (patched.size() - start) / 2;
        for (int i = 0; i < 4; ++i) {
            patched[start + 6 + static_cast<std::size_t>(i)] = static_cast<char>((words >> (8 * i)) & 0xff);
        }
        bytes = Bytes(reinterpret_cast<const std::uint8_t*>(patched.data()), patched.size());
    }
    const SilenceStandardStreams quiet;
    const MagickDeadline deadline(kDrawLimit);
    try {
        // The player's own size at 72 dots per inch tells which density
        // renders it at the size it will be shown.
        Magick::Image probe;
        probe.quiet(true);
        probe.magick("WMF");
        probe.density(Magick::Geometry(72, 72));
        probe.ping(Magick::Blob(bytes.data(), bytes.size()));
        const double base_w = static_cast<double>(probe.columns());
        const double base_h = static_cast<double>(probe.rows());
        if (base_w <= 0 || base_h <= 0) {
            return Failed("metafile has no size");
        }
        const double dx = std::clamp(72.0 * out.width / base_w, 1.0, 72.0 * kMaxSide / base_w);
        const double dy = std::clamp(72.0 * out.height / base_h, 1.0, 72.0 * kMaxSide / base_h);
        Magick::Image img;
        img.quiet(true);
        img.magick("WMF");
        img.density(Magick::Geometry(static_cast<unsigned>(std::lround(dx)), static_cast<unsigned>(std::lround(dy))));
        img.read(Magick::Blob(bytes.data(), bytes.size()));
        if (deadline.passed()) {
            return Failed("the metafile takes too long to draw");
        }
        return FromMagick(img, header, out);
    } catch (const std::exception& e) {
        return Failed(deadline.passed() ? "the metafile takes too long to draw" : e.what());
    }
}

} // namespace

const Format kWmfFormat{"wmf", {"WMF"}, sniff, read_header, decode};

} // namespace framory::media::detail
