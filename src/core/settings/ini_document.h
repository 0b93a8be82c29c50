#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace framory::core {

// The text of a settings file that a person can read and edit:
//
//   [Options]
//   scene_delay=5
//
// Section and key names match without regard to case. A value is everything
// after the first "=" of its line, kept as it stands (a trailing backslash,
// "=" and ";" included); only carriage returns before the line feed are
// dropped. Lines that are neither a section nor an entry (comments, blanks,
// anything a person wrote) are kept as they are when the text is written
// again, and so are sections and keys this program does not know.
class IniDocument {
public:
    static IniDocument Parse(std::string_view text);

    std::optional<std::string> get(std::string_view section, std::string_view key) const;

    // Sets the first entry of that section and key, or adds one at the end of
    // the section (adding the section at the end of the text when it is
    // missing). A line break cannot stand in a value of a line-based file, so
    // a value is cut at its first line break: the part before it is stored.
    void set(std::string_view section, std::string_view key, std::string_view value);

    std::string render() const;

    std::size_t entry_count() const { return m_index.size(); }

private:
    struct Line {
        enum class Kind { Section, Entry, Other };
        Kind kind = Kind::Other;
        std::string text;    // the whole line as written, for Other and Section lines
        std::string section; // Section: its name; Entry: the section it belongs to
        std::string key;     // Entry only, as written
        std::string value;   // Entry only
    };

    static std::string index_key(std::string_view section, std::string_view key);
    void rebuild_index();

    std::vector<Line> m_lines;
    std::unordered_map<std::string, std::size_t> m_index; // first entry of each section and key
};

} // namespace framory::core
