// This folder: the picture and label components as Qt widgets (effects drawn
// at device pixels), and decoding ahead through the helper.

#include "qt/components/decode_ahead.h"

#include <algorithm>
#include <sys/stat.h>

namespace framory::qt {

namespace {

DecodeAhead::Reply cancelled()
{
    static const DecodeAhead::Reply reply = std::make_shared<const media::DecodeReply>(
        media::Interrupted(media::Interruption::Cancelled, "a newer request replaced this one"));
    return reply;
}

} // namespace

std::optional<DecodeAhead::Identity> DecodeAhead::IdentityOf(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return Identity{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
                    static_cast<std::int64_t>(info.st_size), static_cast<std::int64_t>(info.st_mtim.tv_sec),
                    static_cast<std::int64_t>(info.st_mtim.tv_nsec)};
}

DecodeAhead::DecodeAhead(std::unique_ptr<media::DecodeService> service)
    : m_service(std::move(service)), m_thread([this] { run(); })
{
}

DecodeAhead::~DecodeAhead()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
        if (m_working) {
            *m_working->cancel = true;
        }
    }
    m_wake.notify_all();
    m_thread.join();
}

DecodeAhead::Ticket DecodeAhead::request(const std::string& path, media::Size bounds)
{
    auto ticket = std::make_shared<Pending>();
    {
        std::lock_guard lock(m_mutex);
        if (m_working && m_working->same(path, bounds)) {
            m_working->waiting.push_back(ticket);
            return ticket;
        }
        if (m_queued && m_queued->same(path, bounds)) {
            m_queued->waiting.push_back(ticket);
            return ticket;
        }
        if (m_queued) {
            answer_all(m_queued->waiting, cancelled());
        }
        if (m_working && !m_working->same(path, bounds)) {
            *m_working->cancel = true;
        }
        m_queued = Job{path, bounds, {ticket}};
    }
    m_wake.notify_all();
    return ticket;
}

DecodeAhead::Reply DecodeAhead::answer(const Ticket& ticket) const
{
    std::lock_guard lock(m_mutex);
    return ticket->reply;
}

void DecodeAhead::cancel(const Ticket& ticket)
{
    std::lock_guard lock(m_mutex);
    const auto drop = [&](std::optional<Job>& job) {
        if (!job) {
            return false;
        }
        std::erase(job->waiting, ticket);
        return job->waiting.empty();
    };
    if (drop(m_queued)) {
        m_queued.reset();
    }
    if (drop(m_working)) {
        *m_working->cancel = true;
    }
}

void DecodeAhead::set_display_profile(std::vector<std::uint8_t> icc)
{
    std::lock_guard lock(m_mutex);
    m_profile = std::move(icc);
}

void DecodeAhead::set_answered(std::function<void()> callback)
{
    std::lock_guard lock(m_mutex);
    m_answered = std::move(callback);
}

int DecodeAhead::decodes() const
{
    std::lock_guard lock(m_mutex);
    return m_decodes;
}

void DecodeAhead::answer_all(std::vector<Ticket>& waiting, const Reply& reply)
{
    for (const Ticket& ticket : waiting) {
        ticket->reply = reply;
    }
    waiting.clear();
}

void DecodeAhead::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || m_queued.has_value(); });
        if (m_stop) {
            if (m_queued) {
                answer_all(m_queued->waiting, cancelled());
            }
            return;
        }
        m_working = std::move(m_queued);
        m_queued.reset();
        const media::DecodeRequest request{m_working->path, m_working->bounds, m_profile};
        const std::shared_ptr<std::atomic<bool>> cancel = m_working->cancel;
        const std::optional<Done> kept = m_done;
        lock.unlock();
        // The file's identity is read before decoding: a change during the
        // decode then shows as a mismatch next time.
        const std::optional<Identity> identity = IdentityOf(request.path);
        const bool unchanged = kept && kept->path == request.path && kept->bounds == request.bounds && identity &&
                               kept->identity == identity;
        Reply reply =
            unchanged ? kept->reply : std::make_shared<const media::DecodeReply>(m_service->Decode(request, *cancel));
        lock.lock();
        if (!unchanged) {
            ++m_decodes;
            // Cancelled and unavailable are no answers about the file.
            const media::Interruption why = reply->interruption;
            if (why != media::Interruption::Cancelled && why != media::Interruption::Unavailable) {
                m_done = Done{request.path, request.bounds, identity, reply};
            }
        }
        answer_all(m_working->waiting, reply);
        m_working.reset();
        if (m_answered) {
            m_answered();
        }
    }
}

} // namespace framory::qt
