#pragma once

// Framory's own artwork for the Windows dialogs, drawn from pixels.

#include "media/image/image.h"

#include <cstdint>

namespace framory::win32 {

// The product artwork at any size: a row of framed snapshots, each a
// gradient of the show's own, over an evening sky, with the product's name.
media::Image ProductArtwork(int width, int height);

// The hub's 32 × 32 button icons over the button's colour.
enum class HubIcon { Folders, Options, Preview };
media::Image HubIconImage(HubIcon icon, std::uint32_t background);

} // namespace framory::win32
