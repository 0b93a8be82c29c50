#pragma once

// The Windows registry as the program's settings store and as the desktop's
// settings that the show reads.

#include "core/components/platform.h"
#include "core/password/registry_text.h"

#include <string>

namespace framory::win32 {

// Where the platform's classic per-user SaveSetting and GetSetting keep an
// application's settings: one key per section under this one, text values.
// Settings written by an earlier Windows installation of the saver live here.
inline constexpr const char* kSettingsKey = "Software\\VB and VBA Program Settings\\Obelin Framory";

// The settings store: HKEY_CURRENT_USER\<kSettingsKey>\<section>, each key a
// REG_SZ value. A value of any other type, or one that cannot be read, reads
// as missing. Values are text in the system's ANSI code page, kept byte for
// byte up to the first zero.
class RegistrySettingsStore : public core::SettingsStore {
public:
    explicit RegistrySettingsStore(std::string root_key = kSettingsKey) : m_root_key(std::move(root_key)) {}

    std::string read(const std::string& section, const std::string& key, const std::string& fallback) override;
    void write(const std::string& section, const std::string& key, const std::string& value) override;

private:
    std::string m_root_key;
};

// Registry queries exactly as the desktop-switch rule asks for them: one
// call into a caller-sized buffer filled with blanks.
class Win32RegistryReader : public core::RegistryReader {
public:
    std::optional<core::RegistryData> query(std::uint32_t root, const std::string& key, const std::string& value,
                                            std::uint32_t buffer_size) override;
};

} // namespace framory::win32
