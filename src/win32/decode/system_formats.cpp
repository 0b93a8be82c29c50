// The formats the Windows build reads, and the system's readers behind the
// ones our own code does not read: the Windows Imaging Component for JPEG,
// PNG, GIF and TIFF (with their colour contexts), GDI for metafiles.
//
// Where both could read a format, our own decoder wins: BMP and headerless
// DIB (ours reads the whole BMP suite right, RLE with deltas, bit fields,
// OS/2 headers, and the same on every system, where the imaging component
// differs between Windows versions and Wine), PCX, Radiance, TGA, Softimage
// PIC, Utah RLE and WordPerfect graphics (the imaging component reads none
// of these). The sniff, header check
// and pixel budget are the media layer's, for every format.

#include "media/decode/colour.h"
#include "media/decode/format.h"
#include "win32/platform/desktop_output.h"

#include <wincodec.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace framory::media::detail {

namespace {

template <typename T> class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    T** out()
    {
        reset();
        return &m_p;
    }
    T* operator->() const { return m_p; }
    T* get() const { return m_p; }
    void reset()
    {
        if (m_p != nullptr) {
            m_p->Release();
            m_p = nullptr;
        }
    }

private:
    T* m_p = nullptr;
};

// COM on the calling thread for as long as one lives; decodes run on the
// show's background threads and in the worker.
class ComApartment {
public:
    ComApartment() : m_ok(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {}
    ~ComApartment()
    {
        if (m_ok) {
            CoUninitialize();
        }
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool m_ok;
};

// One picture opened by the imaging component from the file's bytes.
struct WicPicture {
    ComApartment apartment;
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    UINT width = 0;
    UINT height = 0;

    // Empty when it opened, else why not.
    std::string open(Bytes b)
    {
        if (b.size() > 0x7fffffffu) {
            return "file too long";
        }
        if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                    reinterpret_cast<void**>(factory.out())))) {
            return "the imaging component is missing";
        }
        if (FAILED(factory->CreateStream(stream.out())) ||
            FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(b.data()), static_cast<DWORD>(b.size()))) ||
            FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                    decoder.out()))) {
            return "the imaging component does not read it";
        }
        if (FAILED(decoder->GetFrame(0, frame.out())) || FAILED(frame->GetSize(&width, &height))) {
            return "the first frame cannot be read";
        }
        return {};
    }
};

// The orientation tag (0x0112) of the first directory of a TIFF structure
// starting at `tiff`, 1..8; 1 when none is recorded. The imaging component
// reports it but does not apply it, so it is read here from the bytes.
int tiff_orientation(Bytes b, std::size_t tiff)
{
    const bool little = u8(b, tiff) == 0x49u; // "II"
    const auto get16 = [&](std::size_t o) { return (little ? u16le(b, o) : u16be(b, o)).value_or(0); };
    const auto get32 = [&](std::size_t o) { return (little ? u32le(b, o) : u32be(b, o)).value_or(0); };
    const std::size_t ifd = tiff + get32(tiff + 4);
    const std::uint32_t entries = get16(ifd);
    for (std::uint32_t i = 0; i < entries && i < 512; ++i) {
        const std::size_t entry = ifd + 2 + i * 12;
        if (get16(entry) == 0x0112) {
            const std::uint32_t o = get16(entry + 8);
            return o >= 1 && o <= 8 ? static_cast<int>(o) : 1;
        }
    }
    return 1;
}

// A JPEG's EXIF orientation: its APP1 "Exif" segment is a TIFF structure.
int jpeg_orientation(Bytes b)
{
    std::size_t at = 2;
    while (at + 4 <= b.size() && b[at] == 0xff) {
        const std::uint8_t marker = b[at + 1];
        const std::size_t length = *u16be(b, at + 2);
        if (marker == 0xda || marker == 0xd9 || length < 2) {
            break;
        }
        const std::size_t start = at + 4;
        if (marker == 0xe1 && starts_with(b, std::string_view("Exif\0\0", 6), start)) {
            return tiff_orientation(b, start + 6);
        }
        at = start + length - 2;
    }
    return 1;
}

