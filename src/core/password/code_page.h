#pragma once

#include <string>
#include <string_view>

namespace framory::core {

// Passwords are single bytes of the Windows-1252 code page, so that a
// password scrambled on Windows reads the same here.

// UTF-16 text to Windows-1252; characters the code page lacks become '?'.
std::string ToWindows1252(std::u16string_view text);
// Windows-1252 to UTF-16; the five unassigned codes map to themselves.
std::u16string FromWindows1252(std::string_view text);
// Upper case within the code page: a-z, the accented letters, š, œ, ž, ÿ.
std::string UpperWindows1252(std::string_view text);

} // namespace framory::core
