#include "core/password/code_page.h"

#include <array>

namespace framory::core {

namespace {

// Codes 0x80 to 0x9F; 0 where the code page assigns no character.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

} // namespace

std::string ToWindows1252(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char16_t c : text) {
        const bool unassigned_control = c >= 0x80 && c <= 0x9F && kHigh[static_cast<std::size_t>(c - 0x80)] == 0;
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF) || unassigned_control) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        char mapped = '?';
        for (std::size_t i = 0; i < kHigh.size(); ++i) {
            if (kHigh[i] != 0 && kHigh[i] == c) {
                mapped = static_cast<char>(0x80 + i);
                break;
            }
        }
        out.push_back(mapped);
    }
    return out;
}

std::u16string FromWindows1252(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x80 && u <= 0x9F && kHigh[u - 0x80] != 0) {
            out.push_back(kHigh[u - 0x80]);
        } else {
            out.push_back(static_cast<char16_t>(u));
        }
    }
    return out;
}

std::string UpperWindows1252(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7)) {
            c = static_cast<char>(u - 0x20);
        } else if (u == 0x9A || u == 0x9C || u == 0x9E) {
            c = static_cast<char>(u - 0x10);
        } else if (u == 0xFF) {
            c = static_cast<char>(0x9F);
        }
    }
    return out;
}

} // namespace framory::core
