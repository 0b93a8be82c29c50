// JPEG through libjpeg-turbo. The IDCT can produce any eighth of the
// stored size, so the picture is decoded at the smallest scale that still
// covers the target and straight into our pixel layout; CMYK and YCCK
// pictures go through their embedded profile (or the plain ink formula).
// EXIF orientation is honoured.
#include <algorithm>
#include <condition_variable>
#include <csetjmp>
#include <limits>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

#include "media/decode/format.h"
#include "media/image/scale.h"

namespace framory::media::detail {

namespace {

// The Orientation tag of IFD0 of an EXIF block (a TIFF structure).
int exif_orientation(Bytes tiff)
{
    bool little = false;
    if (starts_with(tiff, "II*")) {
        little = true;
    } else if (!starts_with(tiff, "MM")) {
        return 1;
    }
    auto r16 = [&](std::size_t at) { return little ? u16le(tiff, at) : u16be(tiff, at); };
    auto r32 = [&](std::size_t at) { return little ? u32le(tiff, at) : u32be(tiff, at); };
    const auto ifd = r32(4);
    if (!ifd) {
        return 1;
    }
    const auto count = r16(*ifd);
    if (!count) {
        return 1;
    }
    for (std::uint32_t i = 0; i < *count; ++i) {
        const std::size_t entry = std::size_t{*ifd} + 2 + 12 * std::size_t{i};
        const auto tag = r16(entry);
        if (!tag) {
            break;
        }
        if (*tag == 0x0112) {
            const auto value = r16(entry + 8);
            if (value && *value >= 1 && *value <= 8) {
                return static_cast<int>(*value);
            }
            return 1;
        }
    }
    return 1;
}

Match sniff(Bytes b)
{
    return b.size() >= 3 && b[0] == 0xff && b[1] == 0xd8 && b[2] == 0xff ? Match::Strong : Match::None;
}

Header read_header(Bytes b)
{
    std::size_t at = 2;
    int orientation = 1;
    std::optional<Header> found;
    while (at < b.size()) {
        if (b[at] != 0xff) {
            ++at; // garbage between segments: look for the next marker
            continue;
        }
        while (at < b.size() && b[at] == 0xff) {
            ++at;
        }
        const auto marker = u8(b, at);
        if (!marker) {
            break;
        }
        ++at;
        if (*marker == 0xd8 || *marker == 0x01 || (*marker >= 0xd0 && *marker <= 0xd7)) {
            continue;
        }
        if (*marker == 0xd9 || *marker == 0xda) {
            break;
        }
        const auto len = u16be(b, at);
        if (!len || *len < 2) {
            break;
        }
        const std::size_t payload = at + 2;
        const std::size_t payload_len = *len - 2u;
        if (*marker == 0xe1 && starts_with(b, std::string_view("Exif\0\0", 6), payload) && payload_len > 6 &&
            payload + payload_len <= b.size()) {
            orientation = exif_orientation(b.subspan(payload + 6, payload_len - 6));
        }
        const bool sof = *marker >= 0xc0 && *marker <= 0xcf && *marker != 0xc4 && *marker != 0xc8 && *marker != 0xcc;
        if (sof && !found) {
            const auto h = u16be(b, payload + 1);
            const auto w = u16be(b, payload + 3);
            if (!h || !w) {
                return MakeProblem("JPEG frame header cut short");
            }
            found = Sized(*w, *h);
            if (!found->valid()) {
                return *found;
            }
        }
        at = payload + payload_len;
    }
    if (!found) {
        return MakeProblem("JPEG has no frame header");
    }
    found->orientation = orientation;
    // The end-of-image marker sits at the end; trailing padding is common,
    // so look for it near the end rather than in the last two bytes only.
    found->complete = false;
    const std::size_t from = b.size() > 64 ? b.size() - 64 : 0;
    for (std::size_t i = from; i + 1 < b.size(); ++i) {
        if (b[i] == 0xff && b[i + 1] == 0xd9) {
            found->complete = true;
        }
    }
    return *found;
}

struct ErrorManager {
    jpeg_error_mgr base{};
    std::jmp_buf jump{};
    char message[JMSG_LENGTH_MAX] = {};
};

[[noreturn]] void on_error(j_common_ptr info)
{
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

// Warnings (a file cut short among them) are not fatal: libjpeg fills what
// is missing with grey and goes on, which gives the partial picture.
void on_message(j_common_ptr, int) {}

// A progressive picture decodes every scan over the whole picture, and a
// small file can hold thousands of tiny scans. Real pictures have a few
// dozen at most; past this many the file is refused.
constexpr int kMaxScans = 500;

void on_progress(j_common_ptr info)
{
    auto* d = reinterpret_cast<j_decompress_ptr>(info);
    if (d->input_scan_number > kMaxScans) {
        auto* errors = reinterpret_cast<ErrorManager*>(info->err);
        std::snprintf(errors->message, sizeof errors->message, "the JPEG has more than %d scans", kMaxScans);
        std::longjmp(errors->jump, 1);
    }
}

// The smallest numerator n (of n/8) whose output still covers `need`.
// Only 1/8, 2/8 and 4/8 are offered: libjpeg-turbo's vector code covers
// those reduced transforms, and measured here 4/8 with it beats 3/8 or 5/8
// without it.
unsigned scale_numerator(int stored, int need)
{
    for (unsigned n = 1; n < 8; n *= 2) {
        if ((static_cast<std::int64_t>(stored) * n + 7) / 8 >= need) {
            return n;
        }
    }
    return 8;
}

// How many rows are decoded, for the thread that scales them meanwhile.
class RowsDone {
public:
    void publish(int rows)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_rows = rows;
        }
        m_changed.notify_one();
    }
    void finish() { publish(std::numeric_limits<int>::max()); }
    void wait_for(int row)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_rows > row; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_rows = 0;
};

// The decompressor, the buffers and the scaling thread a jump out of
// libjpeg may leave behind live here, outside the reach of setjmp.
struct Session {
    jpeg_decompress_struct info{};
    ErrorManager errors;
    jpeg_progress_mgr progress{};
    Image picture;
    std::vector<std::uint8_t> cmyk;
    std::vector<std::uint8_t> icc;
    std::optional<CmykConverter> converter;
    RowsDone rows_done;
    std::thread scaler;
    Image scaled;
    ~Session()
    {
        rows_done.finish();
        if (scaler.joinable()) {
            scaler.join();
        }
        jpeg_destroy_decompress(&info);
    }
};

Decoded decode(Bytes bytes, const Header& header, const Request& request)
{
    Session s;
    s.info.err = jpeg_std_error(&s.errors.base);
    s.errors.base.error_exit = on_error;
    s.errors.base.emit_message = on_message;
    if (setjmp(s.errors.jump) != 0) {
        return Failed(s.errors.message);
    }
    jpeg_create_decompress(&s.info);
    s.progress.progress_monitor = on_progress;
    s.info.progress = &s.progress;
    jpeg_mem_src(&s.info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_save_markers(&s.info, JPEG_APP0 + 2, 0xffff); // ICC profile chunks
    jpeg_read_header(&s.info, TRUE);
    JOCTET* icc = nullptr;
    unsigned int icc_length = 0;
    if (jpeg_read_icc_profile(&s.info, &icc, &icc_length) && icc) {
        s.icc.assign(icc, icc + icc_length);
        std::free(icc);
    }
    const bool cmyk = s.info.jpeg_color_space == JCS_CMYK || s.info.jpeg_color_space == JCS_YCCK;
    const Size need = StoredSize(request.out, header.orientation);
    const unsigned n = std::max(scale_numerator(static_cast<int>(s.info.image_width), need.width),
                                scale_numerator(static_cast<int>(s.info.image_height), need.height));
    s.info.scale_num = n;
    s.info.scale_denom = 8;
    // BGRA is 0xAARRGGBB in memory on a little-endian machine; CMYK comes
    // as it is stored (YCCK made CMYK by the library).
    s.info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    // Reduced pictures are averaged down further by our scaler, which hides
    // the difference of the faster integer transform.
    s.info.dct_method = n < 8 ? JDCT_IFAST : JDCT_ISLOW;
    s.info.do_fancy_upsampling = n < 8 ? FALSE : TRUE;
    jpeg_start_decompress(&s.info);
    if (static_cast<std::int64_t>(s.info.output_width) * s.info.output_height > kMaxPixels) {
        return Failed("decoded picture exceeds the budget", DecodeStatus::TooLarge);
    }
    s.picture = Image(static_cast<int>(s.info.output_width), static_cast<int>(s.info.output_height));
    if (cmyk) {
        s.cmyk.resize(static_cast<std::size_t>(s.info.output_width) * 4);
        // Adobe's CMYK JPEGs store 255 for no ink.
        s.converter.emplace(s.icc, s.info.saw_Adobe_marker != 0, request.colour);
    }
    // The scaler works on the rows already decoded while libjpeg decodes
    // the next ones: on two cores the scale costs next to nothing.
    const bool scaling = s.picture.width() != need.width || s.picture.height() != need.height;
    if (scaling) {
        s.scaler = std::thread([&s, need] {
            s.scaled = ScaleRows(
                s.picture.width(), s.picture.height(),
                [&s](int y, std::uint32_t*) {
                    s.rows_done.wait_for(y);
                    return static_cast<const std::uint32_t*>(s.picture.row(y));
                },
                need.width, need.height);
        });
    }
    // Several rows a call, straight into the picture.
    constexpr JDIMENSION kRowsPerCall = 16;
    while (s.info.output_scanline < s.info.output_height) {
        JSAMPROW rows[kRowsPerCall];
        const JDIMENSION first = s.info.output_scanline;
        const JDIMENSION count = cmyk ? 1 : std::min(kRowsPerCall, s.info.output_height - first);
        for (JDIMENSION i = 0; i < count; ++i) {
            rows[i] = cmyk ? s.cmyk.data() : reinterpret_cast<JSAMPROW>(s.picture.row(static_cast<int>(first + i)));
        }
        if (jpeg_read_scanlines(&s.info, rows, count) == 0) {
            break;
        }
        if (cmyk) {
            s.converter->convert(s.cmyk.data(), s.picture.row(static_cast<int>(first)), s.info.output_width);
        }
        s.rows_done.publish(static_cast<int>(s.info.output_scanline));
    }
    s.rows_done.finish();
    jpeg_finish_decompress(&s.info);
    if (scaling) {
        s.scaler.join();
    }
    Decoded d = Succeeded(Orient(scaling ? std::move(s.scaled) : std::move(s.picture), header.orientation),
                          !header.complete);
    if (cmyk) {
        d.colour.converted = true;
    } else {
        d.colour.icc = std::move(s.icc);
    }
    return d;
}

} // namespace

const Format kJpegFormat{"jpeg", {"JPG", "JIF", "KQP"}, sniff, read_header, decode};

} // namespace framory::media::detail
