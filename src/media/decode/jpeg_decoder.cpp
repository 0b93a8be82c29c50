// JPEG through libjpeg-turbo directly. libjpeg-turbo's IDCT can produce any
// eighth of the stored size (3/8, 5/8 ... not only 1/2, 1/4, 1/8), so the
// picture is decoded at the smallest scale that still covers the target and
// straight into our pixel layout, with no intermediate copy. The colour
// spaces it cannot hand over that way (CMYK and YCCK) go to Qt's reader.
#include "media/decode/decoders.h"

#include "media/image/scale.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

namespace framory::media::detail {

namespace {

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

// Turns a picture stored in EXIF orientation 1..8 upright.
Image upright(Image stored, int orientation)
{
    if (orientation <= 1 || orientation > 8) {
        return stored;
    }
    const int w = stored.width();
    const int h = stored.height();
    const bool swap = orientation >= 5;
    Image out(swap ? h : w, swap ? w : h);
    for (int y = 0; y < h; ++y) {
        const std::uint32_t* row = stored.row(y);
        for (int x = 0; x < w; ++x) {
            int ox = x;
            int oy = y;
            switch (orientation) {
            case 2: ox = w - 1 - x; break;                   // mirrored
            case 3: ox = w - 1 - x; oy = h - 1 - y; break;   // turned half round
            case 4: oy = h - 1 - y; break;                   // mirrored upside down
            case 5: ox = y; oy = x; break;                   // mirrored along the main diagonal
            case 6: ox = h - 1 - y; oy = x; break;           // turned a quarter clockwise
            case 7: ox = h - 1 - y; oy = w - 1 - x; break;   // mirrored along the other diagonal
            default: ox = y; oy = w - 1 - x; break;          // 8: turned a quarter anticlockwise
            }
            out.at(ox, oy) = row[x];
        }
    }
    return out;
}

} // namespace

std::optional<Decoded> DecodeJpegDirect(Bytes bytes, const Header& header, Size out)
{
    jpeg_decompress_struct info{};
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = on_error;
    errors.base.emit_message = on_message;
    // Everything that may be left behind by a jump lives outside the jump's
    // reach: the picture is held in `picture`, declared before setjmp.
    Image picture;
    if (setjmp(errors.jump) != 0) {
        jpeg_destroy_decompress(&info);
        return Failed(errors.message);
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK) {
        jpeg_destroy_decompress(&info);
        return std::nullopt;
    }
    const bool swapped = header.orientation >= 5;
    const int need_w = swapped ? out.height : out.width;
    const int need_h = swapped ? out.width : out.height;
    const unsigned n = (need_w <= 0 || need_h <= 0)
                           ? 8u
                           : std::max(scale_numerator(static_cast<int>(info.image_width), need_w),
                                      scale_numerator(static_cast<int>(info.image_height), need_h));
    info.scale_num = n;
    info.scale_denom = 8;
    info.out_color_space = JCS_EXT_BGRA; // 0xAARRGGBB in memory on a little-endian machine
    // Reduced pictures are averaged down further by our scaler, which hides
    // the difference of the faster integer transform.
    info.dct_method = n < 8 ? JDCT_IFAST : JDCT_ISLOW;
    info.do_fancy_upsampling = n < 8 ? FALSE : TRUE;
    jpeg_start_decompress(&info);
    if (static_cast<std::int64_t>(info.output_width) * info.output_height > kMaxPixels) {
        jpeg_destroy_decompress(&info);
        return Failed("decoded picture exceeds the budget");
    }
    picture = Image(static_cast<int>(info.output_width), static_cast<int>(info.output_height));
    // Several rows a call, straight into the picture.
    constexpr JDIMENSION kRowsPerCall = 16;
    while (info.output_scanline < info.output_height) {
        JSAMPROW rows[kRowsPerCall];
        const JDIMENSION first = info.output_scanline;
        const JDIMENSION count = std::min(kRowsPerCall, info.output_height - first);
        for (JDIMENSION i = 0; i < count; ++i) {
            rows[i] = reinterpret_cast<JSAMPROW>(picture.row(static_cast<int>(first + i)));
        }
        if (jpeg_read_scanlines(&info, rows, count) == 0) {
            break;
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);

    Decoded d;
    d.status = DecodeStatus::Ok;
    d.partial = !header.complete;
    picture = upright(std::move(picture), header.orientation);
    if (out.width <= 0 || out.height <= 0 || (picture.width() == out.width && picture.height() == out.height)) {
        d.image = std::move(picture);
    } else {
        d.image = ScaleImage(picture, out.width, out.height);
    }
    return d;
}

} // namespace framory::media::detail
