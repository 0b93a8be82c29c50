// Saves the X root window (the whole screen as shown) as a PNG file, for
// the end-to-end tests and the run script.
#include <QGuiApplication>
#include <QImage>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: framory_x_screenshot OUTPUT.png\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "framory_x_screenshot: no X display\n");
        return 1;
    }
    const int screen = DefaultScreen(display);
    const Window root = RootWindow(display, screen);
    const auto width = static_cast<unsigned>(DisplayWidth(display, screen));
    const auto height = static_cast<unsigned>(DisplayHeight(display, screen));
    XImage* shot = XGetImage(display, root, 0, 0, width, height, AllPlanes, ZPixmap);
    if (shot == nullptr) {
        XCloseDisplay(display);
        return 1;
    }
    QImage image(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB32);
    for (int y = 0; y < static_cast<int>(height); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < static_cast<int>(width); ++x) {
            row[x] = 0xff000000u | static_cast<QRgb>(XGetPixel(shot, x, y));
        }
    }
    XDestroyImage(shot);
    XCloseDisplay(display);
    return image.save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
