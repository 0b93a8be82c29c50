#include "core/settings/settings.h"

#include "core/components/platform.h"
#include "core/password/scramble.h"
#include "core/startup/program.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace framory::core {

namespace {

const std::string kConfig{kConfigSection};
const std::string kOptions{kOptionsSection};

template <typename Int>
Int parse_stored(std::string_view text, Int fallback)
{
    const auto is_blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && is_blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && is_blank(text.back())) {
        text.remove_suffix(1);
    }
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') {
            return fallback;
        }
    }
    if (text.empty()) {
        return fallback;
    }
    Int value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) {
        return fallback;
    }
    return value;
}

std::string folder_key(int position)
{
    return "folder" + std::to_string(position);
}

// When the list is empty, the show takes the Windows directory.
void apply_default_list(Program& program)
{
    program.folders[1] = WithTrailingSeparator(program.windows_dir);
    program.folders.folders_total = 1;
}

std::int16_t read16(SettingsStore& store, const char* key, std::int16_t fallback)
{
    return ParseStored16(store.read(kOptions, key, std::to_string(fallback)), fallback);
}

void write_number(SettingsStore& store, const char* key, std::int32_t value)
{
    store.write(kOptions, key, std::to_string(value));
}

} // namespace

int FolderList::usable_count() const
{
    return std::clamp(static_cast<int>(folders_total), 0, kCapacity);
}

std::int16_t ParseStored16(std::string_view text, std::int16_t fallback)
{
    return parse_stored<std::int16_t>(text, fallback);
}

std::int32_t ParseStored32(std::string_view text, std::int32_t fallback)
{
    return parse_stored<std::int32_t>(text, fallback);
}

std::string WithTrailingSeparator(std::string path)
{
    if (path.empty() || path.back() != kPathSeparator) {
        path.push_back(kPathSeparator);
    }
    return path;
}

std::string FolderOfFile(std::string_view file_path)
{
    const auto cut = file_path.find_last_of(kPathSeparator);
    if (cut == std::string_view::npos) {
        return std::string(1, kPathSeparator);
    }
    return WithTrailingSeparator(std::string(file_path.substr(0, cut)));
}

void LoadSettings(Program& program, SettingsStore& store)
{
    Settings& s = program.settings;

    s.install_path = WithTrailingSeparator(store.read(kConfig, "install_path", "empty"));
    program.frame = FrameValues{};
    s.dir_path = WithTrailingSeparator(program.program_folder);

    s.show_filenames = read16(store, "show_filenames", 1);
    s.random_order = read16(store, "random_order", 0);
    s.effect_grain = read16(store, "effect_grain", 7);
    s.effect_delay = read16(store, "effect_delay", 10);
    s.effect_speed = read16(store, "effect_speed", 2);
    s.scene_delay = ParseStored32(store.read(kOptions, "scene_delay", "5"), 5);
    s.scale_flag = read16(store, "scale_flag", 100);
    s.border_active = read16(store, "border_active", 1);
    s.sound_on = read16(store, "sound_on", 1);
    s.wallpaper = read16(store, "wallpaper", 0);
    s.gradient = read16(store, "gradient", 1);
    s.cancel_mode = read16(store, "cancel_mode", 7);

    program.password.stored_password = store.read(kOptions, "misc", "");
    UnscramblePassword(program.password);

    FolderList& folders = program.folders;
    folders.folders_total = ParseStored32(store.read(kOptions, "folders_total", "0"), 0);
    if (folders.folders_total == 0) {
        apply_default_list(program);
        return;
    }
    // A count above the list's room reads the 500 entries there is room for
    // and is held as 500, so that every later use of the count stays inside
    // the list. A negative count reads nothing and is kept as it is.
    if (folders.folders_total > FolderList::kCapacity) {
        folders.folders_total = FolderList::kCapacity;
    }
    for (int i = 1; i <= folders.usable_count(); ++i) {
        folders[i] = store.read(kOptions, folder_key(i), "");
    }
}

void SaveSettings(Program& program, SettingsStore& store)
{
    const Settings& s = program.settings;
    StoreWriteGroup group(store);

    store.write(kOptions, "dir_path", s.dir_path);
    write_number(store, "show_filenames", s.show_filenames);
    write_number(store, "random_order", s.random_order);
    write_number(store, "effect_grain", s.effect_grain);
    write_number(store, "effect_delay", s.effect_delay);
    write_number(store, "effect_speed", s.effect_speed);
    write_number(store, "scene_delay", s.scene_delay);
    write_number(store, "scale_flag", s.scale_flag);
    write_number(store, "border_active", s.border_active);
    write_number(store, "wallpaper", s.wallpaper);
    write_number(store, "gradient", s.gradient);
    write_number(store, "cancel_mode", s.cancel_mode);
    write_number(store, "sound_on", s.sound_on);

    ScramblePassword(program.password);
    store.write(kOptions, "misc", program.password.stored_password);

    if (program.folders.folders_total == 0) {
        apply_default_list(program);
    }
    write_number(store, "folders_total", program.folders.folders_total);
    for (int i = 1; i <= program.folders.usable_count(); ++i) {
        store.write(kOptions, folder_key(i), program.folders[i]);
    }
}

} // namespace framory::core
