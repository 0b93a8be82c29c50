#include "sound_files.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <fstream>
#include <numbers>
#include <stdexcept>

namespace framory::test {

namespace {

using Bytes = std::vector<std::uint8_t>;

void put_le(Bytes& out, std::uint32_t value, int size)
{
    for (int i = 0; i < size; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

void put_be(Bytes& out, std::uint32_t value, int size)
{
    for (int i = size - 1; i >= 0; --i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

void put_tag(Bytes& out, const char* tag)
{
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(tag[i]));
    }
}

double tone(int frame, int rate)
{
    return 0.5 * std::sin(2.0 * std::numbers::pi * 440.0 * frame / rate);
}

// IMA ADPCM, mono, 256-byte blocks: a 4-byte header (first sample, step
// index) and 252 bytes of 4-bit codes, low nibble first: 505 samples.
constexpr int ima_block_align = 256;
constexpr int ima_samples_per_block = (ima_block_align - 4) * 2 + 1;

constexpr std::array<int, 16> ima_index_table{-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};
constexpr std::array<int, 89> ima_step_table{
    7, 8, 9, 10, 11, 12, 13, 14, 16, 17, 19, 21, 23, 25, 28, 31, 34, 37, 41, 45, 50, 55, 60, 66, 73, 80, 88, 97,
    107, 118, 130, 143, 157, 173, 190, 209, 230, 253, 279, 307, 337, 371, 408, 449, 494, 544, 598, 658, 724, 796,
    876, 963, 1060, 1166, 1282, 1411, 1552, 1707, 1878, 2066, 2272, 2499, 2749, 3024, 3327, 3660, 4026, 4428, 4871,
    5358, 5894, 6484, 7132, 7845, 8630, 9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623,
    27086, 29794, 32767};

std::uint8_t ima_encode(int sample, int& predictor, int& index)
{
    int step = ima_step_table[static_cast<std::size_t>(index)];
    int diff = sample - predictor;
    int code = 0;
    if (diff < 0) {
        code = 8;
        diff = -diff;
    }
    int delta = step >> 3;
    if (diff >= step) {
        code |= 4;
        diff -= step;
        delta += step;
    }
    step >>= 1;
    if (diff >= step) {
        code |= 2;
        diff -= step;
        delta += step;
    }
    step >>= 1;
    if (diff >= step) {
        code |= 1;
        delta += step;
    }
    predictor = std::clamp((code & 8) != 0 ? predictor - delta : predictor + delta, -32768, 32767);
    index = std::clamp(index + ima_index_table[static_cast<std::size_t>(code)], 0, 88);
    return static_cast<std::uint8_t>(code);
}

Bytes ima_data(int frames, int rate)
{
    Bytes data;
    int predictor = 0;
    int index = 0;
    for (int start = 0; start < frames; start += ima_samples_per_block) {
        predictor = static_cast<int>(std::lround(tone(start, rate) * 32767.0));
        put_le(data, static_cast<std::uint32_t>(predictor), 2);
        data.push_back(static_cast<std::uint8_t>(index));
        data.push_back(0);
        for (int i = 1; i < ima_samples_per_block; i += 2) {
            const auto sample = [&](int n) { return static_cast<int>(std::lround(tone(start + n, rate) * 32767.0)); };
            const std::uint8_t low = ima_encode(sample(i), predictor, index);
            const std::uint8_t high = ima_encode(sample(i + 1), predictor, index);
            data.push_back(static_cast<std::uint8_t>(low | (high << 4)));
        }
    }
    return data;
}

Bytes pcm_data(const ToneSpec& tone_spec)
{
    Bytes data;
    for (int frame = 0; frame < tone_spec.frames; ++frame) {
        const double value = tone(frame, tone_spec.rate);
        for (int channel = 0; channel < tone_spec.channels; ++channel) {
            switch (tone_spec.encoding) {
            case WavEncoding::Unsigned8:
                data.push_back(static_cast<std::uint8_t>(std::lround(128.0 + value * 127.0)));
                break;
            case WavEncoding::Signed16:
                put_le(data, static_cast<std::uint32_t>(std::lround(value * 32767.0)), 2);
                break;
            case WavEncoding::Signed24:
                put_le(data, static_cast<std::uint32_t>(std::lround(value * 8388607.0)), 3);
                break;
            case WavEncoding::Signed32:
                put_le(data, static_cast<std::uint32_t>(std::lround(value * 2147483647.0)), 4);
                break;
            case WavEncoding::Float32: {
                const float sample = static_cast<float>(value);
                std::uint32_t bits = 0;
                std::memcpy(&bits, &sample, sizeof bits);
                put_le(data, bits, 4);
                break;
            }
            case WavEncoding::ImaAdpcm:
                throw std::logic_error("not PCM");
            }
        }
    }
    return data;
}

int bits_of(WavEncoding encoding)
{
    switch (encoding) {
    case WavEncoding::Unsigned8: return 8;
    case WavEncoding::Signed16: return 16;
    case WavEncoding::Signed24: return 24;
    case WavEncoding::Signed32:
    case WavEncoding::Float32: return 32;
    case WavEncoding::ImaAdpcm: return 4;
    }
    return 0;
}

} // namespace

Bytes make_tone_wav(const ToneSpec& tone_spec)
{
    const bool ima = tone_spec.encoding == WavEncoding::ImaAdpcm;
    if (ima && tone_spec.channels != 1) {
        throw std::logic_error("the IMA ADPCM writer makes mono files only");
    }
    const Bytes data = ima ? ima_data(tone_spec.frames, tone_spec.rate) : pcm_data(tone_spec);
    const int bits = bits_of(tone_spec.encoding);
    const int block_align = ima ? ima_block_align : tone_spec.channels * bits / 8;
    const int byte_rate = ima ? tone_spec.rate * ima_block_align / ima_samples_per_block : tone_spec.rate * block_align;
    const std::uint32_t format_tag = ima ? 0x11 : tone_spec.encoding == WavEncoding::Float32 ? 3 : 1;

    Bytes fmt;
    put_le(fmt, format_tag, 2);
    put_le(fmt, static_cast<std::uint32_t>(tone_spec.channels), 2);
    put_le(fmt, static_cast<std::uint32_t>(tone_spec.rate), 4);
    put_le(fmt, static_cast<std::uint32_t>(byte_rate), 4);
    put_le(fmt, static_cast<std::uint32_t>(block_align), 2);
    put_le(fmt, static_cast<std::uint32_t>(bits), 2);
    if (ima) {
        put_le(fmt, 2, 2);
        put_le(fmt, ima_samples_per_block, 2);
    }

    Bytes body;
    put_tag(body, "WAVE");
    put_tag(body, "fmt ");
    put_le(body, static_cast<std::uint32_t>(fmt.size()), 4);
    body.insert(body.end(), fmt.begin(), fmt.end());
    if (ima) {
        put_tag(body, "fact");
        put_le(body, 4, 4);
        put_le(body, static_cast<std::uint32_t>(tone_spec.frames), 4);
    }
    put_tag(body, "data");
    put_le(body, static_cast<std::uint32_t>(data.size()), 4);
    body.insert(body.end(), data.begin(), data.end());
    if (data.size() % 2 != 0) {
        body.push_back(0);
    }

    Bytes file;
    put_tag(file, "RIFF");
    put_le(file, static_cast<std::uint32_t>(body.size()), 4);
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

Bytes make_one_note_midi(int format, int note_ms)
{
    // 100 ticks per quarter note at 120 beats a minute: 5 ms a tick.
    constexpr int ticks_per_quarter = 100;
    const int note_ticks = note_ms / 5;
    const Bytes tempo{0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20};
    const Bytes end_of_track{0x00, 0xFF, 0x2F, 0x00};
    Bytes note{0x00, 0xC0, 0x00, 0x00, 0x90, 0x3C, 0x64};
    // The note's length as a MIDI variable-length number.
    Bytes length;
    for (int rest = note_ticks, shift = 21; shift >= 0; shift -= 7) {
        const int part = (rest >> shift) & 0x7F;
        if (part != 0 || !length.empty() || shift == 0) {
            length.push_back(static_cast<std::uint8_t>(part | (shift != 0 ? 0x80 : 0)));
        }
    }
    note.insert(note.end(), length.begin(), length.end());
    note.insert(note.end(), {0x80, 0x3C, 0x40});

    std::vector<Bytes> tracks;
    if (format == 0) {
        Bytes track = tempo;
        track.insert(track.end(), note.begin(), note.end());
        track.insert(track.end(), end_of_track.begin(), end_of_track.end());
        tracks.push_back(track);
    } else {
        Bytes first = tempo;
        first.insert(first.end(), end_of_track.begin(), end_of_track.end());
        Bytes second = note;
        second.insert(second.end(), end_of_track.begin(), end_of_track.end());
        tracks = {first, second};
    }

    Bytes file;
    put_tag(file, "MThd");
    put_be(file, 6, 4);
    put_be(file, static_cast<std::uint32_t>(format), 2);
    put_be(file, static_cast<std::uint32_t>(tracks.size()), 2);
    put_be(file, ticks_per_quarter, 2);
    for (const Bytes& track : tracks) {
        put_tag(file, "MTrk");
        put_be(file, static_cast<std::uint32_t>(track.size()), 4);
        file.insert(file.end(), track.begin(), track.end());
    }
    return file;
}

void write_file(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

} // namespace framory::test
