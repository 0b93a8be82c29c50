#pragma once

// Decoding in a worker process: a hostile file can crash, freeze or bloat
// only the worker, never the show (which may be guarding a password).

#include "media/decode/decode.h"
#include "media/worker/decode_service.h"

#include <chrono>
#include <cstdint>
#include <future>
#include <mutex>
#include <string>
#include <string_view>

namespace framory::win32 {

// Where the picture component gets its pictures from.
class PictureSource {
public:
    virtual ~PictureSource() = default;
    virtual media::DecodeResult decode(const std::string& path, media::Size bounds) = 0;
};

// The switch that makes the program a decoding worker; no host system
// passes it, since its first two characters name no saver mode.
inline constexpr std::string_view kDecodeWorkerSwitch = "--decode-worker";

// Limits of one worker process, enforced by the Job object it runs in: its
// memory, its processor time, and the time the show waits for its answer.
struct WorkerLimits {
    std::uint64_t memory_bytes = std::uint64_t{1} << 30;
    std::chrono::milliseconds cpu_time{15000};
    std::chrono::milliseconds wall_time{30000};
};

// The media layer's decoding service over a worker process: starts
// `program kDecodeWorkerSwitch <own process id> <width> <height> <path>`
// suspended, puts it in a Job object (memory and processor time limited,
// killed with the job; the worker also ends itself when the process that
// started it ends) and reads its answer from a pipe. A worker that dies,
// overruns a limit or answers nonsense gives the interruption that says so
// (media::Interrupted); a cancel ends the worker at once. Pictures come
// fitted and in sRGB: the request's display profile is not used here.
class WorkerDecoder : public PictureSource, public media::DecodeService {
public:
    explicit WorkerDecoder(std::string program, WorkerLimits limits = {})
        : m_program(std::move(program)), m_limits(limits)
    {
    }
    media::DecodeReply Decode(const media::DecodeRequest& request, const std::atomic<bool>& cancel) override;
    // The show's form: a decode nobody cancels.
    media::DecodeResult decode(const std::string& path, media::Size bounds) override;

private:
    std::string m_program;
    WorkerLimits m_limits;
};

// The worker's side: decodes the picture named in `arguments` (what follows
// the switch) and writes the answer to standard output. Returns the exit code.
int RunDecodeWorker(std::string_view arguments);

// The answer's wire form, shared by both sides and the tests.
std::string EncodeAnswer(const media::DecodeResult& result);
media::DecodeResult DecodeAnswer(std::string_view bytes);

// Decodes the next picture in the background while the current one is on
// show; taking a picture that was not prepared decodes it at once.
class DecodeAhead {
public:
    explicit DecodeAhead(PictureSource& source) : m_source(source) {}
    ~DecodeAhead();
    DecodeAhead(const DecodeAhead&) = delete;
    DecodeAhead& operator=(const DecodeAhead&) = delete;

    void request(const std::string& path, media::Size bounds);
    media::DecodeResult take(const std::string& path, media::Size bounds);

private:
    PictureSource& m_source;
    std::string m_path;
    media::Size m_bounds;
    std::future<media::DecodeResult> m_pending;
};

} // namespace framory::win32
