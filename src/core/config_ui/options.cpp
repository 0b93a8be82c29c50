#include "core/config_ui/options.h"

#include "core/settings/schema.h"
#include "core/startup/helpers.h"
#include "core/startup/program.h"

#include <algorithm>

namespace framory::core {

namespace {

constexpr std::int16_t Stored(CancelMode mode)
{
    return static_cast<std::int16_t>(mode);
}

// A slider and the field it sets; the ends are the field's.
struct SliderInfo {
    Slider slider;
    const StoredField* field;
    int initial;
    int small_step;
    int large_step;
};

// The picture duration moves by a second per arrow click and by five
// seconds per click beside the thumb: fine tuning stays at hand, and the
// 5-to-60 range is crossed in eleven page clicks.
constexpr std::array<SliderInfo, 3> kSliders{{
    {Slider::HScroll1, &FieldOf("scene_delay"), 10, 1, 5},
    {Slider::HScroll2, &FieldOf("effect_grain"), 7, 1, 1},
    {Slider::HScroll3, &FieldOf("effect_delay"), 10, 1, 1},
}};
static_assert(std::ranges::all_of(kSliders, [](const SliderInfo& info) {
    return info.field->slider.has_value() && info.field->width != Width::Text;
}));

const SliderInfo& info_of(Slider slider)
{
    return kSliders.at(static_cast<std::size_t>(slider));
}

const StoredField& field_of(OptionGroup group)
{
    return *GroupInfo(group).field;
}

} // namespace

constinit const std::array<OptionGroupInfo, kOptionGroupCount> kOptionGroups{{
    {OptionGroup::Scale, &FieldOf("scale_flag"), "Frame1", "Scale pictures to:", ""},
    {OptionGroup::Border, &FieldOf("border_active"), "Frame2", "Display border around pictures?", ""},
    {OptionGroup::Sound, &FieldOf("sound_on"), "Frame3", "Sound", ""},
    {OptionGroup::Wallpaper, &FieldOf("wallpaper"), "Frame7", "Save as wallpaper upon exit?", ""},
    {OptionGroup::CancelMode, &FieldOf("cancel_mode"), "Frame5", "Cancel video effect when:",
     "This adjusts how to stop a video effect so you can exit out of the screen saver quicker"},
    {OptionGroup::EffectSpeed, &FieldOf("effect_speed"), "Frame4", "Overall speed of video effects", ""},
    {OptionGroup::Gradient, &FieldOf("gradient"), "Frame9", "Gradient background fades",
     "Background gradient fills look best in color modes higher than 256 colors."},
    {OptionGroup::PictureOrder, &FieldOf("random_order"), "Frame10", "Display Pictures:", ""},
}};

// "Mid screen" stores 85 although its tooltip speaks of 80%: the show uses
// the stored number. The speeds run backwards.
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
    {15, OptionGroup::CancelMode, Stored(CancelMode::AnyKey), "Any key press", ""},
    {16, OptionGroup::CancelMode, Stored(CancelMode::MouseMove), "A mouse move", ""},
    {17, OptionGroup::CancelMode, Stored(CancelMode::KeyOrMouse), "A key press or a mouse move", ""},
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

std::optional<int> ButtonForValue(OptionGroup group, std::int32_t value)
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
    const SliderInfo& info = info_of(slider);
    const SliderBounds bounds = *info.field->slider;
    return {bounds.minimum, bounds.maximum, info.initial, info.small_step, info.large_step};
}

const StoredField& SliderField(Slider slider)
{
    return *info_of(slider).field;
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
    if (const std::optional<int> button = ButtonForValue(group, NumberOf(m_program.settings, field_of(group)))) {
        m_window.select_button(*button);
    }
}

void OptionsDialog::show_slider(Slider slider)
{
    const std::int32_t stored = NumberOf(m_program.settings, SliderField(slider));
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
        SetNumber(m_program.settings, field_of(button->group), button->value);
    }
}

void OptionsDialog::HScroll_Change(Slider slider, int position)
{
    if (slider == Slider::HScroll1) {
        m_window.set_duration_text(DurationText(position));
    }
    SetNumber(m_program.settings, SliderField(slider), position);
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
