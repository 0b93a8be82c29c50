#include "win32/decode/picture_decoder.h"

#include "media/image/scale.h"
#include "win32/platform/desktop_output.h"

#include <windows.h>
#include <wincodec.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string_view>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_ONLY_TGA
#define STBI_ONLY_PIC
#define STBI_ONLY_HDR
#define STBI_MAX_DIMENSIONS 16384
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wconversion"
#pragma GCC diagnostic ignored "-Wsign-conversion"
#pragma GCC diagnostic ignored "-Wold-style-cast"
#pragma GCC diagnostic ignored "-Wcast-align"
#pragma GCC diagnostic ignored "-Wmissing-declarations"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wunused-function"
#endif
#include <stb/stb_image.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace framory::win32 {

namespace {

using media::DecodeResult;
using media::DecodeStatus;
using media::Size;

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
    explicit operator bool() const { return m_p != nullptr; }
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

DecodeResult failure(DecodeStatus status, std::string message, std::string decoder = {})
{
    DecodeResult r;
    r.status = status;
    r.message = std::move(message);
    r.decoder = std::move(decoder);
    return r;
}

bool over_budget(std::int64_t width, std::int64_t height)
{
    return width <= 0 || height <= 0 || width > media::kMaxSide || height > media::kMaxSide ||
           width * height > media::kMaxPixels;
}

std::vector<std::uint8_t> read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return {};
    }
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::uint32_t u16(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return at + 1 < b.size() ? static_cast<std::uint32_t>(b[at] | (b[at + 1] << 8)) : 0u;
}

std::wstring wide(const std::string& text)
{
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(std::max(n, 0)), L'\0');
    if (n > 0) {
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    }
    return out;
}

// EXIF orientation of a JPEG: tag 0x0112 of the first image directory in
// its APP1 "Exif" segment; 1 when none is recorded. Read from the bytes,
// since not every imaging component hands out JPEG metadata.
int jpeg_orientation(const std::vector<std::uint8_t>& b)
{
    std::size_t at = 2;
    while (at + 4 <= b.size() && b[at] == 0xff) {
        const std::uint8_t marker = b[at + 1];
        const std::size_t length = (std::size_t{b[at + 2]} << 8) | b[at + 3];
        if (marker == 0xda || marker == 0xd9 || length < 2) {
            break;
        }
        const std::size_t start = at + 4;
        if (marker == 0xe1 && start + 14 <= b.size() && std::memcmp(b.data() + start, "Exif\0\0", 6) == 0) {
            const std::size_t tiff = start + 6;
            const bool little = b[tiff] == 'I';
            const auto get16 = [&](std::size_t o) -> std::uint32_t {
                if (o + 2 > b.size()) {
                    return 0;
                }
                return little ? (b[o] | (std::uint32_t{b[o + 1]} << 8)) : ((std::uint32_t{b[o]} << 8) | b[o + 1]);
            };
            const auto get32 = [&](std::size_t o) -> std::uint32_t {
                return little ? (get16(o) | (get16(o + 2) << 16)) : ((get16(o) << 16) | get16(o + 2));
            };
            const std::size_t ifd = tiff + get32(tiff + 4);
            const std::uint32_t entries = get16(ifd);
            for (std::uint32_t i = 0; i < entries && i < 512; ++i) {
                const std::size_t entry = ifd + 2 + i * 12;
                if (entry + 12 > b.size()) {
                    break;
                }
                if (get16(entry) == 0x0112) {
                    const std::uint32_t o = get16(entry + 8);
                    return o >= 1 && o <= 8 ? static_cast<int>(o) : 1;
                }
            }
            return 1;
        }
        at = start + length - 2;
    }
    return 1;
}

// Turns pixels stored in EXIF orientation 2..8 upright.
media::Image upright(const media::Image& stored, int orientation)
{
    if (orientation < 2 || orientation > 8) {
        return stored;
    }
    const int w = stored.width();
    const int h = stored.height();
    const bool swaps = orientation >= 5;
    media::Image out(swaps ? h : w, swaps ? w : h);
    for (int y = 0; y < out.height(); ++y) {
        for (int x = 0; x < out.width(); ++x) {
            int sx = x;
            int sy = y;
            switch (orientation) {
            case 2: sx = w - 1 - x; break;
            case 3: sx = w - 1 - x; sy = h - 1 - y; break;
            case 4: sy = h - 1 - y; break;
            case 5: sx = y; sy = x; break;
            case 6: sx = y; sy = h - 1 - x; break;
            case 7: sx = w - 1 - y; sy = h - 1 - x; break;
            default: sx = w - 1 - y; sy = x; break; // 8
            }
            out.at(x, y) = stored.at(sx, sy);
        }
    }
    return out;
}

