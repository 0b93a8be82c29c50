#pragma once

// The sound player component over the Windows multimedia API.

#include "core/components/fx_snd.h"

#include <windows.h>

#include <functional>
#include <string>

namespace framory::win32 {

// Plays one WAV (device "waveaudio") or MIDI file (device "sequencer")
// through MCI with completion notification. The notification arrives as
// MM_MCINOTIFY at a message-only window of the player, on the thread that
// made the player (the user-interface thread), and raises the finished event
// once for a sound that ran to its end. A file that cannot be opened or
// played (no sound device, a broken file) raises it once too, from the
// message queue, never from inside set_sound_file. A sound that is stopped
// or replaced raises nothing.
class MciSound : public core::FXSnd {
public:
    MciSound();
    ~MciSound() override;
    MciSound(const MciSound&) = delete;
    MciSound& operator=(const MciSound&) = delete;

    void set_device(core::SoundDevice device) override { m_device = device; }
    void set_sound_file(const std::string& path) override;
    // 11 stops the sound, 1 closes the device; both do nothing when idle.
    void set_command(int command) override;
    void set_finished_handler(std::function<void()> handler) override { m_finished = std::move(handler); }

    bool playing() const { return m_open; }

private:
    static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    void close();
    void finished(UINT device);

    HWND m_window = nullptr;
    core::SoundDevice m_device = core::SoundDevice::Wave;
    std::function<void()> m_finished;
    std::string m_alias;
    UINT m_device_id = 0;
    bool m_open = false;
    unsigned m_serial = 0;
};

} // namespace framory::win32
