// PNG through libpng, with its user limits and chunk limits set so that no
// chunk can make it allocate more than the picture needs. Rows stream into
// the scaler; colour comes from iCCP, sRGB, gAMA and cHRM.
#include <algorithm>
#include <array>
#include <cctype>
#include <csetjmp>
#include <cstring>
#include <string>
#include <vector>

#include <png.h>

#include "media/decode/format.h"
#include "media/image/scale.h"

namespace framory::media::detail {

namespace {

// Ancillary chunks may hold metadata, but no chunk a picture needs is
// larger than a colour profile: anything longer is refused by libpng.
constexpr png_alloc_size_t kMaxChunkBytes = 16 << 20;

Match sniff(Bytes b)
{
    return starts_with(b, "\x89PNG\r\n\x1a\n") ? Match::Strong : Match::None;
}

std::string chunk_name(Bytes b, std::size_t at)
{
    std::string name;
    for (std::size_t i = 0; i < 4 && at + i < b.size(); ++i) {
        const char c = static_cast<char>(b[at + i]);
        name.push_back(std::isalpha(static_cast<unsigned char>(c)) ? c : '?');
    }
    return name;
}

Header read_header(Bytes b)
{
    if (!starts_with(b, "IHDR", 12)) {
        return MakeProblem("PNG has no IHDR chunk");
    }
    const auto w = u32be(b, 16);
    const auto h = u32be(b, 20);
    if (!w || !h) {
        return MakeProblem("PNG header cut short");
    }
    Header hd = Sized(*w, *h);
    if (!hd.valid()) {
        return hd;
    }
    // Every chunk's length is checked against what the file holds before
    // any library trusts it; a cut file still shows the rows it has.
    std::size_t at = 8;
    hd.complete = false;
    while (at + 8 <= b.size()) {
        const std::uint64_t length = *u32be(b, at);
        if (length > 0x7fffffffu || (length > b.size() - at - 8 && !starts_with(b, "IDAT", at + 4))) {
            return MakeProblem("the PNG chunk " + chunk_name(b, at + 4) + " claims " + std::to_string(length) +
                               " bytes, more than the file holds");
        }
        if (starts_with(b, "IEND", at + 4)) {
            hd.complete = true;
            break;
        }
        at += 12 + static_cast<std::size_t>(length);
    }
    return hd;
}

struct Reader {
    Bytes bytes;
    std::size_t at = 0;
};

void read_data(png_structp png, png_bytep out, png_size_t count)
{
    auto* r = static_cast<Reader*>(png_get_io_ptr(png));
    if (count > r->bytes.size() - r->at) {
        png_error(png, "the file ends early");
    }
    std::memcpy(out, r->bytes.data() + r->at, count);
    r->at += count;
}

[[noreturn]] void on_error(png_structp png, png_const_charp message)
{
    *static_cast<std::string*>(png_get_error_ptr(png)) = message;
    png_longjmp(png, 1);
}

void on_warning(png_structp, png_const_charp) {}

// Everything a jump out of libpng may leave behind lives here; the
// functions that set a jump point hold no objects of their own.
struct Session {
    Reader reader;
    std::string message;
    png_structp png = nullptr;
    png_infop info = nullptr;
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int passes = 1;
    ColourInfo colour;
    ~Session() { png_destroy_read_struct(&png, &info, nullptr); }
};

// Chunks we never use are skipped unread: text, time, histograms and the
// like cannot cost memory or time.
constexpr png_byte kIgnored[] = "tEXt\0zTXt\0iTXt\0tIME\0hIST\0sPLT\0pCAL\0sCAL\0oFFs\0pHYs\0sTER\0eXIf\0bKGD\0sBIT";

void read_colour(Session& s)
{
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 length = 0;
    if (png_get_iCCP(s.png, s.info, &name, &compression, &profile, &length) && profile && length > 0) {
        s.colour.icc.assign(profile, profile + length);
        return;
    }
    int intent = 0;
    if (png_get_sRGB(s.png, s.info, &intent)) {
        s.colour.srgb = true;
        return;
    }
    double gamma = 0;
    if (png_get_gAMA(s.png, s.info, &gamma) && gamma > 0) {
        s.colour.gamma = gamma;
    }
    std::array<double, 8> c{};
    if (png_get_cHRM(s.png, s.info, &c[0], &c[1], &c[2], &c[3], &c[4], &c[5], &c[6], &c[7])) {
        s.colour.chromaticities = c;
    }
}

bool start(Session& s)
{
    if (setjmp(png_jmpbuf(s.png))) {
        return false;
    }
    png_set_read_fn(s.png, &s.reader, read_data);
    png_set_user_limits(s.png, kMaxSide, kMaxSide);
    png_set_chunk_cache_max(s.png, 256);
    png_set_chunk_malloc_max(s.png, kMaxChunkBytes);
    png_set_keep_unknown_chunks(s.png, PNG_HANDLE_CHUNK_NEVER, kIgnored, sizeof kIgnored / 5);
    // A wrong checksum over data that still decodes is shown, not refused,
    // as other readers do.
    png_set_crc_action(s.png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
    png_read_info(s.png, s.info);
    s.width = png_get_image_width(s.png, s.info);
    s.height = png_get_image_height(s.png, s.info);
    read_colour(s);
    // Palettes, low bit depths and tRNS colour keys become 8-bit BGRA
    // (0xAARRGGBB in memory); 16-bit samples are rounded to 8 bits.
    png_set_expand(s.png);
    png_set_scale_16(s.png);
    png_set_gray_to_rgb(s.png);
    png_set_bgr(s.png);
    png_set_filler(s.png, 0xff, PNG_FILLER_AFTER);
    s.passes = png_set_interlace_handling(s.png);
    png_read_update_info(s.png, s.info);
    if (png_get_rowbytes(s.png, s.info) != static_cast<png_size_t>(s.width) * 4) {
        png_error(s.png, "unexpected row layout");
    }
    return true;
}

bool read_row(Session& s, std::uint32_t* row)
{
    if (setjmp(png_jmpbuf(s.png))) {
        return false;
    }
    png_read_row(s.png, reinterpret_cast<png_bytep>(row), nullptr);
    return true;
}

bool read_image(Session& s, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(s.png))) {
        return false;
    }
    png_read_image(s.png, rows);
    return true;
}

Decoded decode(Bytes bytes, const Header& header, const Request& request)
{
    Session s;
    s.reader.bytes = bytes;
    s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &s.message, on_error, on_warning);
    s.info = s.png ? png_create_info_struct(s.png) : nullptr;
    if (!s.info) {
        return Failed("out of memory");
    }
    if (!start(s)) {
        return Failed(s.message);
    }
    if (static_cast<int>(s.width) != header.width || static_cast<int>(s.height) != header.height) {
        return Failed("the PNG's size changed between its reads");
    }
    const int w = header.width;
    const int h = header.height;
    Decoded d;
    if (s.passes == 1) {
        // Rows are read as the scaler asks for them; after a broken row the
        // rest stay transparent and the picture is partial.
        int rows_read = 0;
        bool broken = false;
        Image scaled = ScaleRows(
            w, h,
            [&](int, std::uint32_t* scratch) {
                if (broken || !read_row(s, scratch)) {
                    broken = true;
                    std::fill(scratch, scratch + w, 0u);
                } else {
                    ++rows_read;
                }
                return static_cast<const std::uint32_t*>(scratch);
            },
            request.out.width, request.out.height);
        if (rows_read == 0) {
            return Failed(s.message);
        }
        d = Succeeded(std::move(scaled), broken);
    } else {
        Image picture(w, h, 0);
        std::vector<png_bytep> rows(static_cast<std::size_t>(h));
        for (int y = 0; y < h; ++y) {
            rows[static_cast<std::size_t>(y)] = reinterpret_cast<png_bytep>(picture.row(y));
        }
        if (!read_image(s, rows.data())) {
            return Failed(s.message);
        }
        d = Succeeded(FitStored(std::move(picture), 1, request.out), false);
    }
    d.colour = std::move(s.colour);
    return d;
}

} // namespace

const Format kPngFormat{"png", {"PNG"}, sniff, read_header, decode};

} // namespace framory::media::detail
