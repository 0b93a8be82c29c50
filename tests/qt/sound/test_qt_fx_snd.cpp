// The sound player against SDL's disk driver: every sample it plays is
// written to a raw file, paced in real time, which the tests read back. The
// tests wait on what the device has played, never on the wall clock; how
// soon a completion follows the end of its sound is measured in
// bench/sound.

#include "qt/sound/qt_fx_snd.h"
#include "qt/sound/sound_output.h"
#include "support/run_events_until.h"
#include "support/wait_until.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace framory::qt {
namespace {

using core::SoundDevice;
using framory::testing::RunEventsUntil;

const std::string data_dir = FRAMORY_SOUND_TEST_DATA;
// 440 Hz tones of 0.3 s and one-note MIDI files of 0.4 s (made/ in the data).
const std::string tone = data_dir + "/made/tone_s16_mono_44100.wav";
const std::string note = data_dir + "/made/note_format0.mid";

// A sample counts as sound above this level (of 32767); the tones are written
// at half of full scale, about 16000.
constexpr int audible_level = 3000;

constexpr int device_rate = 44100;
// How much less than the whole sound the device may have played when its
// completion arrives, in seconds: SDL_mixer's resampler drops the last few
// ms of a file below the device rate (about 45 ms of an 11025 Hz file), and
// the last block (1024 frames) may still be on its way to the file. A file
// read at the wrong rate would be off by half or double.
constexpr double allowed_short_s = 0.1;
// Frames still on their way to the device when a sound stops: the block
// being mixed and the driver's write buffer.
constexpr std::size_t frames_in_flight = 3 * 1024;

QCoreApplication& application()
{
    static int argc = 1;
    static char name[] = "test_qt_fx_snd";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

class SoundTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        application();
        ASSERT_TRUE(m_dir.isValid());
        m_output_file = path("output.raw");
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", QByteArray::fromStdString(m_output_file));
        qunsetenv("TIMIDITY_CFG");
        m_output = std::make_unique<SoundOutput>();
    }

    void TearDown() override
    {
        m_players.clear();
        m_output.reset();
    }

    std::string path(const std::string& name) const
    {
        return m_dir.filePath(QString::fromStdString(name)).toStdString();
    }

    // A copy of `file` under another name.
    std::string copy_as(const std::string& file, const std::string& name) const
    {
        std::filesystem::copy_file(file, path(name));
        return path(name);
    }

    struct Player {
        std::unique_ptr<QtFXSnd> sound;
        std::vector<std::size_t> completions; // the frames the device had played then
        bool off_ui_thread = false;
    };

    Player& make_player()
    {
        auto player = std::make_unique<Player>();
        player->sound = std::make_unique<QtFXSnd>(*m_output);
        Player* raw = player.get();
        player->sound->set_finished_handler([this, raw] {
            raw->completions.push_back(output_frames());
            if (QThread::currentThread() != QCoreApplication::instance()->thread()) {
                raw->off_ui_thread = true;
            }
        });
        m_players.push_back(std::move(player));
        return *raw;
    }

    // Runs the event loop while the device plays on for `seconds`.
    void play_on(double seconds)
    {
        const std::size_t until = output_frames() + static_cast<std::size_t>(seconds * device_rate);
        ASSERT_TRUE(RunEventsUntil([&] { return output_frames() >= until; })) << "the device stopped playing";
        // What the last frames brought is handed over too.
        QCoreApplication::processEvents();
    }

    // Seconds the device played from `from` until the player's completion.
    static double heard_until(const Player& player, std::size_t completion, std::size_t from)
    {
        return static_cast<double>(player.completions.at(completion) - from) / device_rate;
    }

    // The samples written so far by the disk driver (stereo, 16-bit).
    std::vector<std::int16_t> output_samples() const
    {
        QFile file(QString::fromStdString(m_output_file));
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        const QByteArray bytes = file.readAll();
        std::vector<std::int16_t> samples(static_cast<std::size_t>(bytes.size()) / 2);
        std::memcpy(samples.data(), bytes.constData(), samples.size() * 2);
        return samples;
    }

    std::size_t output_frames() const
    {
        return static_cast<std::size_t>(QFile(QString::fromStdString(m_output_file)).size()) / 4;
    }

    static int peak(const std::vector<std::int16_t>& samples, std::size_t from_frame = 0,
                    std::size_t to_frame = SIZE_MAX)
    {
        int level = 0;
        const std::size_t end = std::min(samples.size(), to_frame == SIZE_MAX ? SIZE_MAX : to_frame * 2);
        for (std::size_t i = from_frame * 2; i < end; ++i) {
            level = std::max(level, std::abs(static_cast<int>(samples[i])));
        }
        return level;
    }