// Pixels with alpha laid over black, as the component shows them.
void flatten(media::Image& image)
{
    for (std::size_t i = 0; i < image.pixel_count(); ++i) {
        std::uint32_t& p = image.data()[i];
        const std::uint32_t a = p >> 24;
        if (a != 0xffu) {
            const std::uint32_t r = ((p >> 16) & 0xffu) * a / 255u;
            const std::uint32_t g = ((p >> 8) & 0xffu) * a / 255u;
            const std::uint32_t b = (p & 0xffu) * a / 255u;
            p = 0xff000000u | (r << 16) | (g << 8) | b;
        }
    }
}

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

DecodeResult decode_with_wic(const std::string& path, Size bounds, int orientation)
{
    ComApartment apartment;
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(factory.out())))) {
        return failure(DecodeStatus::NotAPicture, "the imaging component is missing");
    }
    ComPtr<IWICBitmapDecoder> decoder;
    if (FAILED(factory->CreateDecoderFromFilename(wide(path).c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnDemand, decoder.out()))) {
        return failure(DecodeStatus::NotAPicture, "no reader knows the content");
    }
    GUID container{};
    decoder->GetContainerFormat(&container);
    const std::string name = container == GUID_ContainerFormatJpeg ? "jpeg"
                             : container == GUID_ContainerFormatPng ? "png"
                             : container == GUID_ContainerFormatGif ? "gif"
                             : container == GUID_ContainerFormatBmp ? "bmp"
                             : container == GUID_ContainerFormatTiff ? "tiff"
                                                                     : "wic";
    ComPtr<IWICBitmapFrameDecode> frame;
    UINT width = 0;
    UINT height = 0;
    if (FAILED(decoder->GetFrame(0, frame.out())) || FAILED(frame->GetSize(&width, &height))) {
        return failure(DecodeStatus::Corrupt, "the first frame cannot be read", name);
    }
    if (over_budget(width, height)) {
        return failure(width == 0 || height == 0 ? DecodeStatus::Corrupt : DecodeStatus::TooLarge,
                       "the picture is larger than the budget", name);
    }

    IWICBitmapSource* source = frame.get();

    // An embedded colour profile is turned into sRGB where the system can.
    ComPtr<IWICColorContext> embedded;
    ComPtr<IWICColorContext> srgb;
    ComPtr<IWICColorTransform> colour;
    UINT contexts = 0;
    if (SUCCEEDED(frame->GetColorContexts(0, nullptr, &contexts)) && contexts > 0 &&
        SUCCEEDED(factory->CreateColorContext(embedded.out())) && SUCCEEDED(factory->CreateColorContext(srgb.out()))) {
        IWICColorContext* first = embedded.get();
        UINT got = 0;
        if (SUCCEEDED(frame->GetColorContexts(1, &first, &got)) && got == 1 &&
            SUCCEEDED(srgb->InitializeFromExifColorSpace(1)) && SUCCEEDED(factory->CreateColorTransformer(colour.out())) &&
            SUCCEEDED(colour->Initialize(source, embedded.get(), srgb.get(), GUID_WICPixelFormat32bppBGRA))) {
            source = colour.get();
        }
    }

    const bool swaps = orientation >= 5;
    const Size natural{static_cast<int>(swaps ? height : width), static_cast<int>(swaps ? width : height)};
    const Size fitted = win32::FitWithin(natural, bounds);

    ComPtr<IWICBitmapScaler> scaler;
    const UINT scaled_w = static_cast<UINT>(swaps ? fitted.height : fitted.width);
    const UINT scaled_h = static_cast<UINT>(swaps ? fitted.width : fitted.height);
    if ((scaled_w != width || scaled_h != height) && SUCCEEDED(factory->CreateBitmapScaler(scaler.out())) &&
        SUCCEEDED(scaler->Initialize(source, scaled_w, scaled_h, WICBitmapInterpolationModeFant))) {
        source = scaler.get();
    }
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(converter.out())) ||
        FAILED(converter->Initialize(source, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom))) {
        return failure(DecodeStatus::Corrupt, "the pixels cannot be converted", name);
    }
    UINT out_w = 0;
    UINT out_h = 0;
    converter->GetSize(&out_w, &out_h);
    if (out_w == 0 || out_h == 0 || over_budget(out_w, out_h)) {
        return failure(DecodeStatus::Corrupt, "the converted picture is empty", name);
    }
    media::Image image(static_cast<int>(out_w), static_cast<int>(out_h));
    if (FAILED(converter->CopyPixels(nullptr, out_w * 4, static_cast<UINT>(image.pixel_count() * 4),
                                     reinterpret_cast<BYTE*>(image.data())))) {
        return failure(DecodeStatus::Corrupt, "the picture's data is broken", name);
    }
    flatten(image);
    image = upright(image, orientation);
    DecodeResult r;
    r.status = DecodeStatus::Ok;
    r.natural = natural;
    r.decoder = name;
    r.image = image.width() == fitted.width && image.height() == fitted.height
                  ? std::move(image)
                  : media::ScaleImage(image, fitted.width, fitted.height);
    return r;
}

