#include "win32/show/frm_screen_saver.h"

#include "core/startup/main.h"
#include "core/startup/program.h"
#include "media/image/scale.h"

#include <windowsx.h>

namespace framory::win32 {

namespace {

constexpr const char* kShowClass = "FramoryScreenSaver";
constexpr UINT_PTR kTimer1 = 1;
constexpr UINT_PTR kTimer2 = 2;
constexpr UINT kTimer1IntervalMs = 100;

void register_class()
{
    RegisterHandlerClass(kShowClass, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), nullptr, CS_DBLCLKS);
}

core::ComponentEvents dismissing_events(core::ScreenSaverShow& show)
{
    return {[&show] { show.Form_Click(); }, [&show] { show.Form_DblClick(); },
            [&show](const core::MouseState&) { show.Form_MouseMove(); }};
}

} // namespace

frmScreenSaver::frmScreenSaver(core::Program& program, core::ShowServices services, PictureSource& pictures,
                               WallpaperFile& wallpaper)
    : m_program(program), m_wallpaper(wallpaper), FXLabel3(m_layers), FXImage2(m_layers, pictures),
      FXImage1(m_layers, pictures), FXLabel1(m_layers),
      m_show(program, *this, core::ShowComponents{FXImage1, FXImage2, FXLabel1, FXLabel3, FXSnd1, FXSnd2}, services),
      m_covers([this](UINT message) { cover_input(message); })
{
    FXImage1.set_events(dismissing_events(m_show));
    FXLabel1.set_events(dismissing_events(m_show));
    FXLabel3.set_events(dismissing_events(m_show));
    FXSnd2.set_finished_handler([this] { m_show.FXSnd2_Finished(); });
    const RECT screen = screen_rect();
    const media::Size bounds{screen.right - screen.left, screen.bottom - screen.top};
    FXImage1.set_decode_bounds(bounds);
    FXImage2.set_decode_bounds(bounds);
}

frmScreenSaver::~frmScreenSaver()
{
    if (m_window != nullptr && IsWindow(m_window)) {
        DestroyWindow(m_window);
    }
}

