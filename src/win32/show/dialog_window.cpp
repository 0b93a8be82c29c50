// This folder: the Windows show window, its components, the prompt and the
// preview.

#include "win32/show/dialog_window.h"

#include <mutex>
#include <set>

#include "win32/platform/system_services.h"

#include <cmath>

namespace framory::win32 {

namespace {

constexpr const char* kDialogClass = kDialogClassName;

void register_class()
{
    RegisterHandlerClass(kDialogClass, GetSysColorBrush(COLOR_BTNFACE), LoadCursorA(nullptr, IDC_ARROW));
}

} // namespace

void RegisterHandlerClass(const char* name, HBRUSH background, HCURSOR cursor, UINT style)
{
    // A second registration of a name fails harmlessly; the set keeps the
    // calls to one per name all the same.
    static std::mutex guard;
    static std::set<std::string> registered;
    const std::lock_guard<std::mutex> lock(guard);
    if (!registered.insert(name).second) {
        return;
    }
    WNDCLASSA wc{};
    wc.style = style;
    wc.lpfnWndProc = &WindowHandler::procedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    RegisterClassA(&wc);
}

LRESULT CALLBACK WindowHandler::procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lparam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* handler = reinterpret_cast<WindowHandler*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (handler == nullptr) {
        return DefWindowProcA(window, message, wparam, lparam);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    }
    return handler->handle(window, message, wparam, lparam);
}

int Twips::x(double twips) const
{
    return static_cast<int>(std::lround(twips / per_pixel_x));
}

int Twips::y(double twips) const
{
    return static_cast<int>(std::lround(twips / per_pixel_y));
}

HWND CreateDialogFrame(const std::string& title, double client_width, double client_height, const Twips& twips,
                       HWND owner, WindowHandler& handler, DWORD extra_style)
{
    register_class();
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    const DWORD ex_style = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT | extra_style;
    RECT r{0, 0, twips.x(client_width), twips.y(client_height)};
    AdjustWindowRectEx(&r, style, FALSE, ex_style);
    return CreateWindowExA(ex_style, kDialogClass, title.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT, r.right - r.left,
                           r.bottom - r.top, owner, nullptr, GetModuleHandleA(nullptr), &handler);
}

HWND AddControl(HWND dialog, const char* kind, const std::string& text, DWORD style, int id, double left, double top,
                double width, double height, const Twips& twips)
{
    HWND control = CreateWindowExA(std::string(kind) == "EDIT" ? WS_EX_CLIENTEDGE : 0, kind, text.c_str(),
                                   WS_CHILD | WS_VISIBLE | style, twips.x(left), twips.y(top), twips.x(width),
                                   twips.y(height), dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   GetModuleHandleA(nullptr), nullptr);
    if (control != nullptr) {
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont()), TRUE);
    }
    return control;
}

void RunModal(HWND dialog, HWND owner, const bool& open)
{
    const bool owner_was_enabled = owner != nullptr && IsWindowEnabled(owner);
    if (owner_was_enabled) {
        EnableWindow(owner, FALSE);
    }
    ShowWindow(dialog, SW_SHOW);
    SetForegroundWindow(dialog);
    MSG msg;
    while (open && IsWindow(dialog)) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (IsDialogMessageA(dialog, &msg)) {
            continue;
        }
        Win32EventPump::dispatch(msg);
    }
    if (owner_was_enabled) {
        EnableWindow(owner, TRUE);
        SetForegroundWindow(owner);
    }
}

std::u16string EditText(HWND edit)
{
    const int length = GetWindowTextLengthW(edit);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(edit, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return std::u16string(text.begin(), text.end());
}

void SetEditText(HWND edit, const std::u16string& text)
{
    const std::wstring wide(text.begin(), text.end());
    SetWindowTextW(edit, wide.c_str());
}

HFONT DialogFont()
{
    static const HFONT font = [] {
        HDC screen = GetDC(nullptr);
        const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
        if (screen != nullptr) {
            ReleaseDC(nullptr, screen);
        }
        HFONT f = CreateFontA(-MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                              OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                              "MS Sans Serif");
        return f != nullptr ? f : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    }();
    return font;
}

} // namespace framory::win32
