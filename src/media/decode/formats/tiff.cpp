// TIFF and BigTIFF through libtiff. Most pictures go through its RGBA path
// (bilevel, grey, palette, RGB at any bit depth, contiguous or planar,
// strips or tiles, YCbCr, CMYK, LogLuv, extra samples), read band by band
// into the scaler in their stored orientation, then turned upright by us
// (the RGBA path only flips, it cannot turn). What that path gets wrong or
// refuses is read from the samples by tiff_samples.cpp.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>
#include <vector>

#include "media/decode/formats/tiff.h"
#include "media/image/scale.h"

namespace framory::media::detail {

namespace {

Match sniff(Bytes b)
{
    return starts_with(b, std::string_view("II*\0", 4)) || starts_with(b, std::string_view("MM\0*", 4)) ||
                   starts_with(b, std::string_view("II+\0", 4)) || starts_with(b, std::string_view("MM\0+", 4))
               ? Match::Strong
               : Match::None;
}

// The first directory, read by our own walk: size, orientation and whether
// every strip or tile of the first page lies inside the file.
Header read_header(Bytes b)
{
    const bool little = starts_with(b, "II");
    const bool big = u8(b, little ? 2 : 3) == 43u;
    using Value = std::optional<std::uint64_t>;
    auto widen = [](std::optional<std::uint32_t> v) -> Value { return v ? Value(*v) : std::nullopt; };
    auto r16 = [&](std::size_t at) { return widen(little ? u16le(b, at) : u16be(b, at)); };
    auto r32 = [&](std::size_t at) { return widen(little ? u32le(b, at) : u32be(b, at)); };
    auto r64 = [&](std::size_t at) { return u64(b, at, little); };
    // BigTIFF has 64-bit offsets and counts where TIFF has 32 and 16 bits.
    auto offset = [&](std::size_t at) { return big ? r64(at) : r32(at); };
    const Value ifd = offset(big ? 8 : 4);
    if (!ifd) {
        return MakeProblem("TIFF header cut short");
    }
    const Value count = *ifd <= b.size() ? (big ? r64(static_cast<std::size_t>(*ifd)) : r16(static_cast<std::size_t>(*ifd)))
                                          : std::nullopt;
    if (!count) {
        return MakeProblem("the first TIFF directory lies past the end of the file");
    }
    const std::size_t entry_size = big ? 20 : 12;
    const std::size_t first_entry = static_cast<std::size_t>(*ifd) + (big ? 8 : 2);
    if (*count > (b.size() - first_entry) / entry_size + 1) {
        return MakeProblem("TIFF directory cut short");
    }
    // A value of one of the integer types, at index i of an entry's values.
    struct Values {
        std::uint32_t type = 0;
        std::uint64_t count = 0;
        std::uint64_t at = 0; // where the values are
    };
    auto width_of = [](std::uint32_t type) -> std::uint64_t { return type == 3 ? 2 : type == 4 ? 4 : type == 16 ? 8 : 0; };
    auto value = [&](const Values& v, std::uint64_t i) -> Value {
        const std::uint64_t at = v.at + i * width_of(v.type);
        if (at > b.size()) {
            return std::nullopt;
        }
        const auto pos = static_cast<std::size_t>(at);
        switch (v.type) {
        case 3: return r16(pos);
        case 4: return r32(pos);
        case 16: return r64(pos);
        default: return std::nullopt;
        }
    };
    std::int64_t width = 0;
    std::int64_t height = 0;
    int orientation = 1;
    Values offsets;
    Values lengths;
    for (std::uint64_t i = 0; i < *count; ++i) {
        const std::size_t entry = first_entry + entry_size * static_cast<std::size_t>(i);
        const auto tag = r16(entry);
        const auto type = r16(entry + 2);
        const Value n = big ? r64(entry + 4) : r32(entry + 4);
        if (!tag || !type || !n) {
            return MakeProblem("TIFF directory cut short");
        }
        const std::size_t inline_at = entry + (big ? 12 : 8);
        Values v{static_cast<std::uint32_t>(*type), *n, inline_at};
        const std::uint64_t bytes = *n * width_of(*type);
        if (width_of(*type) == 0) {
            continue;
        }
        if (bytes > (big ? 8u : 4u)) {
            v.at = offset(inline_at).value_or(~std::uint64_t{0});
        }
        if (*tag == 273 || *tag == 324) {
            offsets = v;
        } else if (*tag == 279 || *tag == 325) {
            lengths = v;
        }
        const auto first = value(v, 0);
        if (!first || *n == 0) {
            continue;
        }
        if (*tag == 256) {
            width = static_cast<std::int64_t>(std::min<std::uint64_t>(*first, 1u << 30));
        } else if (*tag == 257) {
            height = static_cast<std::int64_t>(std::min<std::uint64_t>(*first, 1u << 30));
        } else if (*tag == 274 && *first >= 1 && *first <= 8) {
            orientation = static_cast<int>(*first);
        }
    }
    Header h = Sized(width, height);
    h.orientation = orientation;
    if (!h.valid() || offsets.count != lengths.count || offsets.count == 0) {
        return h;
    }
    for (std::uint64_t i = 0; i < offsets.count; ++i) {
        const auto off = value(offsets, i);
        const auto len = value(lengths, i);
        if (!off || !len || *off > b.size() || *len > b.size() - *off) {
            h.complete = false;
            break;
        }
    }
    return h;
}

// ---- libtiff over our bytes --------------------------------------------------

tmsize_t read_proc(thandle_t handle, void* out, tmsize_t size)
{
    auto* m = static_cast<tiff::Memory*>(handle);
    if (size <= 0 || m->at >= m->bytes.size()) {
        return 0;
    }
    const auto take = static_cast<std::size_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(size),
                                                                       m->bytes.size() - m->at));
    std::memcpy(out, m->bytes.data() + m->at, take);
    m->at += take;
    return static_cast<tmsize_t>(take);
}

