// TIFF pictures read from their samples by us, for what libtiff's RGBA path
// gets wrong or refuses: CIE L*a*b* (through lcms2, so white stays white),
// floating-point samples, CMYK with a profile or of 16 bits, grey, RGB and
// palettes of depths the path does not take.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <optional>

#include "media/decode/formats/tiff.h"

namespace framory::media::detail::tiff {

namespace {

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

} // namespace

bool OwnPathReads(std::uint16_t photometric)
{
    return photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE ||
           photometric == PHOTOMETRIC_RGB || photometric == PHOTOMETRIC_PALETTE ||
           photometric == PHOTOMETRIC_SEPARATED || photometric == PHOTOMETRIC_CIELAB ||
           photometric == PHOTOMETRIC_ICCLAB;
}

Decoded DecodeSamples(File& file, const Header& header, Size stored_out, const Request& request,
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

} // namespace framory::media::detail::tiff
