#pragma once

#include "core/components/platform.h"
#include "core/startup/saver_mode.h"

#include <string_view>

namespace framory::core {

// What the program does once Main has returned.
enum class AfterMain {
    EndProgram,  // no window is open: the program ends now
    KeepRunning, // a window is open and ends the program itself when it closes
};

struct MainResult {
    SaverMode mode = SaverMode::None;
    AfterMain after = AfterMain::EndProgram;
};

// The title of the show window; a second show start looks for it.
inline constexpr std::string_view kShowWindowTitle = "screen saver running";

// The start-up procedure: records the machine's facts, loads the settings
// and opens the window of the mode the argument text names. In Run mode it
// returns only when the show has ended.
MainResult Main(Program& program, StartupServices& services, std::string_view argument_text);

// The start-up of a hosted show (see HostedRequestOf): the same facts and
// settings as Main, then the show drawn into the host's window until it is
// stopped or the window goes away. There is no single-show test: a daemon
// starts one copy for each monitor. A bad window id opens nothing.
MainResult MainHosted(Program& program, StartupServices& services, const HostedRequest& request);

} // namespace framory::core
