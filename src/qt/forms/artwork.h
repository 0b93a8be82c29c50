#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

namespace framory::qt {

// Framory's own artwork, drawn in code: a collage of small framed pictures
// over an evening sky with the product's name.
QPixmap ProductArtwork(int width, int height);

// The program's icon, `size` pixels square: framed pictures over the
// evening sky of the artwork, on a rounded tile, with no text so that it
// reads at 16 pixels. Installed in the desktop's icon theme and given to
// every window.
QImage ProductIcon(int size);

// The hub's 32 by 32 button icons.
QIcon FoldersIcon();
QIcon OptionsIcon();
QIcon PreviewIcon();

} // namespace framory::qt
