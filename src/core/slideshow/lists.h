#pragma once

#include "core/components/platform.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace framory::core {

class FolderList;

// A 1-based list of full file paths, at most 32000 entries.
class FileList {
public:
    static constexpr int kCapacity = 32000;

    int count() const { return static_cast<int>(m_entries.size()); }
    // Entry 1 to count.
    const std::string& operator[](int position) const { return m_entries.at(static_cast<std::size_t>(position - 1)); }
    bool full() const { return count() >= kCapacity; }
    void add(std::string path) { m_entries.push_back(std::move(path)); }
    void clear() { m_entries.clear(); }

private:
    std::vector<std::string> m_entries;
};

struct ShowLists {
    FileList pictures; // PictureList, picture_count
    FileList audio;    // AudioList, audio_count
};

enum class FileKind { Other, Picture, Sound };

// By the last three characters of the name, without regard to case.
FileKind KindOfFileName(std::string_view name);

// The order in which a folder's names are listed: the order of a
// case-insensitive file system, which users expect of a show in sequence.
// The names are compared upper-cased, character by character by their code
// points (no natural numbering: "10.jpg" comes before "9.jpg"); names equal
// that way are ordered by their bytes. Bytes that are not UTF-8 count as
// characters of their own, after every other character.
bool NameOrderLess(std::string_view a, std::string_view b);
// The upper-cased characters that NameOrderLess compares first, for
// sorting many names without working them out at every comparison.
std::u32string NameOrderKey(std::string_view name);

// The result of BuildLists.
inline constexpr int kListsFoundPictures = 0;
inline constexpr int kListsFoundNoPictures = 2;

// Scans every folder of the list once, in list order, collecting pictures
// and sounds: the folder path with a separator at its end, followed by the
// name. A folder written without the separator (a hand-edited settings
// file) is listed and joined as if it had one; the list itself is not
// changed. An empty entry and folders that cannot be listed contribute
// nothing. Returns 0 when a picture was found, 2 when none was.
int BuildLists(const FolderList& folders, DirectoryLister& lister, ShowLists& lists);

} // namespace framory::core
