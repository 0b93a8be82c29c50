#include "qt/platform/show_services.h"

#include "core/slideshow/lists.h"
#include "qt/platform/desktop_settings.h"
#include "qt/platform/x_connection.h"

#include <QFile>
#include <QImageWriter>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSaveFile>
#include <QUrl>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <sys/stat.h>

namespace framory::qt {

double SystemClock::seconds_since_midnight()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    const auto fraction =
        std::chrono::duration<double>(now - std::chrono::system_clock::from_time_t(seconds)).count();
    return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + fraction;
}

namespace {

// A folder's ordinary files (no folders, no hidden files), in the order a
// case-insensitive file system lists them (NameOrderLess): read whole when
// the listing starts, since readdir hands names out in the file system's
// own hash order.
class PosixListing : public core::DirectoryListing {
public:
    PosixListing(DIR* dir, const std::string& folder)
    {
        const std::string prefix = folder + (folder.ends_with('/') ? "" : "/");
        std::vector<std::pair<std::u32string, std::string>> found;
        // The end, or a listing that failed on the way: either way the names
        // read so far are the folder's.
        while (const dirent* entry = ::readdir(dir)) {
            if (entry->d_name[0] == '.') {
                continue;
            }
            bool regular = entry->d_type == DT_REG;
            if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
                struct stat info {};
                regular = ::stat((prefix + entry->d_name).c_str(), &info) == 0 && S_ISREG(info.st_mode);
            }
            if (regular) {
                found.emplace_back(core::NameOrderKey(entry->d_name), entry->d_name);
            }
        }
        ::closedir(dir);
        std::sort(found.begin(), found.end());
        m_names.reserve(found.size());
        for (auto& [key, name] : found) {
            m_names.push_back(std::move(name));
        }
    }

    std::optional<std::string> next_name() override
    {
        if (m_next >= m_names.size()) {
            return std::nullopt;
        }
        return std::move(m_names[m_next++]);
    }

private:
    std::vector<std::string> m_names;
    std::size_t m_next = 0;
};

} // namespace

std::unique_ptr<core::DirectoryListing> PosixDirectoryLister::list(const std::string& folder)
{
    if (folder.empty()) {
        return nullptr;
    }
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return nullptr;
    }
    return std::make_unique<PosixListing>(dir, folder);
}

bool WriteBitmapAtomically(const QImage& image, const std::string& path)
{
    if (image.isNull()) {
        return false;
    }
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    QImageWriter writer(&file, "bmp");
    if (!writer.write(image.convertToFormat(QImage::Format_RGB888))) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

namespace {

// The picture, scaled to the screen, as the root window's background: a
// pixmap that stays after the connection closes (RetainPermanent), as
// desktop programs leave theirs.
bool set_root_pixmap(Display* display, const QImage& source)
{
    const int screen = DefaultScreen(display);
    const Window root = RootWindow(display, screen);
    const int width = DisplayWidth(display, screen);
    const int height = DisplayHeight(display, screen);
    const int depth = DefaultDepth(display, screen);
    const QImage image = source.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                             .convertToFormat(QImage::Format_RGB32);

    // A pixmap of the screen's depth filled with the picture's pixels.
    const Pixmap pixmap = XCreatePixmap(display, root, static_cast<unsigned>(width), static_cast<unsigned>(height),
                                        static_cast<unsigned>(depth));
    XImage* ximage = XCreateImage(display, DefaultVisual(display, screen), static_cast<unsigned>(depth), ZPixmap, 0,
                                  nullptr, static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
    bool ok = false;
    if (ximage != nullptr) {
        ximage->data = static_cast<char*>(std::malloc(static_cast<std::size_t>(ximage->bytes_per_line) *
                                                      static_cast<std::size_t>(height)));
        if (ximage->data != nullptr) {
            for (int y = 0; y < height; ++y) {
                const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
                for (int x = 0; x < width; ++x) {
                    XPutPixel(ximage, x, y, row[x] & 0x00ffffffu);
                }
            }
            const GC gc = XCreateGC(display, pixmap, 0, nullptr);
            XPutImage(display, pixmap, gc, ximage, 0, 0, 0, 0, static_cast<unsigned>(width),
                      static_cast<unsigned>(height));
            XFreeGC(display, gc);
            ok = true;
        }
        XDestroyImage(ximage);
    }
    if (ok) {
        // Free the pixmaps an earlier setter left behind, then announce ours.
        const Atom xroot = XInternAtom(display, "_XROOTPMAP_ID", False);
        const Atom eroot = XInternAtom(display, "ESETROOT_PMAP_ID", False);
        Atom type = None;
        int format = 0;
        unsigned long items = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, root, eroot, 0, 1, False, XA_PIXMAP, &type, &format, &items, &after, &data) ==
                Success &&
            type == XA_PIXMAP && data != nullptr && items == 1) {
            Pixmap old = 0;
            std::memcpy(&old, data, sizeof old);
            XKillClient(display, old);
        }
        if (data != nullptr) {
            XFree(data);
        }
        XChangeProperty(display, root, xroot, XA_PIXMAP, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&pixmap), 1);
        XChangeProperty(display, root, eroot, XA_PIXMAP, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&pixmap), 1);
        XSetWindowBackgroundPixmap(display, root, pixmap);
        XClearWindow(display, root);
        XSetCloseDownMode(display, RetainPermanent);
    } else {
        XFreePixmap(display, pixmap);
    }
    return ok;
}

} // namespace

