#include "qt/components/decode_ahead.h"

#include <algorithm>
#include <cmath>
#include <sys/stat.h>

namespace framory::qt {

media::Size DecodeAhead::FitWithin(media::Size natural, media::Size bounds)
{
    if (natural.width <= 0 || natural.height <= 0) {
        return {};
    }
    if (bounds.width <= 0 || bounds.height <= 0 ||
        (natural.width <= bounds.width && natural.height <= bounds.height)) {
        return natural;
    }
    const double scale = std::min(static_cast<double>(bounds.width) / natural.width,
                                  static_cast<double>(bounds.height) / natural.height);
    return {std::max(1, static_cast<int>(std::lround(natural.width * scale))),
            std::max(1, static_cast<int>(std::lround(natural.height * scale)))};
}

media::DecodeResult DecodeAhead::DecodeFitted(const std::string& path, media::Size bounds)
{
    const media::DecodeResult probe = media::ProbeFile(path);
    if (!probe.ok()) {
        return probe;
    }
    return media::DecodeFile(path, FitWithin(probe.natural, bounds));
}

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

DecodeAhead::DecodeAhead() : m_thread([this] { run(); }) {}

DecodeAhead::~DecodeAhead()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void DecodeAhead::request(const std::string& path, media::Size bounds)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_done && m_done->path == path && m_done->bounds == bounds && m_done->identity == IdentityOf(path)) {
            return;
        }
        m_queued = Job{path, bounds};
    }
    m_wake.notify_all();
}

void DecodeAhead::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || m_queued.has_value(); });
        if (m_stop) {
            return;
        }
        m_working = std::move(m_queued);
        m_queued.reset();
        const Job job = *m_working;
        lock.unlock();
        // The identity is read before decoding: a change during the decode
        // then shows as a mismatch and the file is decoded again.
        Done done{job.path, job.bounds, IdentityOf(job.path), DecodeFitted(job.path, job.bounds)};
        lock.lock();
        m_done = std::move(done);
        m_working.reset();
        m_finished.notify_all();
    }
}

media::DecodeResult DecodeAhead::take(const std::string& path, media::Size bounds)
{
    {
        std::unique_lock lock(m_mutex);
        // A request for this very file, queued or under way, is waited for
        // rather than decoded a second time.
        const auto pending = [&](const std::optional<Job>& job) {
            return job && job->path == path && job->bounds == bounds;
        };
        m_finished.wait(lock, [&] { return !pending(m_queued) && !pending(m_working); });
        if (m_done && m_done->path == path && m_done->bounds == bounds && m_done->identity &&
            m_done->identity == IdentityOf(path)) {
            ++m_hits;
            // The entry stays: the same picture may be shown again (a list
            // of one picture reloads it every cycle).
            return m_done->result;
        }
    }
    return DecodeFitted(path, bounds);
}

int DecodeAhead::hits() const
{
    std::lock_guard lock(m_mutex);
    return m_hits;
}

} // namespace framory::qt
