#pragma once

#include "core/components/settings_store.h"
#include "core/components/system.h"

// Start-up: the window of each mode and the services start-up needs.

namespace framory::core {

struct Program;
struct HostedRequest;

// Opens the window of a mode. Each returns false when the window could not
// be opened (for example when there is no display to show it on).
class ModeForms {
public:
    virtual ~ModeForms() = default;
    virtual bool open_configuration(Program& program) = 0;   // frm_configuration, modeless
    virtual bool open_show(Program& program) = 0;            // frmScreenSaver, modeless
    virtual bool load_preview(Program& program) = 0;         // frm_preview, loaded but not shown
    virtual bool open_change_password(Program& program) = 0; // frm_newpassword, modeless
    // The show drawn into a window another program owns.
    virtual bool open_hosted_show(Program& program, const HostedRequest& request) = 0;
};

// The services start-up needs, gathered so that they travel together.
struct StartupServices {
    ScreenMetrics& screen;
    SystemInfo& system;
    WindowFinder& windows;
    SettingsStore& store;
    EventPump& pump;
    ModeForms& forms;
};

} // namespace framory::core
