#pragma once

#include "core/startup/program.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace framory::core {

// The predefined registry roots, HKEY_CLASSES_ROOT (0x80000000) through
// HKEY_DYN_DATA (0x80000006).
inline constexpr std::uint32_t kHkeyClassesRoot = 0x80000000u;
inline constexpr std::uint32_t kHkeyCurrentUser = 0x80000001u;
inline constexpr std::uint32_t kHkeyDynData = 0x80000006u;

inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegDword = 4;

// What a registry query gave: the value's type, the bytes written to the
// caller's buffer and the size the query reported.
struct RegistryData {
    std::uint32_t type = kRegSz;
    std::vector<std::uint8_t> bytes;
    std::uint32_t returned_size = 0;
};

// Reads values of the desktop's settings store.
class RegistryReader {
public:
    virtual ~RegistryReader() = default;
    // Nothing when the key cannot be opened or the value cannot be read into
    // a buffer of `buffer_size` bytes.
    virtual std::optional<RegistryData> query(std::uint32_t root, const std::string& key, const std::string& value,
                                              std::uint32_t buffer_size) = 0;
};

// The value as text; empty when anything fails. A 32-bit number is
// formatted with at least three digits and cut like text to the reported
// size less one. A value with no data at all reads as empty text.
std::string GetRegistryString(RegistryReader& registry, std::uint32_t root, const std::string& key,
                              const std::string& value);

// Whether the desktop asks for a password when its screen saver ends: the
// number at the start of "ScreenSaveUsePassword" under "Control Panel\Desktop"
// is not 0.
bool DesktopPasswordOn(RegistryReader& registry);

// The number at the start of a text, blanks skipped first; 0 when none.
long LeadingNumber(const std::string& text);

} // namespace framory::core
