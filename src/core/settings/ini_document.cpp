// This folder: the stored settings: the schema of every field, loading and
// saving them, and the settings file format.

#include "core/settings/ini_document.h"

namespace framory::core {

namespace {

std::string_view trim(std::string_view text)
{
    const auto is_blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && is_blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && is_blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string lower_ascii(std::string_view text)
{
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return result;
}

} // namespace

std::string IniDocument::index_key(std::string_view section, std::string_view key)
{
    // A section name cannot hold a line break, so it separates the two parts.
    return lower_ascii(section) + '\n' + lower_ascii(key);
}

IniDocument IniDocument::Parse(std::string_view text)
{
    IniDocument doc;
    std::string current_section;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        while (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }

        Line parsed;
        const std::string_view trimmed = trim(line);
        const auto close = trimmed.find(']');
        if (!trimmed.empty() && trimmed.front() == '[' && close != std::string_view::npos) {
            parsed.kind = Line::Kind::Section;
            parsed.text = std::string(line);
            current_section = std::string(trim(trimmed.substr(1, close - 1)));
            parsed.section = current_section;
        } else if (const auto eq = line.find('=');
                   eq != std::string_view::npos && !trimmed.empty() && trimmed.front() != ';' &&
                   trimmed.front() != '#') {
            parsed.kind = Line::Kind::Entry;
            parsed.section = current_section;
            parsed.key = std::string(trim(line.substr(0, eq)));
            parsed.value = std::string(line.substr(eq + 1));
        } else {
            parsed.text = std::string(line);
        }
        doc.m_lines.push_back(std::move(parsed));
    }
    doc.rebuild_index();
    return doc;
}

void IniDocument::rebuild_index()
{
    m_index.clear();
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        if (line.kind == Line::Kind::Entry) {
            m_index.try_emplace(index_key(line.section, line.key), i);
        }
    }
}

std::optional<std::string> IniDocument::get(std::string_view section, std::string_view key) const
{
    const auto found = m_index.find(index_key(section, key));
    if (found == m_index.end()) {
        return std::nullopt;
    }
    return m_lines[found->second].value;
}

void IniDocument::set(std::string_view section, std::string_view key, std::string_view value)
{
    const auto line_break = value.find_first_of("\r\n");
    if (line_break != std::string_view::npos) {
        value = value.substr(0, line_break);
    }

    const std::string id = index_key(section, key);
    if (const auto found = m_index.find(id); found != m_index.end()) {
        m_lines[found->second].value = std::string(value);
        return;
    }

    Line entry;
    entry.kind = Line::Kind::Entry;
    entry.section = std::string(section);
    entry.key = std::string(key);
    entry.value = std::string(value);

    // After the last entry of the first section of that name, or right after
    // its header when it has none yet.
    const std::string wanted = lower_ascii(section);
    std::size_t insert_at = m_lines.size();
    bool section_found = false;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        if (line.kind == Line::Kind::Section) {
            if (section_found) {
                break;
            }
            if (lower_ascii(line.section) == wanted) {
                section_found = true;
                insert_at = i + 1;
            }
        } else if (section_found && line.kind == Line::Kind::Entry) {
            insert_at = i + 1;
        }
    }
    if (!section_found) {
        if (!m_lines.empty() && !(m_lines.back().kind == Line::Kind::Other && trim(m_lines.back().text).empty())) {
            m_lines.push_back(Line{});
        }
        Line header;
        header.kind = Line::Kind::Section;
        header.section = std::string(section);
        header.text = "[" + header.section + "]";
        m_lines.push_back(std::move(header));
        insert_at = m_lines.size();
    }
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insert_at), std::move(entry));
    for (auto& [name, position] : m_index) {
        if (position >= insert_at) {
            ++position;
        }
    }
    m_index.emplace(id, insert_at);
}

std::string IniDocument::render() const
{
    std::string out;
    for (const Line& line : m_lines) {
        if (line.kind == Line::Kind::Entry) {
            out += line.key;
            out += '=';
            out += line.value;
        } else {
            out += line.text;
        }
        out += '\n';
    }
    return out;
}

} // namespace framory::core
