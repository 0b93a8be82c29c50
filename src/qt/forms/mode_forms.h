#pragma once

#include "core/components/platform.h"
#include "qt/platform/desktop_services.h"

namespace framory::qt {

// Opens the window of each mode on the desktop. A mode whose window this
// build does not have opens nothing, and the program ends as it does for an
// unknown switch. Without a display no window can be shown, and that is
// remembered so the program can say so.
class QtModeForms : public core::ModeForms {
public:
    explicit QtModeForms(DisplayKind display) : m_display(display) {}

    bool open_configuration(core::Program& program) override;
    bool open_show(core::Program& program) override;
    bool load_preview(core::Program& program) override;
    bool open_change_password(core::Program& program) override;

    bool display_missing() const { return m_display_missing; }

private:
    bool display_available();
    // A mode whose window this build does not have: nothing opens.
    bool window_not_built();

    DisplayKind m_display;
    bool m_display_missing = false;
};

} // namespace framory::qt
