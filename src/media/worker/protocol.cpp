#include "media/worker/protocol.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <string_view>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace framory::media::worker {

namespace {

constexpr std::uint32_t kRequestMagic = 0x51444d46; // "FMDQ"
constexpr std::uint32_t kReplyMagic = 0x50444d46;   // "FMDP"
constexpr std::uint32_t kHelloMagic = 0x48444d46;   // "FMDH"
// Heads and their text: a path, a decoder's name and a message.
constexpr std::size_t kMaxPacket = 16 * 1024;
constexpr std::uint32_t kMaxText = 4096;

struct RequestHead {
    std::uint32_t magic;
    std::uint32_t path_bytes;
    std::uint32_t profile_bytes;
    std::uint32_t cpu_seconds;
    std::int32_t bounds_width;
    std::int32_t bounds_height;
    std::uint64_t serial;
};

struct ReplyHead {
    std::uint32_t magic;
    std::uint32_t decoder_bytes;
    std::uint32_t message_bytes;
    std::int32_t status;
    std::int32_t partial;
    std::int32_t out_of_memory;
    std::int32_t natural_width;
    std::int32_t natural_height;
    std::int32_t width;
    std::int32_t height;
    std::uint64_t serial;
    std::uint64_t cpu_used_ms;
};

template <typename Head>
std::vector<std::uint8_t> with_head(const Head& head, std::initializer_list<std::string_view> texts)
{
    std::vector<std::uint8_t> bytes(sizeof head);
    std::memcpy(bytes.data(), &head, sizeof head);
    for (std::string_view text : texts) {
        bytes.insert(bytes.end(), text.begin(), text.end());
    }
    return bytes;
}

template <typename Head> std::optional<Head> head_of(const Packet& packet, std::uint32_t magic)
{
    Head head{};
    if (packet.bytes.size() < sizeof head) {
        return std::nullopt;
    }
    std::memcpy(&head, packet.bytes.data(), sizeof head);
    if (head.magic != magic) {
        return std::nullopt;
    }
    return head;
}

// Reads (pread) or writes (pwrite) exactly `size` bytes at the start of a
// file.
template <typename Transfer, typename Byte> bool whole(Transfer transfer, int fd, Byte* bytes, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = transfer(fd, bytes + done, size - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool read_exactly(int fd, void* into, std::size_t size)
{
    return whole(::pread, fd, static_cast<std::uint8_t*>(into), size);
}

bool write_at_start(int fd, const void* bytes, std::size_t size)
{
    return whole(::pwrite, fd, static_cast<const std::uint8_t*>(bytes), size);
}

bool sane_size(std::int32_t width, std::int32_t height)
{
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
           std::int64_t{width} * height <= kMaxPixels;
}

} // namespace

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept
{
    if (this != &other) {
        reset(other.release());
    }
    return *this;
}

int UniqueFd::release()
{
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

void UniqueFd::reset(int fd)
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    m_fd = fd;
}

bool SendPacket(int socket, const std::vector<std::uint8_t>& bytes, int fd)
{
    iovec io{const_cast<std::uint8_t*>(bytes.data()), bytes.size()};
    msghdr message{};
    message.msg_iov = &io;
    message.msg_iovlen = 1;
    alignas(cmsghdr) std::array<char, CMSG_SPACE(sizeof(int))> control{};
    if (fd >= 0) {
        message.msg_control = control.data();
        message.msg_controllen = control.size();
        cmsghdr* header = CMSG_FIRSTHDR(&message);
        header->cmsg_level = SOL_SOCKET;
        header->cmsg_type = SCM_RIGHTS;
        header->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(header), &fd, sizeof fd);
    }
    for (;;) {
        const ssize_t sent = ::sendmsg(socket, &message, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        return sent == static_cast<ssize_t>(bytes.size());
    }
}

std::optional<Packet> ReceivePacket(int socket)
{
    Packet packet;
    packet.bytes.resize(kMaxPacket);
    iovec io{packet.bytes.data(), packet.bytes.size()};
    msghdr message{};
    message.msg_iov = &io;
    message.msg_iovlen = 1;
    // Room for more descriptors than a packet may carry, so that extra ones
    // arrive (and are closed here) instead of truncating the message.
    alignas(cmsghdr) std::array<char, CMSG_SPACE(4 * sizeof(int))> control{};
    message.msg_control = control.data();
    message.msg_controllen = control.size();
    ssize_t got = 0;
    do {
        got = ::recvmsg(socket, &message, MSG_CMSG_CLOEXEC);
    } while (got < 0 && errno == EINTR);
    bool extra = false;
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr; header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level != SOL_SOCKET || header->cmsg_type != SCM_RIGHTS) {
            continue;
        }
        const std::size_t count = (header->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (std::size_t i = 0; i < count; ++i) {
            int fd = -1;
            std::memcpy(&fd, CMSG_DATA(header) + i * sizeof(int), sizeof fd);
            if (packet.fd.valid()) {
                ::close(fd);
                extra = true;
            } else {
                packet.fd.reset(fd);
            }
        }
    }
    if (got <= 0 || extra || (message.msg_flags & (MSG_TRUNC | MSG_CTRUNC)) != 0) {
        return std::nullopt;
    }
    packet.bytes.resize(static_cast<std::size_t>(got));
    return packet;
}

UniqueFd MemoryFileWith(const void* bytes, std::size_t size, const char* name)
{
    UniqueFd fd(::memfd_create(name, MFD_CLOEXEC | MFD_ALLOW_SEALING));
    if (!fd.valid() || ::ftruncate(fd.get(), static_cast<off_t>(size)) != 0 || !write_at_start(fd.get(), bytes, size)) {
        return {};
    }
    ::fcntl(fd.get(), F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL);
    return fd;
}

UniqueFd PixelFile::hold(const void* bytes, std::size_t size)
{
    if (!m_fd.valid()) {
        m_fd.reset(::memfd_create("framory-picture", MFD_CLOEXEC));
    }
    // Cut to the picture's size: a smaller picture gives back the pages
    // beyond it, the ones within are written over.
    if (!m_fd.valid() || ::ftruncate(m_fd.get(), static_cast<off_t>(size)) != 0 ||
        !write_at_start(m_fd.get(), bytes, size)) {
        return {};
    }
    return UniqueFd(::fcntl(m_fd.get(), F_DUPFD_CLOEXEC, 0));
}

std::vector<std::uint8_t> WriteHello()
{
    std::vector<std::uint8_t> bytes(sizeof kHelloMagic);
    std::memcpy(bytes.data(), &kHelloMagic, sizeof kHelloMagic);
    return bytes;
}

bool IsHello(const Packet& packet)
{
    return packet.bytes == WriteHello() && !packet.fd.valid();
}

Packet WriteRequest(const WireRequest& wire)
{
    const DecodeRequest& r = wire.request;
    const RequestHead head{kRequestMagic,
                           static_cast<std::uint32_t>(r.path.size()),
                           static_cast<std::uint32_t>(r.display_icc.size()),
                           wire.cpu_seconds,
                           r.bounds.width,
                           r.bounds.height,
                           wire.serial};
    Packet packet{with_head(head, {r.path}), {}};
    if (!r.display_icc.empty()) {
        packet.fd = MemoryFileWith(r.display_icc.data(), r.display_icc.size(), "framory-profile");
    }
    return packet;
}

std::optional<WireRequest> ReadRequest(const Packet& packet)
{
    const auto head = head_of<RequestHead>(packet, kRequestMagic);
    if (!head || packet.bytes.size() != sizeof(RequestHead) + head->path_bytes ||
        head->profile_bytes > kMaxProfileBytes || (head->profile_bytes > 0) != packet.fd.valid()) {
        return std::nullopt;
    }
    WireRequest wire;
    wire.serial = head->serial;
    wire.cpu_seconds = head->cpu_seconds;
    wire.request.bounds = {head->bounds_width, head->bounds_height};
    wire.request.path.assign(reinterpret_cast<const char*>(packet.bytes.data()) + sizeof(RequestHead),
                             head->path_bytes);
    wire.request.display_icc.resize(head->profile_bytes);
    if (head->profile_bytes > 0 &&
        !read_exactly(packet.fd.get(), wire.request.display_icc.data(), head->profile_bytes)) {
        return std::nullopt;
    }
    return wire;
}

Packet WriteReply(const WireReply& wire, PixelFile& pixels)
{
    const DecodeResult& r = wire.result;
    const std::string_view message = std::string_view(r.message).substr(0, kMaxText);
    const std::string_view decoder = std::string_view(r.decoder).substr(0, kMaxText);
    const ReplyHead head{kReplyMagic,
                         static_cast<std::uint32_t>(decoder.size()),
                         static_cast<std::uint32_t>(message.size()),
                         static_cast<std::int32_t>(r.status),
                         r.partial ? 1 : 0,
                         wire.out_of_memory ? 1 : 0,
                         r.natural.width,
                         r.natural.height,
                         r.image.width(),
                         r.image.height(),
                         wire.serial,
                         wire.cpu_used_ms};
    Packet packet{with_head(head, {decoder, message}), {}};
    if (r.ok() && !r.image.empty()) {
        packet.fd = pixels.hold(r.image.data(), r.image.pixel_count() * sizeof(std::uint32_t));
    }
    return packet;
}

std::optional<WireReply> ReadReply(const Packet& packet, std::uint64_t serial, Size bounds)
{
    const auto head = head_of<ReplyHead>(packet, kReplyMagic);
    if (!head || head->serial != serial || head->decoder_bytes > kMaxText || head->message_bytes > kMaxText ||
        packet.bytes.size() != sizeof(ReplyHead) + head->decoder_bytes + head->message_bytes ||
        head->status < static_cast<std::int32_t>(DecodeStatus::Ok) ||
        head->status > static_cast<std::int32_t>(DecodeStatus::Corrupt)) {
        return std::nullopt;
    }
    WireReply wire;
    wire.serial = head->serial;
    wire.cpu_used_ms = head->cpu_used_ms;
    wire.out_of_memory = head->out_of_memory != 0;
    DecodeResult& r = wire.result;
    r.status = static_cast<DecodeStatus>(head->status);
    r.partial = head->partial != 0;
    r.natural = {head->natural_width, head->natural_height};
    const auto* text = reinterpret_cast<const char*>(packet.bytes.data()) + sizeof(ReplyHead);
    r.decoder.assign(text, head->decoder_bytes);
    r.message.assign(text + head->decoder_bytes, head->message_bytes);
    if (!r.ok()) {
        return packet.fd.valid() ? std::nullopt : std::optional<WireReply>(std::move(wire));
    }
    // Pixels: within the budget and the bounds asked for, and all there.
    const bool within_bounds =
        bounds.width <= 0 || bounds.height <= 0 || (head->width <= bounds.width && head->height <= bounds.height);
    if (!sane_size(head->width, head->height) || !within_bounds || !packet.fd.valid()) {
        return std::nullopt;
    }
    const std::size_t size = static_cast<std::size_t>(head->width) * static_cast<std::size_t>(head->height) * 4;
    struct stat info {};
    if (::fstat(packet.fd.get(), &info) != 0 || static_cast<std::size_t>(info.st_size) < size) {
        return std::nullopt;
    }
    r.image = Image(head->width, head->height);
    if (!read_exactly(packet.fd.get(), r.image.data(), size)) {
        return std::nullopt;
    }
    return wire;
}

} // namespace framory::media::worker
