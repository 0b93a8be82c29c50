#pragma once

#include "media/decode/format.h"

namespace framory::media::detail {

// stb_image, which reads TGA and Softimage PIC. `mirror`: the rows are
// stored right to left (TGA's descriptor bit 4, which stb does not apply).
Decoded DecodeWithStb(Bytes bytes, const Header& header, Size out, bool mirror);

} // namespace framory::media::detail
