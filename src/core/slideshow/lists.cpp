#include "core/slideshow/lists.h"

#include "core/settings/settings.h"

#include <array>

namespace framory::core {

namespace {

constexpr std::array<std::string_view, 14> kPictureTypes = {"BMP", "DIB", "PIC", "GIF", "JPG", "JIF", "KQP",
                                                            "PCX", "PNG", "RLE", "TGA", "TIF", "WMF", "WPG"};
constexpr std::array<std::string_view, 2> kSoundTypes = {"WAV", "MID"};

} // namespace

FileKind KindOfFileName(std::string_view name)
{
    std::string ext(name.size() > 3 ? name.substr(name.size() - 3) : name);
    for (char& c : ext) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    for (const auto type : kPictureTypes) {
        if (ext == type) {
            return FileKind::Picture;
        }
    }
    for (const auto type : kSoundTypes) {
        if (ext == type) {
            return FileKind::Sound;
        }
    }
    return FileKind::Other;
}

int BuildLists(const FolderList& folders, DirectoryLister& lister, ShowLists& lists)
{
    lists.pictures.clear();
    lists.audio.clear();
    for (int i = 1; i <= folders.usable_count(); ++i) {
        const std::string& folder = folders[i];
        const std::unique_ptr<DirectoryListing> listing = lister.list(folder);
        if (!listing) {
            continue;
        }
        std::optional<std::string> name = listing->next_name();
        while (name && !name->empty()) {
            const FileKind kind = KindOfFileName(*name);
            if (kind == FileKind::Picture && !lists.pictures.full()) {
                lists.pictures.add(folder + *name);
            } else if (kind == FileKind::Sound && !lists.audio.full()) {
                lists.audio.add(folder + *name);
            }
            // With the picture list full, each folder gives only its first
            // name a look.
            name = lists.pictures.full() ? std::nullopt : listing->next_name();
        }
    }
    return lists.pictures.count() != 0 ? kListsFoundPictures : kListsFoundNoPictures;
}

} // namespace framory::core
