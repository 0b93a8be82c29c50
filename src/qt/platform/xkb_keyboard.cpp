#include "qt/platform/xkb_keyboard.h"

#include "core/password/code_page.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include <array>
#include <string>
#include <string_view>
#include <utility>

namespace framory::qt {

namespace {

// The US layout's keys as their two shift levels, unshifted first.
constexpr std::array<std::string_view, 48> kUsKeys = {
    "`~", "1!", "2@", "3#", "4$",  "5%", "6^", "7&", "8*", "9(",  "0)", "-_", "=+", "qQ", "wW", "eE",
    "rR", "tT", "yY", "uU", "iI",  "oO", "pP", "[{", "]}", "\\|", "aA", "sS", "dD", "fF", "gG", "hH",
    "jJ", "kK", "lL", ";:", "'\"", "zZ", "xX", "cC", "vV", "bB",  "nN", "mM", ",<", ".>", "/?", "  "};

// Keysyms older than the Unicode range that name characters of Windows-1252
// above 0x7F outside Latin-1 (the euro sign, typographic quotes, the
// letters with caron, ...), with their Unicode code points.
constexpr std::array<std::pair<unsigned long, char32_t>, 23> kLegacyKeysyms = {{
    {0x20ac, 0x20AC}, {0x0afd, 0x201A}, {0x08f6, 0x0192}, {0x0afe, 0x201E}, {0x0aae, 0x2026}, {0x0af1, 0x2020},
    {0x0af2, 0x2021}, {0x0ad5, 0x2030}, {0x01a9, 0x0160}, {0x13bc, 0x0152}, {0x01ae, 0x017D}, {0x0ad0, 0x2018},
    {0x0ad1, 0x2019}, {0x0ad2, 0x201C}, {0x0ad3, 0x201D}, {0x0ae6, 0x2022}, {0x0aaa, 0x2013}, {0x0aa9, 0x2014},
    {0x0ac9, 0x2122}, {0x01b9, 0x0161}, {0x01be, 0x017E}, {0x13bd, 0x0153}, {0x13be, 0x0178},
}};

// The character a keysym types, or 0 for keysyms that type none here: dead
// keys, function keys, modifiers and characters outside the tables above.
// A dead key thus gives no key cap, and the typed character is kept.
char32_t keysym_character(unsigned long keysym)
{
    if ((keysym >= 0x20 && keysym <= 0x7e) || (keysym >= 0xa0 && keysym <= 0xff)) {
        return static_cast<char32_t>(keysym);
    }
    if ((keysym & 0xff000000ul) == 0x01000000ul) {
        return static_cast<char32_t>(keysym & 0x00fffffful);
    }
    for (const auto& [sym, character] : kLegacyKeysyms) {
        if (sym == keysym) {
            return character;
        }
    }
    return 0;
}

char32_t character_of_code(unsigned char code)
{
    return core::FromWindows1252(std::string(1, static_cast<char>(code))).front();
}

// The Windows-1252 code of a character as a key cap: letters as capitals.
// Nothing for a control character or one outside the code page.
std::optional<unsigned char> key_cap_code(char32_t character)
{
    if (character < 0x20 || character == 0x7f || character > 0xffff) {
        return std::nullopt;
    }
    const auto unit = static_cast<char16_t>(character);
    const std::string code = core::ToWindows1252(std::u16string_view(&unit, 1));
    if (core::FromWindows1252(code).front() != unit) {
        return std::nullopt;
    }
    return static_cast<unsigned char>(core::UpperWindows1252(code).front());
}

// The group a key uses when the keyboard is in `group`: a key with fewer
// groups wraps, clamps or redirects the number as its keymap says.
int effective_group(XkbDescPtr keymap, unsigned keycode, int group)
{
    const int groups = XkbKeyNumGroups(keymap, keycode);
    if (group < groups) {
        return group;
    }
    const unsigned info = XkbKeyGroupInfo(keymap, keycode);
    switch (XkbOutOfRangeGroupAction(info)) {
    case XkbClampIntoRange:
        return groups - 1;
    case XkbRedirectIntoRange: {
        const int target = static_cast<int>(XkbOutOfRangeGroupNumber(info));
        return target < groups ? target : 0;
    }
    default:
        return group % groups;
    }
}

} // namespace

XkbKeyboardLayout::XkbKeyboardLayout(KeyboardSource source, const char* display_name)
{
    if (source != KeyboardSource::CurrentXLayout) {
        return;
    }
    int event_base = 0;
    int error_base = 0;
    int major = XkbMajorVersion;
    int minor = XkbMinorVersion;
    int reason = 0;
    // Null when no X server answers or it lacks the XKB extension; the US
    // layout then stands in.
    m_display = XkbOpenDisplay(display_name, &event_base, &error_base, &major, &minor, &reason);
}

XkbKeyboardLayout::~XkbKeyboardLayout()
{
    if (m_keymap != nullptr) {
        XkbFreeKeyboard(m_keymap, 0, True);
    }
    if (m_display != nullptr) {
        XCloseDisplay(m_display);
    }
}

std::optional<core::KeyboardLayout::Key> XkbKeyboardLayout::key_for_character(unsigned char code)
{
    if (m_display != nullptr) {
        return x_key_for_character(code);
    }
    const auto wanted = static_cast<char>(code);
    // A key that types the character unshifted wins over one that needs Shift.
    for (std::size_t level = 0; level < 2; ++level) {
        for (std::size_t key = 0; key < kUsKeys.size(); ++key) {
            if (kUsKeys[key][level] == wanted) {
                return static_cast<Key>(key);
            }
        }
    }
    return std::nullopt;
}

std::optional<unsigned char> XkbKeyboardLayout::unshifted_character(Key key)
{
    if (m_display != nullptr) {
        return x_unshifted_character(key);
    }
    if (key >= kUsKeys.size()) {
        return std::nullopt;
    }
    return key_cap_code(static_cast<unsigned char>(kUsKeys[key].front()));
}

std::optional<core::KeyboardLayout::Key> XkbKeyboardLayout::x_key_for_character(unsigned char code)
{
    const char32_t wanted = character_of_code(code);
    if (wanted < 0x20 || wanted == 0x7f) {
        return std::nullopt; // control characters are no key's symbol here
    }
    // The keymap and group as they are now; the key's unshifted character is
    // then read from this same keymap.
    if (m_keymap != nullptr) {
        XkbFreeKeyboard(m_keymap, 0, True);
    }
    m_keymap = XkbGetMap(m_display, XkbKeyTypesMask | XkbKeySymsMask, XkbUseCoreKbd);
    XkbStateRec state{};
    if (m_keymap == nullptr || XkbGetState(m_display, XkbUseCoreKbd, &state) != Success) {
        return std::nullopt;
    }
    const int group = state.group;

    // Of the keys that type the character in the current group, the one
    // that needs the fewest modifiers wins (a key that types it unshifted
    // leaves it as it is), then the lowest keycode.
    std::optional<Key> best;
    int best_level = 0;
    for (unsigned keycode = m_keymap->min_key_code; keycode <= m_keymap->max_key_code; ++keycode) {
        if (XkbKeyNumGroups(m_keymap, keycode) == 0) {
            continue;
        }
        const int key_group = effective_group(m_keymap, keycode, group);
        const int width = XkbKeyGroupWidth(m_keymap, keycode, key_group);
        for (int level = 0; level < width && (!best || level < best_level); ++level) {
            if (keysym_character(XkbKeySymEntry(m_keymap, keycode, level, key_group)) == wanted) {
                best = static_cast<Key>(keycode | (static_cast<unsigned>(key_group) << 8));
                best_level = level;
                break;
            }
        }
    }
    return best;
}

std::optional<unsigned char> XkbKeyboardLayout::x_unshifted_character(Key key)
{
    const unsigned keycode = key & 0xffu;
    const int group = static_cast<int>(key >> 8);
    if (m_keymap == nullptr || keycode < m_keymap->min_key_code || keycode > m_keymap->max_key_code ||
        group >= XkbKeyNumGroups(m_keymap, keycode) || XkbKeyGroupWidth(m_keymap, keycode, group) < 1) {
        return std::nullopt;
    }
    return key_cap_code(keysym_character(XkbKeySymEntry(m_keymap, keycode, 0, group)));
}

std::unique_ptr<core::KeyboardLayout> KeyboardLayoutFor(DisplayKind display)
{
    return std::make_unique<XkbKeyboardLayout>(display == DisplayKind::X11 ? KeyboardSource::CurrentXLayout
                                                                           : KeyboardSource::BuiltInUs);
}

} // namespace framory::qt