Header wic_header(Bytes b, int orientation)
{
    WicPicture picture;
    const std::string problem = picture.open(b);
    if (!problem.empty()) {
        return MakeProblem(problem);
    }
    Header h = Sized(picture.width, picture.height);
    h.orientation = orientation;
    return h;
}

// A JPEG's size from its frame header, read before the imaging component
// sees the file: some readers decode a whole frame on opening it, which a
// file claiming 65500x65500 must never reach.
Header jpeg_header(Bytes b)
{
    std::size_t at = 2;
    while (at + 4 <= b.size() && b[at] == 0xff) {
        const std::uint8_t marker = b[at + 1];
        const std::size_t length = *u16be(b, at + 2);
        const bool frame = marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc;
        if (frame) {
            const auto height = u16be(b, at + 5);
            const auto width = u16be(b, at + 7);
            if (!height || !width) {
                break;
            }
            Header h = Sized(*width, *height);
            h.orientation = jpeg_orientation(b);
            return h;
        }
        if (marker == 0xda || marker == 0xd9 || length < 2) {
            break;
        }
        at += 2 + length;
    }
    return MakeProblem("JPEG frame header missing");
}

// A PNG's size from its first chunk, for the same reason.
Header png_header(Bytes b)
{
    if (!starts_with(b, "IHDR", 12)) {
        return MakeProblem("PNG header chunk missing");
    }
    return Sized(u32be(b, 16).value_or(0), u32be(b, 20).value_or(0));
}

Header tiff_header(Bytes b)
{
    return wic_header(b, tiff_orientation(b, 0));
}

Decoded wic_decode(Bytes b, const Header& header, const Request& request)
{
    WicPicture picture;
    const std::string problem = picture.open(b);
    if (!problem.empty()) {
        return Failed(problem);
    }
    IWICBitmapSource* source = picture.frame.get();
    IWICImagingFactory* factory = picture.factory.get();

    // An embedded colour profile is turned into sRGB where the system can.
    ComPtr<IWICColorContext> embedded;
    ComPtr<IWICColorContext> srgb;
    ComPtr<IWICColorTransform> colour;
    UINT contexts = 0;
    if (SUCCEEDED(picture.frame->GetColorContexts(0, nullptr, &contexts)) && contexts > 0 &&
        SUCCEEDED(factory->CreateColorContext(embedded.out())) && SUCCEEDED(factory->CreateColorContext(srgb.out()))) {
        IWICColorContext* first = embedded.get();
        UINT got = 0;
        if (SUCCEEDED(picture.frame->GetColorContexts(1, &first, &got)) && got == 1 &&
            SUCCEEDED(srgb->InitializeFromExifColorSpace(1)) &&
            SUCCEEDED(factory->CreateColorTransformer(colour.out())) &&
            SUCCEEDED(colour->Initialize(source, embedded.get(), srgb.get(), GUID_WICPixelFormat32bppBGRA))) {
            source = colour.get();
        }
    }

    const Size stored = StoredSize(request.out, header.orientation);
    ComPtr<IWICBitmapScaler> scaler;
    if ((static_cast<UINT>(stored.width) != picture.width || static_cast<UINT>(stored.height) != picture.height) &&
        SUCCEEDED(factory->CreateBitmapScaler(scaler.out())) &&
        SUCCEEDED(scaler->Initialize(source, static_cast<UINT>(stored.width), static_cast<UINT>(stored.height),
                                     WICBitmapInterpolationModeFant))) {
        source = scaler.get();
    }
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(converter.out())) ||
        FAILED(converter->Initialize(source, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom))) {
        return Failed("the pixels cannot be converted");
    }
    UINT w = 0;
    UINT h = 0;
    converter->GetSize(&w, &h);
    if (w == 0 || h == 0 || w > static_cast<UINT>(kMaxSide) || h > static_cast<UINT>(kMaxSide) ||
        std::int64_t{w} * h > kMaxPixels) {
        return Failed("the converted picture is unusable");
    }
    // 32bppBGRA in memory is 0xAARRGGBB as little-endian words, straight alpha.
    Image image(static_cast<int>(w), static_cast<int>(h));
    if (FAILED(converter->CopyPixels(nullptr, w * 4, static_cast<UINT>(image.pixel_count() * 4),
                                     reinterpret_cast<BYTE*>(image.data())))) {
        return Failed("the picture's data is broken");
    }
    return Succeeded(FitStored(std::move(image), header.orientation, request.out), !header.complete);
}

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

