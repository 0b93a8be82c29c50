#pragma once

#include <span>
#include <string_view>

namespace framory::core {

// A control of a dialog by its name, with its caption and its tooltip
// (empty: none), as every front end shows them.
struct ControlText {
    std::string_view control;
    std::string_view caption;
    std::string_view tooltip;
};

// The entry of the named control in a dialog's table; an entry with empty
// texts when the table has none.
constexpr ControlText FindControlText(std::span<const ControlText> table, std::string_view control)
{
    for (const ControlText& entry : table) {
        if (entry.control == control) {
            return entry;
        }
    }
    return {control, {}, {}};
}

} // namespace framory::core
