#include "core/startup/main.h"

#include "core/settings/settings.h"
#include "core/startup/helpers.h"
#include "core/startup/program.h"

#include <cmath>
#include <limits>

namespace framory::core {

namespace {

std::int16_t whole_twips(double twips_per_pixel)
{
    const double rounded = std::nearbyint(twips_per_pixel);
    if (!std::isfinite(rounded) || rounded < 1.0 || rounded > std::numeric_limits<std::int16_t>::max()) {
        return 15; // the value of an ordinary 96-dots-per-inch screen
    }
    return static_cast<std::int16_t>(rounded);
}

AfterMain open_or_end(bool opened)
{
    return opened ? AfterMain::KeepRunning : AfterMain::EndProgram;
}

} // namespace

MainResult Main(Program& program, StartupServices& services, std::string_view argument_text)
{
    program.twips_per_pixel_x = whole_twips(services.screen.twips_per_pixel_x());
    program.twips_per_pixel_y = whole_twips(services.screen.twips_per_pixel_y());

    const std::string switch_text = SwitchOf(argument_text);

    program.windows_dir = GetWindowsDir(services.system);
    program.program_folder = FolderOfFile(services.system.program_file_path());

    LoadSettings(program, services.store);

    MainResult result;
    result.mode = ModeOfSwitch(switch_text);
    switch (result.mode) {
    case SaverMode::Configure:
        if (IsFramoryProgramFile(services.system.program_file_path()) &&
            services.system.another_instance_running()) {
            result.after = AfterMain::EndProgram;
        } else {
            result.after = open_or_end(services.forms.open_configuration(program));
        }
        break;
    case SaverMode::Run:
        if (!NoWindowTitled(services.windows, std::string(kShowWindowTitle))) {
            result.after = AfterMain::EndProgram;
            break;
        }
        program.show_running = true;
        if (services.forms.open_show(program)) {
            services.pump.run_while(program.show_running);
        }
        // A show window that could not open never clears the flag itself.
        program.show_running = false;
        result.after = AfterMain::EndProgram;
        break;
    case SaverMode::Preview:
        program.host_window = ReadWindowHandle(TextAfterSwitch(argument_text));
        result.after = open_or_end(services.forms.load_preview(program));
        break;
    case SaverMode::ChangePassword:
        result.after = open_or_end(services.forms.open_change_password(program));
        break;
    case SaverMode::None:
        result.after = AfterMain::EndProgram;
        break;
    }
    return result;
}

} // namespace framory::core
