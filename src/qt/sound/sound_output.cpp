#include "qt/sound/sound_output.h"

#include <QMetaObject>
#include <QTimer>

#include <SDL.h>
#include <dlfcn.h>
#include <SDL_mixer.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

namespace framory::qt {

namespace {

// The output format: CD rate, stereo, 16-bit. SDL converts every file to it.
constexpr int output_rate = 44100;
constexpr int output_channels = 2;
// 1024 frames is 23 ms at 44.1 kHz. The end-of-music hook fires when the last
// block is mixed, so this bounds how early the completion can come before the
// sound is heard to end; it also sets the audio thread's wake-ups (43 a
// second), which is cheap.
constexpr int output_block_frames = 1024;
constexpr int output_block_ms = output_block_frames * 1000 / output_rate;

// General MIDI patch sets for SDL_mixer's built-in Timidity synthesizer, in
// order of preference. Debian's `freepats` package installs the first one;
// its patches are in the GUS format that this synthesizer reads. The
// `timidity` package's own timidity.cfg comes last because on Debian it
// usually names SoundFont files, which this synthesizer cannot read.
constexpr std::array midi_config_candidates{
    "/etc/timidity/freepats.cfg",
    "/etc/timidity.cfg",
    "/usr/share/timidity/timidity.cfg",
    "/etc/timidity/timidity.cfg",
};

// SDL_mixer calls its end-of-music hook without any user data, so the output
// that holds the device is found here. Set while that output has the device
// open; the hook reads it on the audio thread.
std::atomic<SoundOutput*> device_holder{nullptr};

enum class SoundKind { Unknown, Wave, Midi };

// The kind of sound a file holds, from its first bytes. Only RIFF WAVE and
// Standard MIDI files are played. Anything else is refused here rather than
// left to SDL_mixer's guessing, which takes unknown data for a tracker module
// or an MP3 and may play noise from a text file.
SoundKind sniff_sound(const unsigned char* head, std::size_t size)
{
    if (size >= 12 && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0) {
        return SoundKind::Wave;
    }
    if (size >= 4 && std::memcmp(head, "MThd", 4) == 0) {
        return SoundKind::Midi;
    }
    return SoundKind::Unknown;
}

// Encoded WAV files larger than this are not decoded into memory (below).
constexpr Sint64 largest_decoded_wave = 64 * 1024 * 1024;

void put_le(std::vector<unsigned char>& out, std::uint32_t value, int size)
{
    for (int i = 0; i < size; ++i) {
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
    }
}

// SDL_mixer streams plain PCM and float WAV files itself, but refuses the
// compressed encodings (IMA and Microsoft ADPCM, A-law, mu-law) that SDL's
// own WAV reader decodes. Such a file is decoded whole by SDL and wrapped
// again as a plain PCM WAV in memory, so that it plays on the same stream
// and ends with the same end-of-music hook as every other sound. The result
// is empty when SDL cannot read the file either.
std::vector<unsigned char> decode_wave(const std::string& path)
{
    SDL_RWops* file = SDL_RWFromFile(path.c_str(), "rb");
    if (file == nullptr) {
        return {};
    }
    const Sint64 size = SDL_RWsize(file);
    if (size < 0 || size > largest_decoded_wave) {
        SDL_RWclose(file);
        return {};
    }
    SDL_AudioSpec audio_spec{};
    Uint8* samples = nullptr;
    Uint32 length = 0;
    if (SDL_LoadWAV_RW(file, 1, &audio_spec, &samples, &length) == nullptr) {
        return {};
    }
    std::uint32_t format_tag = 1;
    switch (audio_spec.format) {
    case AUDIO_U8:
    case AUDIO_S16LSB:
    case AUDIO_S32LSB:
        break;
    case AUDIO_F32LSB:
        format_tag = 3;
        break;
    default:
        SDL_FreeWAV(samples);
        return {};
    }
    const std::uint32_t bytes_per_sample = SDL_AUDIO_BITSIZE(audio_spec.format) / 8U;
    const std::uint32_t block_align = bytes_per_sample * audio_spec.channels;
    std::vector<unsigned char> wave;
    wave.reserve(44 + length);
    wave.insert(wave.end(), {'R', 'I', 'F', 'F'});
    put_le(wave, 36 + length, 4);
    wave.insert(wave.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put_le(wave, 16, 4);
    put_le(wave, format_tag, 2);
    put_le(wave, audio_spec.channels, 2);
    put_le(wave, static_cast<std::uint32_t>(audio_spec.freq), 4);
    put_le(wave, static_cast<std::uint32_t>(audio_spec.freq) * block_align, 4);
    put_le(wave, block_align, 2);
    put_le(wave, bytes_per_sample * 8, 2);
    wave.insert(wave.end(), {'d', 'a', 't', 'a'});
    put_le(wave, length, 4);
    wave.insert(wave.end(), samples, samples + length);
    SDL_FreeWAV(samples);
    return wave;
}

// libasound writes its own complaints to standard error when a machine has
// no sound card ("cannot find card '0'", "Unknown PCM default"), and SDL has
// no way to stop it. A show without sound is normal here and nothing to
// report, so while this program holds the sound device the library's error
// handler is one that says nothing. The library is looked up at run time, as
// SDL does, so that a machine without it still runs.
using AlsaErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
using AlsaSetErrorHandler = int (*)(AlsaErrorHandler);

void say_nothing(const char*, int, const char*, int, const char*, ...) {}

void set_alsa_error_handler(void* alsa, AlsaErrorHandler handler)
{
    if (alsa == nullptr) {
        return;
    }
    if (void* symbol = dlsym(alsa, "snd_lib_error_set_handler"); symbol != nullptr) {
        reinterpret_cast<AlsaSetErrorHandler>(symbol)(handler);
    }
}

} // namespace

SoundOutput::SoundOutput(QObject* parent)
    : QObject(parent)
{
}

SoundOutput::~SoundOutput()
{
    if (m_state == DeviceState::Open) {
        // Unhook first, so that halting and closing post nothing to an object
        // that is going away; closing the device also ends SDL's audio thread.
        Mix_HookMusicFinished(nullptr);
        halt();
        Mix_CloseAudio();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        device_holder.store(nullptr);
    }
    release_alsa();
}

void SoundOutput::quiet_alsa()
{
    m_alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
    set_alsa_error_handler(m_alsa, &say_nothing);
}

void SoundOutput::release_alsa()
{
    if (m_alsa != nullptr) {
        set_alsa_error_handler(m_alsa, nullptr);
        dlclose(m_alsa);
        m_alsa = nullptr;
    }
}

bool SoundOutput::open()
{
    if (m_state != DeviceState::NotTried) {
        return m_state == DeviceState::Open;
    }
    // Tried once only: a machine without sound stays without it for the run,
    // and trying again for every file would cost a sound-server connection
    // attempt each time.
    m_state = DeviceState::Unavailable;

    SoundOutput* expected = nullptr;
    if (!device_holder.compare_exchange_strong(expected, this)) {
        return false;
    }
    // SDL would otherwise turn SIGINT and SIGTERM into its own quit events,
    // which nobody reads here, and the program could no longer be ended.
    SDL_SetHintWithPriority(SDL_HINT_NO_SIGNAL_HANDLERS, "1", SDL_HINT_OVERRIDE);
    // Debian's SDL_mixer also carries FluidSynth, which it would try first.
    // It reports the end of a song seconds after the music stops, and the
    // show waits for that report before the next sound, so MIDI goes to the
    // built-in Timidity, whose end-of-song report is exact. Set over any
    // environment variable of the same name, which would otherwise win.
    SDL_SetHintWithPriority("SDL_MIXER_DISABLE_FLUIDSYNTH", "1", SDL_HINT_OVERRIDE);
    quiet_alsa();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        device_holder.store(nullptr);
        release_alsa();
        return false;
    }
    choose_midi_config();
    if (Mix_OpenAudioDevice(output_rate, AUDIO_S16SYS, output_channels, output_block_frames, nullptr, 0) != 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        device_holder.store(nullptr);
        release_alsa();
        return false;
    }
    Mix_HookMusicFinished(&SoundOutput::music_finished_hook);
    m_state = DeviceState::Open;
    return true;
}

std::optional<SoundFormat> SoundOutput::format() const
{
    if (m_state != DeviceState::Open) {
        return std::nullopt;
    }
    int rate = 0;
    Uint16 sample_format = 0;
    int channels = 0;
    if (Mix_QuerySpec(&rate, &sample_format, &channels) == 0) {
        return std::nullopt;
    }
    return SoundFormat{rate, channels};
}

void SoundOutput::choose_midi_config()
{
    // A patch set named by the user in TIMIDITY_CFG wins; SDL_mixer reads
    // that variable itself.
    if (const char* from_user = std::getenv("TIMIDITY_CFG"); from_user != nullptr && *from_user != '\0') {
        m_midi_config = from_user;
        return;
    }
    m_midi_config.clear();
    for (const char* candidate : midi_config_candidates) {
        std::error_code error;
        if (std::filesystem::is_regular_file(candidate, error)) {
            m_midi_config = candidate;
            Mix_SetTimidityCfg(candidate);
            return;
        }
    }
}

void SoundOutput::play(const void* client, const std::string& path, std::function<void()> finished)
{
    halt();
    m_client = client;
    m_finished = std::move(finished);
    m_token = ++m_last_token;

    if (!open()) {
        finish_later(m_token);
        return;
    }
    m_music = load(path);
    if (m_music == nullptr) {
        finish_later(m_token);
        return;
    }
    // Armed before the start: a very short sound may end on the audio thread
    // before Mix_PlayMusic has even returned.
    m_armed.store(m_token);
    if (Mix_PlayMusic(m_music, 0) != 0) {
        m_armed.store(0);
        finish_later(m_token);
    }
}

void SoundOutput::stop(const void* client)
{
    if (client != nullptr && client == m_client) {
        halt();
    }
}

void SoundOutput::halt()
{
    m_token = 0;
    m_client = nullptr;
    m_finished = nullptr;
    // Disarmed before halting: SDL_mixer calls the end-of-music hook for a
    // halt too, and a stopped sound must not complete.
    m_armed.store(0);
    if (m_music != nullptr) {
        Mix_HaltMusic();
        Mix_FreeMusic(m_music);
        m_music = nullptr;
    }
    release_decoded();
}

Mix_Music* SoundOutput::load(const std::string& path)
{
    SDL_RWops* file = SDL_RWFromFile(path.c_str(), "rb");
    if (file == nullptr) {
        return nullptr;
    }
    std::array<unsigned char, 12> head{};
    const std::size_t got = SDL_RWread(file, head.data(), 1, head.size());
    const SoundKind kind = sniff_sound(head.data(), got);
    if (kind == SoundKind::Unknown || SDL_RWseek(file, 0, RW_SEEK_SET) != 0) {
        SDL_RWclose(file);
        return nullptr;
    }
    // The decoder takes the file over (freesrc 1) and closes it, even when it
    // refuses it.
    Mix_Music* music = Mix_LoadMUSType_RW(file, kind == SoundKind::Wave ? MUS_WAV : MUS_MID, 1);
    if (music != nullptr || kind != SoundKind::Wave) {
        return music;
    }
    m_decoded = decode_wave(path);
    if (m_decoded.empty()) {
        return nullptr;
    }
    music = Mix_LoadMUSType_RW(SDL_RWFromConstMem(m_decoded.data(), static_cast<int>(m_decoded.size())), MUS_WAV, 1);
    if (music == nullptr) {
        release_decoded();
    }
    return music;
}

void SoundOutput::release_decoded()
{
    std::vector<unsigned char>().swap(m_decoded);
}

void SoundOutput::finish_later(std::uint64_t token)
{
    QTimer::singleShot(unplayable_delay_ms, this, [this, token] { deliver(token); });
}

void SoundOutput::deliver(std::uint64_t token)
{
    if (token == 0 || token != m_token) {
        return;
    }
    // The state is settled before the handler runs, since the handler may
    // start the next sound at once.
    std::function<void()> finished = std::move(m_finished);
    m_finished = nullptr;
    m_token = 0;
    m_client = nullptr;
    if (m_music != nullptr) {
        // The stream has ended; release the file and the synthesizer's song.
        Mix_FreeMusic(m_music);
        m_music = nullptr;
    }
    release_decoded();
    if (finished) {
        finished();
    }
}

void SoundOutput::music_finished_hook()
{
    if (SoundOutput* output = device_holder.load(); output != nullptr) {
        output->music_ended();
    }
}

void SoundOutput::music_ended()
{
    const std::uint64_t token = m_armed.exchange(0);
    if (token == 0) {
        return;
    }
    // Posted, never called here: this runs on SDL's audio thread, with the
    // audio device locked. The hook fires as the last block is mixed, one
    // block before it has been heard, so the completion waits for that block.
    QMetaObject::invokeMethod(
        this,
        [this, token] {
            QTimer::singleShot(output_block_ms, Qt::PreciseTimer, this, [this, token] { deliver(token); });
        },
        Qt::QueuedConnection);
}

} // namespace framory::qt
