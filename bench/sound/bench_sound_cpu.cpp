// Processor time of the sound player while it plays, measured side by side:
// the open device with nothing playing, a WAV file and MIDI files, each for a
// few seconds of real-time playback. Reported as per cent of one core, and
// MIDI against WAV. Also how soon a sound's completion follows its end: the
// time from the start of a WAV file to its completion against the file's
// own length.
//
// By default the sound goes to SDL's disk driver writing to /dev/null, which
// paces itself like a sound card; set SDL_AUDIODRIVER to measure a real one.

#include "qt/sound/qt_fx_snd.h"
#include "qt/sound/sound_output.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <sys/resource.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

using framory::qt::QtFXSnd;
using framory::qt::SoundOutput;

const std::string data_dir = FRAMORY_SOUND_BENCH_DATA;
constexpr int play_ms = 4000;

double process_cpu_ms()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

// One output for the whole run, as in the program; made in main().
SoundOutput* shared_output = nullptr;

SoundOutput& output()
{
    return *shared_output;
}

double wav_cpu_pct = 0;

// Plays `file` (again and again, if it is short) for play_ms and returns the
// process's processor time over that span, in per cent of one core.
double cpu_while_playing(const std::string& file, double* start_ms)
{
    QtFXSnd player(output());
    if (!file.empty()) {
        player.set_finished_handler([&] { player.set_sound_file(file); });
    }
    QElapsedTimer wall;
    const double cpu_before = process_cpu_ms();
    wall.start();
    if (!file.empty()) {
        QElapsedTimer call;
        call.start();
        player.set_sound_file(file);
        *start_ms = static_cast<double>(call.nsecsElapsed()) / 1e6;
    }
    while (wall.elapsed() < play_ms) {
        // The UI thread sleeps in the event loop like an idle show would.
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(20);
    }
    const double cpu = process_cpu_ms() - cpu_before;
    const double elapsed = static_cast<double>(wall.nsecsElapsed()) / 1e6;
    framory::core::StopSequence(player);
    return 100.0 * cpu / elapsed;
}

void report(benchmark::State& state, const std::string& file)
{
    if (!output().open()) {
        state.SkipWithError("no audio device");
        return;
    }
    double start_ms = 0;
    double pct = 0;
    for (auto _ : state) {
        pct = cpu_while_playing(file, &start_ms);
    }
    state.counters["cpu_pct_of_core"] = pct;
    state.counters["set_file_ms"] = start_ms;
}

void BM_DeviceOpenNothingPlaying(benchmark::State& state)
{
    report(state, "");
}

void BM_Wav16BitMono44k(benchmark::State& state)
{
    report(state, data_dir + "/sword_16bit_mono_44k.wav");
    wav_cpu_pct = state.counters["cpu_pct_of_core"];
}

void BM_MidiFormat1Chords(benchmark::State& state)
{
    report(state, data_dir + "/multichannel_chords_type1.mid");
    state.counters["vs_wav"] = wav_cpu_pct > 0 ? state.counters["cpu_pct_of_core"] / wav_cpu_pct : 0;
}

void BM_MidiFormat0Scale(benchmark::State& state)
{
    report(state, data_dir + "/c_major_scale_type0.mid");
    state.counters["vs_wav"] = wav_cpu_pct > 0 ? state.counters["cpu_pct_of_core"] / wav_cpu_pct : 0;
}

void BM_MidiFormat0AllPercussion(benchmark::State& state)
{
    report(state, data_dir + "/all_gm_percussion_type0.mid");
    state.counters["vs_wav"] = wav_cpu_pct > 0 ? state.counters["cpu_pct_of_core"] / wav_cpu_pct : 0;
}

void BM_CompletionOfWav16BitMono44k(benchmark::State& state)
{
    if (!output().open()) {
        state.SkipWithError("no audio device");
        return;
    }
    constexpr double sound_ms = 45657 / 44.1;
    double completion_ms = 0;
    for (auto _ : state) {
        QtFXSnd player(output());
        bool done = false;
        player.set_finished_handler([&] { done = true; });
        QElapsedTimer wall;
        wall.start();
        player.set_sound_file(data_dir + "/sword_16bit_mono_44k.wav");
        while (!done && wall.elapsed() < 10000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        }
        completion_ms = static_cast<double>(wall.nsecsElapsed()) / 1e6;
    }
    state.counters["completion_ms"] = completion_ms;
    state.counters["late_ms"] = completion_ms - sound_ms;
    state.counters["vs_sound_length"] = completion_ms / sound_ms;
}

BENCHMARK(BM_CompletionOfWav16BitMono44k)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeviceOpenNothingPlaying)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Wav16BitMono44k)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MidiFormat1Chords)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MidiFormat0Scale)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MidiFormat0AllPercussion)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (std::getenv("SDL_AUDIODRIVER") == nullptr) {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    }
    QCoreApplication app(argc, argv);
    SoundOutput sound_output;
    shared_output = &sound_output;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
