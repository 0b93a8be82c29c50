#include "win32/forms/form_kit.h"

#include "core/startup/helpers.h"
#include "win32/platform/desktop_output.h"
#include "win32/platform/system_services.h"

#include <commctrl.h>

#include <cmath>
#include <cstring>

namespace framory::win32 {

namespace {

// Room beside a caption, in twips: a push button's edges, an option
// button's mark and the gap after it, a frame's corner and the gaps around
// its caption.
double margin_twips(TextFit fit)
{
    switch (fit) {
    case TextFit::Button:
        return 150;
    case TextFit::Mark:
        return 285;
    case TextFit::Frame:
        return 240;
    default:
        return 0;
    }
}

// A caption as drawn: an ampersand marks the access key and is not shown
// ("&&" shows one).
std::string shown_text(std::string_view text)
{
    std::string shown;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) {
            ++i;
        }
        shown.push_back(text[i]);
    }
    return shown;
}

std::string window_text(HWND window)
{
    const int length = GetWindowTextLengthA(window);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    text.resize(static_cast<std::size_t>(std::max(0, GetWindowTextA(window, text.data(), length + 1))));
    return text;
}

bool is_option_button(const char* kind, DWORD style)
{
    const DWORD type = style & BS_TYPEMASK;
    return std::strcmp(kind, "BUTTON") == 0 && (type == BS_AUTORADIOBUTTON || type == BS_RADIOBUTTON);
}

TOOLINFOA tool_for(HWND dialog, HWND control)
{
    TOOLINFOA info{};
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = dialog;
    info.uId = reinterpret_cast<UINT_PTR>(control);
    return info;
}

} // namespace

FormControls::~FormControls()
{
    for (HFONT font : m_fonts) {
        DeleteObject(font);
    }
    for (HBITMAP bitmap : m_bitmaps) {
        DeleteObject(bitmap);
    }
}

HWND FormControls::add(std::string_view name, const char* kind, std::string_view text, DWORD style, int id,
                       Place place, FontRole font, TextFit fit, DWORD ex_style)
{
    // Option buttons form a group up to the next control that starts one;
    // every other control ends the group before it.
    if (!is_option_button(kind, style)) {
        style |= WS_GROUP;
    }
    HWND control = CreateWindowExA(ex_style, kind, std::string(text).c_str(), WS_CHILD | WS_VISIBLE | style,
                                   m_twips.x(place.left), m_twips.y(place.top), m_twips.x(place.width),
                                   m_twips.y(place.height), m_dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   GetModuleHandleA(nullptr), nullptr);
    if (control != nullptr) {
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont()), FALSE);
        m_controls.push_back({std::string(name), control, font, fit});
    }
    return control;
}

HWND FormControls::get(std::string_view name) const
{
    for (const Control& control : m_controls) {
        if (control.name == name) {
            return control.window;
        }
    }
    return nullptr;
}

HFONT FormControls::font(FontRole role)
{
    const std::size_t index = (role.face == Face::Arial ? 2 : 0) + (role.bold ? 1 : 0);
    return index < m_fonts.size() ? m_fonts[index] : DialogFont();
}

void FormControls::apply_fonts(std::string_view sans_face, double points)
{
    std::vector<HFONT> old = std::move(m_fonts);
    m_fonts.clear();
    m_points = points;
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen != nullptr) {
        ReleaseDC(nullptr, screen);
    }
    const int height = -static_cast<int>(std::lround(points * dpi / 72.0));
    for (const std::string& face : {std::string(sans_face), std::string("Arial")}) {
        for (const bool bold : {false, true}) {
            m_fonts.push_back(CreateFontA(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                                          ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                          DEFAULT_PITCH | FF_SWISS, face.c_str()));
        }
    }
    for (const Control& control : m_controls) {
        SendMessageA(control.window, WM_SETFONT, reinterpret_cast<WPARAM>(font(control.font)), TRUE);
    }
    for (HFONT f : old) {
        DeleteObject(f);
    }
}

