// TIFF and BigTIFF through libtiff. Most pictures go through its RGBA path
// (bilevel, grey, palette, RGB at any bit depth, contiguous or planar,
// strips or tiles, YCbCr, CMYK, LogLuv, extra samples), read band by band
// into the scaler in their stored orientation, then turned upright by us
// (the RGBA path only flips, it cannot turn). What that path gets wrong or
// refuses is read here from the samples: CIE L*a*b* (through lcms2, so
// white stays white), floating-point samples, and CMYK with an embedded
// profile.
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include <tiffio.h>

#include "media/decode/format.h"
#include "media/image/scale.h"

namespace framory::media::detail {

namespace {

// No single buffer libtiff or we allocate for a strip or a band of tiles may
// exceed this; a file whose strips need more is refused.
constexpr tmsize_t kMaxBufferBytes = tmsize_t{256} << 20;

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

struct Memory {
    Bytes bytes;
    std::uint64_t at = 0;
};

tmsize_t read_proc(thandle_t handle, void* out, tmsize_t size)
{
    auto* m = static_cast<Memory*>(handle);
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
    auto* m = static_cast<Memory*>(handle);
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
    return static_cast<Memory*>(handle)->bytes.size();
}

int map_proc(thandle_t handle, void** base, toff_t* size)
{
    auto* m = static_cast<Memory*>(handle);
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

struct File {
    Memory memory;
    std::string message;
    TIFF* tif = nullptr;

    explicit File(Bytes bytes) : memory{bytes, 0}
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
        tif = TIFFClientOpenExt("picture", "rm", &memory, read_proc, write_proc, seek_proc, close_proc, size_proc,
                                map_proc, unmap_proc, options);
        TIFFOpenOptionsFree(options);
    }
    ~File()
    {
        if (tif) {
            TIFFClose(tif);
        }
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    std::string why(const char* fallback) const { return message.empty() ? fallback : message; }
};

template <typename T>
T field(TIFF* tif, ttag_t tag, T fallback)
{
    T v = fallback;
    return TIFFGetFieldDefaulted(tif, tag, &v) ? v : fallback;
}

// ---- the RGBA path -----------------------------------------------------------

// libtiff's 0xAABBGGRR with premultiplied alpha to our straight 0xAARRGGBB.
void from_rgba(const std::uint32_t* in, std::uint32_t* out, int width)
{
    for (int x = 0; x < width; ++x) {
        const std::uint32_t p = in[x];
        const std::uint32_t a = p >> 24;
        std::uint32_t r = p & 0xff;
        std::uint32_t g = (p >> 8) & 0xff;
        std::uint32_t b = (p >> 16) & 0xff;
        if (a == 0) {
            r = g = b = 0;
        } else if (a < 255) {
            r = std::min<std::uint32_t>(255, (r * 255 + a / 2) / a);
            g = std::min<std::uint32_t>(255, (g * 255 + a / 2) / a);
            b = std::min<std::uint32_t>(255, (b * 255 + a / 2) / a);
        }
        out[x] = (a << 24) | (r << 16) | (g << 8) | b;
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

// ---- our own path, from the samples --------------------------------------------

struct Samples {
    int width = 0;
    int height = 0;
    std::uint16_t per_pixel = 1;
    std::uint16_t bits = 8;
    std::uint16_t format = SAMPLEFORMAT_UINT;
    bool planar = false;
};

// Sample `index` of a row as stored: whole bytes in the machine's order
// (libtiff has swapped them), other widths packed from the highest bit.
double sample_at(const std::uint8_t* row, std::size_t index, const Samples& s)
{
    const bool integer = s.format != SAMPLEFORMAT_IEEEFP;
    const bool is_signed = s.format == SAMPLEFORMAT_INT;
    switch (s.bits) {
    case 8:
        return is_signed ? static_cast<std::int8_t>(row[index]) : row[index];
    case 16: {
        std::uint16_t v;
        std::memcpy(&v, row + index * 2, 2);
        if (!integer) {
            // Half precision: sign, five exponent bits, ten fraction bits.
            const int e = (v >> 10) & 0x1f;
            const double f = v & 0x3ff;
            const double m = e == 0 ? std::ldexp(f, -24) : std::ldexp(1024 + f, e - 25);
            return e == 31 ? 0.0 : ((v & 0x8000) ? -m : m);
        }
        return is_signed ? static_cast<std::int16_t>(v) : v;
    }
    case 24: {
        const std::uint8_t* p = row + index * 3;
        return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16);
    }
    case 32: {
        if (!integer) {
            float f;
            std::memcpy(&f, row + index * 4, 4);
            return std::isfinite(f) ? f : 0.0;
        }
        std::uint32_t v;
        std::memcpy(&v, row + index * 4, 4);
        return is_signed ? static_cast<std::int32_t>(v) : v;
    }
    case 64: {
        double d;
        std::memcpy(&d, row + index * 8, 8);
        return std::isfinite(d) ? d : 0.0;
    }
    default: {
        std::uint32_t v = 0;
        const std::size_t first = index * s.bits;
        for (std::size_t bit = first; bit < first + s.bits; ++bit) {
            v = (v << 1) | ((row[bit / 8] >> (7 - bit % 8)) & 1u);
        }
        return v;
    }
    }
}

// Reads every row as doubles (per_pixel values a pixel), strip by strip or
// band of tiles by band of tiles, and hands each to `row`. False when a
// strip or tile cannot be read; the rows before it were handed over.
bool read_samples(File& file, const Samples& s, const std::function<void(int, const double*)>& row)
{
    TIFF* tif = file.tif;
    const bool tiled = TIFFIsTiled(tif) != 0;
    const int planes = s.planar ? s.per_pixel : 1;
    const std::size_t in_plane = s.planar ? 1 : s.per_pixel;
    std::uint32_t unit_w = static_cast<std::uint32_t>(s.width);
    std::uint32_t band = 0;
    tmsize_t unit_bytes = 0;
    if (tiled) {
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &unit_w);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &band);
        unit_bytes = TIFFTileSize(tif);
    } else {
        band = field<std::uint32_t>(tif, TIFFTAG_ROWSPERSTRIP, static_cast<std::uint32_t>(s.height));
        band = std::min<std::uint32_t>(band, static_cast<std::uint32_t>(s.height));
        unit_bytes = TIFFStripSize(tif);
    }
    if (unit_w == 0 || band == 0 || unit_bytes <= 0) {
        return false;
    }
    // Each row of a strip or tile starts on a whole byte.
    const std::size_t row_bytes = (static_cast<std::size_t>(unit_w) * in_plane * s.bits + 7) / 8;
    const std::uint32_t across = tiled ? (static_cast<std::uint32_t>(s.width) + unit_w - 1) / unit_w : 1;
    const std::uint64_t plane_bytes = static_cast<std::uint64_t>(unit_bytes) * across;
    if (plane_bytes * static_cast<std::uint64_t>(planes) > static_cast<std::uint64_t>(kMaxBufferBytes) ||
        row_bytes * band > static_cast<std::uint64_t>(unit_bytes)) {
        file.message = "the TIFF's strips are too large to read";
        return false;
    }
    std::vector<std::vector<std::uint8_t>> data(static_cast<std::size_t>(planes),
                                                std::vector<std::uint8_t>(static_cast<std::size_t>(plane_bytes)));
    std::vector<double> values(static_cast<std::size_t>(s.width) * s.per_pixel);
    for (std::uint32_t top = 0; top < static_cast<std::uint32_t>(s.height); top += band) {
        for (int p = 0; p < planes; ++p) {
            const auto plane = static_cast<std::uint16_t>(p);
            for (std::uint32_t t = 0; t < across; ++t) {
                std::uint8_t* out = data[static_cast<std::size_t>(p)].data() + static_cast<std::size_t>(unit_bytes) * t;
                const tmsize_t got =
                    tiled ? TIFFReadEncodedTile(tif, TIFFComputeTile(tif, t * unit_w, top, 0, plane), out, unit_bytes)
                          : TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, top, plane), out, unit_bytes);
                if (got < 0) {
                    return false;
                }
            }
        }
        const std::uint32_t rows = std::min<std::uint32_t>(band, static_cast<std::uint32_t>(s.height) - top);
        for (std::uint32_t r = 0; r < rows; ++r) {
            for (int x = 0; x < s.width; ++x) {
                const std::uint32_t t = static_cast<std::uint32_t>(x) / unit_w;
                const std::size_t in_unit = static_cast<std::uint32_t>(x) % unit_w;
                for (std::size_t c = 0; c < s.per_pixel; ++c) {
                    const std::size_t p = s.planar ? c : 0;
                    const std::uint8_t* unit_row =
                        data[p].data() + static_cast<std::size_t>(unit_bytes) * t + r * row_bytes;
                    values[static_cast<std::size_t>(x) * s.per_pixel + c] =
                        sample_at(unit_row, in_unit * in_plane + (s.planar ? 0 : c), s);
                }
            }
            row(static_cast<int>(top + r), values.data());
        }
    }
    return true;
}