// A metafile's frame from its placeable header, else from the window extent
// of its records (in twips), at 96 dots per inch.
DecodeResult decode_metafile(const std::vector<std::uint8_t>& bytes, Size bounds)
{
    std::size_t at = 0;
    double width_inches = 0;
    double height_inches = 0;
    if (bytes.size() >= 22 && std::memcmp(bytes.data(), "\xd7\xcd\xc6\x9a", 4) == 0) {
        const auto left = static_cast<std::int16_t>(u16(bytes, 6));
        const auto top = static_cast<std::int16_t>(u16(bytes, 8));
        const auto right = static_cast<std::int16_t>(u16(bytes, 10));
        const auto bottom = static_cast<std::int16_t>(u16(bytes, 12));
        const std::uint32_t inch = u16(bytes, 14);
        if (inch == 0) {
            return failure(DecodeStatus::Corrupt, "the metafile's frame has no unit", "wmf");
        }
        width_inches = std::abs(right - left) / static_cast<double>(inch);
        height_inches = std::abs(bottom - top) / static_cast<double>(inch);
        at = 22;
    }
    if (bytes.size() < at + 18 || u16(bytes, at + 2) != 9) {
        return failure(DecodeStatus::Corrupt, "the metafile's header is broken", "wmf");
    }
    HENHMETAFILE metafile =
        SetWinMetaFileBits(static_cast<UINT>(bytes.size() - at), bytes.data() + at, nullptr, nullptr);
    if (metafile == nullptr) {
        return failure(DecodeStatus::Corrupt, "the metafile's records are broken", "wmf");
    }
    if (width_inches <= 0 || height_inches <= 0) {
        ENHMETAHEADER header{};
        GetEnhMetaFileHeader(metafile, sizeof header, &header);
        // The frame is in 0.01 mm.
        width_inches = (header.rclFrame.right - header.rclFrame.left) / 2540.0;
        height_inches = (header.rclFrame.bottom - header.rclFrame.top) / 2540.0;
    }
    const double w = std::round(width_inches * 96.0);
    const double h = std::round(height_inches * 96.0);
    if (!(w >= 1 && h >= 1) || over_budget(static_cast<std::int64_t>(w), static_cast<std::int64_t>(h))) {
        DeleteEnhMetaFile(metafile);
        return failure(w >= 1 && h >= 1 ? DecodeStatus::TooLarge : DecodeStatus::Corrupt,
                       "the metafile's frame is unusable", "wmf");
    }
    const Size natural{static_cast<int>(w), static_cast<int>(h)};
    const Size fitted = win32::FitWithin(natural, bounds);

    BITMAPINFO info = TopDownInfo(fitted.width, fitted.height);
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    DecodeResult r = failure(DecodeStatus::Corrupt, "the metafile cannot be drawn", "wmf");
    if (dc != nullptr && dib != nullptr) {
        HGDIOBJ old = SelectObject(dc, dib);
        RECT all{0, 0, fitted.width, fitted.height};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        PlayEnhMetaFile(dc, metafile, &all);
        GdiFlush();
        media::Image image(fitted.width, fitted.height);
        std::memcpy(image.data(), bits, image.pixel_count() * 4);
        for (std::size_t i = 0; i < image.pixel_count(); ++i) {
            image.data()[i] |= 0xff000000u;
        }
        SelectObject(dc, old);
        r.status = DecodeStatus::Ok;
        r.message.clear();
        r.natural = natural;
        r.image = std::move(image);
    }
    if (dib != nullptr) {
        DeleteObject(dib);
    }
    if (dc != nullptr) {
        DeleteDC(dc);
    }
    DeleteEnhMetaFile(metafile);
    return r;
}

