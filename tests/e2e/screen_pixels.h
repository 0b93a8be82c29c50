#pragma once

// The X screen as shown, for end-to-end tests that look at pixels.

#include <QImage>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdlib>

namespace framory::testing {

inline QImage GrabScreen()
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return {};
    }
    const int screen = DefaultScreen(display);
    const auto w = static_cast<unsigned>(DisplayWidth(display, screen));
    const auto h = static_cast<unsigned>(DisplayHeight(display, screen));
    XImage* shot = XGetImage(display, RootWindow(display, screen), 0, 0, w, h, AllPlanes, ZPixmap);
    QImage image(static_cast<int>(w), static_cast<int>(h), QImage::Format_RGB32);
    for (int y = 0; y < static_cast<int>(h); ++y) {
        for (int x = 0; x < static_cast<int>(w); ++x) {
            image.setPixel(x, y, 0xff000000u | static_cast<QRgb>(XGetPixel(shot, x, y)));
        }
    }
    XDestroyImage(shot);
    XCloseDisplay(display);
    return image;
}

// The largest difference of the three channels.
inline int ColourDistance(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

} // namespace framory::testing
