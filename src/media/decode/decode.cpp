#include "media/decode/decode.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <vector>

#include "media/decode/format.h"
#include "media/image/scale.h"

namespace framory::media {

using detail::Bytes;
using detail::Format;
using detail::Header;
using detail::Match;

namespace {

std::string file_type(std::string_view name)
{
    // The last three characters, as the show's file lists compare them.
    std::string type(name.substr(name.size() >= 3 ? name.size() - 3 : 0));
    for (char& c : type) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return type;
}

// The one sniff of a file: every format looks at the first bytes once.
const Format* pick(Bytes bytes, std::string_view name_hint)
{
    const std::string type = file_type(name_hint);
    const Format* best = nullptr;
    Match best_match = Match::None;
    bool best_named = false;
    for (const Format* f : detail::Formats()) {
        const Match m = f->sniff(bytes);
        if (m == Match::None) {
            continue;
        }
        const bool named = std::find(f->types.begin(), f->types.end(), type) != f->types.end();
        if (!best || m > best_match || (m == best_match && named && !best_named)) {
            best = f;
            best_match = m;
            best_named = named;
        }
    }
    return best;
}

Size upright(const Header& h)
{
    return h.orientation >= 5 ? Size{h.height, h.width} : Size{h.width, h.height};
}

bool over_budget(std::int64_t w, std::int64_t h)
{
    return w > kMaxSide || h > kMaxSide || w * h > kMaxPixels;
}

std::string claims(std::int64_t w, std::int64_t h)
{
    return "the file claims " + std::to_string(w) + "x" + std::to_string(h) + ", more than the pixel budget";
}

// Sniffs, reads the header and checks the budget: everything short of pixels.
DecodeResult probe(Bytes bytes, std::string_view name_hint, const Format*& format, Header& header)
{
    DecodeResult r;
    format = pick(bytes, name_hint);
    if (!format) {
        r.status = DecodeStatus::NotAPicture;
        r.message = bytes.empty() ? "the file is empty" : "no decoder recognises the content";
        return r;
    }
    r.decoder = std::string(format->name);
    header = format->read_header(bytes);
    if (!header.valid()) {
        r.status = DecodeStatus::Corrupt;
        r.message = header.problem;
        return r;
    }
    r.natural = upright(header);
    // The message names the size the file claims for whatever broke the
    // budget: the picture, or a part of it (a GIF frame, a WPG bitmap).
    r.status = DecodeStatus::TooLarge;
    if (over_budget(header.width, header.height)) {
        r.message = claims(header.width, header.height);
        return r;
    }
    if (over_budget(header.largest_part.width, header.largest_part.height)) {
        r.message = claims(header.largest_part.width, header.largest_part.height);
        return r;
    }
    if (header.total_pixels > kMaxPixels) {
        r.message = "the file claims " + std::to_string(header.total_pixels) +
                    " pixels in all, more than the pixel budget";
        return r;
    }
    r.status = DecodeStatus::Ok;
    r.message.clear();
    r.partial = !header.complete;
    return r;
}

DecodeResult decode_probed(DecodeResult r, Bytes bytes, const Format& format, const Header& header, Size target,
                           std::span<const std::uint8_t> display_icc)
{
    const Size out = target.width > 0 && target.height > 0 ? target : r.natural;
    if (over_budget(out.width, out.height)) {
        r.status = DecodeStatus::TooLarge;
        r.message = "the target size is more than the pixel budget";
        return r;
    }
    PrepareDecoders();
    const detail::ColourTarget colour(display_icc);
    detail::Decoded d = format.decode(bytes, header, detail::Request{out, colour});
    r.status = d.status;
    r.message = std::move(d.message);
    r.partial = d.status == DecodeStatus::Ok && d.partial;
    if (d.status == DecodeStatus::Ok) {
        if (d.image.width() != out.width || d.image.height() != out.height) {
            d.image = ScaleImage(d.image, out.width, out.height);
        }
        detail::ApplyColour(d.colour, colour, d.image);
        r.image = std::move(d.image);
    }
    return r;
}

// No picture within the budget needs a file this long (64 megapixels of
// uncompressed 32-bit pixels, with room for run-length overhead).
constexpr std::uintmax_t kMaxFileBytes = std::uintmax_t{512} * 1024 * 1024;

struct FileBytes {
    std::vector<std::uint8_t> data;
    DecodeStatus status = DecodeStatus::Ok;
    std::string message;
};

FileBytes read_file(const std::string& path)
{
    FileBytes f;
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || !std::filesystem::is_regular_file(path, ec)) {
        f.status = DecodeStatus::NotAPicture;
        f.message = "cannot read " + path;
        return f;
    }
    if (size > kMaxFileBytes) {
        f.status = DecodeStatus::TooLarge;
        f.message = "the file is larger than any picture within the budget";
        return f;
    }
    std::ifstream in(path, std::ios::binary);
    f.data.resize(static_cast<std::size_t>(size));
    if (!in || (size > 0 && !in.read(reinterpret_cast<char*>(f.data.data()), static_cast<std::streamsize>(size)))) {
        f.data.clear();
        f.status = DecodeStatus::NotAPicture;
        f.message = "cannot read " + path;
    }
    return f;
}

DecodeResult refused(FileBytes&& f)
{
    DecodeResult r;
    r.status = f.status;
    r.message = std::move(f.message);
    return r;
}

} // namespace

