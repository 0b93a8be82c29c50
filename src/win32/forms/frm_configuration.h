#pragma once

// The configuration hub ("/c" or no switch).

#include "core/config_ui/configuration.h"
#include "win32/forms/form_kit.h"

#include <functional>

namespace framory::win32 {

class PictureSource;

// What the hub works with: the platform's services, the pictures for the
// folder editor's preview, and the two dialogs that live elsewhere (the show
// as the hub's preview, the change-password dialog), each run modally over
// the window given.
struct HubServices {
    core::SettingsStore& store;
    core::Shell& shell;
    core::ScreenMetrics& screen;
    core::EventPump& pump;
    PictureSource& pictures;
    std::function<void(HWND owner)> show_preview;
    std::function<void(HWND owner)> change_password;
};

// frm_configuration, titled "Framory - v3.0.0": the artwork, the frame with
// "Edit Display Folders", "Screen Saver Options", "Preview Screen Saver"
// and "Display Filenames", and the row of "Password", "Other Obelin Software
// Products", "About" and "Exit". Each sub-dialog opens modally, created
// afresh. Closing the hub (by "Exit", the close box or Escape) saves the
// settings and ends the program.
class frmConfiguration : public ConfigForm, public core::ConfigurationWindow {
public:
    frmConfiguration(core::Program& program, HubServices services);
    ~frmConfiguration() override;

    bool open();

    bool display_filenames() override;
    void set_display_filenames(bool checked) override;
    void set_title(const std::string& title) override;
    void show_show_modal() override;
    void show_message(const std::string& title, const std::string& text) override;
    void end_program() override;

    LRESULT handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override;

private:
    void unload() override;
    void draw_large_button(const DRAWITEMSTRUCT& item);
    Twips twips() const;

    core::Program& m_program;
    HubServices m_services;
    core::Configuration m_rules;
    media::Image m_icons[3];
};

} // namespace framory::win32