bool FormControls::bold_is_bold()
{
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font({Face::SansSerif, true}));
    TEXTMETRICA metrics{};
    const bool bold = GetTextMetricsA(dc, &metrics) && metrics.tmWeight >= FW_SEMIBOLD;
    SelectObject(dc, old);
    DeleteDC(dc);
    return bold;
}

void FormControls::fit_fonts()
{
    // The design's face where the system has it and can make it bold;
    // Arial and Tahoma are scalable faces of every Windows, for a system
    // where the design's face, a bitmap face of fixed sizes, cannot be bold
    // or is wider than the boxes allow.
    for (const char* face : {"MS Sans Serif", "Arial", "Tahoma"}) {
        for (double points = 8.25; points >= 6.0; points -= 0.25) {
            apply_fonts(face, points);
            if (!bold_is_bold()) {
                break;
            }
            if (texts_fit()) {
                return;
            }
        }
    }
}

bool FormControls::texts_fit() const
{
    HDC dc = CreateCompatibleDC(nullptr);
    bool fit = true;
    for (const Control& control : m_controls) {
        if (control.fit == TextFit::None || control.fit == TextFit::Wrapped) {
            continue;
        }
        RECT r{};
        GetWindowRect(control.window, &r);
        const auto font = reinterpret_cast<HFONT>(SendMessageA(control.window, WM_GETFONT, 0, 0));
        if (!TextFits(dc, font, window_text(control.window), control.fit, r.right - r.left, m_twips)) {
            fit = false;
            break;
        }
    }
    DeleteDC(dc);
    return fit;
}