Header gif_header(Bytes b)
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

Decoded gif_decode(Bytes b, const Header& header, const Request& request)
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

Match sniff_jpeg(Bytes b)
{
    return starts_with(b, "\xff\xd8\xff") ? Match::Strong : Match::None;
}

Match sniff_png(Bytes b)
{
    return starts_with(b, "\x89PNG\r\n\x1a\n") ? Match::Strong : Match::None;
}

Match sniff_gif(Bytes b)
{
    return starts_with(b, "GIF87a") || starts_with(b, "GIF89a") ? Match::Strong : Match::None;
}

Match sniff_tiff(Bytes b)
{
    return starts_with(b, std::string_view("II*\0", 4)) || starts_with(b, std::string_view("MM\0*", 4)) ? Match::Strong
                                                                                                        : Match::None;
}

// Metafiles: a placeable header (its frame in its own units per inch) or
// a standard one (the frame from the records' window extent, in twips),
// both taken at 96 dots per inch.
constexpr std::size_t kPlaceable = 22;

bool placeable(Bytes b)
{
    return starts_with(b, "\xd7\xcd\xc6\x9a");
}

Match sniff_wmf(Bytes b)
{
    if (placeable(b)) {
        return Match::Strong;
    }
    const auto type = u16le(b, 0);
    const auto words = u16le(b, 2);
    const auto version = u16le(b, 4);
    return type && words && version && (*type == 1 || *type == 2) && *words == 9 &&
                   (*version == 0x100 || *version == 0x300)
               ? Match::Strong
               : Match::None;
}

class Metafile {
public:
    explicit Metafile(Bytes b)
    {
        const std::size_t at = placeable(b) ? kPlaceable : 0;
        if (b.size() >= at + 18 && u16le(b, at + 2) == 9u) {
            m_h = SetWinMetaFileBits(static_cast<UINT>(b.size() - at), b.data() + at, nullptr, nullptr);
        }
    }
    ~Metafile()
    {
        if (m_h != nullptr) {
            DeleteEnhMetaFile(m_h);
        }
    }
    Metafile(const Metafile&) = delete;
    Metafile& operator=(const Metafile&) = delete;
    HENHMETAFILE get() const { return m_h; }

private:
    HENHMETAFILE m_h = nullptr;
};

Header wmf_header(Bytes b)
{
    double width_inches = 0;
    double height_inches = 0;
    if (placeable(b)) {
        const auto inch = u16le(b, 14);
        if (b.size() < kPlaceable || !inch || *inch == 0) {
            return MakeProblem("the metafile's frame has no unit");
        }
        const auto side = [&](std::size_t from, std::size_t to) {
            return std::abs(static_cast<std::int16_t>(*u16le(b, to)) - static_cast<std::int16_t>(*u16le(b, from))) /
                   static_cast<double>(*inch);
        };
        width_inches = side(6, 10);
        height_inches = side(8, 12);
    }
    const Metafile metafile(b);
    if (metafile.get() == nullptr) {
        return MakeProblem("the metafile's records are broken");
    }
    if (width_inches <= 0 || height_inches <= 0) {
        ENHMETAHEADER header{};
        GetEnhMetaFileHeader(metafile.get(), sizeof header, &header);
        // The frame is in 0.01 mm.
        width_inches = (header.rclFrame.right - header.rclFrame.left) / 2540.0;
        height_inches = (header.rclFrame.bottom - header.rclFrame.top) / 2540.0;
    }
    return Sized(std::llround(width_inches * 96.0), std::llround(height_inches * 96.0));
}