tmsize_t write_proc(thandle_t, void*, tmsize_t)
{
    return 0;
}

toff_t seek_proc(thandle_t handle, toff_t offset, int whence)
{
    auto* m = static_cast<tiff::Memory*>(handle);
    std::uint64_t base = 0;
    if (whence == SEEK_CUR) {
        base = m->at;
    } else if (whence == SEEK_END) {
        base = m->bytes.size();
    }
    m->at = base + offset;
    return m->at;
}

int close_proc(thandle_t)
{
    return 0;
}

toff_t size_proc(thandle_t handle)
{
    return static_cast<tiff::Memory*>(handle)->bytes.size();
}

int map_proc(thandle_t handle, void** base, toff_t* size)
{
    auto* m = static_cast<tiff::Memory*>(handle);
    *base = const_cast<std::uint8_t*>(m->bytes.data());
    *size = m->bytes.size();
    return 1;
}

void unmap_proc(thandle_t, void*, toff_t) {}

// libtiff's complaints become the decode's message (the first error wins);
// warnings are dropped.
int on_error(TIFF*, void* user, const char*, const char* format, va_list args)
{
    auto* message = static_cast<std::string*>(user);
    if (message->empty()) {
        char text[256];
        std::vsnprintf(text, sizeof text, format, args);
        *message = text;
    }
    return 1;
}

int on_warning(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;
}

} // namespace

namespace tiff {

File::File(Bytes bytes) : memory{bytes, 0}
{
    static std::once_flag once;
    std::call_once(once, [] {
        // Reports without a file to name would go to the terminal.
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
    });
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxBufferBytes);
    TIFFOpenOptionsSetErrorHandlerExtR(options, on_error, &message);
    TIFFOpenOptionsSetWarningHandlerExtR(options, on_warning, nullptr);
    tif = TIFFClientOpenExt("picture", "rm", &memory, read_proc, write_proc, seek_proc, close_proc, size_proc, map_proc,
                            unmap_proc, options);
    TIFFOpenOptionsFree(options);
}

File::~File()
{
    if (tif) {
        TIFFClose(tif);
    }
}

} // namespace tiff

