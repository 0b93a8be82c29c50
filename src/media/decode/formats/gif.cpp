// GIF through giflib, frame by frame without slurping: a picture built of
// several frames shows the composition of the first frame through the
// first one with a nonzero delay (all of them when none has one), with each
// frame's disposal honoured. Uncovered and cleared areas are transparent.
#include <algorithm>
#include <cstring>
#include <vector>

#include <gif_lib.h>

#include "media/decode/format.h"

namespace framory::media::detail {

namespace {

// A picture built of frames without delays is composed frame after frame;
// past these bounds the frames that follow are left out (the composition so
// far is shown), so a file cannot make the work grow without end.
constexpr int kMaxFrames = 65536;
constexpr std::int64_t kMaxComposedPixels = 4 * kMaxPixels;

Match sniff(Bytes b)
{
    return starts_with(b, "GIF87a") || starts_with(b, "GIF89a") ? Match::Strong : Match::None;
}

Header read_header(Bytes b)
{
    const auto sw = u16le(b, 6);
    const auto sh = u16le(b, 8);
    const auto flags = u8(b, 10);
    if (!sw || !sh || !flags) {
        return MakeProblem("GIF header cut short");
    }
    std::size_t at = 13;
    if (*flags & 0x80) {
        at += 3u * (2u << (*flags & 7));
    }
    // Walk the blocks through the frames that will be composed: each
    // frame's size is checked against the budget, and whether their data is
    // all there says if the picture is partial.
    Size first;
    Size largest;
    bool over = false;
    int frames = 0;
    std::int64_t composed = 0;
    bool complete = false;
    bool delayed = false; // the graphic control block before the next frame has a delay
    while (frames < kMaxFrames) {
        const auto kind = u8(b, at);
        if (!kind || *kind == 0x3b) {
            complete = kind.has_value() || frames > 0;
            break;
        }
        if (*kind == 0x21) {
            const auto label = u8(b, at + 1);
            if (label == 0xf9u && u8(b, at + 2) == 4u) {
                delayed = u16le(b, at + 4).value_or(0) != 0;
            }
            at += 2;
            if (!SkipGifSubBlocks(b, at)) {
                break;
            }
            continue;
        }
        if (*kind != 0x2c) {
            complete = frames > 0; // unknown block: the reader stops here
            break;
        }
        const auto w = u16le(b, at + 5);
        const auto h = u16le(b, at + 7);
        const auto iflags = u8(b, at + 9);
        if (!w || !h || !iflags) {
            break;
        }
        const Size frame{static_cast<int>(*w), static_cast<int>(*h)};
        const std::int64_t area = std::int64_t{frame.width} * frame.height;
        if (frames > 0 && composed + area > kMaxComposedPixels) {
            complete = true;
            break;
        }
        if (frames == 0) {
            first = frame;
        }
        // The message of a refusal names the first frame that breaks the
        // budget, else the largest.
        const bool frame_over = frame.width > kMaxSide || frame.height > kMaxSide || area > kMaxPixels;
        if (!over && (frame_over || area > std::int64_t{largest.width} * largest.height)) {
            largest = frame;
            over = frame_over;
        }
        composed += area;
        ++frames;
        at += 10;
        if (*iflags & 0x80) {
            at += 3u * (2u << (*iflags & 7));
        }
        at += 1; // LZW minimum code size
        if (!SkipGifSubBlocks(b, at)) {
            break;
        }
        if (delayed) {
            complete = true;
            break;
        }
        delayed = false;
    }
    if (frames == 0) {
        return MakeProblem("GIF has no frame");
    }
    // A zero screen size takes the first frame's size, as readers do.
    Header h = Sized(*sw != 0 ? *sw : static_cast<std::uint32_t>(first.width),
                     *sh != 0 ? *sh : static_cast<std::uint32_t>(first.height));
    if (!h.valid()) {
        return h;
    }
    h.largest_part = largest;
    h.frames = frames;
    h.complete = complete;
    return h;
}

struct Reader {
    Bytes bytes;
    std::size_t at = 0;
};

int read_data(GifFileType* gif, GifByteType* out, int count)
{
    auto* r = static_cast<Reader*>(gif->UserData);
    const std::size_t take =
        std::min<std::size_t>(static_cast<std::size_t>(std::max(count, 0)), r->bytes.size() - r->at);
    std::memcpy(out, r->bytes.data() + r->at, take);
    r->at += take;
    return static_cast<int>(take);
}

struct Closer {
    GifFileType* gif = nullptr;
    ~Closer()
    {
        if (gif) {
            int error = 0;
            DGifCloseFile(gif, &error);
        }
    }
};

struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

void clear(Image& canvas, const Rect& r)
{
    for (int y = r.top; y < r.top + r.height; ++y) {
        std::fill(canvas.row(y) + r.left, canvas.row(y) + r.left + r.width, 0u);
    }
}

void copy_rect(const Image& from, Image& to, const Rect& r)
{
    for (int y = r.top; y < r.top + r.height; ++y) {
        std::copy(from.row(y) + r.left, from.row(y) + r.left + r.width, to.row(y) + r.left);
    }
}

// The rows of an interlaced frame come in four passes.
int interlaced_row(int i, int height)
{
    const int pass1 = (height + 7) / 8;
    const int pass2 = (height + 3) / 8;
    const int pass3 = (height + 1) / 4;
    if (i < pass1) {
        return i * 8;
    }
    i -= pass1;
    if (i < pass2) {
        return 4 + i * 8;
    }
    i -= pass2;
    if (i < pass3) {
        return 2 + i * 4;
    }
    return 1 + (i - pass3) * 2;
}

Decoded decode(Bytes bytes, const Header& header, const Request& request)
{
    Reader reader{bytes, 0};
    int error = 0;
    Closer file{DGifOpen(&reader, read_data, &error)};
    GifFileType* gif = file.gif;
    if (!gif) {
        return Failed(GifErrorString(error));
    }
    Image canvas(header.width, header.height, 0);
    Image saved; // what a frame that restores the previous picture covered
    std::vector<GifPixelType> line;
    GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
    Rect last;
    int last_disposal = DISPOSAL_UNSPECIFIED;
    int frames = 0;
    int first_rows = 0; // rows of the first frame that decoded
    bool broken = false;
    while (frames < header.frames && !broken) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR || type == TERMINATE_RECORD_TYPE) {
            break;
        }
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) {
                break;
            }
            if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] == 4) {
                DGifExtensionToGCB(block[0], block + 1, &control);
            }
            // Every sub-block is read, whatever its length.
            while (block) {
                if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) {
                    broken = true;
                    break;
                }
            }
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE) {
            continue;
        }
        if (DGifGetImageDesc(gif) == GIF_ERROR) {
            // A frame of no area whose data is missing adds nothing.
            if (gif->Image.Width == 0 || gif->Image.Height == 0) {
                ++frames;
                broken = true;
            }
            break;
        }
        // The previous frame's disposal, now that another frame follows.
        if (last_disposal == DISPOSE_BACKGROUND) {
            clear(canvas, last);
        } else if (last_disposal == DISPOSE_PREVIOUS && !saved.empty()) {
            copy_rect(saved, canvas, last);
        }
        const GifImageDesc& desc = gif->Image;
        const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
        const int fw = desc.Width;
        const int fh = desc.Height;
        // The frame as it lands on the canvas: whatever lies outside is cut.
        Rect r;
        r.left = std::clamp(desc.Left, 0, canvas.width());
        r.top = std::clamp(desc.Top, 0, canvas.height());
        r.width = std::clamp(desc.Left + fw, 0, canvas.width()) - r.left;
        r.height = std::clamp(desc.Top + fh, 0, canvas.height()) - r.top;
        if (control.DisposalMode == DISPOSE_PREVIOUS) {
            if (saved.empty()) {
                saved = Image(canvas.width(), canvas.height(), 0);
            }
            copy_rect(canvas, saved, r);
        }
        if (fw > 0 && fh > 0) {
            line.resize(static_cast<std::size_t>(fw));
            for (int i = 0; i < fh; ++i) {
                if (DGifGetLine(gif, line.data(), fw) == GIF_ERROR) {
                    broken = true;
                    break;
                }
                first_rows += frames == 0 ? 1 : 0;
                const int y = desc.Top + (desc.Interlace ? interlaced_row(i, fh) : i);
                if (y < r.top || y >= r.top + r.height || !map) {
                    continue;
                }
                std::uint32_t* out = canvas.row(y);
                for (int x = r.left; x < r.left + r.width; ++x) {
                    const int index = line[static_cast<std::size_t>(x - desc.Left)];
                    if (index == control.TransparentColor || index >= map->ColorCount) {
                        continue;
                    }
                    const GifColorType& c = map->Colors[index];
                    out[x] = Argb(c.Red, c.Green, c.Blue);
                }
            }
        } else {
            // A frame without area still carries its (empty) data.
            int code_size = 0;
            GifByteType* block = nullptr;
            if (DGifGetCode(gif, &code_size, &block) == GIF_ERROR) {
                broken = true;
            }
            while (block && !broken) {
                if (DGifGetCodeNext(gif, &block) == GIF_ERROR) {
                    broken = true;
                    break;
                }
            }
        }
        ++frames;
        last = r;
        last_disposal = control.DisposalMode;
        control = GraphicsControlBlock{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
        // giflib keeps a record of every frame it has seen; the composition
        // needs none of them, and a long file would pile them up.
        GifFreeSavedImages(gif);
        gif->ImageCount = 0;
    }
    // A first frame with pixels none of which decode shows nothing.
    if (frames == 0 || (first_rows == 0 && broken && header.largest_part.width > 0 && header.largest_part.height > 0)) {
        return Failed(gif->Error != 0 ? std::string("the GIF's data cannot be read: ") + GifErrorString(gif->Error)
                                      : std::string("GIF has no frame"));
    }
    return Succeeded(FitStored(std::move(canvas), 1, request.out), broken || !header.complete);
}

} // namespace

const Format kGifFormat{"gif", {"GIF"}, sniff, read_header, decode};

} // namespace framory::media::detail
