#pragma once

#include "core/components/platform.h"
#include "core/config_ui/control_text.h"

#include <array>
#include <string>
#include <string_view>

namespace framory::core {

struct Program;

inline constexpr int kVersionMajor = 3;
inline constexpr int kVersionMinor = 0;
inline constexpr int kVersionRevision = 0;
inline constexpr const char* kCatalogueProgram = "Obelin_Products.exe";
inline constexpr const char* kCatalogueErrorTitle = "Error!";
inline constexpr const char* kCatalogueErrorText =
    "Error Launching Obelin_Products.exe!\r\rPlease make sure you have this program installed properly!";

// The hub's controls: the three large buttons and the check box inside its
// frame, then the row of buttons below.
inline constexpr std::array<ControlText, 8> kHubControls{{
    {"Command8", "Edit Display Folders",
     "Click here to select the folder which contains the pictures and audio files you would to display during the "
     "screen saver"},
    {"Command7", "Screen Saver Options", "Click here to change the various screen saver settings available"},
    {"Command6", "Preview Screen Saver", "Click here to preview the screen saver!"},
    {"Check1", "Display Filenames",
     "Place a check here to display the filename of each picture as it is displayed during the screen saver"},
    {"Command5", "Password", "Click here to change the password for this screen saver"},
    {"Command3", "Other Obelin Software Products", "Click here to learn about other Obelin Software products"},
    {"Command2", "About", "Click here to learn more about this screen saver"},
    {"Command4", "Exit", "Click here to exit"},
}};

// The hub's keyboard order: the row of buttons, then the frame's controls.
inline constexpr std::array<std::string_view, 8> kHubTabOrder{"Command5", "Command3", "Command4", "Command2",
                                                              "Command8", "Check1",   "Command7", "Command6"};

// "Framory - v3.0.0"
std::string ConfigurationTitle();

// The configuration hub as its rules see it.
class ConfigurationWindow {
public:
    virtual ~ConfigurationWindow() = default;
    virtual bool display_filenames() = 0;
    virtual void set_display_filenames(bool checked) = 0;
    virtual void set_title(const std::string& title) = 0;
    // Shows the show window modally and returns when it has closed.
    virtual void show_show_modal() = 0;
    // A message box with an OK button and no icon.
    virtual void show_message(const std::string& title, const std::string& text) = 0;
    virtual void end_program() = 0;
};

// The rules of frm_configuration.
class Configuration {
public:
    Configuration(Program& program, ConfigurationWindow& window, SettingsStore& store, Shell& shell);

    // After the window was centred.
    void Form_Load();
    void Command6_Click(); // "Preview Screen Saver"
    void Command3_Click(); // "Other Obelin Software Products"
    void Form_Unload();    // "Exit" or the close box

private:
    void copy_check_box();

    Program& m_program;
    ConfigurationWindow& m_window;
    SettingsStore& m_store;
    Shell& m_shell;
};

} // namespace framory::core