bool SetRootWindowBackground(const QImage& source)
{
    const XConnection connection;
    Display* display = connection.get();
    bool ok = false;
    connection.quietly([&] { ok = set_root_pixmap(display, source); });
    return ok;
}

namespace {

// Runs a desktop settings program, waiting a short while at most.
void run_setting(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (process.waitForStarted(1000)) {
        process.waitForFinished(3000);
    }
}

} // namespace

DesktopWallpaper::DesktopWallpaper()
    : DesktopWallpaper(QProcessEnvironment::systemEnvironment().value(QStringLiteral("XDG_CURRENT_DESKTOP")).toStdString(),
                       Settings{&ReadDesktopSetting, &WriteDesktopSetting})
{
}

DesktopWallpaper::DesktopWallpaper(std::string desktop, Settings settings)
    : m_desktop(QString::fromStdString(desktop).toLower().toStdString()), m_settings(std::move(settings))
{
}

void DesktopWallpaper::point_setting_at(const std::string& schema, const std::string& key, const std::string& value)
{
    // The desktop loads its picture again only when the setting changes,
    // and the snapshot is rewritten under the same name every time: a
    // setting that names it already is moved away for a moment (the desktop
    // lets go of the old picture) and back, so the new one is read.
    if (m_settings.read(schema, key) == value) {
        m_settings.write(schema, key, "");
    }
    m_settings.write(schema, key, value);
}

void DesktopWallpaper::SetWallpaper(const std::string& path)
{
    const QString file = QString::fromStdString(path);
    const QImage image(file);
    if (!image.isNull()) {
        SetRootWindowBackground(image);
    }
    const auto is = [this](const char* name) { return m_desktop.find(name) != std::string::npos; };
    // A proper URI: the folder "Obelin Framory" has a blank, written %20.
    const std::string uri = QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded).toStdString();
    if (is("gnome") || is("unity") || is("budgie")) {
        point_setting_at("org.gnome.desktop.background", "picture-uri", uri);
        point_setting_at("org.gnome.desktop.background", "picture-uri-dark", uri);
    } else if (is("cinnamon")) {
        point_setting_at("org.cinnamon.desktop.background", "picture-uri", uri);
    } else if (is("mate")) {
        point_setting_at("org.mate.background", "picture-filename", path);
    } else if (is("xfce")) {
        QProcess list;
        list.start(QStringLiteral("xfconf-query"), {QStringLiteral("-c"), QStringLiteral("xfce4-desktop"),
                                                    QStringLiteral("-l")});
        if (list.waitForStarted(1000) && list.waitForFinished(3000)) {
            for (const QByteArray& line : list.readAllStandardOutput().split('\n')) {
                if (line.endsWith("/last-image")) {
                    run_setting(QStringLiteral("xfconf-query"),
                                {QStringLiteral("-c"), QStringLiteral("xfce4-desktop"), QStringLiteral("-p"),
                                 QString::fromUtf8(line), QStringLiteral("-s"), file});
                }
            }
        }
    } else if (is("kde")) {
        run_setting(QStringLiteral("plasma-apply-wallpaperimage"), {file});
    }
}

} // namespace framory::qt
