#include "saver_under_test.h"

#include "win32/platform/desktop_output.h"

#include <cstdlib>
#include <cstring>

namespace framory::win32::testing {

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (condition()) {
            return true;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

SaverProcess::SaverProcess(const std::string& arguments)
{
    std::string command = "\"" FRAMORY_SCR_PATH "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessA(FRAMORY_SCR_PATH, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &m_process)) {
        m_process = {};
    }
}

SaverProcess::~SaverProcess()
{
    if (m_process.hProcess != nullptr) {
        if (!exited()) {
            TerminateProcess(m_process.hProcess, 1);
            WaitForSingleObject(m_process.hProcess, 5000);
        }
        CloseHandle(m_process.hProcess);
        CloseHandle(m_process.hThread);
    }
}

bool SaverProcess::exited() const
{
    return m_process.hProcess != nullptr && WaitForSingleObject(m_process.hProcess, 0) == WAIT_OBJECT_0;
}

bool SaverProcess::wait_for_exit(std::chrono::milliseconds limit) const
{
    return WaitUntil([this] { return exited(); }, limit);
}

media::Image CaptureScreen(RECT area)
{
    if (IsRectEmpty(&area)) {
        area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    media::Image image(width, height);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = TopDownInfo(width, height);
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    std::memcpy(image.data(), bits, image.pixel_count() * 4);
    SelectObject(memory, old);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    for (std::size_t i = 0; i < image.pixel_count(); ++i) {
        image.data()[i] |= 0xff000000u;
    }
    return image;
}

bool Near(std::uint32_t pixel, std::uint32_t colour, int tolerance)
{
    for (int shift = 0; shift <= 16; shift += 8) {
        const int a = static_cast<int>((pixel >> shift) & 0xffu);
        const int b = static_cast<int>((colour >> shift) & 0xffu);
        if (std::abs(a - b) > tolerance) {
            return false;
        }
    }
    return true;
}

std::string TempFolder(const char* prefix)
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + prefix + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

} // namespace framory::win32::testing