std::string_view StatusName(DecodeStatus status)
{
    switch (status) {
    case DecodeStatus::Ok:
        return "ok";
    case DecodeStatus::NotAPicture:
        return "not a picture";
    case DecodeStatus::TooLarge:
        return "too large";
    case DecodeStatus::Corrupt:
        return "corrupt";
    }
    return "unknown";
}

void PrepareDecoders()
{
    detail::PrepareLibraries();
}

std::string_view SniffDecoder(std::span<const std::uint8_t> bytes, std::string_view name_hint)
{
    const Format* f = pick(bytes, name_hint);
    return f ? f->name : std::string_view();
}

DecodeResult ProbeBytes(std::span<const std::uint8_t> bytes, std::string_view name_hint)
{
    const Format* format = nullptr;
    Header header;
    return probe(bytes, name_hint, format, header);
}

DecodeResult DecodeBytes(std::span<const std::uint8_t> bytes, std::string_view name_hint, Size target,
                         std::span<const std::uint8_t> display_icc)
{
    const Format* format = nullptr;
    Header header;
    DecodeResult r = probe(bytes, name_hint, format, header);
    if (!r.ok()) {
        return r;
    }
    return decode_probed(std::move(r), bytes, *format, header, target, display_icc);
}

DecodeResult DecodeFile(const std::string& path, Size target, std::span<const std::uint8_t> display_icc)
{
    FileBytes file = read_file(path);
    if (file.status != DecodeStatus::Ok) {
        return refused(std::move(file));
    }
    return DecodeBytes(file.data, path, target, display_icc);
}

Size FitWithin(Size natural, Size bounds)
{
    if (natural.width <= 0 || natural.height <= 0) {
        return {};
    }
    if (bounds.width <= 0 || bounds.height <= 0 ||
        (natural.width <= bounds.width && natural.height <= bounds.height)) {
        return natural;
    }
    const double scale = std::min(static_cast<double>(bounds.width) / natural.width,
                                  static_cast<double>(bounds.height) / natural.height);
    return {std::max(1, static_cast<int>(std::lround(natural.width * scale))),
            std::max(1, static_cast<int>(std::lround(natural.height * scale)))};
}

DecodeResult DecodeFileFitted(const std::string& path, Size bounds, std::span<const std::uint8_t> display_icc)
{
    FileBytes file = read_file(path);
    if (file.status != DecodeStatus::Ok) {
        return refused(std::move(file));
    }
    const Format* format = nullptr;
    Header header;
    DecodeResult r = probe(file.data, path, format, header);
    if (!r.ok()) {
        return r;
    }
    const Size target = FitWithin(r.natural, bounds);
    return decode_probed(std::move(r), file.data, *format, header, target, display_icc);
}

DecodeResult ProbeFile(const std::string& path)
{
    FileBytes file = read_file(path);
    if (file.status != DecodeStatus::Ok) {
        return refused(std::move(file));
    }
    return ProbeBytes(file.data, path);
}

} // namespace framory::media