RECT frmScreenSaver::screen_rect()
{
    return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

bool frmScreenSaver::open()
{
    register_class();
    const RECT screen = screen_rect();
    const DWORD ex_style = m_program.config_preview ? 0 : WS_EX_TOPMOST;
    m_window = CreateWindowExA(ex_style, kShowClass, std::string(core::kShowWindowTitle).c_str(),
                               WS_POPUP | WS_CLIPCHILDREN, screen.left, screen.top, screen.right - screen.left,
                               screen.bottom - screen.top, nullptr, nullptr, GetModuleHandleA(nullptr),
                               static_cast<WindowHandler*>(this));
    if (m_window == nullptr) {
        return false;
    }
    m_layers.attach(m_window);
    m_show.Form_Load();
    ::ShowWindow(m_window, SW_SHOW);
    UpdateWindow(m_window);
    if (!m_program.config_preview) {
        m_covers.update(m_window);
    }
    SetForegroundWindow(m_window);
    SetFocus(m_window);
    m_show.Form_Activate();
    return true;
}

double frmScreenSaver::inner_width()
{
    RECT r{};
    GetClientRect(m_window, &r);
    return r.right - r.left;
}

double frmScreenSaver::inner_height()
{
    RECT r{};
    GetClientRect(m_window, &r);
    return r.bottom - r.top;
}

double frmScreenSaver::left()
{
    RECT r{};
    GetWindowRect(m_window, &r);
    return r.left;
}

double frmScreenSaver::top()
{
    RECT r{};
    GetWindowRect(m_window, &r);
    return r.top;
}

bool frmScreenSaver::maximised()
{
    RECT r{};
    GetWindowRect(m_window, &r);
    const RECT screen = screen_rect();
    return EqualRect(&r, &screen) != 0;
}

void frmScreenSaver::maximise()
{
    const RECT screen = screen_rect();
    SetWindowPos(m_window, nullptr, screen.left, screen.top, screen.right - screen.left, screen.bottom - screen.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void frmScreenSaver::bring_to_front()
{
    BringWindowToTop(m_window);
    SetForegroundWindow(m_window);
}

void frmScreenSaver::make_top_most()
{
    RECT r{};
    GetWindowRect(m_window, &r);
    SetWindowPos(m_window, HWND_TOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top, 0);
    m_covers.restack(m_window);
}

void frmScreenSaver::start_timer2(int interval_ms)
{
    SetTimer(m_window, kTimer2, static_cast<UINT>(interval_ms), nullptr);
}

void frmScreenSaver::enable_timer1()
{
    SetTimer(m_window, kTimer1, kTimer1IntervalMs, nullptr);
}

bool frmScreenSaver::save_as_bitmap(const core::PictureObject& picture, const std::string& path)
{
    // The snapshot component's own picture, made the window's and saved at
    // the screen's size.
    const DibPicture* shot = FXImage2.snapshot();
    if (shot == nullptr || static_cast<const core::PictureObject*>(shot) != &picture) {
        return false;
    }
    const RECT screen = screen_rect();
    const int w = screen.right - screen.left;
    const int h = screen.bottom - screen.top;
    const media::Image& image = shot->image();
    return m_wallpaper.save(image.width() == w && image.height() == h ? image : media::ScaleImage(image, w, h), path);
}

void frmScreenSaver::unload()
{
    if (m_window != nullptr && IsWindow(m_window)) {
        DestroyWindow(m_window);
    }
}

void frmScreenSaver::unloaded()
{
    if (m_unloaded) {
        return;
    }
    m_unloaded = true;
    KillTimer(m_window, kTimer1);
    KillTimer(m_window, kTimer2);
    KillTimer(m_window, LayerHost::kEffectTimer);
    m_covers.clear();
    m_show.Form_Unload();
    if (m_on_unloaded) {
        m_on_unloaded();
    }
}

void frmScreenSaver::mouse_event(UINT message, LPARAM lparam)
{
    const int x = GET_X_LPARAM(lparam);
    const int y = GET_Y_LPARAM(lparam);
    const Layer* layer = m_layers.hit(x, y);
    const core::ComponentEvents* events = layer != nullptr ? &layer->events() : nullptr;
    switch (message) {
    case WM_MOUSEMOVE:
        m_layers.cancel_effects(false, true);
        if (events != nullptr && events->mouse_move) {
            events->mouse_move(core::MouseState{0, 0, static_cast<double>(x), static_cast<double>(y)});
        } else {
            m_show.Form_MouseMove();
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (events == nullptr) {
            m_show.Form_MouseDown();
        }
        break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        if (events != nullptr && events->click) {
            events->click();
        } else {
            m_show.Form_Click();
        }
        break;
    default: // the double clicks
        if (events != nullptr && events->double_click) {
            events->double_click();
        } else {
            m_show.Form_DblClick();
        }
        break;
    }
}

void frmScreenSaver::follow_primary_screen()
{
    // The picture on show keeps the size it was placed for; when the
    // primary monitor changed meanwhile, the window takes its new place as
    // the next picture loads (the covers fill the rest until then).
    if (m_program.show.cycle_state != core::CycleState::Load || maximised() || !m_show.activated()) {
        return;
    }
    maximise();
    const RECT screen = screen_rect();
    const media::Size bounds{screen.right - screen.left, screen.bottom - screen.top};
    FXImage2.move(0, 0, bounds.width, bounds.height);
    FXLabel3.move(0, 0, bounds.width, bounds.height);
    FXImage1.set_decode_bounds(bounds);
    FXImage2.set_decode_bounds(bounds);
    if (!m_program.config_preview) {
        m_covers.update(m_window);
    }
}

void frmScreenSaver::cover_input(UINT message)
{
    if (m_unloaded) {
        return;
    }
    switch (message) {
    case WM_MOUSEMOVE:
        m_show.Form_MouseMove();
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        m_show.Form_MouseDown();
        break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        m_show.Form_Click();
        break;
    case WM_CLOSE:
        m_show.Form_QueryUnload();
        break;
    default: // the double clicks
        m_show.Form_DblClick();
        break;
    }
}

LRESULT frmScreenSaver::handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT client{};
        GetClientRect(window, &client);
        m_layers.paint(dc, client.right, client.bottom);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_TIMER:
        if (wparam == kTimer1) {
            follow_primary_screen();
            m_show.Timer1_Timer();
        } else if (wparam == kTimer2) {
            m_show.Timer2_Timer();
        } else if (wparam == LayerHost::kEffectTimer) {
            m_layers.step();
        }
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wparam) != WA_INACTIVE && !m_unloaded) {
            m_show.Form_Activate();
        }
        return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        m_layers.cancel_effects(true, false);
        return DefWindowProcA(window, message, wparam, lparam);
    case WM_CHAR: {
        // The window is an ANSI window, so the character comes in the
        // system's ANSI code page.
        char key = static_cast<char>(wparam & 0xffu);
        m_show.Form_KeyPress(key);
        return 0;
    }
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
        if (!m_unloaded) {
            mouse_event(message, lparam);
        }
        return 0;
    case WM_SYSCOMMAND:
        // No second saver on top of this one, and no screen power-down
        // request ends the show behind the user's back.
        if ((wparam & 0xfff0u) == SC_SCREENSAVE) {
            return 0;
        }
        return DefWindowProcA(window, message, wparam, lparam);
    case WM_DISPLAYCHANGE:
        // Monitors came, went or changed size: the covers follow them.
        if (!m_program.config_preview && !m_unloaded) {
            m_covers.update(window);
        }
        return DefWindowProcA(window, message, wparam, lparam);
    case WM_CLOSE:
        // A close request from outside (Alt+F4, the task manager's polite
        // close) asks to end the show like any other input, so the password
        // rules still hold.
        m_show.Form_QueryUnload();
        return 0;
    case WM_DESTROY:
        unloaded();
        return 0;
    default:
        return DefWindowProcA(window, message, wparam, lparam);
    }
}

} // namespace framory::win32
