#include "core/startup/main.h"

#include "core/settings/settings.h"
#include "core/startup/helpers.h"
#include "core/startup/program.h"

#include <cmath>
#include <functional>
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

void record_facts_and_load_settings(Program& program, StartupServices& services)
{
    program.twips_per_pixel_x = whole_twips(services.screen.twips_per_pixel_x());
    program.twips_per_pixel_y = whole_twips(services.screen.twips_per_pixel_y());
    program.windows_dir = GetWindowsDir(services.system);
    program.program_folder = FolderOfFile(services.system.program_file_path());
    LoadSettings(program, services.store);
}

// Opens a show and lets it run until its window has unloaded.
void run_show(Program& program, StartupServices& services, const std::function<bool()>& open)
{
    program.show_running = true;
    if (open()) {
        services.pump.run_while(program.show_running);
    }
    // A show window that could not open never clears the flag itself.
    program.show_running = false;
}

} // namespace

MainResult Main(Program& program, StartupServices& services, std::string_view argument_text)
{
    const std::string switch_text = SwitchOf(argument_text);
    record_facts_and_load_settings(program, services);

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
        run_show(program, services, [&] { return services.forms.open_show(program); });
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

MainResult MainHosted(Program& program, StartupServices& services, const HostedRequest& request)
{
    record_facts_and_load_settings(program, services);
    MainResult result;
    if (request.target != HostedRequest::Target::Bad) {
        result.mode = SaverMode::Run;
        run_show(program, services, [&] { return services.forms.open_hosted_show(program, request); });
    }
    return result;
}

} // namespace framory::core
