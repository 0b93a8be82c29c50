#include "win32/show/fx_components.h"

#include "media/effects/gradient.h"
#include "media/effects/palette.h"
#include "media/image/scale.h"

#include <algorithm>
#include <cstring>

namespace framory::win32 {

namespace {

int status_code(media::DecodeStatus status)
{
    switch (status) {
    case media::DecodeStatus::Ok:
        return 0;
    case media::DecodeStatus::NotAPicture:
        return 1;
    case media::DecodeStatus::TooLarge:
        return 2;
    case media::DecodeStatus::Corrupt:
        return 3;
    }
    return 1;
}

// A memory device context with a 32-bit top-down DIB section of the image's
// size, for GDI's text drawing.
class DibCanvas {
public:
    DibCanvas(int width, int height)
    {
        BITMAPINFO info = TopDownInfo(width, height);
        m_dc = CreateCompatibleDC(nullptr);
        m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &m_bits, nullptr, 0);
        if (m_dc != nullptr && m_bitmap != nullptr) {
            m_old = SelectObject(m_dc, m_bitmap);
        }
    }
    ~DibCanvas()
    {
        if (m_old != nullptr) {
            SelectObject(m_dc, m_old);
        }
        if (m_bitmap != nullptr) {
            DeleteObject(m_bitmap);
        }
        if (m_dc != nullptr) {
            DeleteDC(m_dc);
        }
    }
    DibCanvas(const DibCanvas&) = delete;
    DibCanvas& operator=(const DibCanvas&) = delete;
    bool ok() const { return m_old != nullptr && m_bits != nullptr; }
    HDC dc() const { return m_dc; }
    void* bits() const { return m_bits; }

private:
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
    void* m_bits = nullptr;
};

} // namespace

Win32FXImage::Win32FXImage(LayerHost& host, PictureSource& source) : LayerComponent(host), m_ahead(source) {}

void Win32FXImage::prepare(const std::string& path)
{
    m_ahead.request(path, m_bounds);
}

void Win32FXImage::set_file_name(const std::string& path)
{
    m_path = path;
    if (path.empty()) {
        m_status = 0;
        m_natural = {};
        m_picture = media::Image();
        m_content = Content::Nothing;
        content_changed();
        return;
    }
    media::DecodeResult result = m_ahead.take(path, m_bounds);
    m_status = status_code(result.status);
    m_natural = result.ok() ? result.natural : media::Size{};
    m_picture = result.ok() ? std::move(result.image) : media::Image();
    m_content = result.ok() ? Content::Picture : Content::Nothing;
    content_changed();
}

void Win32FXImage::set_band1_colour_a(int colour)
{
    m_frame_spec.first.colour_1 = media::PaletteColour(colour);
}

void Win32FXImage::set_band1_colour_b(int colour)
{
    m_frame_spec.first.colour_2 = media::PaletteColour(colour);
}

void Win32FXImage::set_band2_colour_a(int colour)
{
    m_frame_spec.second.colour_1 = media::PaletteColour(colour);
}

void Win32FXImage::set_band2_colour_b(int colour)
{
    m_frame_spec.second.colour_2 = media::PaletteColour(colour);
}

void Win32FXImage::set_outer_colour(int colour)
{
    m_frame_spec.line_colour = media::PaletteColour(colour);
}

void Win32FXImage::set_snapshot_mode(core::SnapshotMode mode)
{
    switch (mode) {
    case core::SnapshotMode::Step2:
        m_picture = media::Image();
        m_content = Content::Nothing;
        break;
    case core::SnapshotMode::Step1:
        m_content = Content::Snapshot;
        break;
    case core::SnapshotMode::Capture:
        m_snapshot = std::make_shared<const DibPicture>(capture_under());
        m_content = Content::Snapshot;
        content_changed();
        break;
    }
}

void Win32FXImage::empty_preview()
{
    m_path.clear();
    m_picture = media::Image();
    m_natural = {};
    m_content = Content::Nothing;
    finish_effect();
    content_changed();
}