Decoded wmf_decode(Bytes b, const Header& header, const Request& request)
{
    const Metafile metafile(b);
    const Size out = request.out;
    BITMAPINFO info = win32::TopDownInfo(out.width, out.height);
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP dib = dc != nullptr ? CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    Decoded d = Failed("the metafile cannot be drawn");
    if (metafile.get() != nullptr && dib != nullptr) {
        HGDIOBJ old = SelectObject(dc, dib);
        RECT all{0, 0, out.width, out.height};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        PlayEnhMetaFile(dc, metafile.get(), &all);
        GdiFlush();
        Image image(out.width, out.height);
        std::memcpy(image.data(), bits, image.pixel_count() * 4);
        for (std::size_t i = 0; i < image.pixel_count(); ++i) {
            image.data()[i] |= 0xff000000u;
        }
        SelectObject(dc, old);
        d = Succeeded(std::move(image), !header.complete);
    }
    if (dib != nullptr) {
        DeleteObject(dib);
    }
    if (dc != nullptr) {
        DeleteDC(dc);
    }
    return d;
}

} // namespace

const Format kJpegFormat{"jpeg", {"JPG", "JPE", "JIF"}, sniff_jpeg, jpeg_header, wic_decode};
const Format kPngFormat{"png", {"PNG"}, sniff_png, png_header, wic_decode};
const Format kGifFormat{"gif", {"GIF"}, sniff_gif, gif_header, gif_decode};
const Format kTiffFormat{"tiff", {"TIF", "IFF"}, sniff_tiff, tiff_header, wic_decode};
const Format kWmfFormat{"wmf", {"WMF"}, sniff_wmf, wmf_header, wmf_decode};

namespace {

constexpr const Format* kTable[] = {
    &kJpegFormat, &kPngFormat, &kGifFormat,     &kBmpFormat, &kTiffFormat, &kSoftimageFormat, &kRadianceFormat,
    &kWmfFormat,  &kWpgFormat, &kUtahRleFormat, &kPcxFormat, &kTgaFormat,  &kDibFormat,
};

} // namespace

std::span<const Format* const> Formats()
{
    return kTable;
}

void PrepareLibraries()
{
    // The system's readers need no set-up beyond COM, which each decode
    // takes on its own thread.
}

// Colours on Windows: pictures end in sRGB; the display's profile is left
// to the system's colour management. An embedded profile of a picture our
// own code read (a BMP's) is applied through the imaging component.
struct ColourTarget::Handles {};

ColourTarget::ColourTarget(std::span<const std::uint8_t> /*display_icc*/) {}
ColourTarget::~ColourTarget() = default;

bool ColourTarget::is_srgb() const
{
    return true;
}

void* ColourTarget::profile() const
{
    return nullptr;
}

void ApplyColour(const ColourInfo& info, const ColourTarget& /*target*/, Image& image)
{
    if (info.converted || info.icc.empty() || image.empty() || info.icc.size() > 0x7fffffffu) {
        return;
    }
    const ComApartment apartment;
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICBitmap> bitmap;
    ComPtr<IWICColorContext> embedded;
    ComPtr<IWICColorContext> srgb;
    ComPtr<IWICColorTransform> transform;
    const auto stride = static_cast<UINT>(image.width() * 4);
    const auto bytes = static_cast<UINT>(image.pixel_count() * 4);
    // A profile the system cannot use leaves the pixels as they are.
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(factory.out()))) ||
        FAILED(factory->CreateBitmapFromMemory(static_cast<UINT>(image.width()), static_cast<UINT>(image.height()),
                                               GUID_WICPixelFormat32bppBGRA, stride, bytes,
                                               reinterpret_cast<BYTE*>(image.data()), bitmap.out())) ||
        FAILED(factory->CreateColorContext(embedded.out())) || FAILED(factory->CreateColorContext(srgb.out())) ||
        FAILED(embedded->InitializeFromMemory(info.icc.data(), static_cast<UINT>(info.icc.size()))) ||
        FAILED(srgb->InitializeFromExifColorSpace(1)) || FAILED(factory->CreateColorTransformer(transform.out())) ||
        FAILED(transform->Initialize(bitmap.get(), embedded.get(), srgb.get(), GUID_WICPixelFormat32bppBGRA))) {
        return;
    }
    Image converted(image.width(), image.height());
    if (SUCCEEDED(transform->CopyPixels(nullptr, stride, bytes, reinterpret_cast<BYTE*>(converted.data())))) {
        image = std::move(converted);
    }
}

} // namespace framory::media::detail
