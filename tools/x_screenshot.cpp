// Saves the X root window (the whole screen as shown) as a PNG file, for
// the end-to-end tests and the run and screenshot scripts. Given a window
// id other than 0, only that window's part of the screen is saved; given a
// width too, the picture is scaled down to it.
#include <QGuiApplication>
#include <QImage>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: framory_x_screenshot OUTPUT.png [WINDOW_ID [WIDTH]]\n");
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
    // Window 0 stands for the whole screen.
    if (argc >= 3 && std::strtoul(argv[2], nullptr, 0) != 0) {
        const Window window = std::strtoul(argv[2], nullptr, 0);
        XWindowAttributes attributes{};
        int x = 0;
        int y = 0;
        Window child = 0;
        if (XGetWindowAttributes(display, window, &attributes) == 0 ||
            XTranslateCoordinates(display, window, root, 0, 0, &x, &y, &child) == 0) {
            XCloseDisplay(display);
            std::fprintf(stderr, "framory_x_screenshot: no window %s\n", argv[2]);
            return 1;
        }
        image = image.copy(x, y, attributes.width, attributes.height);
    }
    XCloseDisplay(display);
    if (argc == 4) {
        image = image.scaledToWidth(std::atoi(argv[3]), Qt::SmoothTransformation);
    }
    return image.save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
