#pragma once

#include "core/settings/settings.h"

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

// Every key the program keeps in the settings store, in one table: its
// section, its width, its default and, where the options dialog offers a
// slider for it, the slider's ends. LoadSettings, SaveSettings, the fresh
// Settings record and the options dialog are all driven by the table, so a
// new option is one field of Settings and one row here.

namespace framory::core {

class SettingsStore;

enum class Width { Text, Int16, Int32 };

// What loading and saving do with a row.
enum class Role {
    Option,      // a field of Settings, read and written as a decimal number
    InstallPath, // a field of Settings: read, held with a trailing separator, never written
    DirPath,     // a field of Settings: written; every load sets it to the program's folder
    Password,    // the scrambled password
    FolderCount, // the number of folder entries
    FolderEntry, // an entry of the folder list: the key followed by its position
};

// The ends of the slider that sets a number in the options dialog.
struct SliderBounds {
    std::int32_t minimum;
    std::int32_t maximum;
};

// Where a row's value is written in the store, if ever: with the other
// rows, in the table's order, or after every other option.
enum class SaveOrder { InTableOrder, AfterTheOtherOptions };

struct StoredField {
    std::string_view section;
    std::string_view key;
    Width width;
    Role role;
    std::int32_t default_number = 0;
    std::string_view default_text{};
    std::int16_t Settings::*int16 = nullptr;
    std::int32_t Settings::*int32 = nullptr;
    std::string Settings::*text = nullptr;
    std::optional<SliderBounds> slider{};
    SaveOrder save_order = SaveOrder::InTableOrder;
};

namespace schema_rows {

constexpr StoredField Text(std::string_view section, std::string_view key, Role role, std::string_view fallback,
                           std::string Settings::*field = nullptr)
{
    return {section, key, Width::Text, role, 0, fallback, nullptr, nullptr, field};
}

constexpr StoredField Count(std::string_view key, Role role, std::int32_t fallback)
{
    return {kOptionsSection, key, Width::Int32, role, fallback};
}

constexpr StoredField Option16(std::string_view key, std::int16_t Settings::*field, std::int16_t fallback,
                               std::optional<SliderBounds> slider = {})
{
    return {kOptionsSection, key, Width::Int16, Role::Option, fallback, {}, field, nullptr, nullptr, slider};
}

constexpr StoredField Option16(std::string_view key, std::int16_t Settings::*field, CancelMode fallback)
{
    return Option16(key, field, static_cast<std::int16_t>(fallback));
}

constexpr StoredField Option32(std::string_view key, std::int32_t Settings::*field, std::int32_t fallback,
                               std::optional<SliderBounds> slider = {})
{
    return {kOptionsSection, key, Width::Int32, Role::Option, fallback, {}, nullptr, field, nullptr, slider};
}

constexpr StoredField SavedLast(StoredField field)
{
    field.save_order = SaveOrder::AfterTheOtherOptions;
    return field;
}

} // namespace schema_rows

// The rows in the order LoadSettings reads them. SaveSettings writes them
// in the same order, except that it never writes install_path and writes
// sound_on after the other options, so files keep the order they always had.
inline constexpr std::array kStoredFields = [] {
    using namespace schema_rows;
    return std::array{
        Text(kConfigSection, "install_path", Role::InstallPath, "empty", &Settings::install_path),
        Text(kOptionsSection, "dir_path", Role::DirPath, "", &Settings::dir_path),
        Option16("show_filenames", &Settings::show_filenames, 1),
        Option16("random_order", &Settings::random_order, 0),
        Option16("effect_grain", &Settings::effect_grain, 7, SliderBounds{2, 15}),
        Option16("effect_delay", &Settings::effect_delay, 10, SliderBounds{2, 20}),
        Option16("effect_speed", &Settings::effect_speed, 2),
        Option32("scene_delay", &Settings::scene_delay, 5, SliderBounds{5, 60}),
        Option16("scale_flag", &Settings::scale_flag, 100),
        Option16("border_active", &Settings::border_active, 1),
        SavedLast(Option16("sound_on", &Settings::sound_on, 1)),
        Option16("wallpaper", &Settings::wallpaper, 0),
        Option16("gradient", &Settings::gradient, 1),
        Option16("cancel_mode", &Settings::cancel_mode, CancelMode::MouseMove),
        Text(kOptionsSection, "misc", Role::Password, ""),
        Count("folders_total", Role::FolderCount, 0),
        Text(kOptionsSection, "folder", Role::FolderEntry, ""),
    };
}();

// The row of a key; naming a key that has no row does not compile where the
// key is a constant.
constexpr const StoredField& FieldOf(std::string_view key)
{
    for (const StoredField& field : kStoredFields) {
        if (field.key == key) {
            return field;
        }
    }
    throw std::invalid_argument("no stored field has this key");
}

// The first row of a role (FolderCount, Password and FolderEntry have one each).
constexpr const StoredField& FieldOf(Role role)
{
    for (const StoredField& field : kStoredFields) {
        if (field.role == role) {
            return field;
        }
    }
    throw std::invalid_argument("no stored field has this role");
}

namespace schema_rows {

// A row that points at a field of the wrong width, a default that does not
// fit its width, a slider without room or a key given twice stops the build.
consteval bool WellFormed()
{
    for (std::size_t i = 0; i < kStoredFields.size(); ++i) {
        const StoredField& f = kStoredFields[i];
        const bool in_record = f.role == Role::Option || f.role == Role::InstallPath || f.role == Role::DirPath;
        const int pointers = (f.int16 != nullptr) + (f.int32 != nullptr) + (f.text != nullptr);
        if (pointers != (in_record ? 1 : 0)) {
            return false;
        }
        if ((f.int16 != nullptr && f.width != Width::Int16) || (f.int32 != nullptr && f.width != Width::Int32) ||
            (f.text != nullptr && f.width != Width::Text)) {
            return false;
        }
        if (f.width == Width::Int16 && (f.default_number < -32768 || f.default_number > 32767)) {
            return false;
        }
        if (f.slider && (f.width == Width::Text || f.slider->minimum >= f.slider->maximum)) {
            return false;
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (kStoredFields[j].key == f.key) {
                return false;
            }
        }
    }
    return true;
}
static_assert(WellFormed());

} // namespace schema_rows

// The key a row is stored under; a folder entry's key is followed by its
// position in decimal (folder1 to folder500).
std::string StoredKey(const StoredField& field, int position = 0);

// The row's stored text, or its default text when the key is missing.
std::string ReadStored(SettingsStore& store, const StoredField& field, int position = 0);

void WriteStored(SettingsStore& store, const StoredField& field, const std::string& text, int position = 0);

// The value of a number row's field, widened to 32 bits.
std::int32_t NumberOf(const Settings& settings, const StoredField& field);

// Sets a number row's field; a 16-bit field keeps the low 16 bits.
void SetNumber(Settings& settings, const StoredField& field, std::int32_t value);

// Reads an option row into the record: a missing key, or a stored text that
// is no whole number of the row's width, gives the default.
void ReadOption(Settings& settings, const StoredField& field, SettingsStore& store);

// Writes an option row from the record as decimal text.
void WriteOption(const Settings& settings, const StoredField& field, SettingsStore& store);

} // namespace framory::core
