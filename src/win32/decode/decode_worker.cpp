// This folder: decoding on Windows: the platform's decoders and the worker
// process they run in.

#include "win32/decode/decode_worker.h"

#include "win32/decode/picture_decoder.h"

#include <windows.h>

#include <charconv>
#include <cstring>
#include <vector>

namespace framory::win32 {

namespace {

constexpr char kMagic[4] = {'F', 'R', 'D', '1'};

void put32(std::string& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xffu));
    }
}

void put_text(std::string& out, const std::string& text)
{
    put32(out, static_cast<std::uint32_t>(text.size()));
    out += text;
}

class Reader {
public:
    explicit Reader(std::string_view bytes) : m_bytes(bytes) {}
    bool u32(std::uint32_t& v)
    {
        if (m_bytes.size() - m_at < 4) {
            return false;
        }
        v = 0;
        for (int i = 0; i < 4; ++i) {
            v |= static_cast<std::uint32_t>(static_cast<unsigned char>(m_bytes[m_at + static_cast<std::size_t>(i)]))
                 << (8 * i);
        }
        m_at += 4;
        return true;
    }
    bool text(std::string& t, std::size_t longest)
    {
        std::uint32_t n = 0;
        if (!u32(n) || n > longest || m_bytes.size() - m_at < n) {
            return false;
        }
        t.assign(m_bytes.substr(m_at, n));
        m_at += n;
        return true;
    }
    std::string_view rest() const { return m_bytes.substr(m_at); }

private:
    std::string_view m_bytes;
    std::size_t m_at = 0;
};

media::DecodeResult worker_failed(std::string message)
{
    media::DecodeResult r;
    r.status = media::DecodeStatus::NotAPicture;
    r.message = std::move(message);
    return r;
}

class Handle {
public:
    explicit Handle(HANDLE h = nullptr) : m_h(h) {}
    ~Handle() { reset(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return m_h; }
    HANDLE* out() { return &m_h; }
    void reset()
    {
        if (m_h != nullptr && m_h != INVALID_HANDLE_VALUE) {
            CloseHandle(m_h);
        }
        m_h = nullptr;
    }

private:
    HANDLE m_h;
};

HANDLE limited_job(const WorkerLimits& limits)
{
    HANDLE job = CreateJobObjectA(nullptr, nullptr);
    if (job == nullptr) {
        return nullptr;
    }
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION info{};
    info.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_PROCESS_MEMORY | JOB_OBJECT_LIMIT_PROCESS_TIME |
                                            JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION |
                                            JOB_OBJECT_LIMIT_ACTIVE_PROCESS;
    info.BasicLimitInformation.ActiveProcessLimit = 1;
    // Processor time in 100-nanosecond units.
    info.BasicLimitInformation.PerProcessUserTimeLimit.QuadPart =
        static_cast<LONGLONG>(limits.cpu_time.count()) * 10000;
    info.ProcessMemoryLimit = static_cast<SIZE_T>(limits.memory_bytes);
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &info, sizeof info);
    return job;
}

} // namespace

std::string EncodeAnswer(const media::DecodeResult& result)
{
    std::string out(kMagic, sizeof kMagic);
    put32(out, static_cast<std::uint32_t>(result.status));
    put32(out, result.partial ? 1u : 0u);
    put32(out, static_cast<std::uint32_t>(result.natural.width));
    put32(out, static_cast<std::uint32_t>(result.natural.height));
    put_text(out, result.decoder);
    put_text(out, result.message);
    put32(out, static_cast<std::uint32_t>(result.image.width()));
    put32(out, static_cast<std::uint32_t>(result.image.height()));
    out.append(reinterpret_cast<const char*>(result.image.data()), result.image.pixel_count() * 4);
    return out;
}

