#pragma once

#include "core/components/platform.h"
#include "qt/platform/desktop_services.h"

namespace framory::qt {

class FormServices;

// Opens the window of each mode on the desktop. Without a display no window
// can be shown, and that is remembered so the program can say so.
class QtModeForms : public core::ModeForms {
public:
    QtModeForms(DisplayKind display, FormServices& platform) : m_display(display), m_platform(platform) {}

    bool open_configuration(core::Program& program) override;
    bool open_show(core::Program& program) override;
    bool load_preview(core::Program& program) override;
    bool open_change_password(core::Program& program) override;
    bool open_hosted_show(core::Program& program, const core::HostedRequest& request) override;

    bool display_missing() const { return m_display_missing; }
    // Whether a hosted show found no window to draw into.
    bool host_missing() const { return m_host_missing; }

private:
    bool display_available();

    DisplayKind m_display;
    FormServices& m_platform;
    bool m_display_missing = false;
    bool m_host_missing = false;
};

} // namespace framory::qt
