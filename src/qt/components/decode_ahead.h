#pragma once

#include "media/decode/decode.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <tuple>

namespace framory::qt {

// Decodes the picture that will be shown next on a worker thread, so that
// loading it later returns at once. One request at a time: a newer request
// replaces one that has not started. A file that changed on disk after it
// was decoded ahead (another size, time or file) is decoded again.
class DecodeAhead {
public:
    // How a picture is sized for the screen: the largest size that fits
    // `bounds` with its aspect kept, never larger than the picture itself.
    static media::Size FitWithin(media::Size natural, media::Size bounds);

    DecodeAhead();
    ~DecodeAhead();
    DecodeAhead(const DecodeAhead&) = delete;
    DecodeAhead& operator=(const DecodeAhead&) = delete;

    // Starts decoding `path` fitted within `bounds` in the background.
    void request(const std::string& path, media::Size bounds);

    // The picture of `path` fitted within `bounds`: the one decoded ahead
    // when it matches the file as it is now (waiting for the worker if it is
    // on that very file), otherwise decoded here and now.
    media::DecodeResult take(const std::string& path, media::Size bounds);

    // Decodes at once, on the calling thread.
    static media::DecodeResult DecodeFitted(const std::string& path, media::Size bounds);

    // How many results were served from the worker; for tests and measuring.
    int hits() const;

private:
    using Identity = std::tuple<std::uint64_t, std::uint64_t, std::int64_t, std::int64_t, std::int64_t>;
    static std::optional<Identity> IdentityOf(const std::string& path);

    struct Job {
        std::string path;
        media::Size bounds;
    };
    struct Done {
        std::string path;
        media::Size bounds;
        std::optional<Identity> identity;
        media::DecodeResult result;
    };

    void run();

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_finished;
    std::optional<Job> m_queued;
    std::optional<Job> m_working;
    std::optional<Done> m_done;
    bool m_stop = false;
    int m_hits = 0;
    std::thread m_thread;
};

} // namespace framory::qt
