#include "core/password/scramble.h"

#include "core/settings/settings.h"

namespace framory::core {

namespace {

unsigned key_code(std::size_t position)
{
    // Position counts from 1; key character (position mod 5) + 1 counts from
    // 1 as well, so the index from 0 is position mod 5.
    return static_cast<unsigned char>(kScrambleKey[position % kScrambleKey.size()]);
}

} // namespace

std::string Scramble(std::string_view plain)
{
    std::string stored;
    stored.reserve(plain.size() * 2);
    for (std::size_t i = 1; i <= plain.size(); ++i) {
        const unsigned c = static_cast<unsigned char>(plain[i - 1]);
        const unsigned x = (c ^ key_code(i)) & 0xffu;
        stored.push_back(static_cast<char>(122u - x / 16u));
        stored.push_back(static_cast<char>(97u + x % 16u));
    }
    return stored;
}

std::string Unscramble(std::string_view stored)
{
    std::string plain;
    plain.reserve(stored.size() / 2);
    // Only complete pairs are read: a lone last letter has no partner to
    // rebuild a character from, and reading one would go past the text.
    for (std::size_t i = 1; i + 1 <= stored.size(); i += 2) {
        const int h = 122 - static_cast<unsigned char>(stored[i - 1]);
        const int l = static_cast<unsigned char>(stored[i]) - 97;
        const int x = h * 16 + l;
        const std::size_t j = (i + 1) / 2;
        // Letters outside their ranges make x negative or above 255; the low
        // 8 bits of the result are kept, as a byte holds nothing more.
        const unsigned code = (static_cast<unsigned>(x) ^ key_code(j)) & 0xffu;
        plain.push_back(static_cast<char>(code));
    }
    return plain;
}

void ScramblePassword(PasswordFields& fields)
{
    fields.stored_password = Scramble(fields.plain_password);
}

void UnscramblePassword(PasswordFields& fields)
{
    fields.plain_password = Unscramble(fields.stored_password);
}

} // namespace framory::core
