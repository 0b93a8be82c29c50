#pragma once

// Bounds-checked reads of untrusted bytes: a read past the end yields
// nothing rather than touching memory, which every header reader relies on.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>

namespace framory::media::detail {

using Bytes = std::span<const std::uint8_t>;

inline std::optional<std::uint32_t> u8(Bytes b, std::size_t at)
{
    if (at >= b.size()) {
        return std::nullopt;
    }
    return b[at];
}

inline std::optional<std::uint32_t> u16le(Bytes b, std::size_t at)
{
    if (at > b.size() || b.size() - at < 2) {
        return std::nullopt;
    }
    return std::uint32_t{b[at]} | (std::uint32_t{b[at + 1]} << 8);
}

inline std::optional<std::uint32_t> u16be(Bytes b, std::size_t at)
{
    if (at > b.size() || b.size() - at < 2) {
        return std::nullopt;
    }
    return (std::uint32_t{b[at]} << 8) | std::uint32_t{b[at + 1]};
}

inline std::optional<std::uint32_t> u32le(Bytes b, std::size_t at)
{
    if (at > b.size() || b.size() - at < 4) {
        return std::nullopt;
    }
    return std::uint32_t{b[at]} | (std::uint32_t{b[at + 1]} << 8) | (std::uint32_t{b[at + 2]} << 16) |
           (std::uint32_t{b[at + 3]} << 24);
}

inline std::optional<std::uint32_t> u32be(Bytes b, std::size_t at)
{
    if (at > b.size() || b.size() - at < 4) {
        return std::nullopt;
    }
    return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) | (std::uint32_t{b[at + 2]} << 8) |
           std::uint32_t{b[at + 3]};
}

inline std::optional<std::uint64_t> u64(Bytes b, std::size_t at, bool little)
{
    const auto first = little ? u32le(b, at) : u32be(b, at);
    const auto second = little ? u32le(b, at + 4) : u32be(b, at + 4);
    if (!first || !second) {
        return std::nullopt;
    }
    return little ? (std::uint64_t{*second} << 32) | *first : (std::uint64_t{*first} << 32) | *second;
}

inline bool starts_with(Bytes b, std::string_view magic, std::size_t at = 0)
{
    if (at > b.size() || b.size() - at < magic.size()) {
        return false;
    }
    return std::memcmp(b.data() + at, magic.data(), magic.size()) == 0;
}

// Skips a GIF chain of data sub-blocks starting at `at`; false when the
// chain runs past the end of the file.
inline bool SkipGifSubBlocks(Bytes b, std::size_t& at)
{
    while (true) {
        const auto len = u8(b, at);
        if (!len) {
            return false;
        }
        at += 1 + *len;
        if (*len == 0) {
            return at <= b.size();
        }
    }
}

} // namespace framory::media::detail
