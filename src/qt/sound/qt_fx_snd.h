#pragma once

#include "core/components/fx_snd.h"
#include "qt/sound/sound_output.h"

#include <functional>
#include <string>

namespace framory::qt {

// The sound player component: plays WAV and MIDI files through the
// program's SoundOutput and raises the completion event on the UI thread.
// It is used from the UI thread only, which must run a Qt event loop for the
// completion to arrive.
//
// Property values, as this player defines them:
// - Device (3): the kind of file the caller expects. The file's content
//   decides what plays, so a MIDI file set while the device is "wave" (or
//   named .wav) still plays as MIDI, and a file that is neither WAV nor MIDI
//   does not play whatever the device says. The value is kept and can be
//   read back.
// - Sound file (4): a path starts it at once, replacing the sound before it
//   without a completion for that one; "" stops.
// - Command (5): 11 closes the sound: it stops and the file is released.
//   1 resets the player to its first state: no file, device wave. Neither
//   raises a completion. Other commands are ignored.
class QtFXSnd final : public core::FXSnd {
public:
    static constexpr int command_close = 11;
    static constexpr int command_reset = 1;

    // The output must outlive the player.
    explicit QtFXSnd(SoundOutput& output);
    ~QtFXSnd() override;
    QtFXSnd(const QtFXSnd&) = delete;
    QtFXSnd& operator=(const QtFXSnd&) = delete;

    void set_device(core::SoundDevice device) override;
    void set_sound_file(const std::string& path) override;
    void set_command(int command) override;
    void set_finished_handler(std::function<void()> handler) override;

    core::SoundDevice device() const { return m_device; }
    const std::string& sound_file() const { return m_sound_file; }

private:
    void sound_finished();

    SoundOutput& m_output;
    core::SoundDevice m_device = core::SoundDevice::Wave;
    std::string m_sound_file;
    std::function<void()> m_finished_handler;
};

} // namespace framory::qt