media::DecodeResult DecodeAnswer(std::string_view bytes)
{
    if (bytes.size() < sizeof kMagic || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) {
        return worker_failed("the decoding worker gave no answer");
    }
    Reader in(bytes.substr(sizeof kMagic));
    std::uint32_t status = 0;
    std::uint32_t partial = 0;
    std::uint32_t nw = 0;
    std::uint32_t nh = 0;
    std::uint32_t w = 0;
    std::uint32_t h = 0;
    media::DecodeResult r;
    // The natural size is what the file claims, beyond the budget for a
    // refused one; only the pixels sent are bounded by it.
    if (!in.u32(status) || !in.u32(partial) || !in.u32(nw) || !in.u32(nh) || !in.text(r.decoder, 64) ||
        !in.text(r.message, 4096) || !in.u32(w) || !in.u32(h) || status > 3 || nw > 0x7fffffffu ||
        nh > 0x7fffffffu || w > media::kMaxSide || h > media::kMaxSide) {
        return worker_failed("the decoding worker's answer is broken");
    }
    const std::uint64_t pixels = std::uint64_t{w} * h;
    if (in.rest().size() != pixels * 4) {
        return worker_failed("the decoding worker's answer is cut short");
    }
    r.status = static_cast<media::DecodeStatus>(status);
    r.partial = partial != 0;
    r.natural = {static_cast<int>(nw), static_cast<int>(nh)};
    r.image = media::Image(static_cast<int>(w), static_cast<int>(h));
    std::memcpy(r.image.data(), in.rest().data(), static_cast<std::size_t>(pixels * 4));
    if (r.ok() && r.image.empty()) {
        return worker_failed("the decoding worker sent no pixels");
    }
    return r;
}

namespace {

// Ends the worker when the show that started it has gone, whatever the
// worker is doing then: a decode stuck in a hostile file must not outlive
// the show where the Job object's limits are not enforced.
DWORD WINAPI end_with_parent(void* parent)
{
    WaitForSingleObject(static_cast<HANDLE>(parent), INFINITE);
    ExitProcess(4);
}

void watch_parent(int parent_id)
{
    if (parent_id <= 0) {
        return;
    }
    HANDLE parent = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(parent_id));
    if (parent == nullptr) {
        ExitProcess(4); // already gone
    }
    HANDLE thread = CreateThread(nullptr, 0, &end_with_parent, parent, 0, nullptr);
    if (thread != nullptr) {
        CloseHandle(thread);
    }
}

} // namespace

int RunDecodeWorker(std::string_view arguments)
{
    // "<parent process id> <width> <height> <path>"; a parent id of 0 is
    // watched by nobody.
    int numbers[3] = {0, 0, 0};
    std::size_t at = 0;
    for (int& n : numbers) {
        while (at < arguments.size() && arguments[at] == ' ') {
            ++at;
        }
        const auto [end, error] = std::from_chars(arguments.data() + at, arguments.data() + arguments.size(), n);
        if (error != std::errc()) {
            return 2;
        }
        at = static_cast<std::size_t>(end - arguments.data());
    }
    if (at < arguments.size() && arguments[at] == ' ') {
        ++at;
    }
    watch_parent(numbers[0]);
    const std::string path(arguments.substr(at));
    const std::string answer = EncodeAnswer(DecodePicture(path, {numbers[1], numbers[2]}));
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    std::size_t sent = 0;
    while (sent < answer.size()) {
        DWORD wrote = 0;
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(answer.size() - sent, 1u << 20));
        if (!WriteFile(out, answer.data() + sent, chunk, &wrote, nullptr) || wrote == 0) {
            return 3;
        }
        sent += wrote;
    }
    return 0;
}

media::DecodeResult WorkerDecoder::decode(const std::string& path, media::Size bounds)
{
    const std::atomic<bool> never{false};
    return Decode({path, bounds, {}}, never).result;
}