media::Image Win32FXImage::render_content(int width, int height)
{
    media::Image out(std::max(0, width), std::max(0, height));
    if (out.empty()) {
        return out;
    }
    if (m_content == Content::Snapshot && m_snapshot) {
        const media::Image& shot = m_snapshot->image();
        return shot.width() == width && shot.height() == height ? shot : media::ScaleImage(shot, width, height);
    }
    if (m_content == Content::Nothing) {
        return out;
    }
    const media::PixelRect outer{0, 0, width, height};
    const media::PixelRect inner = media::FrameInnerRect(m_frame_spec, outer);
    if (inner.width > 0 && inner.height > 0 && !m_picture.empty()) {
        if (m_size_mode == core::SizeMode::Stretch) {
            const media::Image scaled = m_picture.width() == inner.width && m_picture.height() == inner.height
                                            ? m_picture
                                            : media::ScaleImage(m_picture, inner.width, inner.height);
            for (int y = 0; y < inner.height; ++y) {
                std::memcpy(out.row(inner.top + y) + inner.left, scaled.row(y), static_cast<std::size_t>(inner.width) * 4);
            }
        } else {
            const int cw = std::min(inner.width, m_picture.width());
            const int ch = std::min(inner.height, m_picture.height());
            for (int y = 0; y < ch; ++y) {
                std::memcpy(out.row(inner.top + y) + inner.left, m_picture.row(y), static_cast<std::size_t>(cw) * 4);
            }
        }
    }
    media::DrawFrame(m_frame_spec, outer, out);
    return out;
}

Win32FXLabel::Win32FXLabel(LayerHost& host) : LayerComponent(host)
{
    make_font();
}

Win32FXLabel::~Win32FXLabel()
{
    if (m_font != nullptr) {
        DeleteObject(m_font);
    }
}

void Win32FXLabel::make_font()
{
    if (m_font != nullptr) {
        DeleteObject(m_font);
    }
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen != nullptr) {
        ReleaseDC(nullptr, screen);
    }
    // The caption's design font: Arial.
    m_font = CreateFontA(-MulDiv(m_points, dpi, 72), 0, 0, 0, m_bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                         ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                         DEFAULT_PITCH | FF_SWISS, "Arial");
}

void Win32FXLabel::fit_to_caption()
{
    if (m_caption.empty()) {
        return;
    }
    const SIZE text = MeasureCaption(m_caption, m_font);
    const int margin = std::max<int>(2, text.cy / 4);
    place(rect().left, rect().top, text.cx + 2 * margin, text.cy + margin);
}

void Win32FXLabel::set_caption(const std::string& text)
{
    m_caption = text;
    fit_to_caption();
    content_changed();
}

void Win32FXLabel::set_gradient_colour(int colour)
{
    m_colour = colour;
    content_changed();
}

void Win32FXLabel::set_gradient_style(int style)
{
    m_style = style;
    content_changed();
}

void Win32FXLabel::set_gradient_smoothness(int value)
{
    m_depth = value;
    content_changed();
}

void Win32FXLabel::set_text_size(int points)
{
    m_points = points > 0 && points <= 200 ? points : 8;
    make_font();
    fit_to_caption();
    content_changed();
}

void Win32FXLabel::set_bold(bool bold)
{
    m_bold = bold;
    make_font();
    fit_to_caption();
    content_changed();
}

media::Image Win32FXLabel::render_content(int width, int height)
{
    media::Image out(std::max(0, width), std::max(0, height));
    if (out.empty()) {
        return out;
    }
    media::RenderGradient(m_style, media::PaletteColour(m_colour), out, m_depth);
    if (!m_caption.empty()) {
        DrawCaption(out, m_caption, m_font);
    }
    return out;
}

void DrawCaption(media::Image& image, const std::string& text, HFONT font)
{
    DibCanvas canvas(image.width(), image.height());
    if (!canvas.ok()) {
        return;
    }
    auto* bits = static_cast<std::uint32_t*>(canvas.bits());
    std::memcpy(bits, image.data(), image.pixel_count() * 4);
    HGDIOBJ old_font = SelectObject(canvas.dc(), font);
    SetBkMode(canvas.dc(), TRANSPARENT);
    SetTextColor(canvas.dc(), RGB(255, 255, 255));
    RECT all{0, 0, image.width(), image.height()};
    DrawTextA(canvas.dc(), text.c_str(), static_cast<int>(text.size()), &all,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    GdiFlush();
    SelectObject(canvas.dc(), old_font);
    // GDI leaves the alpha byte of the pixels it wrote at 0.
    for (std::size_t i = 0; i < image.pixel_count(); ++i) {
        image.data()[i] = bits[i] | 0xff000000u;
    }
}

SIZE MeasureCaption(const std::string& text, HFONT font)
{
    SIZE size{0, 0};
    HDC dc = CreateCompatibleDC(nullptr);
    if (dc == nullptr) {
        return size;
    }
    HGDIOBJ old = SelectObject(dc, font);
    RECT r{0, 0, 0, 0};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    size.cx = r.right - r.left;
    size.cy = r.bottom - r.top;
    SelectObject(dc, old);
    DeleteDC(dc);
    return size;
}

} // namespace framory::win32
