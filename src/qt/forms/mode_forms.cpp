#include "qt/forms/mode_forms.h"

#include "core/startup/saver_mode.h"
#include "qt/forms/form_services.h"
#include "qt/forms/frm_configuration.h"
#include "qt/forms/frm_newpassword.h"
#include "qt/forms/frm_preview.h"
#include "qt/forms/frm_screen_saver.h"
#include "qt/forms/hosted_show.h"

namespace framory::qt {

bool QtModeForms::display_available()
{
    if (m_display == DisplayKind::NoDisplay) {
        m_display_missing = true;
        return false;
    }
    return true;
}

bool QtModeForms::open_configuration(core::Program& program)
{
    return display_available() && OpenConfiguration(program, m_platform);
}

bool QtModeForms::open_show(core::Program& program)
{
    if (!display_available()) {
        return false;
    }
    auto* window = new frmScreenSaver(program, m_platform.sound(), m_platform.show_services(), &m_platform.lock());
    window->open();
    return true;
}

bool QtModeForms::load_preview(core::Program& program)
{
    return display_available() && LoadPreview(program, m_platform);
}

bool QtModeForms::open_change_password(core::Program& program)
{
    return display_available() && OpenChangePasswordProgram(program, m_platform);
}

bool QtModeForms::open_hosted_show(core::Program& program, const core::HostedRequest& request)
{
    if (!display_available()) {
        return false;
    }
    const std::uint32_t host = request.target == core::HostedRequest::Target::Window ? request.window : 0;
    auto* window = new HostedShowWindow(program, m_platform.sound(), m_platform.show_services(), host);
    if (!window->open()) {
        delete window;
        m_host_missing = true;
        return false;
    }
    return true;
}

} // namespace framory::qt
