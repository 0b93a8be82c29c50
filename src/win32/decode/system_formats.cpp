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
#include "win32/decode/wic.h"
#include "win32/platform/desktop_output.h"

#include <wincodec.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace framory::media::detail {

namespace {

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
const Format kGifFormat{"gif", {"GIF"}, sniff_gif, GifHeader, GifDecode};
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
