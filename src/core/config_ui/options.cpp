#include "core/config_ui/options.h"

#include "core/settings/settings.h"
#include "core/startup/helpers.h"
#include "core/startup/program.h"

#include <algorithm>

namespace framory::core {

const std::array<OptionGroupInfo, kOptionGroupCount> kOptionGroups{{
    {OptionGroup::Scale, "Frame1", "Scale pictures to:", ""},
    {OptionGroup::Border, "Frame2", "Display border around pictures?", ""},
    {OptionGroup::Sound, "Frame3", "Sound", ""},
    {OptionGroup::Wallpaper, "Frame7", "Save as wallpaper upon exit?", ""},
    {OptionGroup::CancelMode, "Frame5", "Cancel video effect when:",
     "This adjusts how to stop a video effect so you can exit out of the screen saver quicker"},
    {OptionGroup::EffectSpeed, "Frame4", "Overall speed of video effects", ""},
    {OptionGroup::Gradient, "Frame9", "Gradient background fades",
     "Background gradient fills look best in color modes higher than 256 colors."},
    {OptionGroup::PictureOrder, "Frame10", "Display Pictures:", ""},
}};

// "Mid screen" stores 85 although its tooltip speaks of 80%: the show uses
// the stored number. The speeds run backwards, and the cancel modes are the
// components' own codes.
const std::array<OptionButton, 19> kOptionButtons{{
    {14, OptionGroup::Scale, 0, "Off", "Turn picture scaling off"},
    {7, OptionGroup::Scale, 85, "Mid screen",
     "Scale pictures to 80% of screen dimension.  This leaves a border around the screen."},
    {6, OptionGroup::Scale, 100, "Full screen",
     "Scale pictures as large as possible while keeping the same aspect ratio"},
    {8, OptionGroup::Border, 1, "Yes", "Click here to display a border around the pictures during the screen saver"},
    {9, OptionGroup::Border, 0, "No", "Click here to turn the border off"},
    {2, OptionGroup::Sound, 1, "On",
     "Click here to play and .wav or .mid files found in the folder during the screen saver"},
    {1, OptionGroup::Sound, 0, "Off", "Click here to turn off the sound during the screen saver"},
    {10, OptionGroup::Wallpaper, 1, "Yes", ""},
    {11, OptionGroup::Wallpaper, 0, "No", ""},
    {15, OptionGroup::CancelMode, 4, "Any key press", ""},
    {16, OptionGroup::CancelMode, 7, "A mouse move", ""},
    {17, OptionGroup::CancelMode, 9, "A key press or a mouse move", ""},
    {3, OptionGroup::EffectSpeed, 3, "Slow", ""},
    {4, OptionGroup::EffectSpeed, 2, "Normal", ""},
    {5, OptionGroup::EffectSpeed, 1, "Fast", ""},
    {12, OptionGroup::Gradient, 1, "On",
     "Click here to display a nice background gradient effect during the screen saver (Better in high color "
     "modes)"},
    {13, OptionGroup::Gradient, 0, "Off", "Click here to turn off gradient fills"},
    {18, OptionGroup::PictureOrder, 0, "Sequential Order", "Display pictures as they appear in the folder"},
    {19, OptionGroup::PictureOrder, 1, "Random Order", "Display pictures in a random order during the screen saver"},
}};

const OptionGroupInfo& GroupInfo(OptionGroup group)
{
    return kOptionGroups.at(static_cast<std::size_t>(group));
}

const OptionButton* FindOptionButton(int number)
{
    const auto found = std::find_if(kOptionButtons.begin(), kOptionButtons.end(),
                                    [number](const OptionButton& button) { return button.number == number; });
    return found == kOptionButtons.end() ? nullptr : &*found;
}

std::int16_t& OptionField(Settings& settings, OptionGroup group)
{
    switch (group) {
    case OptionGroup::Scale:
        return settings.scale_flag;
    case OptionGroup::Border:
        return settings.border_active;
    case OptionGroup::Sound:
        return settings.sound_on;
    case OptionGroup::Wallpaper:
        return settings.wallpaper;
    case OptionGroup::CancelMode:
        return settings.cancel_mode;
    case OptionGroup::EffectSpeed:
        return settings.effect_speed;
    case OptionGroup::Gradient:
        return settings.gradient;
    case OptionGroup::PictureOrder:
        break;
    }
    return settings.random_order;
}

std::optional<int> ButtonForValue(OptionGroup group, std::int16_t value)
{
    for (const OptionButton& button : kOptionButtons) {
        if (button.group == group && button.value == value) {
            return button.number;
        }
    }
    return std::nullopt;
}

SliderRange RangeOf(Slider slider)
{
    switch (slider) {
    case Slider::HScroll1:
        // The picture duration moves by a second per arrow click and by five
        // seconds per click beside the thumb: fine tuning stays at hand, and
        // the 5-to-60 range is crossed in eleven page clicks.
        return {5, 60, 10, 1, 5};
    case Slider::HScroll2:
        return {2, 15, 7, 1, 1};
    case Slider::HScroll3:
        break;
    }
    return {2, 20, 10, 1, 1};
}

int SliderPosition(Slider slider, std::int32_t stored)
{
    const SliderRange range = RangeOf(slider);
    return static_cast<int>(std::clamp<std::int32_t>(stored, range.minimum, range.maximum));
}

std::string DurationText(std::int32_t seconds)
{
    return std::to_string(seconds);
}

OptionsDialog::OptionsDialog(Program& program, OptionsWindow& window, ScreenMetrics& screen, EventPump& pump,
                             SettingsStore& store, Shell& shell)
    : m_program(program), m_window(window), m_screen(screen), m_pump(pump), m_store(store), m_shell(shell)
{
}

void OptionsDialog::Form_Load(std::int32_t platform_id)
{
    CenterForm(m_window, m_screen, m_pump);
    m_nt_family = IsNtFamily(platform_id);
    if (m_nt_family) {
        m_program.settings.wallpaper = 0;
        m_window.disable_wallpaper_group();
    }
    show_group(OptionGroup::Scale);
    show_group(OptionGroup::Border);
    show_group(OptionGroup::Sound);
    show_slider(Slider::HScroll1);
    show_slider(Slider::HScroll2);
    show_slider(Slider::HScroll3);
    show_group(OptionGroup::EffectSpeed);
    show_group(OptionGroup::Wallpaper);
    show_group(OptionGroup::Gradient);
    show_group(OptionGroup::CancelMode);
    show_group(OptionGroup::PictureOrder);
}

void OptionsDialog::show_group(OptionGroup group)
{
    // A value that no button stands for (only an edited store holds one)
    // leaves the group unselected and the field as it was, so it is saved
    // back unchanged unless the user picks a button.
    if (const std::optional<int> button = ButtonForValue(group, OptionField(m_program.settings, group))) {
        m_window.select_button(*button);
    }
}

void OptionsDialog::show_slider(Slider slider)
{
    Settings& settings = m_program.settings;
    const std::int32_t stored = slider == Slider::HScroll1   ? settings.scene_delay
                                : slider == Slider::HScroll2 ? settings.effect_grain
                                                             : settings.effect_delay;
    // A stored value outside the slider's range (only an edited store holds
    // one) puts the thumb at the nearer end but is neither changed nor saved
    // as that end: opening the dialog to change something else must not
    // change the show. Label1 shows the duration the show will really use,
    // so the number beside an end-stopped thumb tells the user that the
    // stored value lies beyond it; the first move of the slider stores its
    // position as usual.
    m_window.set_slider_position(slider, SliderPosition(slider, stored));
    if (slider == Slider::HScroll1) {
        m_window.set_duration_text(DurationText(stored));
    }
}

void OptionsDialog::Form_Unload()
{
    SaveSettings(m_program, m_store);
    m_pump.process_pending();
}

void OptionsDialog::Option_Click(int number)
{
    if (const OptionButton* button = FindOptionButton(number)) {
        OptionField(m_program.settings, button->group) = button->value;
    }
}

void OptionsDialog::HScroll_Change(Slider slider, int position)
{
    Settings& settings = m_program.settings;
    switch (slider) {
    case Slider::HScroll1:
        m_window.set_duration_text(DurationText(position));
        settings.scene_delay = position;
        break;
    case Slider::HScroll2:
        settings.effect_grain = static_cast<std::int16_t>(position);
        break;
    case Slider::HScroll3:
        settings.effect_delay = static_cast<std::int16_t>(position);
        break;
    }
}

void OptionsDialog::Command2_Click()
{
    m_window.open_change_password();
}

void OptionsDialog::Command3_Click()
{
    // Whether the volume control started is not examined: a system without
    // one shows nothing.
    static_cast<void>(m_shell.ShellExecute(std::string(kVolumeControlProgram)));
    m_pump.process_pending();
}

} // namespace framory::core
