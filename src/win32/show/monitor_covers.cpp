#include "win32/show/monitor_covers.h"

#include <algorithm>

namespace framory::win32 {

namespace {

constexpr const char* kCoverClass = "FramoryMonitorCover";
constexpr const char* kCoverTitle = "Framory monitor cover";

void register_class()
{
    RegisterHandlerClass(kCoverClass, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), nullptr, CS_DBLCLKS);
}

bool same_rect(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != 0;
}

BOOL CALLBACK add_monitor(HMONITOR, HDC, LPRECT area, LPARAM list)
{
    reinterpret_cast<std::vector<RECT>*>(list)->push_back(*area);
    return TRUE;
}

} // namespace

std::vector<RECT> ListMonitors()
{
    std::vector<RECT> monitors;
    EnumDisplayMonitors(nullptr, nullptr, &add_monitor, reinterpret_cast<LPARAM>(&monitors));
    if (monitors.empty()) {
        const int x = GetSystemMetrics(SM_XVIRTUALSCREEN);
        const int y = GetSystemMetrics(SM_YVIRTUALSCREEN);
        monitors.push_back(
            RECT{x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN), y + GetSystemMetrics(SM_CYVIRTUALSCREEN)});
    }
    return monitors;
}

std::vector<RECT> CoverAreas(const std::vector<RECT>& monitors, const RECT& show)
{
    std::vector<RECT> areas;
    for (const RECT& monitor : monitors) {
        const bool listed =
            std::any_of(areas.begin(), areas.end(), [&](const RECT& area) { return same_rect(area, monitor); });
        if (IsRectEmpty(&monitor) == 0 && !same_rect(monitor, show) && !listed) {
            areas.push_back(monitor);
        }
    }
    return areas;
}

class MonitorCovers::Cover : public WindowHandler {
public:
    Cover(const RECT& area, std::function<void(UINT)> input) : m_area(area), m_input(std::move(input))
    {
        register_class();
        m_window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kCoverClass, kCoverTitle,
                                   WS_POPUP, area.left, area.top, area.right - area.left, area.bottom - area.top,
                                   nullptr, nullptr, GetModuleHandleA(nullptr), static_cast<WindowHandler*>(this));
    }
    ~Cover() override
    {
        if (m_window != nullptr && IsWindow(m_window)) {
            DestroyWindow(m_window);
        }
    }
    Cover(const Cover&) = delete;
    Cover& operator=(const Cover&) = delete;

    HWND window() const { return m_window; }
    const RECT& area() const { return m_area; }

    void place_below(HWND show)
    {
        // Both are top-most, so below the show is still above every other
        // window.
        SetWindowPos(m_window, show != nullptr ? show : HWND_TOPMOST, m_area.left, m_area.top,
                     m_area.right - m_area.left, m_area.bottom - m_area.top, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    }

    LRESULT handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override
    {
        switch (message) {
        case WM_MOUSEACTIVATE:
            return MA_NOACTIVATE;
        case WM_SETCURSOR:
            SetCursor(nullptr);
            return TRUE;
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
        case WM_CLOSE: {
            // A cover is part of the show: closing it from outside asks the
            // show to end, and the cover stays until it does. The handler is
            // called through a copy, as the covers may change while it runs
            // (the password prompt runs its own message loop).
            const auto input = m_input;
            input(message);
            return 0;
        }
        default:
            return DefWindowProcA(window, message, wparam, lparam);
        }
    }

private:
    RECT m_area;
    std::function<void(UINT)> m_input;
    HWND m_window = nullptr;
};

MonitorCovers::MonitorCovers(std::function<void(UINT message)> input) : m_input(std::move(input)) {}

MonitorCovers::~MonitorCovers() = default;

void MonitorCovers::update(HWND show, const std::vector<RECT>& monitors)
{
    RECT show_area{};
    if (show != nullptr) {
        GetWindowRect(show, &show_area);
    }
    std::vector<RECT> areas = CoverAreas(monitors, show_area);
    std::vector<std::unique_ptr<Cover>> kept;
    for (auto& cover : m_covers) {
        const auto same =
            std::find_if(areas.begin(), areas.end(), [&](const RECT& area) { return same_rect(area, cover->area()); });
        if (same != areas.end()) {
            areas.erase(same);
            kept.push_back(std::move(cover));
        }
    }
    m_covers = std::move(kept);
    for (const RECT& area : areas) {
        auto cover = std::make_unique<Cover>(area, m_input);
        if (cover->window() != nullptr) {
            m_covers.push_back(std::move(cover));
        }
    }
    restack(show);
}

void MonitorCovers::restack(HWND show)
{
    for (const auto& cover : m_covers) {
        cover->place_below(show);
    }
}

void MonitorCovers::clear()
{
    m_covers.clear();
}

std::vector<HWND> MonitorCovers::windows() const
{
    std::vector<HWND> list;
    for (const auto& cover : m_covers) {
        list.push_back(cover->window());
    }
    return list;
}

} // namespace framory::win32
