#include "win32/show/frm_preview.h"

#include "core/startup/program.h"
#include "media/effects/gradient.h"
#include "media/image/frame.h"
#include "win32/platform/desktop_output.h"
#include "win32/show/fx_components.h"

#include <cmath>

namespace framory::win32 {

namespace {

constexpr const char* kFormClass = "FramoryPreview";
constexpr UINT_PTR kTimer1 = 1;

HWND window_of(std::int32_t handle)
{
    // Window handles are 32-bit values, sign-extended to the pointer's width.
    return reinterpret_cast<HWND>(static_cast<INT_PTR>(handle));
}

void fill(media::Image& image, media::PixelRect r, std::uint32_t colour)
{
    for (int y = std::max(0, r.top); y < std::min(image.height(), r.top + r.height); ++y) {
        for (int x = std::max(0, r.left); x < std::min(image.width(), r.left + r.width); ++x) {
            image.at(x, y) = colour;
        }
    }
}

HFONT preview_font(int pixels, bool bold)
{
    return CreateFontA(-pixels, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial");
}

} // namespace

media::Image PreviewPicture()
{
    media::Image sky(150, 112);
    media::RenderGradient(3, media::Argb(40, 60, 150), sky, 230);
    // Five small "photographs", each a landscape in its own colours, framed
    // like the show frames its pictures.
    const std::uint32_t tops[] = {media::Argb(250, 170, 60), media::Argb(120, 200, 250), media::Argb(250, 120, 140),
                                  media::Argb(170, 230, 140), media::Argb(250, 220, 120)};
    const std::uint32_t grounds[] = {media::Argb(60, 120, 50), media::Argb(30, 80, 140), media::Argb(120, 70, 40),
                                     media::Argb(40, 100, 60), media::Argb(90, 60, 110)};
    const media::PixelRect tiles[] = {{8, 24, 40, 30}, {55, 20, 42, 32}, {104, 24, 38, 30}, {28, 60, 44, 32}, {80, 58, 44, 34}};
    media::FrameSpec frame;
    frame.first = {media::Argb(128, 128, 128), media::Argb(255, 255, 255), media::kFrameSunken, 1};
    frame.line_colour = media::Argb(0, 0, 128);
    frame.line_size = 1;
    for (int i = 0; i < 5; ++i) {
        const media::PixelRect& t = tiles[i];
        fill(sky, {t.left, t.top, t.width, t.height * 3 / 5}, tops[i]);
        fill(sky, {t.left, t.top + t.height * 3 / 5, t.width, t.height - t.height * 3 / 5}, grounds[i]);
        fill(sky, {t.left + t.width * 2 / 3, t.top + 4, 5, 5}, media::Argb(255, 250, 210)); // a sun
        media::DrawFrame(frame, t, sky);
    }
    HFONT title = preview_font(15, true);
    HFONT address = preview_font(10, false);
    media::Image top_band(150, 20);
    for (int y = 0; y < 20; ++y) {
        std::copy(sky.row(y), sky.row(y) + 150, top_band.row(y));
    }
    DrawCaption(top_band, "Framory", title);
    media::Image bottom_band(150, 14);
    for (int y = 0; y < 14; ++y) {
        std::copy(sky.row(98 + y), sky.row(98 + y) + 150, bottom_band.row(y));
    }
    DrawCaption(bottom_band, "www.obelin.example", address);
    for (int y = 0; y < 20; ++y) {
        std::copy(top_band.row(y), top_band.row(y) + 150, sky.row(y));
    }
    for (int y = 0; y < 14; ++y) {
        std::copy(bottom_band.row(y), bottom_band.row(y) + 150, sky.row(98 + y));
    }
    DeleteObject(title);
    DeleteObject(address);
    return sky;
}

frmPreview::frmPreview(core::Program& program) : m_program(program), m_preview(program, *this, m_windows) {}

frmPreview::~frmPreview()
{
    if (m_form != nullptr && IsWindow(m_form)) {
        DestroyWindow(m_form);
    }
    if (m_picture_box != nullptr && IsWindow(m_picture_box)) {
        DestroyWindow(m_picture_box);
    }
}

bool frmPreview::load()
{
    RegisterHandlerClass(kFormClass, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    m_picture = PreviewPicture();
    m_form = CreateWindowExA(WS_EX_TOOLWINDOW, kFormClass, "Framory preview", WS_POPUP, 0, 0, 160, 120, nullptr,
                             nullptr, GetModuleHandleA(nullptr), static_cast<WindowHandler*>(this));
    if (m_form == nullptr) {
        return false;
    }
    m_picture_box = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | WS_BORDER | SS_NOTIFY, 0, 0, 150, 112,
                                    m_form, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (m_picture_box == nullptr) {
        return false;
    }
    SetWindowLongPtrA(m_picture_box, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_box_procedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(m_picture_box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&frmPreview::picture_box_procedure)));
    m_preview.Form_Load();
    return true;
}

void frmPreview::hook_picture_box(std::int32_t wanted_message)
{
    m_wanted_message = wanted_message;
}

void frmPreview::move_picture_box(double left, double top, double width, double height)
{
    const Twips twips{static_cast<double>(m_program.twips_per_pixel_x), static_cast<double>(m_program.twips_per_pixel_y)};
    MoveWindow(m_picture_box, twips.x(left), twips.y(top), std::max(0, twips.x(width)), std::max(0, twips.y(height)),
               TRUE);
}

void frmPreview::put_picture_box_into(std::int32_t host_window)
{
    SetParent(m_picture_box, window_of(host_window));
    ShowWindow(m_picture_box, SW_SHOW);
    InvalidateRect(m_picture_box, nullptr, TRUE);
}

void frmPreview::return_picture_box()
{
    SetParent(m_picture_box, m_form);
}

void frmPreview::enable_timer()
{
    SetTimer(m_form, kTimer1, core::kPreviewWatchIntervalMs, nullptr);
}

void frmPreview::unload()
{
    if (m_unloaded) {
        return;
    }
    m_unloaded = true;
    KillTimer(m_form, kTimer1);
    if (m_picture_box != nullptr && IsWindow(m_picture_box)) {
        DestroyWindow(m_picture_box);
    }
    DestroyWindow(m_form);
    // The preview is the program's only window.
    PostQuitMessage(0);
}

LRESULT frmPreview::handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_TIMER && wparam == kTimer1) {
        m_preview.Timer1_Timer();
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

LRESULT CALLBACK frmPreview::picture_box_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    auto* self = reinterpret_cast<frmPreview*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcA(window, message, wparam, lparam);
    }
    if (static_cast<std::int32_t>(message) == self->m_wanted_message) {
        self->m_preview.Msghook1_Message(static_cast<std::int32_t>(message));
        if (message == WM_CLOSE) {
            return 0; // the box stays; the watch ends the program
        }
    }
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT client{};
        GetClientRect(window, &client);
        FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        // At its own size in the top left corner; a smaller pane shows part.
        StretchImage(dc, self->m_picture, 0, 0, self->m_picture.width(), self->m_picture.height());
        EndPaint(window, &paint);
        return 0;
    }
    if (message == WM_ERASEBKGND) {
        return 1;
    }
    return CallWindowProcA(self->m_box_procedure, window, message, wparam, lparam);
}

std::optional<core::HostRect> frmPreview::Windows::client_rect(std::int32_t window)
{
    RECT r{};
    if (!IsWindow(window_of(window)) || !GetClientRect(window_of(window), &r)) {
        return std::nullopt;
    }
    return core::HostRect{r.left, r.top, r.right, r.bottom};
}

bool frmPreview::Windows::is_window(std::int32_t window)
{
    return IsWindow(window_of(window)) != 0;
}

} // namespace framory::win32
