#pragma once

// The options dialog.

#include "core/config_ui/options.h"
#include "win32/forms/form_kit.h"

#include <cstdint>
#include <functional>

namespace framory::core {
struct Program;
}

namespace framory::win32 {

// frm_options, "Screen Saver Options": ten framed groups of option buttons
// and sliders, the keys of the show, "Change &Password" and "&Ok". Every
// click writes its field of the settings record at once; closing (by "&Ok"
// or the close box) saves the record. There is no cancel: Escape does
// nothing.
class frmOptions : public ConfigForm, public core::OptionsWindow {
public:
    frmOptions(core::Program& program, core::SettingsStore& store, core::ScreenMetrics& screen, core::EventPump& pump,
               core::Shell& shell, std::function<void(HWND owner)> change_password);
    ~frmOptions() override;

    // Creates the dialog and runs its load step for the system's platform
    // identifier (GetVersionExA's; 2 is the Windows NT family).
    bool create(HWND owner, const Twips& twips, std::int32_t platform_id);

    // OptionsWindow
    double width_twips() override;
    double height_twips() override;
    void move_to_twips(double left, double top) override;
    void select_button(int number) override;
    void set_slider_position(core::Slider slider, int position) override;
    void set_duration_text(const std::string& text) override;
    void disable_wallpaper_group() override;
    void open_change_password() override;

    LRESULT handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override;

private:
    void unload() override;
    void scrolled(HWND bar, int request, int thumb);
    void update_tab_stops();
    HWND option(int number) const;

    core::ScreenMetrics& m_screen;
    std::function<void(HWND owner)> m_change_password;
    core::OptionsDialog m_rules;
};

// Shows the options dialog modally over `owner` and returns when it has
// closed and saved the settings.
void ShowOptionsDialog(core::Program& program, core::SettingsStore& store, core::ScreenMetrics& screen,
                       core::EventPump& pump, core::Shell& shell, std::function<void(HWND owner)> change_password,
                       HWND owner, const Twips& twips);

} // namespace framory::win32
