#pragma once

// What the program and its decoding helper say to each other over a
// SOCK_SEQPACKET socket pair: one packet per request and one per reply,
// each a fixed head and its text, with at most one file descriptor
// attached. A request's display profile and a reply's pixels travel in
// memory files (memfd) whose descriptors ride along, so no picture is
// copied through the socket. Both sides are the same build on the same
// machine: heads are plain structs in the machine's byte order. The
// program trusts nothing the helper says: every reply is checked before
// use (ReadReply).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "media/worker/decode_service.h"

namespace framory::media::worker {

// A file descriptor closed when it goes out of scope.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { reset(); }

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    int release();
    void reset(int fd = -1);

private:
    int m_fd = -1;
};

// The descriptor the helper finds its socket on.
inline constexpr int kSocketFd = 3;
// No display profile is larger (the biggest lookup-table profiles are a
// few megabytes).
inline constexpr std::uint32_t kMaxProfileBytes = 16u * 1024 * 1024;

struct Packet {
    std::vector<std::uint8_t> bytes;
    UniqueFd fd;
};

// Sends one packet; false when the other side is gone. Never raises SIGPIPE.
bool SendPacket(int socket, const std::vector<std::uint8_t>& bytes, int fd = -1);
// Receives one packet; nothing at the end of the stream, on an error or on
// a packet that does not fit.
std::optional<Packet> ReceivePacket(int socket);

// A memory file holding `bytes`, sealed against change.
UniqueFd MemoryFileWith(const void* bytes, std::size_t size, const char* name);

// The helper's first packet, sent once it is ready for requests.
std::vector<std::uint8_t> WriteHello();
bool IsHello(const Packet& packet);

struct WireRequest {
    std::uint64_t serial = 0;
    // CPU seconds the helper may spend on this picture.
    std::uint32_t cpu_seconds = 0;
    DecodeRequest request;
};

// The request as a packet; the profile, when there is one, goes into a
// memory file whose descriptor is returned beside it.
Packet WriteRequest(const WireRequest& request);
std::optional<WireRequest> ReadRequest(const Packet& packet);

struct WireReply {
    std::uint64_t serial = 0;
    // The helper's CPU time so far, in milliseconds.
    std::uint64_t cpu_used_ms = 0;
    // The helper ran out of memory (and ends after this reply).
    bool out_of_memory = false;
    DecodeResult result;
};

// The helper's memory file for pixels, kept from reply to reply: its pages
// are written over rather than taken afresh (and zeroed) for every picture.
// The program reads a reply's pixels before it sends the next request.
class PixelFile {
public:
    // A descriptor of the file, holding `size` bytes from `bytes` at its
    // start; an invalid one when there is no room.
    UniqueFd hold(const void* bytes, std::size_t size);

private:
    UniqueFd m_fd;
};

// The reply as a packet; the pixels go into `pixels`.
Packet WriteReply(const WireReply& reply, PixelFile& pixels);
// Checks the reply against the request it answers and reads its pixels;
// nothing when any part of it is wrong.
std::optional<WireReply> ReadReply(const Packet& packet, std::uint64_t serial, Size bounds);

} // namespace framory::media::worker
