#include "core/password/registry_text.h"

#include <cmath>
#include <cstdio>

namespace framory::core {

namespace {

constexpr std::uint32_t kBufferSize = 255;

std::string formatted_dword(const std::vector<std::uint8_t>& bytes)
{
    std::uint8_t b[4] = {0, 0, 0, 0};
    for (std::size_t i = 0; i < 4 && i < bytes.size(); ++i) {
        b[i] = bytes[i];
    }
    // The number is formed in single precision, as the reader did.
    const float number = static_cast<float>(b[0]) + 256.0f * static_cast<float>(b[1]) +
                         65536.0f * static_cast<float>(b[2]) + 16777216.0f * static_cast<float>(b[3]);
    char text[32];
    std::snprintf(text, sizeof text, "%03.0f", static_cast<double>(number));
    return text;
}

} // namespace

std::string GetRegistryString(RegistryReader& registry, std::uint32_t root, const std::string& key,
                              const std::string& value)
{
    if (root < kHkeyClassesRoot || root > kHkeyDynData) {
        return {};
    }
    const std::optional<RegistryData> data = registry.query(root, key, value, kBufferSize);
    if (!data || data->returned_size == 0) {
        return {};
    }
    // The buffer is filled with blanks before the query writes into it.
    std::string buffer(kBufferSize, ' ');
    for (std::size_t i = 0; i < data->bytes.size() && i < buffer.size(); ++i) {
        buffer[i] = static_cast<char>(data->bytes[i]);
    }
    if (data->type == kRegDword) {
        buffer = formatted_dword(data->bytes);
    }
    const std::size_t keep = static_cast<std::size_t>(data->returned_size) - 1;
    return buffer.substr(0, std::min(keep, buffer.size()));
}

long LeadingNumber(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long number = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        if (number < 100000000L) {
            number = number * 10 + (text[i] - '0');
        }
        ++i;
    }
    return negative ? -number : number;
}

bool DesktopPasswordOn(RegistryReader& registry)
{
    return LeadingNumber(GetRegistryString(registry, kHkeyCurrentUser, "Control Panel\\Desktop",
                                           "ScreenSaveUsePassword")) != 0;
}

} // namespace framory::core
