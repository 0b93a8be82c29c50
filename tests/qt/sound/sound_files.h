#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writers of small sound files for the player's tests: a 440 Hz tone in each
// WAV encoding the player must read, and one-note MIDI files.
namespace framory::test {

enum class WavEncoding { Unsigned8, Signed16, Signed24, Signed32, Float32, ImaAdpcm };

struct ToneSpec {
    WavEncoding encoding = WavEncoding::Signed16;
    int channels = 1;
    int rate = 44100;
    int frames = 11025;
};

// A RIFF WAVE file holding a tone at half of full scale.
std::vector<std::uint8_t> make_tone_wav(const ToneSpec& tone_spec);

// A Standard MIDI file of one piano note (middle C) lasting `note_ms`, the
// track ending as the note is released. Format 0 puts tempo and note in one
// track; format 1 puts the tempo in a first track and the note in a second.
std::vector<std::uint8_t> make_one_note_midi(int format, int note_ms);

void write_file(const std::string& path, const std::vector<std::uint8_t>& bytes);

} // namespace framory::test
