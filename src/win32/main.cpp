// Framory.scr: builds the Windows services and hands the command line to
// the start-up procedure; or, with its private switch, decodes one picture
// as the show's decoding worker.
#include "core/startup/main.h"
#include "core/startup/program.h"
#include "win32/decode/decode_worker.h"
#include "win32/platform/win32_platform.h"

#include <windows.h>

#include <string_view>

namespace {

// The argument text: the command line after the program's own name (quoted
// or not) and the blanks that follow it.
std::string_view argument_text(std::string_view line)
{
    std::size_t at = 0;
    if (!line.empty() && line[0] == '"') {
        const auto close = line.find('"', 1);
        at = close == std::string_view::npos ? line.size() : close + 1;
    } else {
        while (at < line.size() && line[at] != ' ' && line[at] != '\t') {
            ++at;
        }
    }
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) {
        ++at;
    }
    return line.substr(at);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const std::string_view text = argument_text(GetCommandLineA());
    if (text.starts_with(framory::win32::kDecodeWorkerSwitch)) {
        // A worker shows nothing and reports nothing: a crash or a refused
        // file is the show's caption, never a system error box.
        SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
        return framory::win32::RunDecodeWorker(text.substr(framory::win32::kDecodeWorkerSwitch.size()));
    }
    // Real pixels at any screen scaling: the show covers every pixel and
    // pictures are decoded for the screen's true size.
    SetProcessDPIAware();

    framory::win32::Win32Platform platform;
    framory::core::Program program;
    const framory::core::MainResult result = framory::core::Main(program, platform.startup(), text);
    if (result.after == framory::core::AfterMain::KeepRunning) {
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            framory::win32::Win32EventPump::dispatch(msg);
        }
    }
    return 0;
}