namespace {

using tiff::field;
using tiff::File;
using tiff::kMaxBufferBytes;

// ---- the RGBA path -----------------------------------------------------------

// libtiff's 0xAABBGGRR with premultiplied alpha to our straight 0xAARRGGBB.
void from_rgba(const std::uint32_t* in, std::uint32_t* out, int width)
{
    for (int x = 0; x < width; ++x) {
        const std::uint32_t p = in[x];
        out[x] = Unpremultiplied(p & 0xff, (p >> 8) & 0xff, (p >> 16) & 0xff, p >> 24);
    }
}

struct RgbaImage {
    TIFFRGBAImage image{};
    bool begun = false;
    ~RgbaImage()
    {
        if (begun) {
            TIFFRGBAImageEnd(&image);
        }
    }
};

// Nothing when the path cannot take the picture's layout after all.
std::optional<Decoded> decode_rgba(File& file, const Header& header, Size stored_out, bool& broken)
{
    char why[1024] = {};
    RgbaImage rgba;
    if (!TIFFRGBAImageBegin(&rgba.image, file.tif, 0, why)) {
        return std::nullopt;
    }
    rgba.begun = true;
    // Asking for the stored orientation makes the path flip nothing; the
    // turn upright is ours, for all eight orientations.
    rgba.image.req_orientation = rgba.image.orientation;
    const int w = header.width;
    const int h = header.height;
    // Bands as tall as a strip or a row of tiles, so each is decoded once.
    std::uint32_t unit = 0;
    if (TIFFIsTiled(file.tif)) {
        TIFFGetField(file.tif, TIFFTAG_TILELENGTH, &unit);
    } else {
        unit = field<std::uint32_t>(file.tif, TIFFTAG_ROWSPERSTRIP, static_cast<std::uint32_t>(h));
    }
    const auto band_rows = static_cast<int>(std::clamp<std::uint32_t>(
        unit, 16, static_cast<std::uint32_t>(std::max<std::int64_t>(16, (std::int64_t{64} << 20) / (4 * w)))));
    if (std::int64_t{band_rows} * w * 4 > kMaxBufferBytes) {
        return Failed("the TIFF's strips are too large to read");
    }
    std::vector<std::uint32_t> band(static_cast<std::size_t>(band_rows) * static_cast<std::size_t>(w));
    auto read_band = [&](int first) {
        rgba.image.row_offset = first;
        std::fill(band.begin(), band.end(), 0u);
        return TIFFRGBAImageGet(&rgba.image, band.data(), static_cast<std::uint32_t>(w),
                                static_cast<std::uint32_t>(std::min(band_rows, h - first))) != 0;
    };
    // A picture whose first strip cannot be read is refused at once.
    if (!read_band(0)) {
        return Failed(file.why("the TIFF's first strip cannot be read"));
    }
    int band_first = 0;
    Image scaled = ScaleRows(
        w, h,
        [&](int y, std::uint32_t* scratch) {
            if (!broken && y >= band_first + band_rows) {
                band_first = y - y % band_rows;
                broken = !read_band(band_first);
            }
            if (broken && y >= band_first) {
                std::fill(scratch, scratch + w, 0u);
            } else {
                from_rgba(band.data() + static_cast<std::size_t>(y - band_first) * static_cast<std::size_t>(w),
                          scratch, w);
            }
            return static_cast<const std::uint32_t*>(scratch);
        },
        stored_out.width, stored_out.height);
    return Succeeded(std::move(scaled), broken);
}

Decoded decode(Bytes bytes, const Header& header, const Request& request)
{
    File file(bytes);
    if (!file.tif) {
        return Failed(file.why("the TIFF cannot be opened"));
    }
    std::uint32_t w = 0;
    std::uint32_t h = 0;
    TIFFGetField(file.tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(file.tif, TIFFTAG_IMAGELENGTH, &h);
    if (static_cast<int>(w) != header.width || static_cast<int>(h) != header.height) {
        return Failed("the TIFF's size differs between its directory and our reading of it");
    }
    std::uint16_t photometric = PHOTOMETRIC_MINISBLACK;
    TIFFGetField(file.tif, TIFFTAG_PHOTOMETRIC, &photometric);
    const auto format = field<std::uint16_t>(file.tif, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_UINT);
    std::vector<std::uint8_t> icc;
    std::uint32_t icc_length = 0;
    void* icc_data = nullptr;
    if (TIFFGetField(file.tif, TIFFTAG_ICCPROFILE, &icc_length, &icc_data) && icc_data && icc_length > 0) {
        const auto* p = static_cast<const std::uint8_t*>(icc_data);
        icc.assign(p, p + icc_length);
    }
    const Size stored_out = StoredSize(request.out, header.orientation);
    const bool lab = photometric == PHOTOMETRIC_CIELAB || photometric == PHOTOMETRIC_ICCLAB;
    const bool floating = format == SAMPLEFORMAT_IEEEFP &&
                          (photometric == PHOTOMETRIC_RGB || photometric == PHOTOMETRIC_MINISBLACK);
    const bool profiled_cmyk = photometric == PHOTOMETRIC_SEPARATED && !icc.empty() &&
                               field<std::uint16_t>(file.tif, TIFFTAG_INKSET, INKSET_CMYK) == INKSET_CMYK;
    bool own = lab || floating || profiled_cmyk;
    if (!own) {
        // What the RGBA path refuses (grey of 6 or 12 bits, RGB of 10 bits,
        // 16-bit palettes or CMYK, ...) is read from the samples when we can.
        char why[1024] = {};
        if (!TIFFRGBAImageOK(file.tif, why)) {
            if (!tiff::OwnPathReads(photometric)) {
                return Failed(why[0] ? why : file.why("the TIFF's sample layout is not supported"));
            }
            own = true;
        }
    }
    Decoded d;
    if (!own) {
        bool broken = false;
        if (auto rgba = decode_rgba(file, header, stored_out, broken)) {
            d = std::move(*rgba);
            d.partial = d.partial || !header.complete;
            // The RGBA path turns CMYK into RGB by the ink formula; a
            // profile of the inks says nothing about those RGB values.
            if (photometric != PHOTOMETRIC_SEPARATED) {
                d.colour.icc = std::move(icc);
            }
        } else if (tiff::OwnPathReads(photometric)) {
            own = true;
        } else {
            return Failed(file.why("the TIFF's sample layout is not supported"));
        }
    }
    if (own) {
        d = tiff::DecodeSamples(file, header, stored_out, request, photometric, icc);
        // CIE L*a*b* and CMYK were converted on the way; floating-point
        // samples were encoded as sRGB (a profile of linear values would
        // no longer describe them).
        d.colour.converted = lab || photometric == PHOTOMETRIC_SEPARATED;
        if (!d.colour.converted && !floating) {
            d.colour.icc = std::move(icc);
        }
    }
    if (d.status == DecodeStatus::Ok) {
        d.image = Orient(std::move(d.image), header.orientation);
    }
    return d;
}

} // namespace

const Format kTiffFormat{"tiff", {"TIF"}, sniff, read_header, decode};

} // namespace framory::media::detail
