#pragma once

#include "core/components/platform.h"
#include "core/slideshow/show.h"

#include <QImage>

#include <string>

namespace framory::qt {

// Seconds since the local midnight, from the system clock.
class SystemClock : public core::Clock {
public:
    double seconds_since_midnight() override;
};

// Lists a folder's ordinary files with one pass of readdir: the entry's
// type from the listing is trusted, and only entries whose type the file
// system does not report (or links) are looked up. Hidden files (names
// starting with ".") and folders are left out.
class PosixDirectoryLister : public core::DirectoryLister {
public:
    std::unique_ptr<core::DirectoryListing> list(const std::string& folder) override;
};

// Writes a picture as a 24-bit Windows bitmap, atomically: a completed
// temporary file replaces the old one, so a failed write leaves the old
// file as it was. False when the file could not be written whole.
bool WriteBitmapAtomically(const QImage& image, const std::string& path);

// Makes a bitmap file the desktop wallpaper: the X root window's
// background (with the properties desktop programs read it from, kept after
// the program ends), and the desktop's own wallpaper setting under GNOME,
// Cinnamon, MATE and Xfce.
class DesktopWallpaper : public core::WallpaperService {
public:
    void SetWallpaper(const std::string& path) override;
};

// Sets the X root window's background to the picture; false without X.
bool SetRootWindowBackground(const QImage& image);

} // namespace framory::qt
