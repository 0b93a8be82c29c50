#include "win32/forms/folder_listing.h"

#include "core/config_ui/folder_editor.h"

#include <algorithm>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>
#include <utility>

namespace framory::win32 {

struct FolderListing::Channel {
    std::mutex mutex;
    HWND receiver = nullptr;
    UINT message = 0;
    std::set<std::uint64_t> wanted;
    std::vector<Result> done;
};

bool ListOrder(const std::string& a, const std::string& b)
{
    const int folded = _stricmp(a.c_str(), b.c_str());
    return folded != 0 ? folded < 0 : a < b;
}

FolderContents ReadFolder(const std::string& folder, const std::function<bool()>& wanted)
{
    FolderContents contents;
    std::string pattern = folder;
    if (pattern.empty() || pattern.back() != '\\') {
        pattern.push_back('\\');
    }
    pattern.push_back('*');
    WIN32_FIND_DATAA entry{};
    HANDLE find = FindFirstFileA(pattern.c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) {
        return contents;
    }
    std::size_t seen = 0;
    do {
        // Asking after every few hundred names keeps a stale listing short.
        if (++seen % 256 == 0 && !wanted()) {
            break;
        }
        const std::string name = entry.cFileName;
        if ((entry.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0 || name == "." ||
            name == "..") {
            continue;
        }
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            contents.folders.push_back(name);
        } else if (core::MatchesFileFilter(name)) {
            contents.files.push_back(name);
        }
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    std::sort(contents.folders.begin(), contents.folders.end(), ListOrder);
    std::sort(contents.files.begin(), contents.files.end(), ListOrder);
    return contents;
}

FolderListing::FolderListing(HWND receiver, UINT message, FolderReader reader)
    : m_channel(std::make_shared<Channel>()), m_reader(std::move(reader))
{
    m_channel->receiver = receiver;
    m_channel->message = message;
}

FolderListing::~FolderListing()
{
    const std::lock_guard lock(m_channel->mutex);
    m_channel->receiver = nullptr;
    m_channel->wanted.clear();
    m_channel->done.clear();
}

std::uint64_t FolderListing::request(const std::string& folder)
{
    const std::uint64_t ticket = ++m_next;
    {
        const std::lock_guard lock(m_channel->mutex);
        m_channel->wanted.insert(ticket);
    }
    const auto finish = [](const std::shared_ptr<Channel>& channel, Result result) {
        const std::lock_guard lock(channel->mutex);
        if (channel->receiver != nullptr && channel->wanted.erase(result.ticket) != 0) {
            channel->done.push_back(std::move(result));
            PostMessageA(channel->receiver, channel->message, 0, 0);
        }
    };
    try {
        std::thread([channel = m_channel, reader = m_reader, folder, ticket, finish] {
            const auto wanted = [&channel, ticket] {
                const std::lock_guard lock(channel->mutex);
                return channel->wanted.count(ticket) != 0;
            };
            finish(channel, {ticket, folder, reader(folder, wanted)});
        }).detach();
    } catch (const std::system_error&) {
        // No thread to be had: the folder shows empty rather than the
        // dialog reading a possibly huge folder itself.
        finish(m_channel, {ticket, folder, {}});
    }
    return ticket;
}

void FolderListing::forget(std::uint64_t ticket)
{
    const std::lock_guard lock(m_channel->mutex);
    m_channel->wanted.erase(ticket);
}

std::vector<FolderListing::Result> FolderListing::take()
{
    const std::lock_guard lock(m_channel->mutex);
    return std::exchange(m_channel->done, {});
}

} // namespace framory::win32