void FormControls::order_tabs(std::span<const std::string_view> names)
{
    HWND previous = HWND_TOP;
    for (const std::string_view name : names) {
        if (HWND control = get(name)) {
            SetWindowPos(control, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            previous = control;
        }
    }
}

void FormControls::set_picture(HWND control, const media::Image& image)
{
    if (HBITMAP bitmap = MakeBitmap(image)) {
        m_bitmaps.push_back(bitmap);
        SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
    }
}

bool TextFits(HDC dc, HFONT font, std::string_view text, TextFit fit, int width, const Twips& twips)
{
    const std::string shown = fit == TextFit::Line ? std::string(text) : shown_text(text);
    HGDIOBJ old = SelectObject(dc, font != nullptr ? font : DialogFont());
    SIZE size{};
    GetTextExtentPoint32A(dc, shown.c_str(), static_cast<int>(shown.size()), &size);
    SelectObject(dc, old);
    return size.cx + twips.x(margin_twips(fit)) <= width;
}

Tooltips::Tooltips(HWND dialog) : m_dialog(dialog)
{
    InitFormControls();
    m_tip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
    if (m_tip != nullptr) {
        // Long tips wrap at about three inches.
        HDC screen = GetDC(nullptr);
        const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
        if (screen != nullptr) {
            ReleaseDC(nullptr, screen);
        }
        SendMessageA(m_tip, TTM_SETMAXTIPWIDTH, 0, dpi * 3);
    }
}

void Tooltips::add(HWND control, std::string_view text)
{
    if (m_tip == nullptr || control == nullptr || text.empty()) {
        return;
    }
    std::string copy(text);
    TOOLINFOA info = tool_for(m_dialog, control);
    info.lpszText = copy.data();
    SendMessageA(m_tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
}

void Tooltips::add_area(UINT id, const RECT& area, std::string_view text)
{
    if (m_tip == nullptr || text.empty()) {
        return;
    }
    std::string copy(text);
    TOOLINFOA info{};
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    info.uFlags = TTF_SUBCLASS;
    info.hwnd = m_dialog;
    info.uId = id;
    info.rect = area;
    info.lpszText = copy.data();
    SendMessageA(m_tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
}

void Tooltips::update(HWND control, std::string_view text)
{
    if (m_tip == nullptr) {
        return;
    }
    std::string copy(text);
    TOOLINFOA info = tool_for(m_dialog, control);
    info.lpszText = copy.data();
    SendMessageA(m_tip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
}

std::string Tooltips::text(HWND control) const
{
    if (m_tip == nullptr) {
        return {};
    }
    // The narrow request gives at most 80 characters; the wide one gives the
    // whole text, and the texts added here are all plain ASCII.
    wchar_t buffer[1024] = {};
    TOOLINFOW info{};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.hwnd = m_dialog;
    info.uId = reinterpret_cast<UINT_PTR>(control);
    info.lpszText = buffer;
    SendMessageW(m_tip, TTM_GETTEXTW, sizeof buffer / sizeof buffer[0], reinterpret_cast<LPARAM>(&info));
    std::string text;
    for (const wchar_t* at = buffer; *at != L'\0'; ++at) {
        text.push_back(*at < 0x80 ? static_cast<char>(*at) : '?');
    }
    return text;
}

ConfigForm::~ConfigForm()
{
    if (m_window != nullptr && IsWindow(m_window)) {
        DestroyWindow(m_window);
    }
}

bool ConfigForm::make_window(std::string_view title, double width, double height, const Twips& twips, HWND owner)
{
    InitFormControls();
    m_window = CreateDialogFrame(std::string(title), width, height, twips, owner, *this);
    if (m_window == nullptr) {
        return false;
    }
    // Frames paint only their edge and caption, so the dialog must paint
    // its background under them too.
    SetWindowLongPtrA(m_window, GWL_STYLE, GetWindowLongPtrA(m_window, GWL_STYLE) & ~LONG_PTR{WS_CLIPCHILDREN});
    m_controls = std::make_unique<FormControls>(m_window, twips);
    m_tips = std::make_unique<Tooltips>(m_window);
    return true;
}

void ConfigForm::finish(std::span<const std::string_view> tab_order)
{
    m_controls->fit_fonts();
    m_controls->order_tabs(tab_order);
    m_focus = GetNextDlgTabItem(m_window, nullptr, FALSE);
    if (m_focus != nullptr) {
        SetFocus(m_focus);
    }
}

void ConfigForm::centre(core::ScreenMetrics& screen, core::EventPump& pump)
{
    Win32MovableWindow movable(m_window, screen);
    core::CenterForm(movable, screen, pump);
}

void ConfigForm::run_modal(HWND owner)
{
    if (m_window != nullptr && m_open) {
        RunModal(m_window, owner, m_open);
    }
}

void ConfigForm::close()
{
    if (!m_unloaded) {
        m_unloaded = true;
        unload();
    }
    if (m_window != nullptr && IsWindow(m_window)) {
        DestroyWindow(m_window);
    }
}

LRESULT ConfigForm::base_handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_CLOSE:
        close();
        return 0;
    case WM_DESTROY:
        m_open = false;
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wparam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus != nullptr && IsChild(window, focus)) {
                m_focus = focus;
            }
        } else if (m_focus != nullptr && IsWindow(m_focus) && IsWindowEnabled(m_focus)) {
            SetFocus(m_focus);
            return 0;
        }
        return DefWindowProcA(window, message, wparam, lparam);
    default:
        return DefWindowProcA(window, message, wparam, lparam);
    }
}

HBITMAP MakeBitmap(const media::Image& image)
{
    if (image.empty()) {
        return nullptr;
    }
    BITMAPINFO info = TopDownInfo(image.width(), image.height());
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap != nullptr && bits != nullptr) {
        std::memcpy(bits, image.data(), image.pixel_count() * 4);
    }
    return bitmap;
}

bool PressFocusedButton(HWND dialog)
{
    HWND focus = GetFocus();
    if (focus == nullptr || !IsChild(dialog, focus)) {
        return false;
    }
    char kind[16] = {};
    GetClassNameA(focus, kind, sizeof kind);
    const DWORD type = static_cast<DWORD>(GetWindowLongPtrA(focus, GWL_STYLE)) & BS_TYPEMASK;
    const bool push = _stricmp(kind, "Button") == 0 &&
                      (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_OWNERDRAW);
    if (push) {
        SendMessageA(focus, BM_CLICK, 0, 0);
    }
    return push;
}

void InitFormControls()
{
    static const bool done = [] {
        INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES | ICC_TREEVIEW_CLASSES};
        return InitCommonControlsEx(&controls) != FALSE;
    }();
    static_cast<void>(done);
}

} // namespace framory::win32