    // Seconds between the first and the last audible sample.
    static double audible_span(const std::vector<std::int16_t>& samples)
    {
        const auto loud = [](std::int16_t s) { return std::abs(static_cast<int>(s)) > audible_level; };
        const auto first = std::find_if(samples.begin(), samples.end(), loud);
        const auto last = std::find_if(samples.rbegin(), samples.rend(), loud);
        if (first == samples.end()) {
            return 0;
        }
        const auto frames = (std::distance(first, last.base()) + 1) / 2;
        return static_cast<double>(frames) / device_rate;
    }

    QTemporaryDir m_dir;
    std::string m_output_file;
    std::unique_ptr<SoundOutput> m_output;
    std::vector<std::unique_ptr<Player>> m_players;
};

// --- Sounds that play to their end --------------------------------------

struct PlayCase {
    const char* file; // under the data folder
    double seconds;   // how long the sound lasts
    bool tone;        // a steady tone from its first frame to its last
};

void PrintTo(const PlayCase& c, std::ostream* out)
{
    *out << c.file;
}

// A case's name: its file's name without folder, '.' as '_'.
template <typename Case> std::string FileName(const ::testing::TestParamInfo<Case>& info)
{
    std::string name = info.param.file;
    name = name.substr(name.rfind('/') + 1);
    std::replace(name.begin(), name.end(), '.', '_');
    return name;
}

class PlaysToEnd : public SoundTest, public ::testing::WithParamInterface<PlayCase> {};

