#pragma once

#include <functional>
#include <string>

namespace framory::core {

// The sound player's output device (property 3).
enum class SoundDevice : int { Wave = 0, Midi = 1 };

// The sound player component. Only the operations, values and the one event
// below are relied on by the show and the folder editor.
class FXSnd {
public:
    virtual ~FXSnd() = default;

    // Property 3: the device the next file plays on.
    virtual void set_device(SoundDevice device) = 0;
    // Property 4: the sound file. Setting a path starts playback at once;
    // "" stops whatever plays.
    virtual void set_sound_file(const std::string& path) = 0;
    // Property 5: a player command. The stop sequence sends 11, then 1.
    virtual void set_command(int command) = 0;
    // Event: playback finished by itself. Raised once per sound that ends on
    // its own (or cannot be played), on the user-interface thread; never for
    // a sound that was stopped or replaced.
    virtual void set_finished_handler(std::function<void()> handler) = 0;
};

// The stop sequence: file name "", then command 11, then command 1.
inline void StopSequence(FXSnd& sound)
{
    sound.set_sound_file("");
    sound.set_command(11);
    sound.set_command(1);
}

} // namespace framory::core