media::DecodeReply WorkerDecoder::Decode(const media::DecodeRequest& request, const std::atomic<bool>& cancel)
{
    using media::Interruption;
    using media::Interrupted;
    if (cancel) {
        return Interrupted(Interruption::Cancelled, "the decode was cancelled");
    }
    const std::string& path = request.path;
    const media::Size bounds = request.bounds;
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    Handle read_end;
    Handle write_end;
    if (!CreatePipe(read_end.out(), write_end.out(), &inherit, 1u << 20)) {
        return Interrupted(Interruption::Unavailable, "no pipe to the decoding worker");
    }
    SetHandleInformation(read_end.get(), HANDLE_FLAG_INHERIT, 0);

    std::string command = "\"" + m_program + "\" " + std::string(kDecodeWorkerSwitch) + " " +
                          std::to_string(GetCurrentProcessId()) + " " + std::to_string(bounds.width) + " " +
                          std::to_string(bounds.height) + " " + path;
    STARTUPINFOEXA startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdOutput = write_end.get();
    startup.StartupInfo.hStdInput = nullptr;
    startup.StartupInfo.hStdError = nullptr;
    // The worker inherits its own pipe end and nothing else: neither the
    // pipes of workers started meanwhile on other threads (two workers
    // holding each other's pipes would never see their reader go) nor the
    // show's own standard handles.
    HANDLE inherited = write_end.get();
    SIZE_T list_size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &list_size);
    std::vector<unsigned char> list_bytes(list_size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(list_bytes.data());
    DWORD flags = CREATE_SUSPENDED | CREATE_NO_WINDOW;
    if (list_size > 0 && InitializeProcThreadAttributeList(list, 1, 0, &list_size)) {
        if (UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &inherited, sizeof inherited,
                                      nullptr, nullptr)) {
            startup.lpAttributeList = list;
            flags |= EXTENDED_STARTUPINFO_PRESENT;
        }
    }
    PROCESS_INFORMATION process{};
    Handle job(limited_job(m_limits));
    const bool started = job.get() != nullptr &&
                         CreateProcessA(m_program.c_str(), command.data(), nullptr, nullptr, TRUE, flags, nullptr,
                                        nullptr, &startup.StartupInfo, &process);
    if (startup.lpAttributeList != nullptr) {
        DeleteProcThreadAttributeList(list);
    }
    if (!started) {
        return Interrupted(Interruption::Unavailable, "the decoding worker could not start");
    }
    Handle process_handle(process.hProcess);
    Handle thread_handle(process.hThread);
    write_end.reset();
    if (!AssignProcessToJobObject(job.get(), process.hProcess)) {
        TerminateProcess(process.hProcess, 1);
        return Interrupted(Interruption::Unavailable, "the decoding worker could not be limited");
    }
    ResumeThread(process.hThread);

    // Reads while the worker writes (its answer is larger than the pipe),
    // until it has exited and the pipe is drained, or the time is up.
    std::string answer;
    const auto deadline = std::chrono::steady_clock::now() + m_limits.wall_time;
    std::vector<char> chunk(1u << 20);
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(read_end.get(), nullptr, 0, nullptr, &available, nullptr)) {
            break; // the worker's end is closed: it has exited
        }
        if (available > 0) {
            DWORD got = 0;
            if (!ReadFile(read_end.get(), chunk.data(), std::min<DWORD>(available, static_cast<DWORD>(chunk.size())),
                          &got, nullptr)) {
                break;
            }
            answer.append(chunk.data(), got);
            if (answer.size() > std::uint64_t{media::kMaxPixels} * 4 + 8192) {
                break;
            }
            continue;
        }
        if (cancel) {
            TerminateJobObject(job.get(), 1);
            return Interrupted(Interruption::Cancelled, "the decode was cancelled");
        }
        if (std::chrono::steady_clock::now() > deadline) {
            TerminateJobObject(job.get(), 1);
            return Interrupted(Interruption::OutOfTime, "the decoding worker took too long");
        }
        WaitForSingleObject(process.hProcess, 10);
    }
    WaitForSingleObject(process.hProcess, 1000);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    if (code != 0) {
        // The system ends a process past its processor time with this code;
        // one that came near its memory limit failed for want of memory.
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION used{};
        QueryInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &used, sizeof used, nullptr);
        if (code == ERROR_NOT_ENOUGH_QUOTA) {
            return Interrupted(Interruption::OutOfTime, "the decoding worker used up its processor time");
        }
        if (used.PeakProcessMemoryUsed + (std::uint64_t{16} << 20) >= m_limits.memory_bytes) {
            return Interrupted(Interruption::OutOfMemory, "the decoding worker ran out of memory");
        }
        return Interrupted(Interruption::Crashed, "the decoding worker failed");
    }
    media::DecodeReply reply{DecodeAnswer(answer), Interruption::None};
    if (reply.result.decoder.empty() && reply.result.message.starts_with("the decoding worker")) {
        return Interrupted(Interruption::Crashed, reply.result.message);
    }
    return reply;
}

DecodeAhead::~DecodeAhead()
{
    if (m_pending.valid()) {
        m_pending.wait();
    }
}

void DecodeAhead::request(const std::string& path, media::Size bounds)
{
    if (m_pending.valid() && m_path == path && m_bounds == bounds) {
        return;
    }
    if (m_pending.valid()) {
        m_pending.wait();
    }
    m_path = path;
    m_bounds = bounds;
    m_pending = std::async(std::launch::async, [this, path, bounds] { return m_source.decode(path, bounds); });
}

media::DecodeResult DecodeAhead::take(const std::string& path, media::Size bounds)
{
    if (m_pending.valid()) {
        if (m_path == path && m_bounds == bounds) {
            return m_pending.get();
        }
        m_pending.wait();
        m_pending = {};
    }
    return m_source.decode(path, bounds);
}

} // namespace framory::win32
