#pragma once

// This folder: the contracts of the services the core relies on, one header
// per family (settings store, system, folders, start-up modes, the show's
// window, the desktop, the picture, label and sound components). Each front
// end implements them; tests implement them with fakes.

#include "core/components/fx_components.h"
#include <string>

// What the show asks of the desktop around it: the lock switch, the
// wallpaper and the default printer.

namespace framory::core {

// The desktop's "ask for a password when the saver ends" switch.
class PasswordSwitch {
public:
    virtual ~PasswordSwitch() = default;
    virtual bool DesktopPasswordOn() = 0;
};

// Makes a bitmap file the desktop wallpaper.
class WallpaperService {
public:
    virtual ~WallpaperService() = default;
    virtual void SetWallpaper(const std::string& path) = 0;
};

// The system's default printer, as the print command uses it. Each
// operation reports whether it worked.
class Printer {
public:
    virtual ~Printer() = default;
    // Readies the default printer; the one setting made before measuring.
    virtual bool prepare() = 0;
    // The page's width and height, in the unit pictures are drawn in.
    virtual bool page_size(double& width, double& height) = 0;
    // Draws the picture stretched into the rectangle.
    virtual bool draw_picture(const PictureObject& picture, double left, double top, double width,
                              double height) = 0;
    // Ends the document, which sends the page to the printer.
    virtual bool end_document() = 0;
};

} // namespace framory::core