std::uint8_t encode_srgb(double linear)
{
    const double x = std::clamp(linear, 0.0, 1.0);
    const double v = x <= 0.0031308 ? 12.92 * x : 1.055 * std::pow(x, 1 / 2.4) - 0.055;
    return static_cast<std::uint8_t>(std::lround(v * 255));
}

std::uint8_t level(double v, double full)
{
    return static_cast<std::uint8_t>(std::lround(std::clamp(v / full, 0.0, 1.0) * 255));
}

bool own_path_reads(std::uint16_t photometric)
{
    return photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE ||
           photometric == PHOTOMETRIC_RGB || photometric == PHOTOMETRIC_PALETTE ||
           photometric == PHOTOMETRIC_SEPARATED || photometric == PHOTOMETRIC_CIELAB ||
           photometric == PHOTOMETRIC_ICCLAB;
}

Decoded decode_samples(File& file, const Header& header, Size stored_out, const Request& request,
                       std::uint16_t photometric, const std::vector<std::uint8_t>& icc)
{
    Samples s;
    s.width = header.width;
    s.height = header.height;
    s.per_pixel = field<std::uint16_t>(file.tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    s.bits = field<std::uint16_t>(file.tif, TIFFTAG_BITSPERSAMPLE, 1);
    s.format = field<std::uint16_t>(file.tif, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_UINT);
    s.planar = field<std::uint16_t>(file.tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) == PLANARCONFIG_SEPARATE;
    const bool floating = s.format == SAMPLEFORMAT_IEEEFP;
    const bool lab = photometric == PHOTOMETRIC_CIELAB || photometric == PHOTOMETRIC_ICCLAB;
    const bool cmyk = photometric == PHOTOMETRIC_SEPARATED;
    const std::uint16_t colours = lab || photometric == PHOTOMETRIC_RGB ? 3 : cmyk ? 4 : 1;
    const bool supported = floating ? (s.bits == 16 || s.bits == 32 || s.bits == 64) && !lab && !cmyk &&
                                          photometric != PHOTOMETRIC_PALETTE
                                    : s.bits >= 1 && s.bits <= 32;
    if (!supported || s.per_pixel < colours ||
        (cmyk && field<std::uint16_t>(file.tif, TIFFTAG_INKSET, INKSET_CMYK) != INKSET_CMYK)) {
        return Failed("TIFF pictures of " + std::to_string(s.per_pixel) + " samples of " + std::to_string(s.bits) +
                      " bits in this colour space are not supported");
    }
    std::uint16_t* map[3] = {nullptr, nullptr, nullptr};
    if (photometric == PHOTOMETRIC_PALETTE &&
        (s.bits > 16 || !TIFFGetField(file.tif, TIFFTAG_COLORMAP, &map[0], &map[1], &map[2]))) {
        return Failed("the TIFF's palette is missing");
    }
    // A sample after the colours is alpha when the file says so.
    std::uint16_t extra_count = 0;
    std::uint16_t* extra = nullptr;
    TIFFGetField(file.tif, TIFFTAG_EXTRASAMPLES, &extra_count, &extra);
    const bool alpha = s.per_pixel > colours && extra_count > 0 && extra &&
                       (extra[0] == EXTRASAMPLE_ASSOCALPHA || extra[0] == EXTRASAMPLE_UNASSALPHA);
    const bool premultiplied = alpha && extra[0] == EXTRASAMPLE_ASSOCALPHA;
    Image picture(s.width, s.height, 0);
    std::optional<LabConverter> lab_converter;
    std::optional<CmykConverter> cmyk_converter;
    if (lab) {
        lab_converter.emplace(request.colour);
    }
    if (cmyk) {
        cmyk_converter.emplace(icc, false, request.colour);
    }
    const double full = floating ? 1.0 : std::ldexp(1.0, s.bits) - 1;
    std::vector<double> lab_row(static_cast<std::size_t>(s.width) * 3);
    std::vector<std::uint8_t> cmyk_row(static_cast<std::size_t>(s.width) * 4);
    const bool whole = read_samples(file, s, [&](int y, const double* v) {
        std::uint32_t* out = picture.row(y);
        const std::size_t n = s.per_pixel;
        if (lab) {
            // TIFF's CIE L*a*b* keeps a and b signed; the ICC form offsets them.
            const double half = std::ldexp(1.0, s.bits - 1);
            const double scale = 256.0 / (2 * half);
            for (int x = 0; x < s.width; ++x) {
                const double* p = v + static_cast<std::size_t>(x) * n;
                double a = p[1];
                double b = p[2];
                if (photometric == PHOTOMETRIC_CIELAB) {
                    a = a >= half ? a - 2 * half : a;
                    b = b >= half ? b - 2 * half : b;
                } else {
                    a -= half;
                    b -= half;
                }
                lab_row[static_cast<std::size_t>(x) * 3] = p[0] * 100.0 / full;
                lab_row[static_cast<std::size_t>(x) * 3 + 1] = a * scale;
                lab_row[static_cast<std::size_t>(x) * 3 + 2] = b * scale;
            }
            lab_converter->convert(lab_row.data(), out, static_cast<std::size_t>(s.width));
            return;
        }
        if (cmyk) {
            for (int x = 0; x < s.width; ++x) {
                for (std::size_t c = 0; c < 4; ++c) {
                    cmyk_row[static_cast<std::size_t>(x) * 4 + c] = level(v[static_cast<std::size_t>(x) * n + c], full);
                }
            }
            cmyk_converter->convert(cmyk_row.data(), out, static_cast<std::size_t>(s.width));
            return;
        }
        // Floating-point samples are linear light, 1.0 the white; they are
        // encoded for the screen as sRGB.
        for (int x = 0; x < s.width; ++x) {
            const double* p = v + static_cast<std::size_t>(x) * n;
            const double a = alpha ? std::clamp(p[colours] / full, 0.0, 1.0) : 1.0;
            auto value = [&](double u) {
                if (premultiplied && a > 0) {
                    u /= a;
                }
                return floating ? encode_srgb(u) : level(u, full);
            };
            std::uint8_t r = 0;
            std::uint8_t g = 0;
            std::uint8_t b = 0;
            if (photometric == PHOTOMETRIC_PALETTE) {
                const auto index = static_cast<std::size_t>(std::clamp(p[0], 0.0, full));
                r = static_cast<std::uint8_t>(map[0][index] >> 8);
                g = static_cast<std::uint8_t>(map[1][index] >> 8);
                b = static_cast<std::uint8_t>(map[2][index] >> 8);
            } else {
                r = value(photometric == PHOTOMETRIC_MINISWHITE ? full - p[0] : p[0]);
                g = colours == 3 ? value(p[1]) : r;
                b = colours == 3 ? value(p[2]) : r;
            }
            out[x] = Argb(r, g, b, static_cast<std::uint8_t>(std::lround(a * 255)));
        }
    });
    return Succeeded(FitStored(std::move(picture), 1, stored_out), !whole || !header.complete);
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
            if (!own_path_reads(photometric)) {
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
        } else if (own_path_reads(photometric)) {
            own = true;
        } else {
            return Failed(file.why("the TIFF's sample layout is not supported"));
        }
    }
    if (own) {
        d = decode_samples(file, header, stored_out, request, photometric, icc);
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
