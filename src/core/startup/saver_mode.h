#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace framory::core {

// The role chosen from the command line.
enum class SaverMode { Configure, Run, Preview, ChangePassword, None };

// The switch: the first two characters of the argument text, upper-cased;
// "/C" when the text is empty. Nothing is trimmed.
std::string SwitchOf(std::string_view argument_text);

// The mode a switch names; exact comparison with "/C", "/S", "/P", "/A".
SaverMode ModeOfSwitch(std::string_view switch_text);

// Reads text as a number the way the host's number reader does: blanks,
// tabs and line feeds are skipped wherever they stand, the rest is read as
// far as it forms a decimal number (sign, digits, point, exponent), and text
// that does not begin with a number gives 0. The nearest whole number is
// taken, halves to the even neighbour. A number outside the 32-bit range
// cannot be a window handle and gives 0 as well.
std::int32_t ReadWindowHandle(std::string_view text);

// The text after the switch's two characters.
std::string_view TextAfterSwitch(std::string_view argument_text);

} // namespace framory::core
