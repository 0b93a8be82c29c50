#include "win32/platform/registry_store.h"

#include <windows.h>

#include <vector>

namespace framory::win32 {

namespace {

// Closes a registry key when it goes out of scope.
class OpenKey {
public:
    OpenKey() = default;
    ~OpenKey()
    {
        if (m_key != nullptr) {
            RegCloseKey(m_key);
        }
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    HKEY* out() { return &m_key; }
    HKEY get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

// Registry values can be large; a settings value that is longer than this
// was not written by the program and is read as missing rather than held.
constexpr DWORD kLongestValue = 1u << 20;

std::optional<std::string> read_text(HKEY key, const std::string& name)
{
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
        return std::nullopt;
    }
    // The value may change between the two calls; a few rounds settle it.
    for (int round = 0; round < 4; ++round) {
        if (size > kLongestValue) {
            return std::nullopt;
        }
        std::vector<char> buffer(size + 1, '\0');
        DWORD got = size;
        const LONG status = RegQueryValueExA(key, name.c_str(), nullptr, &type,
                                             reinterpret_cast<BYTE*>(buffer.data()), &got);
        if (status == ERROR_MORE_DATA) {
            size = got;
            continue;
        }
        if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
            return std::nullopt;
        }
        // The stored text ends at its first zero (or at the data's end when
        // a hand-made value has none).
        buffer.resize(got);
        std::string text(buffer.begin(), buffer.end());
        const auto zero = text.find('\0');
        if (zero != std::string::npos) {
            text.resize(zero);
        }
        return text;
    }
    return std::nullopt;
}

} // namespace

std::string RegistrySettingsStore::read(const std::string& section, const std::string& key, const std::string& fallback)
{
    OpenKey open;
    const std::string path = m_root_key + "\\" + section;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, open.out()) != ERROR_SUCCESS) {
        return fallback;
    }
    return read_text(open.get(), key).value_or(fallback);
}

void RegistrySettingsStore::write(const std::string& section, const std::string& key, const std::string& value)
{
    OpenKey open;
    const std::string path = m_root_key + "\\" + section;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                        open.out(), nullptr) != ERROR_SUCCESS) {
        return; // a store that refuses the write is not reported
    }
    RegSetValueExA(open.get(), key.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
}

std::optional<core::RegistryData> Win32RegistryReader::query(std::uint32_t root, const std::string& key,
                                                             const std::string& value, std::uint32_t buffer_size)
{
    OpenKey open;
    // The predefined roots are handle values sign-extended to the pointer's width.
    const auto root_key = reinterpret_cast<HKEY>(static_cast<INT_PTR>(static_cast<LONG>(root)));
    if (RegOpenKeyExA(root_key, key.c_str(), 0, KEY_READ, open.out()) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    core::RegistryData data;
    data.bytes.assign(buffer_size, static_cast<std::uint8_t>(' '));
    DWORD type = 0;
    DWORD size = buffer_size;
    if (RegQueryValueExA(open.get(), value.c_str(), nullptr, &type, data.bytes.data(), &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    data.type = type;
    data.returned_size = size;
    return data;
}

} // namespace framory::win32
