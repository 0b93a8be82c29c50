#pragma once

#include "core/components/platform.h"
#include "core/slideshow/show.h"

#include <QImage>

#include <functional>
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
// Cinnamon, MATE, Xfce and KDE.
class DesktopWallpaper : public core::WallpaperService {
public:
    // The desktop's own settings (GSettings), read and written by schema
    // and key; through GIO in the program.
    struct Settings {
        std::function<std::string(const std::string& schema, const std::string& key)> read;
        std::function<bool(const std::string& schema, const std::string& key, const std::string& value)> write;
    };

    // The desktop named by XDG_CURRENT_DESKTOP, its settings through GIO.
    DesktopWallpaper();
    DesktopWallpaper(std::string desktop, Settings settings);

    void SetWallpaper(const std::string& path) override;

private:
    void point_setting_at(const std::string& schema, const std::string& key, const std::string& value);

    std::string m_desktop; // lower case
    Settings m_settings;
};

// Sets the X root window's background to the picture; false without X.
bool SetRootWindowBackground(const QImage& image);

} // namespace framory::qt
