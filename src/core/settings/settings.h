#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace framory::core {

class SettingsStore;
struct Program;

inline constexpr std::string_view kApplicationName = "Obelin Framory";
inline constexpr std::string_view kConfigSection = "Config";
inline constexpr std::string_view kOptionsSection = "Options";

// Every persistent option, one field per settings key. Keys, sections and
// defaults are written once, in the schema (core/settings/schema.h); a
// fresh record holds the defaults (a field without a row would hold 0).
struct Settings {
    Settings();

    std::string install_path; // "Config"; read only, held with a trailing separator
    std::string dir_path;     // written by SaveSettings, replaced at every load
    std::int16_t show_filenames{};
    std::int16_t random_order{};
    std::int16_t effect_grain{};
    std::int16_t effect_delay{};
    std::int16_t effect_speed{};
    std::int32_t scene_delay{};
    std::int16_t scale_flag{};
    std::int16_t border_active{};
    std::int16_t sound_on{};
    std::int16_t wallpaper{};
    std::int16_t gradient{};
    std::int16_t cancel_mode{}; // a CancelMode, or any other stored number

    bool operator==(const Settings&) const = default;
};

// The inputs that cut a running transition effect short, by the numbers
// `cancel_mode` stores. A stored number that no name covers is kept, saved
// back and handed to the components as it is; it cuts nothing short.
enum class CancelMode : std::int16_t {
    AnyKey = 4,
    MouseMove = 7,
    KeyOrMouse = 9,
};

constexpr bool CancelsOnKey(std::int32_t cancel_mode)
{
    return cancel_mode == static_cast<std::int32_t>(CancelMode::AnyKey) ||
           cancel_mode == static_cast<std::int32_t>(CancelMode::KeyOrMouse);
}

constexpr bool CancelsOnMouseMove(std::int32_t cancel_mode)
{
    return cancel_mode == static_cast<std::int32_t>(CancelMode::MouseMove) ||
           cancel_mode == static_cast<std::int32_t>(CancelMode::KeyOrMouse);
}

// The ten fixed frame values, set at every load and never stored. Colours
// are indexes into the 16-colour palette.
struct FrameValues {
    std::int16_t border_colour_1 = 8;
    std::int16_t border_colour_2 = 15;
    std::int16_t border_size_1 = 1;
    std::int16_t border_style_1 = 3;
    std::int16_t border_colour_3 = 8;
    std::int16_t border_colour_4 = 15;
    std::int16_t border_size_2 = 2;
    std::int16_t border_style_2 = 5;
    std::int16_t border_colour_5 = 1;
    std::int16_t border_size_3 = 2;

    bool operator==(const FrameValues&) const = default;
};

// The folders the show takes its pictures and sounds from: positions 1 to
// 500 (position 0 exists and is never used) and the count.
class FolderList {
public:
    static constexpr int kCapacity = 500;

    std::int32_t folders_total = 0;

    std::string& operator[](int position) { return m_entries.at(static_cast<std::size_t>(position)); }
    const std::string& operator[](int position) const { return m_entries.at(static_cast<std::size_t>(position)); }

    // The count clamped to the positions that exist (0 when negative).
    int usable_count() const;

    bool operator==(const FolderList&) const = default;

private:
    std::array<std::string, kCapacity + 1> m_entries{};
};

// The saver's password in clear text and in its stored, scrambled form.
struct PasswordFields {
    std::string plain_password;
    std::string stored_password;

    bool operator==(const PasswordFields&) const = default;
};

// Reads a stored whole number of the given width. Blanks around the digits
// are allowed; anything else (empty text, letters, a fraction, a value that
// does not fit the width) gives the default, since the program never writes
// such a value and a hand-edited mistake should not change the show.
std::int16_t ParseStored16(std::string_view text, std::int16_t fallback);
std::int32_t ParseStored32(std::string_view text, std::int32_t fallback);

// Appends the path separator unless the text already ends in one.
std::string WithTrailingSeparator(std::string path);

// The folder of the program file, with a trailing separator.
std::string FolderOfFile(std::string_view file_path);

void LoadSettings(Program& program, SettingsStore& store);
void SaveSettings(Program& program, SettingsStore& store);

} // namespace framory::core
