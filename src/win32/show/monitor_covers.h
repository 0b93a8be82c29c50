#pragma once

// Black covers over the monitors the show window leaves uncovered.

#include "win32/show/dialog_window.h"

#include <functional>
#include <memory>
#include <vector>

namespace framory::win32 {

// The monitors of the virtual screen, in its coordinates; the whole
// virtual screen where none can be listed.
std::vector<RECT> ListMonitors();

// The areas that get a cover: every monitor the show window does not cover
// exactly (a monitor that only overlaps it, such as a primary monitor that
// changed size under the show, is covered below the show), each once.
std::vector<RECT> CoverAreas(const std::vector<RECT>& monitors, const RECT& show);

// One black, top-most window on each cover area, with no taskbar button,
// never activated and with no pointer over it. Its clicks, mouse moves and
// close requests go to `input` as the window messages they came in; each
// cover stays just below the show window.
class MonitorCovers {
public:
    explicit MonitorCovers(std::function<void(UINT message)> input);
    ~MonitorCovers();
    MonitorCovers(const MonitorCovers&) = delete;
    MonitorCovers& operator=(const MonitorCovers&) = delete;

    // Follows the monitors: covers that still fit an area stay, the others
    // go, and every area left without one gets a new one.
    void update(HWND show) { update(show, ListMonitors()); }
    void update(HWND show, const std::vector<RECT>& monitors);
    // Puts every cover back just below the show window.
    void restack(HWND show);
    void clear();
    std::vector<HWND> windows() const;

private:
    class Cover;
    std::function<void(UINT)> m_input;
    std::vector<std::unique_ptr<Cover>> m_covers;
};

} // namespace framory::win32
