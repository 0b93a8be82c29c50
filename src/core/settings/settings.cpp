#include "core/settings/settings.h"

#include "core/components/platform.h"
#include "core/password/scramble.h"
#include "core/settings/schema.h"
#include "core/startup/program.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace framory::core {

namespace {

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

// When the list is empty, the show takes the Windows directory.
void apply_default_list(Program& program)
{
    program.folders[1] = WithTrailingSeparator(program.windows_dir);
    program.folders.folders_total = 1;
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
    program.frame = FrameValues{};
    for (const StoredField& field : kStoredFields) {
        switch (field.role) {
        case Role::InstallPath:
            s.*field.text = WithTrailingSeparator(ReadStored(store, field));
            break;
        case Role::DirPath:
            s.*field.text = WithTrailingSeparator(program.program_folder);
            break;
        case Role::Option:
            ReadOption(s, field, store);
            break;
        case Role::Password:
        case Role::FolderCount:
        case Role::FolderEntry:
            break; // read after the record, below
        }
    }

    program.password.stored_password = ReadStored(store, FieldOf(Role::Password));
    UnscramblePassword(program.password);

    const StoredField& count = FieldOf(Role::FolderCount);
    FolderList& folders = program.folders;
    folders.folders_total = ParseStored32(ReadStored(store, count), count.default_number);
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
        folders[i] = ReadStored(store, FieldOf(Role::FolderEntry), i);
    }
}

void SaveSettings(Program& program, SettingsStore& store)
{
    const Settings& s = program.settings;
    StoreWriteGroup group(store);

    for (const SaveOrder pass : {SaveOrder::InTableOrder, SaveOrder::AfterTheOtherOptions}) {
        for (const StoredField& field : kStoredFields) {
            if (field.save_order != pass) {
                continue;
            }
            if (field.role == Role::DirPath) {
                WriteStored(store, field, s.*field.text);
            } else if (field.role == Role::Option) {
                WriteOption(s, field, store);
            }
        }
    }

    ScramblePassword(program.password);
    WriteStored(store, FieldOf(Role::Password), program.password.stored_password);

    if (program.folders.folders_total == 0) {
        apply_default_list(program);
    }
    WriteStored(store, FieldOf(Role::FolderCount), std::to_string(program.folders.folders_total));
    for (int i = 1; i <= program.folders.usable_count(); ++i) {
        WriteStored(store, FieldOf(Role::FolderEntry), program.folders[i], i);
    }
}

} // namespace framory::core
