#pragma once

#include "media/worker/decode_service.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace framory::qt {

// Decodes a picture component's pictures on a thread of its own through a
// decode service (in the program, the decoding helper process), so that
// the window's thread never waits inside a decoder nor touches the file.
// One decode at a time: a request for another picture cancels the one
// under way (the helper is stopped) and replaces one not yet started. The
// last answer is kept: asking again for the same picture, the file being
// unchanged on disk (checked on the thread), is answered from it at once.
class DecodeAhead {
public:
    using Reply = std::shared_ptr<const media::DecodeReply>;

    // One caller's wait for an answer.
    struct Pending {
        Reply reply; // set on the decoding thread, under the lock
    };
    using Ticket = std::shared_ptr<Pending>;

    explicit DecodeAhead(std::unique_ptr<media::DecodeService> service);
    ~DecodeAhead();
    DecodeAhead(const DecodeAhead&) = delete;
    DecodeAhead& operator=(const DecodeAhead&) = delete;

    // Asks for `path` fitted within `bounds`; the answer comes to the
    // ticket. A caller that does not wait (decoding ahead) drops the ticket.
    Ticket request(const std::string& path, media::Size bounds);
    // The answer once it is there; a request replaced by one for another
    // picture is answered Cancelled.
    Reply answer(const Ticket& ticket) const;
    // Gives up the wait: the decode is cancelled unless another caller
    // waits for the same picture.
    void cancel(const Ticket& ticket);
    // The display's colour profile, sent with every later request.
    void set_display_profile(std::vector<std::uint8_t> icc);
    // Runs on the decoding thread after each answer (to wake a waiting
    // event loop).
    void set_answered(std::function<void()> callback);

    // How many pictures the service decoded; for tests and measuring.
    int decodes() const;

private:
    using Identity = std::tuple<std::uint64_t, std::uint64_t, std::int64_t, std::int64_t, std::int64_t>;
    static std::optional<Identity> IdentityOf(const std::string& path);

    struct Job {
        std::string path;
        media::Size bounds;
        std::vector<Ticket> waiting;
        std::shared_ptr<std::atomic<bool>> cancel = std::make_shared<std::atomic<bool>>(false);
        bool same(const std::string& p, media::Size b) const { return path == p && bounds == b && !*cancel; }
    };
    struct Done {
        std::string path;
        media::Size bounds;
        std::optional<Identity> identity;
        Reply reply;
    };

    void run();
    void answer_all(std::vector<Ticket>& waiting, const Reply& reply);

    std::unique_ptr<media::DecodeService> m_service;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::optional<Job> m_queued;
    std::optional<Job> m_working;
    std::optional<Done> m_done;
    std::vector<std::uint8_t> m_profile;
    std::function<void()> m_answered;
    bool m_stop = false;
    int m_decodes = 0;
    std::thread m_thread;
};

} // namespace framory::qt
