#pragma once

#include "core/slideshow/show.h"
#include "qt/platform/desktop_services.h"
#include "qt/platform/screen_lock.h"
#include "qt/platform/settings_file_store.h"
#include "qt/platform/shell.h"
#include "qt/sound/sound_output.h"

namespace framory::qt {

// What the forms take from the run's platform: the desktop's services they
// hand to the dialogs and windows they open. The program's wiring
// (app/desktop_platform) provides them; the forms never build a service.
class FormServices {
public:
    virtual ~FormServices() = default;

    virtual DisplayKind display() const = 0;
    virtual core::ShowServices show_services() = 0;
    virtual SettingsFileStore& store() = 0;
    virtual QtEventPump& pump() = 0;
    virtual QtScreenMetrics& screen() = 0;
    virtual SoundOutput& sound() = 0;
    virtual DesktopShell& shell() = 0;
    virtual ScreenLock& lock() = 0;
};

} // namespace framory::qt
