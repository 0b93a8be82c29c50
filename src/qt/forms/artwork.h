#pragma once

#include <QIcon>
#include <QPixmap>

namespace framory::qt {

// Framory's own artwork, drawn in code: a collage of small framed pictures
// over an evening sky with the product's name.
QPixmap ProductArtwork(int width, int height);

// The hub's 32 by 32 button icons.
QIcon FoldersIcon();
QIcon OptionsIcon();
QIcon PreviewIcon();

} // namespace framory::qt
