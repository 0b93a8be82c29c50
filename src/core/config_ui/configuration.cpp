#include "core/config_ui/configuration.h"

#include "core/settings/settings.h"
#include "core/startup/program.h"

namespace framory::core {

std::string ConfigurationTitle()
{
    return "Framory - v" + std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + "." +
           std::to_string(kVersionRevision);
}

Configuration::Configuration(Program& program, ConfigurationWindow& window, SettingsStore& store, Shell& shell)
    : m_program(program), m_window(window), m_store(store), m_shell(shell)
{
}

void Configuration::Form_Load()
{
    LoadSettings(m_program, m_store);
    // The show writes a caption for any stored value but 0, so that is what
    // the check box shows.
    m_window.set_display_filenames(m_program.settings.show_filenames != 0);
    m_window.set_title(ConfigurationTitle());
}

void Configuration::copy_check_box()
{
    m_program.settings.show_filenames = m_window.display_filenames() ? 1 : 0;
}

void Configuration::Command6_Click()
{
    copy_check_box();
    SaveSettings(m_program, m_store);
    m_program.config_preview = true;
    m_window.show_show_modal();
    m_program.config_preview = false;
}

void Configuration::Command3_Click()
{
    if (m_shell.ShellExecute(m_program.settings.install_path + kCatalogueProgram) <= 32) {
        m_window.show_message(kCatalogueErrorTitle, kCatalogueErrorText);
    }
}

void Configuration::Form_Unload()
{
    copy_check_box();
    SaveSettings(m_program, m_store);
    m_window.end_program();
}

} // namespace framory::core
