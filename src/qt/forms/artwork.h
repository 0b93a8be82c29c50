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

// The built-in picture of the preview: a collage of small photographs with
// the product's name across the top and the maker's web address along the
// bottom, drawn the same on every run (in code rather than shipped as a
// file, so the preview shows it even from a program copied on its own).
inline constexpr int kPreviewPictureWidth = 150;
inline constexpr int kPreviewPictureHeight = 112;
QImage BuiltInPreviewPicture();

// The hub's 32 by 32 button icons.
QIcon FoldersIcon();
QIcon OptionsIcon();
QIcon PreviewIcon();

} // namespace framory::qt
