#pragma once

#include "core/components/platform.h"
#include "core/config_ui/control_text.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The rules of the options dialog, frm_options: what each option button and
// slider writes into the settings record, what the dialog shows when it
// loads, and what it does when it closes.

namespace framory::core {

struct Program;
struct Settings;
struct StoredField;

inline constexpr std::string_view kOptionsCaption = "Screen Saver Options";

// The dialog's texts outside the groups of option buttons: the frames of the
// sliders and of the keys of the show, the sliders' end labels, the lines of
// Label6 and the buttons.
inline constexpr std::array<ControlText, 12> kOptionsControls{{
    {"Frame6", "Effect Adjustments", "Adjust the video effects using the slider bars"},
    {"Frame8", "Picture duration (seconds)", ""},
    {"Frame11", "Options available while the screen saver is running:", ""},
    {"Label3", "Fine", ""},
    {"Label2", "Coarse", ""},
    {"Label4", "Faster", ""},
    {"Label5", "Slower", ""},
    {"Label6_0", "Press \"P\" to print a copy of the current picture to your printer", ""},
    {"Label6_1", "Press \"M\" to advance to the next audio selection available (.wav or .mid files)", ""},
    {"Command3", "Audio", "Click here to adjust your system's audio settings (If available)"},
    {"Command2", "Change &Password", "Click here to change this screen saver's password"},
    {"Command1", "&Ok", "Click here to exit this screen"},
}};

// The keyboard order of the dialog's controls.
inline constexpr std::array<std::string_view, 25> kOptionsTabOrder{
    "Option14", "Option7",  "Option6",  "Option8",  "Option9",  "Option2",  "Option1",  "Command3", "Option10",
    "Option11", "Option15", "Option16", "Option17", "HScroll2", "HScroll3", "Option3",  "Option4",  "Option5",
    "HScroll1", "Option12", "Option13", "Option18", "Option19", "Command2", "Command1"};

// The system's volume-control program, as the shell is asked to start it.
inline constexpr std::string_view kVolumeControlProgram = "SNDVOL32.EXE";

// The platform identifier of the Windows NT family in the system's version
// record; a failed version query leaves the identifier 0.
inline constexpr std::int32_t kPlatformWin32Nt = 2;

// On the NT family the wallpaper left behind by the show is not offered:
// the option is forced off and its group greyed out.
constexpr bool IsNtFamily(std::int32_t platform_id)
{
    return platform_id == kPlatformWin32Nt;
}

// The framed groups of option buttons, each bound to one settings field.
enum class OptionGroup { Scale, Border, Sound, Wallpaper, CancelMode, EffectSpeed, Gradient, PictureOrder };
inline constexpr int kOptionGroupCount = 8;

struct OptionGroupInfo {
    OptionGroup group;
    const StoredField* field; // the settings field the group edits
    std::string_view frame;   // the frame's control name
    std::string_view caption; // the frame's caption
    std::string_view tooltip; // empty: none
};

// One option button: it stores a fixed value into its group's field.
struct OptionButton {
    int number; // the control is "Option" followed by the number
    OptionGroup group;
    std::int16_t value;
    std::string_view caption;
    std::string_view tooltip;
};

// The groups, in the order of the table of the dialog's fields.
extern const std::array<OptionGroupInfo, kOptionGroupCount> kOptionGroups;

// Every option button, group by group in visual order (which is also the
// keyboard order within each group).
extern const std::array<OptionButton, 19> kOptionButtons;

const OptionGroupInfo& GroupInfo(OptionGroup group);

// The button with the number, or nothing when no such button exists.
const OptionButton* FindOptionButton(int number);

// The button of the group that stands for the value, or nothing when no
// button of the group stores that value.
std::optional<int> ButtonForValue(OptionGroup group, std::int32_t value);

enum class Slider {
    HScroll1, // picture duration
    HScroll2, // effect grain
    HScroll3  // effect delay
};

struct SliderRange {
    int minimum;
    int maximum;
    int initial;    // the position before the dialog loads
    int small_step; // an arrow click or an arrow key
    int large_step; // a click beside the thumb or Page Up / Page Down
};

// The ends come from the settings field the slider sets.
SliderRange RangeOf(Slider slider);

// The settings field a slider sets.
const StoredField& SliderField(Slider slider);

// Where a slider rests for a stored value: the value itself when it lies in
// the slider's range, else the nearer end.
int SliderPosition(Slider slider, std::int32_t stored);

// The text of Label1 for a picture duration: a plain whole number.
std::string DurationText(std::int32_t seconds);

// The dialog's window as its rules see it. Setting a control from here runs
// no handler: only the user's own clicks and moves do.
class OptionsWindow : public MovableWindow {
public:
    virtual void select_button(int number) = 0;
    virtual void set_slider_position(Slider slider, int position) = 0;
    virtual void set_duration_text(const std::string& text) = 0; // Label1
    // Greys out the frame "Save as wallpaper upon exit?" and its buttons.
    virtual void disable_wallpaper_group() = 0;
    // The change-password dialog, modal over this one; returns when it closes.
    virtual void open_change_password() = 0;
};

// The rules of frm_options. The dialog owns no data: it edits the program's
// settings record in place, and the record reaches the store when the
// dialog unloads.
class OptionsDialog {
public:
    OptionsDialog(Program& program, OptionsWindow& window, ScreenMetrics& screen, EventPump& pump, SettingsStore& store,
                  Shell& shell);

    // Centres the window, applies the NT-family rule for the system's
    // platform identifier and shows the record's values.
    void Form_Load(std::int32_t platform_id);
    // Saves the whole record, whether closed by "&Ok" or by the close box.
    void Form_Unload();

    void Option_Click(int number);
    void HScroll_Change(Slider slider, int position);
    void Command2_Click(); // "Change &Password"
    void Command3_Click(); // "Audio"

    bool nt_family() const { return m_nt_family; }

private:
    void show_group(OptionGroup group);
    void show_slider(Slider slider);

    Program& m_program;
    OptionsWindow& m_window;
    ScreenMetrics& m_screen;
    EventPump& m_pump;
    SettingsStore& m_store;
    Shell& m_shell;
    bool m_nt_family = false;
};

} // namespace framory::core
