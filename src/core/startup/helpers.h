#pragma once

#include "core/components/platform.h"

#include <string>

namespace framory::core {

// Centres a window on the screen (single precision; a window larger than
// the screen gets a negative left or top), then lets pending window messages
// run.
void CenterForm(MovableWindow& window, ScreenMetrics& screen, EventPump& pump);

// The Windows directory, always ending in the path separator; a lone
// separator when the system names none.
std::string GetWindowsDir(SystemInfo& system);

// True when no top-level window has the given title.
bool NoWindowTitled(WindowFinder& windows, const std::string& title);

// Raise or lower the pointer's display count until the pointer shows
// (count 0 or more) or hides (count below 0), whatever other code did to it.
void ShowPointer(CursorService& cursor);
void HidePointer(CursorService& cursor);

// Tell the system that a screen saver runs (its own saver held off), and
// that it no longer runs (its own saver allowed again, written to the
// profile when a show was running).
void SaverStateOn(SaverSystem& saver);
void SaverStateOff(SaverSystem& saver);

// The program file's base name without its extension, compared without
// regard to case with "Framory".
bool IsFramoryProgramFile(const std::string& program_file_path);

} // namespace framory::core
