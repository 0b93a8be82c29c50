#include "win32/platform/mci_sound.h"

#include <mmsystem.h>

namespace framory::win32 {

namespace {

constexpr const char* kWindowClass = "FramoryMciSound";
// Posted to the player's window when a file could not be played, so the
// finished event comes from the message queue like a real completion.
constexpr UINT kCouldNotPlay = WM_APP + 1;

bool send(const std::string& command, HWND notify = nullptr)
{
    return mciSendStringA(command.c_str(), nullptr, 0, notify) == 0;
}

} // namespace

MciSound::MciSound()
{
    static const ATOM registered = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &MciSound::window_proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kWindowClass;
        return RegisterClassA(&wc);
    }();
    (void)registered;
    m_window = CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr),
                               nullptr);
    if (m_window != nullptr) {
        SetWindowLongPtrA(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
}

MciSound::~MciSound()
{
    close();
    if (m_window != nullptr) {
        SetWindowLongPtrA(m_window, GWLP_USERDATA, 0);
        DestroyWindow(m_window);
    }
}

void MciSound::close()
{
    if (m_open) {
        // Closing aborts a pending notification; it is ignored by its alias
        // serial anyway, as the device id is forgotten here.
        send("close " + m_alias);
        m_open = false;
        m_device_id = 0;
    }
}

void MciSound::set_sound_file(const std::string& path)
{
    // A new serial also silences a failure still queued for the last file.
    ++m_serial;
    close();
    if (path.empty()) {
        return;
    }
    m_alias = "framory_sound_" + std::to_string(reinterpret_cast<UINT_PTR>(this)) + "_" + std::to_string(m_serial);
    const std::string type = m_device == core::SoundDevice::Wave ? "waveaudio" : "sequencer";
    if (!send("open \"" + path + "\" type " + type + " alias " + m_alias)) {
        PostMessageA(m_window, kCouldNotPlay, m_serial, 0);
        return;
    }
    m_open = true;
    m_device_id = mciGetDeviceIDA(m_alias.c_str());
    if (!send("play " + m_alias + " notify", m_window)) {
        close();
        PostMessageA(m_window, kCouldNotPlay, m_serial, 0);
    }
}

void MciSound::set_command(int command)
{
    if (command == 11 || command == 1) {
        ++m_serial;
    }
    if (command == 11 && m_open) {
        send("stop " + m_alias);
    } else if (command == 1) {
        close();
    }
}

void MciSound::finished(UINT device)
{
    if (!m_open || device != m_device_id) {
        return; // a sound that was stopped or replaced since
    }
    close();
    if (m_finished) {
        m_finished();
    }
}

LRESULT CALLBACK MciSound::window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    auto* self = reinterpret_cast<MciSound*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self != nullptr && message == MM_MCINOTIFY) {
        if (wparam == MCI_NOTIFY_SUCCESSFUL || wparam == MCI_NOTIFY_FAILURE) {
            self->finished(static_cast<UINT>(lparam));
        }
        return 0;
    }
    if (self != nullptr && message == kCouldNotPlay) {
        // Only for the file that failed: a newer one may play already.
        if (wparam == self->m_serial && !self->m_open && self->m_finished) {
            self->m_finished();
        }
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

} // namespace framory::win32