DecodeResult decode_with_stb(const std::vector<std::uint8_t>& bytes, Size bounds)
{
    int w = 0;
    int h = 0;
    int channels = 0;
    const auto size = static_cast<int>(std::min<std::size_t>(bytes.size(), 0x7fffffff));
    if (!stbi_info_from_memory(bytes.data(), size, &w, &h, &channels)) {
        return failure(DecodeStatus::NotAPicture, "no reader knows the content");
    }
    if (over_budget(w, h)) {
        return failure(DecodeStatus::TooLarge, "the picture is larger than the budget", "stb");
    }
    unsigned char* pixels = stbi_load_from_memory(bytes.data(), size, &w, &h, &channels, 4);
    if (pixels == nullptr) {
        return failure(DecodeStatus::Corrupt, "the picture's data is broken", "stb");
    }
    media::Image image(w, h);
    for (std::size_t i = 0; i < image.pixel_count(); ++i) {
        const unsigned char* p = pixels + i * 4;
        image.data()[i] = media::Argb(p[0], p[1], p[2], p[3]);
    }
    stbi_image_free(pixels);
    flatten(image);
    const Size natural{w, h};
    const Size fitted = win32::FitWithin(natural, bounds);
    DecodeResult r;
    r.status = DecodeStatus::Ok;
    r.natural = natural;
    r.decoder = "stb";
    r.image = fitted == natural ? std::move(image) : media::ScaleImage(image, fitted.width, fitted.height);
    return r;
}

bool looks_like_metafile(const std::vector<std::uint8_t>& b)
{
    if (b.size() >= 4 && std::memcmp(b.data(), "\xd7\xcd\xc6\x9a", 4) == 0) {
        return true;
    }
    return b.size() >= 18 && (u16(b, 0) == 1 || u16(b, 0) == 2) && u16(b, 2) == 9 &&
           (u16(b, 4) == 0x100 || u16(b, 4) == 0x300);
}

} // namespace

Size FitWithin(Size picture, Size bounds)
{
    if (bounds.width <= 0 || bounds.height <= 0 || picture.width <= 0 || picture.height <= 0 ||
        (picture.width <= bounds.width && picture.height <= bounds.height)) {
        return picture;
    }
    const double scale = std::min(static_cast<double>(bounds.width) / picture.width,
                                  static_cast<double>(bounds.height) / picture.height);
    return {std::max(1, static_cast<int>(std::lround(picture.width * scale))),
            std::max(1, static_cast<int>(std::lround(picture.height * scale)))};
}

DecodeResult DecodePicture(const std::string& path, Size bounds)
{
    const std::vector<std::uint8_t> bytes = read_file(path);
    if (bytes.empty()) {
        return failure(DecodeStatus::NotAPicture, "the file cannot be read or is empty");
    }
    if (looks_like_metafile(bytes)) {
        return decode_metafile(bytes, bounds);
    }
    // The imaging component reads the formats it is made for, each known
    // by its signature; TGA and Softimage PIC (and Radiance pictures under
    // the same name) go to stb_image, as on Linux, whatever readers the
    // system has besides.
    const auto starts = [&](std::string_view magic) {
        return bytes.size() >= magic.size() && std::memcmp(bytes.data(), magic.data(), magic.size()) == 0;
    };
    const bool jpeg = starts("\xff\xd8\xff");
    if (jpeg || starts("\x89PNG") || starts("GIF8") || starts("BM") || starts("II*") || starts("MM\0*")) {
        return decode_with_wic(path, bounds, jpeg ? jpeg_orientation(bytes) : 1);
    }
    return decode_with_stb(bytes, bounds);
}

} // namespace framory::win32
