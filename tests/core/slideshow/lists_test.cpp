#include "core/slideshow/lists.h"

#include "core/settings/settings.h"

#include <gtest/gtest.h>

#include <map>

namespace framory::core {
namespace {

class FakeLister : public DirectoryLister {
public:
    std::map<std::string, std::vector<std::string>> folders;
    std::vector<std::string> opened;
    int names_handed = 0;

    std::unique_ptr<DirectoryListing> list(const std::string& folder) override
    {
        opened.push_back(folder);
        const auto found = folders.find(folder);
        if (found == folders.end()) {
            return nullptr;
        }
        class Listing : public DirectoryListing {
        public:
            Listing(const std::vector<std::string>& names, int& handed) : m_names(names), m_handed(handed) {}
            std::optional<std::string> next_name() override
            {
                if (m_at >= m_names.size()) {
                    return std::nullopt;
                }
                ++m_handed;
                return m_names[m_at++];
            }

        private:
            const std::vector<std::string>& m_names;
            int& m_handed;
            std::size_t m_at = 0;
        };
        return std::make_unique<Listing>(found->second, names_handed);
    }
};

FolderList folder_list(std::initializer_list<std::string> paths)
{
    FolderList list;
    int i = 0;
    for (const auto& p : paths) {
        list[++i] = p;
    }
    list.folders_total = i;
    return list;
}

TEST(FileKind, LastThreeCharactersInAnyCase)
{
    struct Case {
        const char* name;
        FileKind kind;
    };
    for (const Case c : {Case{"a.jpg", FileKind::Picture}, Case{"A.JPG", FileKind::Picture},
                         Case{"x.Tga", FileKind::Picture}, Case{"photo.jpeg", FileKind::Other},
                         Case{"scan.tiff", FileKind::Other}, Case{"song.midi", FileKind::Other},
                         Case{"song.mid", FileKind::Sound}, Case{"ding.WaV", FileKind::Sound},
                         Case{"clipbmp", FileKind::Picture}, Case{"bmp", FileKind::Picture},
                         Case{"mp", FileKind::Other}, Case{"", FileKind::Other}, Case{"a.kqp", FileKind::Picture},
                         Case{"x.dib", FileKind::Picture}, Case{"x.rle", FileKind::Picture},
                         Case{"x.wmf", FileKind::Picture}, Case{"x.wpg", FileKind::Picture},
                         Case{"x.pic", FileKind::Picture}, Case{"x.jif", FileKind::Picture},
                         Case{"x.pcx", FileKind::Picture}, Case{"x.png", FileKind::Picture},
                         Case{"x.gif", FileKind::Picture}, Case{"x.tif", FileKind::Picture},
                         Case{"x.txt", FileKind::Other}}) {
        EXPECT_EQ(KindOfFileName(c.name), c.kind) << c.name;
    }
}

TEST(BuildLists, CollectsFolderByFolderInListingOrderEndingEachFolderWithASeparator)
{
    FakeLister lister;
    lister.folders["/a/"] = {"z.jpg", "song.mid", "notes.txt", "b.png"};
    lister.folders["/b/"] = {"c.gif", "d.wav"};
    ShowLists lists;
    const FolderList folders = folder_list({"/a/", "/missing/", "/b", "", "/a/"});
    EXPECT_EQ(BuildLists(folders, lister, lists), kListsFoundPictures);
    ASSERT_EQ(lists.pictures.count(), 5);
    EXPECT_EQ(lists.pictures[1], "/a/z.jpg");
    EXPECT_EQ(lists.pictures[2], "/a/b.png");
    EXPECT_EQ(lists.pictures[3], "/b/c.gif") << "a folder written without its separator gets one";
    EXPECT_EQ(lists.pictures[4], "/a/z.jpg") << "a folder listed twice gives its files twice";
    ASSERT_EQ(lists.audio.count(), 3);
    EXPECT_EQ(lists.audio[1], "/a/song.mid");
    EXPECT_EQ(lists.audio[2], "/b/d.wav");
    EXPECT_EQ(lister.opened, (std::vector<std::string>{"/a/", "/missing/", "/b/", "/a/"}))
        << "an empty entry is not listed (it must not become the root folder)";
    EXPECT_EQ(folders[3], "/b") << "the folder list keeps the value as written";
}

TEST(NameOrder, UpperCasedCharactersThenBytes)
{
    // Each name sorts before the next one.
    const std::vector<std::string> ordered = {
        "10.jpg", "2.jpg", "9.jpg",          // no natural numbering
        "A.jpg",  "a.jpg", "a1.jpg",         // case-insensitive; on a tie the bytes decide
        "b",      "B.jpg", "b.jpg",          // a name that ends first comes first
        "z.jpg",  "_under.jpg",              // '_' lies between the cases, so after 'Z'
        "\xc3\x89t\xc3\xa9.jpg",             // "Été": after ASCII
        "\xc3\xa9t\xc3\xa9.jpg",             // "été" equals it upper-cased, its bytes are larger
        "\xff.jpg",                          // a byte that is not UTF-8 comes last
    };
    for (std::size_t i = 0; i + 1 < ordered.size(); ++i) {
        EXPECT_TRUE(NameOrderLess(ordered[i], ordered[i + 1])) << ordered[i] << " before " << ordered[i + 1];
        EXPECT_FALSE(NameOrderLess(ordered[i + 1], ordered[i])) << ordered[i + 1] << " not before " << ordered[i];
    }
    EXPECT_FALSE(NameOrderLess("same.jpg", "same.jpg"));
}

TEST(BuildLists, NothingReadableGivesTwoAndEmptyLists)
{
    FakeLister lister;
    lister.folders["/empty/"] = {};
    ShowLists lists;
    lists.pictures.add("/stale.jpg");
    EXPECT_EQ(BuildLists(folder_list({"/nope/", "/empty/"}), lister, lists), kListsFoundNoPictures);
    EXPECT_EQ(lists.pictures.count(), 0);
    EXPECT_EQ(lists.audio.count(), 0);
}

TEST(BuildLists, FullPictureListStopsTheFolderAndLooksAtOneNameOfEachLaterFolder)
{
    FakeLister lister;
    std::vector<std::string> many;
    for (int i = 0; i < FileList::kCapacity + 10; ++i) {
        many.push_back("p" + std::to_string(i) + ".jpg");
    }
    lister.folders["/many/"] = many;
    lister.folders["/later1/"] = {"first.wav", "second.wav"};
    lister.folders["/later2/"] = {"photo.jpg", "third.wav"};
    ShowLists lists;
    EXPECT_EQ(BuildLists(folder_list({"/many/", "/later1/", "/later2/"}), lister, lists), kListsFoundPictures);
    EXPECT_EQ(lists.pictures.count(), FileList::kCapacity);
    EXPECT_EQ(lists.pictures[FileList::kCapacity], "/many/p31999.jpg");
    EXPECT_EQ(lists.audio.count(), 1);
    EXPECT_EQ(lists.audio[1], "/later1/first.wav");
    EXPECT_EQ(lister.names_handed, FileList::kCapacity + 2) << "the full folder stops at once";
}

TEST(BuildLists, NegativeCountScansNothing)
{
    FakeLister lister;
    lister.folders["/a/"] = {"x.jpg"};
    FolderList list = folder_list({"/a/"});
    list.folders_total = -4;
    ShowLists lists;
    EXPECT_EQ(BuildLists(list, lister, lists), kListsFoundNoPictures);
    EXPECT_TRUE(lister.opened.empty());
}

} // namespace
} // namespace framory::core
