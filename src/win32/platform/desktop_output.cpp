// This folder: the Windows services behind the core's contracts: registry
// settings, system calls, sound, printing and the wallpaper.

#include "win32/platform/desktop_output.h"

#include "win32/platform/system_services.h"

#include <winspool.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace framory::win32 {

namespace {

void put_u16(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xffu));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xffu));
}

void put_u32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    put_u16(out, value & 0xffffu);
    put_u16(out, value >> 16);
}

} // namespace

BITMAPINFO TopDownInfo(int width, int height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

bool WriteBitmapFile(const media::Image& image, const std::string& path)
{
    if (image.empty()) {
        return false;
    }
    const auto width = static_cast<std::uint32_t>(image.width());
    const auto height = static_cast<std::uint32_t>(image.height());
    const std::uint32_t row_bytes = (width * 3 + 3) & ~3u;
    const std::uint32_t data_bytes = row_bytes * height;
    std::vector<std::uint8_t> file;
    file.reserve(54 + data_bytes);
    file.push_back('B');
    file.push_back('M');
    put_u32(file, 54 + data_bytes);
    put_u32(file, 0);
    put_u32(file, 54);
    put_u32(file, 40);
    put_u32(file, width);
    put_u32(file, height);
    put_u16(file, 1);
    put_u16(file, 24);
    put_u32(file, 0);
    put_u32(file, data_bytes);
    put_u32(file, 3780); // 96 dots per inch
    put_u32(file, 3780);
    put_u32(file, 0);
    put_u32(file, 0);
    for (int y = image.height() - 1; y >= 0; --y) {
        const std::uint32_t* row = image.row(y);
        for (std::uint32_t x = 0; x < width; ++x) {
            file.push_back(static_cast<std::uint8_t>(row[x] & 0xffu));
            file.push_back(static_cast<std::uint8_t>((row[x] >> 8) & 0xffu));
            file.push_back(static_cast<std::uint8_t>((row[x] >> 16) & 0xffu));
        }
        file.resize(file.size() + (row_bytes - width * 3), 0);
    }

    const std::string temporary = path + ".new";
    HANDLE out = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const bool whole = WriteFile(out, file.data(), static_cast<DWORD>(file.size()), &written, nullptr) != 0 &&
                       written == file.size() && FlushFileBuffers(out) != 0;
    CloseHandle(out);
    if (!whole || MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
        DeleteFileA(temporary.c_str());
        return false;
    }
    return true;
}

bool WallpaperFile::save(const media::Image& image, const std::string& path)
{
    m_requested = path;
    m_written.clear();
    if (WriteBitmapFile(image, path)) {
        m_written = path;
        return true;
    }
    const std::string folder = UserDataFolder();
    const auto slash = path.find_last_of("\\/");
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (!folder.empty() && WriteBitmapFile(image, folder + name)) {
        m_written = folder + name;
        return true;
    }
    return false;
}

void WallpaperFile::SetWallpaper(const std::string& path)
{
    // The bitmap asked for may have gone to the user's own folder.
    std::string file = path == m_requested && !m_written.empty() ? m_written : path;
    SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, file.data(), SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE);
}

bool StretchImage(HDC dc, const core::PixelView& image, int left, int top, int width, int height)
{
    if (image.pixels == nullptr || image.width <= 0 || image.height <= 0 || width <= 0 || height <= 0) {
        return false;
    }
    // Rows `stride` pixels apart: the bitmap is as wide as the stride, of
    // which the source rectangle takes the picture's width.
    BITMAPINFO info = TopDownInfo(image.stride, image.height);
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    return StretchDIBits(dc, left, top, width, height, 0, 0, image.width, image.height, image.pixels, &info,
                         DIB_RGB_COLORS, SRCCOPY) != static_cast<int>(GDI_ERROR);
}

GdiPrinter::~GdiPrinter()
{
    abandon();
}

void GdiPrinter::abandon()
{
    if (m_dc != nullptr) {
        AbortDoc(m_dc);
        DeleteDC(m_dc);
        m_dc = nullptr;
    }
    m_page_started = false;
}

bool GdiPrinter::prepare()
{
    abandon();
    DWORD size = 0;
    GetDefaultPrinterA(nullptr, &size);
    if (size == 0) {
        return false;
    }
    std::string name(size, '\0');
    if (!GetDefaultPrinterA(name.data(), &size)) {
        return false;
    }
    name.resize(std::strlen(name.c_str()));

    // The printer's own settings with the orientation set to portrait (1).
    HANDLE printer = nullptr;
    std::vector<std::uint8_t> mode_bytes;
    if (OpenPrinterA(name.data(), &printer, nullptr)) {
        const LONG mode_size = DocumentPropertiesA(nullptr, printer, name.data(), nullptr, nullptr, 0);
        if (mode_size > 0) {
            mode_bytes.resize(static_cast<std::size_t>(mode_size));
            auto* mode = reinterpret_cast<DEVMODEA*>(mode_bytes.data());
            if (DocumentPropertiesA(nullptr, printer, name.data(), mode, nullptr, DM_OUT_BUFFER) == IDOK) {
                mode->dmFields |= DM_ORIENTATION;
                mode->dmOrientation = DMORIENT_PORTRAIT;
                DocumentPropertiesA(nullptr, printer, name.data(), mode, mode, DM_IN_BUFFER | DM_OUT_BUFFER);
            } else {
                mode_bytes.clear();
            }
        }
        ClosePrinter(printer);
    }
    m_dc = CreateDCA("WINSPOOL", name.c_str(), nullptr,
                     mode_bytes.empty() ? nullptr : reinterpret_cast<DEVMODEA*>(mode_bytes.data()));
    if (m_dc == nullptr) {
        return false;
    }
    DOCINFOA doc{};
    doc.cbSize = sizeof doc;
    doc.lpszDocName = "Framory";
    if (StartDocA(m_dc, &doc) <= 0 || StartPage(m_dc) <= 0) {
        abandon();
        return false;
    }
    m_page_started = true;
    return true;
}

bool GdiPrinter::page_size(double& width, double& height)
{
    if (m_dc == nullptr) {
        return false;
    }
    width = GetDeviceCaps(m_dc, HORZRES);
    height = GetDeviceCaps(m_dc, VERTRES);
    return width > 0 && height > 0;
}

bool GdiPrinter::draw_picture(const core::PictureObject& picture, double left, double top, double width,
                              double height)
{
    const core::PixelView pixels = picture.pixels();
    if (m_dc == nullptr || pixels.pixels == nullptr) {
        return false;
    }
    return StretchImage(m_dc, pixels, static_cast<int>(std::lround(left)), static_cast<int>(std::lround(top)),
                        static_cast<int>(std::lround(width)), static_cast<int>(std::lround(height)));
}

bool GdiPrinter::end_document()
{
    if (m_dc == nullptr || !m_page_started) {
        return false;
    }
    const bool ok = EndPage(m_dc) > 0 && EndDoc(m_dc) > 0;
    if (!ok) {
        AbortDoc(m_dc);
    }
    DeleteDC(m_dc);
    m_dc = nullptr;
    m_page_started = false;
    return ok;
}

} // namespace framory::win32
