#pragma once

// The folder-list editor reads folders on worker threads, so that a folder
// of a hundred thousand files, or a drive that does not answer, never holds
// the dialog.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace framory::win32 {

// What a folder holds, as the editor's lists show it.
struct FolderContents {
    std::vector<std::string> folders;
    std::vector<std::string> files;
};

// Reads one folder. `wanted` turns false once nobody waits for the result
// any more; a reader may then stop early.
using FolderReader = std::function<FolderContents(const std::string& folder, const std::function<bool()>& wanted)>;

// The system's reader: FindFirstFileA over the folder's entries; its
// folders and the files that pass the editor's file filter, neither hidden
// nor system ones, each sorted in ListOrder.
FolderContents ReadFolder(const std::string& folder, const std::function<bool()>& wanted);

// The order of the editor's lists: by name without regard to case, then
// with regard to it.
bool ListOrder(const std::string& a, const std::string& b);

// Requests run on threads of their own; each finished one is kept for the
// window and announced to it by posting `message`. The threads are not
// waited for: a listing stuck in the file system must not keep the dialog
// from closing. It ends by itself when the system answers, and its result
// goes nowhere once the window's object is gone.
class FolderListing {
public:
    struct Result {
        std::uint64_t ticket;
        std::string folder;
        FolderContents contents;
    };

    FolderListing(HWND receiver, UINT message, FolderReader reader);
    ~FolderListing();
    FolderListing(const FolderListing&) = delete;
    FolderListing& operator=(const FolderListing&) = delete;

    std::uint64_t request(const std::string& folder);
    // The result of the request is no longer wanted.
    void forget(std::uint64_t ticket);
    // The results finished since the last call.
    std::vector<Result> take();

private:
    struct Channel;
    std::shared_ptr<Channel> m_channel;
    FolderReader m_reader;
    std::uint64_t m_next = 0;
};

} // namespace framory::win32
