#pragma once

// Starting Framory.scr from a test, reading the screen, making scratch
// folders and waiting for conditions with a deadline.

#include "media/image/image.h"

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>

namespace framory::win32::testing {

using namespace std::chrono_literals;

// Hands on this thread's messages until `condition` holds or `limit` has
// passed; returns whether it held.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit = 20s);

// A Framory.scr process with the given argument text; ended when the
// object goes if it still runs.
class SaverProcess {
public:
    explicit SaverProcess(const std::string& arguments);
    ~SaverProcess();
    SaverProcess(const SaverProcess&) = delete;
    SaverProcess& operator=(const SaverProcess&) = delete;

    bool started() const { return m_process.hProcess != nullptr; }
    bool exited() const;
    bool wait_for_exit(std::chrono::milliseconds limit = 20s) const;

private:
    PROCESS_INFORMATION m_process{};
};

// An area of the virtual screen as it shows now; the primary monitor when
// the area is empty.
media::Image CaptureScreen(RECT area = {});

// Whether the pixel is within `tolerance` of the colour in each channel.
bool Near(std::uint32_t pixel, std::uint32_t colour, int tolerance = 12);

// A new folder under the temporary one, its name `prefix` and this
// process's id, with a backslash at the end.
std::string TempFolder(const char* prefix);

} // namespace framory::win32::testing
