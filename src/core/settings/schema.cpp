#include "core/settings/schema.h"

#include "core/components/platform.h"

namespace framory::core {

Settings::Settings()
{
    for (const StoredField& field : kStoredFields) {
        if (field.text != nullptr) {
            this->*field.text = std::string(field.default_text);
        } else if (field.int16 != nullptr || field.int32 != nullptr) {
            SetNumber(*this, field, field.default_number);
        }
    }
}

std::int32_t NumberOf(const Settings& settings, const StoredField& field)
{
    if (field.int16 != nullptr) {
        return settings.*field.int16;
    }
    return field.int32 != nullptr ? settings.*field.int32 : 0;
}

void SetNumber(Settings& settings, const StoredField& field, std::int32_t value)
{
    if (field.int16 != nullptr) {
        settings.*field.int16 = static_cast<std::int16_t>(value);
    } else if (field.int32 != nullptr) {
        settings.*field.int32 = value;
    }
}

std::string StoredKey(const StoredField& field, int position)
{
    std::string key(field.key);
    if (field.role == Role::FolderEntry) {
        key += std::to_string(position);
    }
    return key;
}

std::string ReadStored(SettingsStore& store, const StoredField& field, int position)
{
    const std::string fallback =
        field.width == Width::Text ? std::string(field.default_text) : std::to_string(field.default_number);
    return store.read(std::string(field.section), StoredKey(field, position), fallback);
}

void WriteStored(SettingsStore& store, const StoredField& field, const std::string& text, int position)
{
    store.write(std::string(field.section), StoredKey(field, position), text);
}

void ReadOption(Settings& settings, const StoredField& field, SettingsStore& store)
{
    const std::string text = ReadStored(store, field);
    if (field.int16 != nullptr) {
        settings.*field.int16 = ParseStored16(text, static_cast<std::int16_t>(field.default_number));
    } else if (field.int32 != nullptr) {
        settings.*field.int32 = ParseStored32(text, field.default_number);
    }
}

void WriteOption(const Settings& settings, const StoredField& field, SettingsStore& store)
{
    WriteStored(store, field, std::to_string(NumberOf(settings, field)));
}

} // namespace framory::core
