#pragma once

#include <memory>
#include <optional>
#include <string>

// Folder listings, from which the show's lists are built.

namespace framory::core {

// One pass over a folder's ordinary files: no folders, no hidden files.
class DirectoryListing {
public:
    virtual ~DirectoryListing() = default;
    // The next name, or nothing when the listing has ended (or failed).
    virtual std::optional<std::string> next_name() = 0;
};

class DirectoryLister {
public:
    virtual ~DirectoryLister() = default;
    // Starts listing a folder; nothing when it cannot be listed.
    virtual std::unique_ptr<DirectoryListing> list(const std::string& folder) = 0;
};

} // namespace framory::core