TEST_P(PlaysToEnd, IsHeardAndCompletesOnceOnTheUiThreadAtItsEnd)
{
    const PlayCase& c = GetParam();
    const std::string file = data_dir + "/" + c.file;
    Player& player = make_player();
    player.sound->set_device(file.ends_with(".mid") ? SoundDevice::Midi : SoundDevice::Wave);
    const std::size_t started = output_frames();
    player.sound->set_sound_file(file);
    player.sound->set_command(7); // one it does not know: changes nothing
    // The UI thread runs no events for a while, as in a long effect: the
    // sound goes on meanwhile, or the tones would be heard with a gap.
    ASSERT_TRUE(framory::testing::WaitUntil([&] { return output_frames() >= started + device_rate / 5; }));
    ASSERT_TRUE(RunEventsUntil([&] { return !player.completions.empty(); }));
    play_on(0.25); // a second completion would arrive meanwhile

    ASSERT_EQ(player.completions.size(), 1U);
    EXPECT_FALSE(player.off_ui_thread);
    EXPECT_GE(heard_until(player, 0, started), c.seconds - allowed_short_s) << "completed before its end";
    ASSERT_TRUE(m_output->format().has_value());
    EXPECT_EQ(m_output->format()->rate, 44100);
    EXPECT_EQ(m_output->format()->channels, 2);
    const std::vector<std::int16_t> samples = output_samples();
    EXPECT_GT(peak(samples), audible_level);
    if (c.tone) {
        // A file read at the wrong rate or as the wrong sample type would be
        // heard for the wrong time, or not as a steady tone.
        EXPECT_LE(audible_span(samples), c.seconds + 0.005);
        EXPECT_GE(audible_span(samples), c.seconds - allowed_short_s);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, PlaysToEnd,
                         ::testing::Values(PlayCase{"made/tone_u8_mono_11025.wav", 3308 / 11025.0, true},
                                           PlayCase{"made/tone_s16_stereo_22050.wav", 0.3, true},
                                           PlayCase{"made/tone_s24_mono_48000.wav", 0.3, true},
                                           PlayCase{"made/tone_s32_stereo_44100.wav", 0.3, true},
                                           PlayCase{"made/tone_f32_stereo_32000.wav", 0.3, true},
                                           PlayCase{"made/tone_ima_adpcm_mono_22050.wav", 505 * 13 / 22050.0, true},
                                           PlayCase{"sword_8bit_mono_11k.wav", 11414 / 11025.0, false},
                                           PlayCase{"sword_16bit_stereo_22k.wav", 22829 / 22050.0, false},
                                           PlayCase{"sword_ms_adpcm_mono_22k.wav", 22829 / 22050.0, false},
                                           PlayCase{"made/note_format0.mid", 0.4, false},
                                           PlayCase{"made/note_format1.mid", 0.4, false}),
                         FileName<PlayCase>);

// --- The content decides, not the name or the device --------------------

TEST_F(SoundTest, ContentDecidesWhatPlaysWhateverTheNameAndDevice)
{
    // A MIDI file named .wav, set with the wave device, and a WAV file named
    // .mid, set with the MIDI device: both play as what they are.
    const std::string midi_as_wav = copy_as(note, "tune.wav");
    const std::string wav_as_midi = copy_as(tone, "tone.mid");
    Player& player = make_player();

    for (const auto& [file, device] :
         {std::pair{midi_as_wav, SoundDevice::Wave}, std::pair{wav_as_midi, SoundDevice::Midi}}) {
        const std::size_t before = player.completions.size();
        const std::size_t first_frame = output_frames();
        player.sound->set_device(device);
        player.sound->set_sound_file(file);
        ASSERT_TRUE(RunEventsUntil([&] { return player.completions.size() > before; })) << file;
        EXPECT_GT(heard_until(player, before, first_frame), 0.25) << file << " was not played";
        EXPECT_TRUE(RunEventsUntil([&] { return peak(output_samples(), first_frame) > audible_level; })) << file;
    }
}

// --- Stopped and replaced sounds raise nothing --------------------------

using Sound = std::unique_ptr<QtFXSnd>;

struct StopCase {
    const char* name;
    const char* sample;
    void (*stop)(Sound&);
};

class StopsSilently : public SoundTest, public ::testing::WithParamInterface<StopCase> {};

TEST_P(StopsSilently, ASoundStoppedHalfwayFallsSilentAndNeverCompletes)
{
    const StopCase& c = GetParam();
    Player& player = make_player();
    player.sound->set_sound_file(data_dir + "/" + c.sample);
    ASSERT_TRUE(RunEventsUntil([&] { return peak(output_samples()) > audible_level; })) << "nothing was heard";
    play_on(0.2);
    const std::size_t stopped_at = output_frames();
    c.stop(player.sound);
    play_on(1.3); // past the end the sound would have had

    EXPECT_TRUE(player.completions.empty());
    EXPECT_EQ(peak(output_samples(), stopped_at + frames_in_flight), 0) << "still heard after the stop";
}

INSTANTIATE_TEST_SUITE_P(
    Commands, StopsSilently,
    ::testing::Values(
        StopCase{"stop_sequence_wav", "sword_16bit_mono_44k.wav", [](Sound& s) { core::StopSequence(*s); }},
        StopCase{"stop_sequence_midi", "c_major_scale_type0.mid", [](Sound& s) { core::StopSequence(*s); }},
        StopCase{"stop_sequence_format1_midi", "multichannel_chords_type1.mid",
                 [](Sound& s) { core::StopSequence(*s); }},
        StopCase{"empty_file_name", "sword_16bit_mono_44k.wav", [](Sound& s) { s->set_sound_file(""); }},
        StopCase{"command_close", "sword_16bit_mono_44k.wav", [](Sound& s) { s->set_command(11); }},
        StopCase{"command_reset", "sword_16bit_mono_44k.wav",
                 [](Sound& s) {
                     s->set_device(SoundDevice::Midi);
                     s->set_command(1);
                     EXPECT_EQ(s->device(), SoundDevice::Wave);
                 }},
        StopCase{"player_destroyed", "sword_16bit_mono_44k.wav", [](Sound& s) { s.reset(); }}),
    [](const auto& p) { return std::string(p.param.name); });

struct ReplaceCase {
    const char* name;
    const char* first;
    double replace_after_s;
    bool by_another; // another player's sound replaces it, then it is stopped
};

void PrintTo(const ReplaceCase& c, std::ostream* out)
{
    *out << c.name;
}

class ReplacedSound : public SoundTest, public ::testing::WithParamInterface<ReplaceCase> {};

TEST_P(ReplacedSound, OnlyTheNewSoundCompletes)
{
    const ReplaceCase& c = GetParam();
    Player& first = make_player();
    Player& next = c.by_another ? make_player() : first;
    first.sound->set_sound_file(data_dir + "/" + c.first);
    if (c.replace_after_s > 0) {
        play_on(c.replace_after_s);
    }
    const std::size_t replaced = output_frames();
    next.sound->set_sound_file(tone);
    if (c.by_another) {
        core::StopSequence(*first.sound); // must not touch the other's sound
    }
    ASSERT_TRUE(RunEventsUntil([&] { return !next.completions.empty(); }));
    play_on(1.5); // past the end of the first sound too

    ASSERT_EQ(next.completions.size(), 1U);
    EXPECT_EQ(first.completions.size(), c.by_another ? 0U : 1U);
    EXPECT_GE(heard_until(next, 0, replaced), 0.3 - allowed_short_s) << "the completion is the new sound's";
}

// The bad file is replaced before its completion, which is already on its way.
INSTANTIATE_TEST_SUITE_P(First, ReplacedSound,
                         ::testing::Values(ReplaceCase{"wav", "sword_16bit_mono_44k.wav", 0.3, false},
                                           ReplaceCase{"midi", "c_major_scale_type0.mid", 0.3, false},
                                           ReplaceCase{"bad_file", "broken/zero_bytes.wav", 0, false},
                                           ReplaceCase{"by_another_player", "sword_16bit_mono_44k.wav", 0.2, true}),
                         [](const auto& p) { return std::string(p.param.name); });

// --- Files that cannot be played ------------------------------------------

struct BadCase {
    const char* file;
    // False for the files that still hold a playable part, which plays
    // before the completion: damaged ones, and an 84-byte file of a few
    // frames in a format some players reject.
    bool prompt;
};

void PrintTo(const BadCase& c, std::ostream* out)
{
    *out << c.file;
}

class BadFile : public SoundTest, public ::testing::WithParamInterface<BadCase> {};

TEST_P(BadFile, NeverCrashesAndCompletesOnceAfterTheCallReturns)
{
    const std::string name = GetParam().file;
    std::string file = data_dir + "/" + name;
    if (name == "not_a_sound.wav") {
        file = copy_as(data_dir + "/SOURCES.md", name);
    } else if (name == "missing.wav") {
        file = path(name);
    }
    Player& player = make_player();
    player.sound->set_sound_file(file);
    EXPECT_TRUE(player.completions.empty()) << "completion raised from inside set_sound_file";
    ASSERT_TRUE(RunEventsUntil([&] { return !player.completions.empty(); }));
    if (GetParam().prompt) {
        EXPECT_EQ(peak(output_samples()), 0) << "nothing of it was played";
    }
    EXPECT_FALSE(RunEventsUntil([&] { return player.completions.size() > 1; }, 200)) << "completed twice";
    EXPECT_FALSE(player.off_ui_thread);
}

INSTANTIATE_TEST_SUITE_P(
    Broken, BadFile,
    ::testing::Values(BadCase{"broken/wav_fuzz_crash.wav", true}, BadCase{"broken/wav_truncated_half.wav", false},
                      BadCase{"broken/zero_bytes.wav", true}, BadCase{"broken/midi_corrupt_missing_byte.mid", false},
                      BadCase{"broken/midi_format0_with_2_tracks.mid", true}, BadCase{"not_a_sound.wav", true},
                      BadCase{"missing.wav", true}, BadCase{"broken", true},
                      BadCase{"hound_extensible_32bit_48k_stereo.wav", false},
                      BadCase{"hound_nonstandard_01.wav", true}),
    FileName<BadCase>);

TEST_F(SoundTest, EachBadFileOfAFolderWaitsItsDelayBeforeTheNext)
{
    // The worst caller: it starts the next bad file from the completion
    // itself. A player that did not wait would spin a processor.
    const std::string text = copy_as(data_dir + "/SOURCES.md", "a.mid");
    Player& player = make_player();
    int starts = 0;
    player.sound->set_finished_handler([&] {
        ++starts;
        player.sound->set_sound_file(text);
    });
    QElapsedTimer clock;
    clock.start();
    player.sound->set_sound_file(text);
    ASSERT_TRUE(RunEventsUntil([&] { return starts >= 10; }));
    EXPECT_GE(clock.elapsed(), (starts - 1) * SoundOutput::unplayable_delay_ms);
}

// --- No sound device, no patch set ------------------------------------------

TEST_F(SoundTest, WithoutAnAudioDriverSoundsCompleteSilently)
{
    qputenv("SDL_AUDIODRIVER", "nonexistent");
    Player& player = make_player();
    const std::vector<std::string> files{data_dir + "/sword_16bit_mono_44k.wav", note,
                                         data_dir + "/broken/zero_bytes.wav"};
    for (const std::string& file : files) {
        const std::size_t before = player.completions.size();
        player.sound->set_sound_file(file);
        ASSERT_TRUE(RunEventsUntil([&] { return player.completions.size() > before; })) << file;
    }
    EXPECT_FALSE(m_output->open());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(m_output_file)));

    // A stop still cancels the pending completion.
    player.sound->set_sound_file(files[0]);
    core::StopSequence(*player.sound);
    EXPECT_FALSE(RunEventsUntil([&] { return player.completions.size() > files.size(); }, 300));
}

TEST_F(SoundTest, WithoutAPatchSetMidiCompletesSilentlyAndWaveStillPlays)
{
    qputenv("TIMIDITY_CFG", QByteArray::fromStdString(path("no-such-patches.cfg")));
    Player& player = make_player();

    player.sound->set_sound_file(note);
    ASSERT_TRUE(RunEventsUntil([&] { return !player.completions.empty(); }));
    EXPECT_EQ(m_output->midi_config(), path("no-such-patches.cfg"));
    EXPECT_EQ(peak(output_samples()), 0);

    const std::size_t tone_start = output_frames();
    player.sound->set_sound_file(tone);
    ASSERT_TRUE(RunEventsUntil([&] { return player.completions.size() == 2; }));
    EXPECT_TRUE(RunEventsUntil([&] { return peak(output_samples(), tone_start) > audible_level; }));
}

} // namespace
} // namespace framory::qt
