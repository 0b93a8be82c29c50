#include "media/worker/worker_server.h"

#include <algorithm>
#include <new>

#include <malloc.h>
#include <sys/resource.h>

#include "media/worker/protocol.h"

namespace framory::media::worker {

namespace {

std::uint64_t cpu_used_ms()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) {
        return static_cast<std::uint64_t>(t.tv_sec) * 1000 + static_cast<std::uint64_t>(t.tv_usec) / 1000;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// The soft limit may be set anywhere below the hard one that the program
// gave the helper; past the hard one the kernel kills it outright.
void allow_cpu_seconds(std::uint32_t seconds)
{
    rlimit limit{};
    if (seconds == 0 || ::getrlimit(RLIMIT_CPU, &limit) != 0) {
        return;
    }
    const rlim_t wanted = static_cast<rlim_t>(cpu_used_ms() / 1000 + 1 + seconds);
    limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? wanted : std::min(wanted, limit.rlim_max);
    ::setrlimit(RLIMIT_CPU, &limit);
}

} // namespace

void PrepareDecodeWorker()
{
    // One allocation arena: a thread's own arena reserves 64 MB of address
    // space, which counts against the helper's limit without being used.
    mallopt(M_ARENA_MAX, 1);
    // The helper does one thing over and over: the blocks one picture
    // needs, the next needs again. Kept in the heap (up to 64 MB each, and
    // up to 128 MB of them free) they are reused instead of being mapped
    // and faulted in afresh for every picture.
    mallopt(M_MMAP_THRESHOLD, 64 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 128 * 1024 * 1024);
    PrepareDecoders();
}

int ServeDecodeRequests(int socket, const std::function<void(const std::string&)>& before_decode)
{
    if (!SendPacket(socket, WriteHello())) {
        return 0;
    }
    PixelFile pixels;
    for (;;) {
        const std::optional<Packet> packet = ReceivePacket(socket);
        if (!packet) {
            return 0; // the program closed the socket, or is gone
        }
        const std::optional<WireRequest> request = ReadRequest(*packet);
        if (!request) {
            return 2;
        }
        allow_cpu_seconds(request->cpu_seconds);
        WireReply reply;
        reply.serial = request->serial;
        try {
            if (before_decode) {
                before_decode(request->request.path);
            }
            reply.result = DecodeFitted(request->request);
        } catch (const std::bad_alloc&) {
            reply.out_of_memory = true;
            reply.result = {};
            reply.result.status = DecodeStatus::TooLarge;
            reply.result.message = "the decoder ran out of memory";
        }
        reply.cpu_used_ms = cpu_used_ms();
        const Packet answer = WriteReply(reply, pixels);
        if (reply.result.ok() && !answer.fd.valid()) {
            // No memory file for the pixels: answered as out of memory.
            reply.out_of_memory = true;
            reply.result = {};
            reply.result.status = DecodeStatus::TooLarge;
            reply.result.message = "no room for the decoded picture";
            if (!SendPacket(socket, WriteReply(reply, pixels).bytes)) {
                return 0;
            }
            return 3;
        }
        if (!SendPacket(socket, answer.bytes, answer.fd.get())) {
            return 0;
        }
        if (reply.out_of_memory) {
            return 3;
        }
    }
}

} // namespace framory::media::worker
