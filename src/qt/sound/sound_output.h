#pragma once

#include <QObject>

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

using Mix_Music = struct _Mix_Music;

namespace framory::qt {

// The format the output device was opened with. Samples are signed 16-bit
// in the machine's byte order, channels interleaved.
struct SoundFormat {
    int rate = 0;
    int channels = 0;
};

// The program's one connection to the sound card, shared by every sound
// player of the program (the show's and the folder editor's). SDL_mixer has a
// single music stream per process, so only one sound plays at a time: a
// player that starts a sound silences the sound of any other player, and the
// silenced player gets no completion for it, just as if it had been replaced.
//
// The device is opened on first use and kept open until this object goes.
// When it cannot be opened (no sound card, no sound server, no driver) the
// output stays silent for the rest of the run and every sound completes after
// `unplayable_delay`; nothing is reported, since a show without sound is
// still a show.
//
// Only one SoundOutput can hold the device at a time; a second one, created
// while the first holds it, behaves as if there were no device.
//
// Everything here runs on the thread that owns this object (the UI thread),
// except the end-of-music hook, which SDL calls on its audio thread and which
// only posts the completion back to this object's thread.
class SoundOutput final : public QObject {
public:
    // A file that cannot be played completes this long after it was set.
    // Asynchronous and never shorter, so that a caller which starts the next
    // file from the completion handler cannot spin through a folder of bad
    // files, yet short enough for a playlist to move straight on.
    static constexpr int unplayable_delay_ms = 50;

    explicit SoundOutput(QObject* parent = nullptr);
    ~SoundOutput() override;
    SoundOutput(const SoundOutput&) = delete;
    SoundOutput& operator=(const SoundOutput&) = delete;

    // Opens the device if this has not been tried yet. True when it is open.
    bool open();
    // The format of the open device; none before open() or without a device.
    std::optional<SoundFormat> format() const;
    // The General MIDI patch configuration handed to the synthesizer, or ""
    // when none was found (MIDI files then complete without sound).
    const std::string& midi_config() const { return m_midi_config; }

    // Starts the sound file `path` for `client` (any address that identifies
    // the player), stopping whatever plays. The kind of sound is decided by
    // the file's content, not by its name. `finished` runs once, on this
    // object's thread, when the sound ends by itself or cannot be played;
    // it never runs after stop(client), a later play(), or this object's end.
    void play(const void* client, const std::string& path, std::function<void()> finished);
    // Stops the sound of `client` if it is the one playing, without raising
    // its completion. Another player's sound is left alone.
    void stop(const void* client);

private:
    enum class DeviceState { NotTried, Open, Unavailable };

    void halt();
    void finish_later(std::uint64_t token);
    void deliver(std::uint64_t token);
    Mix_Music* load(const std::string& path);
    void release_decoded();
    void choose_midi_config();
    void quiet_alsa();
    void release_alsa();

    // Called by SDL_mixer when the music stream ends, on the audio thread
    // (or, for a halt, on the thread that halted it).
    static void music_finished_hook();
    void music_ended();

    DeviceState m_state = DeviceState::NotTried;
    // Our handle on the ALSA library while its error messages are silenced.
    void* m_alsa = nullptr;
    std::string m_midi_config;
    Mix_Music* m_music = nullptr;
    // A compressed WAV file decoded into memory, which m_music reads from
    // while it plays; empty otherwise.
    std::vector<unsigned char> m_decoded;
    const void* m_client = nullptr;
    std::function<void()> m_finished;
    // The sound the client is waiting for; 0 when none. Every start gets a
    // new number, so a completion posted for an earlier sound is recognised
    // as stale and dropped.
    std::uint64_t m_token = 0;
    std::uint64_t m_last_token = 0;
    // The number of the sound in the music stream while it may still end by
    // itself; the hook takes it (exchanging 0) so each sound posts at most one
    // completion, and a halt clears it first so a stopped sound posts none.
    std::atomic<std::uint64_t> m_armed{0};
};

} // namespace framory::qt
