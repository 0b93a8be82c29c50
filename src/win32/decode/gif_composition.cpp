// GIF on Windows: the imaging component reads each frame at its own size;
// the frames are composed here on the logical screen as the media layer
// composes them on Linux.

#include "win32/decode/wic.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace framory::media::detail {

namespace {

// GIF: the imaging component reads each frame at its own size; the frames
// are composed here on the logical screen as the media layer composes them
// on Linux: the first frame through the first one with a nonzero delay (all
// of them when none has one), each frame's disposal honoured, uncovered and
// cleared areas transparent.
struct GifFrame {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int disposal = 0; // 2: cleared afterwards, 3: put back as it was before
};

struct GifLayout {
    int width = 0; // the logical screen
    int height = 0;
    std::vector<GifFrame> frames; // the frames composed
    bool complete = false;        // every one of them is whole in the file
};

GifLayout gif_layout(Bytes b)
{
    GifLayout layout;
    const auto sw = u16le(b, 6);
    const auto sh = u16le(b, 8);
    const auto flags = u8(b, 10);
    if (!sw || !sh || !flags) {
        return layout;
    }
    std::size_t at = 13;
    if (*flags & 0x80) {
        at += 3u * (2u << (*flags & 7));
    }
    int disposal = 0;
    bool delayed = false;
    while (layout.frames.size() < 65536) {
        const auto kind = u8(b, at);
        if (!kind || *kind == 0x3b) {
            layout.complete = kind.has_value();
            break;
        }
        if (*kind == 0x21) {
            if (u8(b, at + 1) == 0xf9u && u8(b, at + 2) == 4u) {
                disposal = static_cast<int>((u8(b, at + 3).value_or(0) >> 2) & 7u);
                delayed = u16le(b, at + 4).value_or(0) != 0;
            }
            at += 2;
            if (!SkipGifSubBlocks(b, at)) {
                break;
            }
            continue;
        }
        const auto left = u16le(b, at + 1);
        const auto top = u16le(b, at + 3);
        const auto w = u16le(b, at + 5);
        const auto h = u16le(b, at + 7);
        const auto iflags = u8(b, at + 9);
        if (*kind != 0x2c || !left || !top || !w || !h || !iflags) {
            layout.complete = *kind != 0x2c && !layout.frames.empty();
            break;
        }
        layout.frames.push_back(
            {static_cast<int>(*left), static_cast<int>(*top), static_cast<int>(*w), static_cast<int>(*h), disposal});
        at += 10 + ((*iflags & 0x80) ? 3u * (2u << (*iflags & 7)) : 0u) + 1;
        if (!SkipGifSubBlocks(b, at)) {
            break;
        }
        if (delayed) {
            layout.complete = true;
            break;
        }
        disposal = 0;
    }
    // A zero screen size takes the first frame's size, as readers do.
    if (!layout.frames.empty()) {
        layout.width = *sw != 0 ? static_cast<int>(*sw) : layout.frames.front().width;
        layout.height = *sh != 0 ? static_cast<int>(*sh) : layout.frames.front().height;
    }
    return layout;
}

} // namespace

Header GifHeader(Bytes b)
{
    const GifLayout layout = gif_layout(b);
    if (layout.frames.empty()) {
        return MakeProblem("GIF has no frame");
    }
    Header h = Sized(layout.width, layout.height);
    if (!h.valid()) {
        return h;
    }
    // A refusal names the first frame that breaks the budget, else the largest.
    bool over = false;
    for (const GifFrame& f : layout.frames) {
        const std::int64_t area = std::int64_t{f.width} * f.height;
        const bool frame_over = f.width > kMaxSide || f.height > kMaxSide || area > kMaxPixels;
        if (!over && (frame_over || area > std::int64_t{h.largest_part.width} * h.largest_part.height)) {
            h.largest_part = Size{f.width, f.height};
            over = frame_over;
        }
    }
    h.frames = static_cast<int>(layout.frames.size());
    h.complete = layout.complete;
    return h;
}

namespace {

// Lays the frame's opaque pixels on the canvas at its place, clipped.
bool draw_gif_frame(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, const GifFrame& place, Image& canvas)
{
    ComPtr<IWICFormatConverter> converter;
    UINT w = 0;
    UINT h = 0;
    if (FAILED(factory->CreateFormatConverter(converter.out())) ||
        FAILED(converter->Initialize(frame, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)) ||
        FAILED(converter->GetSize(&w, &h)) || w == 0 || h == 0 || w > static_cast<UINT>(kMaxSide) ||
        h > static_cast<UINT>(kMaxSide)) {
        return false;
    }
    std::vector<std::uint32_t> pixels(std::size_t{w} * h);
    if (FAILED(converter->CopyPixels(nullptr, w * 4, static_cast<UINT>(pixels.size() * 4),
                                     reinterpret_cast<BYTE*>(pixels.data())))) {
        return false;
    }
    for (int y = 0; y < static_cast<int>(h) && place.top + y < canvas.height(); ++y) {
        for (int x = 0; x < static_cast<int>(w) && place.left + x < canvas.width(); ++x) {
            const std::uint32_t p = pixels[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)];
            if ((p >> 24) != 0) {
                canvas.at(place.left + x, place.top + y) = p;
            }
        }
    }
    return true;
}

} // namespace

Decoded GifDecode(Bytes b, const Header& header, const Request& request)
{
    const GifLayout layout = gif_layout(b);
    // A frame of no width or height draws nothing; the imaging component,
    // which refuses such files, is asked only when some frame has pixels.
    const bool drawn = std::any_of(layout.frames.begin(), layout.frames.end(),
                                   [](const GifFrame& f) { return f.width > 0 && f.height > 0; });
    WicPicture picture;
    UINT count = 0;
    if (drawn) {
        const std::string problem = picture.open(b);
        if (!problem.empty()) {
            return Failed(problem);
        }
        picture.decoder->GetFrameCount(&count);
    }
    Image canvas(layout.width, layout.height, 0u);
    Image saved;
    bool partial = !header.complete;
    const auto area_of = [&](const GifFrame& f) {
        const int right = std::min(f.left + f.width, canvas.width());
        const int bottom = std::min(f.top + f.height, canvas.height());
        return std::pair{right, bottom};
    };
    for (std::size_t i = 0; i < layout.frames.size() && (i < count || !drawn); ++i) {
        if (i > 0) {
            // The previous frame's disposal, now that another frame follows.
            const GifFrame& previous = layout.frames[i - 1];
            const auto [right, bottom] = area_of(previous);
            for (int y = previous.top; y < bottom; ++y) {
                for (int x = previous.left; x < right; ++x) {
                    if (previous.disposal == 2) {
                        canvas.at(x, y) = 0u;
                    } else if (previous.disposal == 3 && !saved.empty()) {
                        canvas.at(x, y) = saved.at(x, y);
                    }
                }
            }
        }
        if (layout.frames[i].disposal == 3) {
            saved = canvas;
        }
        if (layout.frames[i].width == 0 || layout.frames[i].height == 0) {
            continue;
        }
        ComPtr<IWICBitmapFrameDecode> frame;
        if (FAILED(picture.decoder->GetFrame(static_cast<UINT>(i), frame.out())) ||
            !draw_gif_frame(picture.factory.get(), frame.get(), layout.frames[i], canvas)) {
            // A frame the reader refuses: the composition so far is shown, or
            // nothing when it is the first.
            if (i == 0) {
                return Failed("the first frame cannot be read");
            }
            partial = true;
            break;
        }
    }
    return Succeeded(FitStored(std::move(canvas), 1, request.out), partial);
}

} // namespace framory::media::detail
