#include "core/slideshow/lists.h"

#include "core/settings/settings.h"

#include <array>
#include <cwchar>
#include <locale>
#include <stdexcept>

namespace framory::core {

namespace {

// Characters as upper-cased code points. Bytes that are not part of valid
// UTF-8 become values above every code point, so they sort last.
constexpr char32_t kFirstStrayByte = 0x110000;

// The upper-case mapping of Unicode, from the C library's UTF-8 locale
// (it does not depend on the user's locale); plain ASCII where the library
// has none.
char32_t upper(char32_t c)
{
    static const std::ctype<wchar_t>* const unicode = []() -> const std::ctype<wchar_t>* {
        try {
            static const std::locale loc("C.UTF-8");
            return &std::use_facet<std::ctype<wchar_t>>(loc);
        } catch (const std::runtime_error&) {
            return nullptr;
        }
    }();
    if (c >= U'a' && c <= U'z') {
        return c - U'a' + U'A';
    }
    if (c < 0x80 || c >= kFirstStrayByte || unicode == nullptr || c > static_cast<char32_t>(WCHAR_MAX)) {
        return c;
    }
    return static_cast<char32_t>(unicode->toupper(static_cast<wchar_t>(c)));
}

// The next character of `text` from `at`, which it moves past.
char32_t next_character(std::string_view text, std::size_t& at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    const int length = lead < 0x80                     ? 1
                       : (lead >= 0xc2 && lead < 0xe0) ? 2
                       : (lead >= 0xe0 && lead < 0xf0) ? 3
                       : (lead >= 0xf0 && lead < 0xf5) ? 4
                                                       : 0;
    char32_t c = length == 1 ? lead : length == 2 ? lead & 0x1fu : length == 3 ? lead & 0x0fu : lead & 0x07u;
    bool valid = length > 0 && at + static_cast<std::size_t>(length) <= text.size();
    for (int i = 1; valid && i < length; ++i) {
        const unsigned char follow = byte(at + static_cast<std::size_t>(i));
        valid = (follow & 0xc0u) == 0x80u;
        c = (c << 6) | (follow & 0x3fu);
    }
    // Overlong forms, surrogates and values beyond Unicode are not UTF-8.
    valid = valid && !(length == 3 && c < 0x800) && !(length == 4 && (c < 0x10000 || c > 0x10ffff)) &&
            !(c >= 0xd800 && c <= 0xdfff);
    if (!valid) {
        ++at;
        return kFirstStrayByte + lead;
    }
    at += static_cast<std::size_t>(length);
    return c;
}

constexpr std::array<std::string_view, 14> kPictureTypes = {"BMP", "DIB", "PIC", "GIF", "JPG", "JIF", "KQP",
                                                            "PCX", "PNG", "RLE", "TGA", "TIF", "WMF", "WPG"};
constexpr std::array<std::string_view, 2> kSoundTypes = {"WAV", "MID"};

} // namespace

FileKind KindOfFileName(std::string_view name)
{
    std::string ext(name.size() > 3 ? name.substr(name.size() - 3) : name);
    for (char& c : ext) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    for (const auto type : kPictureTypes) {
        if (ext == type) {
            return FileKind::Picture;
        }
    }
    for (const auto type : kSoundTypes) {
        if (ext == type) {
            return FileKind::Sound;
        }
    }
    return FileKind::Other;
}

std::u32string NameOrderKey(std::string_view name)
{
    std::u32string key;
    key.reserve(name.size());
    for (std::size_t at = 0; at < name.size();) {
        key.push_back(upper(next_character(name, at)));
    }
    return key;
}

bool NameOrderLess(std::string_view a, std::string_view b)
{
    const std::u32string ka = NameOrderKey(a);
    const std::u32string kb = NameOrderKey(b);
    return ka != kb ? ka < kb : a < b;
}

int BuildLists(const FolderList& folders, DirectoryLister& lister, ShowLists& lists)
{
    lists.pictures.clear();
    lists.audio.clear();
    for (int i = 1; i <= folders.usable_count(); ++i) {
        if (folders[i].empty()) {
            continue;
        }
        const std::string folder = WithTrailingSeparator(folders[i]);
        const std::unique_ptr<DirectoryListing> listing = lister.list(folder);
        if (!listing) {
            continue;
        }
        std::optional<std::string> name = listing->next_name();
        while (name && !name->empty()) {
            const FileKind kind = KindOfFileName(*name);
            if (kind == FileKind::Picture && !lists.pictures.full()) {
                lists.pictures.add(folder + *name);
            } else if (kind == FileKind::Sound && !lists.audio.full()) {
                lists.audio.add(folder + *name);
            }
            // With the picture list full, each folder gives only its first
            // name a look.
            name = lists.pictures.full() ? std::nullopt : listing->next_name();
        }
    }
    return lists.pictures.count() != 0 ? kListsFoundPictures : kListsFoundNoPictures;
}

} // namespace framory::core
