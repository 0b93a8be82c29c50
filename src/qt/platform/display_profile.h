#pragma once

#include <cstdint>
#include <vector>

struct _XDisplay;

namespace framory::qt {

// The colour profile of the first screen as colour-management tools publish
// it: the ICC bytes in the root window's `_ICC_PROFILE` property. Empty when
// no X server answers or none is set; pictures then end in sRGB.
std::vector<std::uint8_t> DisplayIccProfile(_XDisplay* display);

// The same through Qt's own connection to the X server.
std::vector<std::uint8_t> DisplayIccProfile();

} // namespace framory::qt
