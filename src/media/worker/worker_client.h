#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>

#include "media/worker/decode_service.h"
#include "media/worker/protocol.h"

namespace framory::media {

// The helper's memory: room for the largest picture within the budget
// (64 megapixels, 256 MB as 32-bit pixels, twice that while a 16-bit
// picture is converted), its file, and the libraries' own mappings.
inline constexpr std::uint64_t kWorkerMemoryLimit = std::uint64_t{1536} * 1024 * 1024;
// How long one picture may take, in wall-clock time: a picture that takes
// longer counts as not loadable. A huge photo decodes in well under a
// second on a modest machine; five seconds leave room for a busy one.
inline constexpr std::chrono::milliseconds kPictureTimeLimit{5000};

struct WorkerOptions {
    // The helper's executable; empty: FindDecodeWorker().
    std::string program;
    // Over this the helper is stopped: its address space in an ordinary
    // build (RLIMIT_AS); under AddressSanitizer, which reserves terabytes of
    // address space for itself, its resident memory, watched while it
    // decodes, instead.
    std::uint64_t memory_limit = kWorkerMemoryLimit;
    std::chrono::milliseconds time_limit = kPictureTimeLimit;
    // CPU time per picture (RLIMIT_CPU, moved on before each picture); the
    // decoders may use two cores, so it is twice the wall-clock limit.
    std::uint32_t cpu_seconds = 10;
    // CPU time over the helper's life (the hard limit); a helper near it is
    // replaced by a fresh one between pictures.
    std::uint32_t cpu_lifetime_seconds = 600;
    // Where our one-line reports go; standard error when empty.
    std::function<void(std::string_view line)> report;
};

// The decoding helper beside the running program, where the build and the
// installation put it; empty when it is not there.
std::string FindDecodeWorker();

// Decodes in a helper process started with posix_spawn (never a fork of
// the threaded program), kept between pictures and started again when it
// ends. Its standard output and error are read here and passed on as one
// line per picture, prefixed "framory:", so no library prints to the
// terminal on its own.
class WorkerDecodeService : public DecodeService {
public:
    explicit WorkerDecodeService(WorkerOptions options = {});
    ~WorkerDecodeService() override;
    WorkerDecodeService(const WorkerDecodeService&) = delete;
    WorkerDecodeService& operator=(const WorkerDecodeService&) = delete;

    DecodeReply Decode(const DecodeRequest& request, const std::atomic<bool>& cancel) override;

    // The helper process now running, or 0; for tests and measurements.
    pid_t worker_pid() const;
    // How many helpers were started so far.
    int starts() const;

private:
    enum class Wait { Readable, Cancelled, OutOfTime, OutOfMemory, Failed };
    bool spawn(std::string& problem);
    std::optional<DecodeReply> start(const std::string& path, const std::atomic<bool>& cancel);
    Wait wait_readable(std::chrono::steady_clock::time_point deadline, const std::atomic<bool>& cancel);
    void stop();
    void reap_ended();
    DecodeReply wait_for_reply(const DecodeRequest& request, std::uint64_t serial, const std::atomic<bool>& cancel);
    DecodeReply after_end(const std::string& path, bool killed_for_memory);
    void drain_output(bool until_closed, std::chrono::steady_clock::time_point deadline);
    void report_output(const std::string& path);
    void report(const std::string& line) const;
    std::uint64_t resident_bytes() const;

    WorkerOptions m_options;
    std::mutex m_decode;        // one decode at a time
    mutable std::mutex m_state; // what other threads may read
    pid_t m_pid = 0;
    int m_starts = 0;
    std::uint64_t m_serial = 0;
    worker::UniqueFd m_socket;
    worker::UniqueFd m_output;
    std::string m_output_text;
    std::vector<pid_t> m_ended; // killed but not yet reaped
};

} // namespace framory::media
