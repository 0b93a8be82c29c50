#pragma once

// The configuration hub ("/c" or no switch).

#include "core/config_ui/configuration.h"
#include "win32/show/dialog_window.h"

#include <functional>

namespace framory::win32 {

// What the hub opens: the show as its preview and the change-password
// dialog, each modally over the hub's window.
struct HubActions {
    std::function<void(HWND owner)> show_preview;
    std::function<void(HWND owner)> change_password;
};

// frm_configuration: titled "Framory - v3.0.0", with the "Display
// Filenames" check box and the buttons whose dialogs exist on Windows so
// far ("Preview Screen Saver", "Password", "Other Obelin Software Products",
// "Exit"). Closing it saves the settings and ends the program.
class frmConfiguration : public core::ConfigurationWindow, public WindowHandler {
public:
    frmConfiguration(core::Program& program, core::SettingsStore& store, core::Shell& shell, core::ScreenMetrics& screen,
                     core::EventPump& pump, HubActions actions);
    ~frmConfiguration() override;
    frmConfiguration(const frmConfiguration&) = delete;
    frmConfiguration& operator=(const frmConfiguration&) = delete;

    bool open();

    bool display_filenames() override;
    void set_display_filenames(bool checked) override;
    void set_title(const std::string& title) override;
    void show_show_modal() override;
    void show_message(const std::string& title, const std::string& text) override;
    void end_program() override;

    LRESULT handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override;

private:
    core::Program& m_program;
    core::ScreenMetrics& m_screen;
    core::EventPump& m_pump;
    HubActions m_actions;
    core::Configuration m_rules;
    HWND m_window = nullptr;
    HWND m_check = nullptr;
    bool m_ended = false;
};

} // namespace framory::win32
