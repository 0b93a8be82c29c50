#pragma once

// What the show leaves on the desktop or sends out of it: the wallpaper
// bitmap and the printed page.

#include "core/slideshow/show.h"
#include "media/image/image.h"

#include <windows.h>

#include <string>

namespace framory::win32 {

// A picture the snapshot sequence took, as pixels.
class DibPicture : public core::PictureObject {
public:
    explicit DibPicture(media::Image image) : m_image(std::move(image)) {}
    core::PixelView pixels() const override
    {
        return {m_image.data(), m_image.width(), m_image.height(), m_image.width()};
    }
    const media::Image& image() const { return m_image; }

private:
    media::Image m_image;
};

// Writes the picture as a 24-bit bottom-up Windows bitmap. A completed
// temporary file beside the target replaces the old file, so a failed write
// leaves the old one as it was. False when the file could not be written.
bool WriteBitmapFile(const media::Image& image, const std::string& path);

// The wallpaper bitmap belongs in the Windows directory, which ordinary
// users may not write to. When that write is refused, the bitmap goes to
// the user's own "%LOCALAPPDATA%\Obelin Framory\Velmoria.bmp" instead, and
// SetWallpaper is then handed that file: the user still gets the scene as
// the wallpaper, and nothing outside their own profile is touched.
class WallpaperFile : public core::WallpaperService {
public:
    // Writes the bitmap to `path` or, refused there, to the fallback;
    // false when neither took it.
    bool save(const media::Image& image, const std::string& path);
    // SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, file, update the
    // profile and announce it); the result is ignored.
    void SetWallpaper(const std::string& path) override;
    // Where the last save went.
    const std::string& written_path() const { return m_written; }

private:
    std::string m_requested;
    std::string m_written;
};

// The default printer through GDI: the page is set to portrait (the one
// setting made before measuring), measured in device pixels, the picture
// stretched onto it with StretchDIBits, and the document ended. Every step
// after a failed one fails too, so no half-made document is left open.
class GdiPrinter : public core::Printer {
public:
    ~GdiPrinter() override;
    bool prepare() override;
    bool page_size(double& width, double& height) override;
    bool draw_picture(const core::PictureObject& picture, double left, double top, double width,
                      double height) override;
    bool end_document() override;

private:
    void abandon();

    HDC m_dc = nullptr;
    bool m_page_started = false;
};

// The header of a 32-bit top-down device-independent bitmap: our pixels'
// own layout, so they go to GDI without conversion.
BITMAPINFO TopDownInfo(int width, int height);

// Draws a picture's pixels into a device context, stretched to a rectangle.
bool StretchImage(HDC dc, const core::PixelView& image, int left, int top, int width, int height);
inline bool StretchImage(HDC dc, const media::Image& image, int left, int top, int width, int height)
{
    return StretchImage(dc, core::PixelView{image.data(), image.width(), image.height(), image.width()}, left, top,
                        width, height);
}

} // namespace framory::win32
