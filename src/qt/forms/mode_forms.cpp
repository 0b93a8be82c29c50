#include "qt/forms/mode_forms.h"

namespace framory::qt {

bool QtModeForms::display_available()
{
    if (m_display == DisplayKind::None) {
        m_display_missing = true;
        return false;
    }
    return true;
}

bool QtModeForms::window_not_built()
{
    display_available();
    return false;
}

bool QtModeForms::open_configuration(core::Program&)
{
    return window_not_built();
}

bool QtModeForms::open_show(core::Program&)
{
    return window_not_built();
}

bool QtModeForms::load_preview(core::Program&)
{
    return window_not_built();
}

bool QtModeForms::open_change_password(core::Program&)
{
    return window_not_built();
}

} // namespace framory::qt
