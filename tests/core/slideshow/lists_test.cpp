#include "core/slideshow/lists.h"

#include "core/settings/settings.h"
#include "support/fake_platform.h"

#include <gtest/gtest.h>

namespace framory::core {
namespace {

using framory::testing::native;

FolderList folder_list(std::initializer_list<std::string> paths)
{
    FolderList list;
    for (const auto& p : paths) {
        list[++list.folders_total] = p;
    }
    return list;
}

TEST(FileKind, LastThreeCharactersInAnyCase)
{
    for (const char* name : {"a.jpg", "A.JPG", "x.Tga", "clipbmp", "bmp", "a.kqp", "x.dib", "x.rle", "x.wmf", "x.wpg",
                             "x.pic", "x.jif", "x.pcx", "x.png", "x.gif", "x.tif"}) {
        EXPECT_EQ(KindOfFileName(name), FileKind::Picture) << name;
    }
    for (const char* name : {"song.mid", "ding.WaV"}) {
        EXPECT_EQ(KindOfFileName(name), FileKind::Sound) << name;
    }
    for (const char* name : {"photo.jpeg", "scan.tiff", "song.midi", "mp", "", "x.txt"}) {
        EXPECT_EQ(KindOfFileName(name), FileKind::Other) << name;
    }
}

TEST(BuildLists, CollectsFolderByFolderInListingOrderEndingEachFolderWithASeparator)
{
    framory::testing::FakeLister lister;
    lister.folders[native("/a/")] = {"z.jpg", "song.mid", "notes.txt", "b.png"};
    lister.folders[native("/b/")] = {"c.gif", "d.wav"};
    lister.folders[native("/empty/")] = {};
    ShowLists lists;
    lists.pictures.add("/stale.jpg");
    const FolderList folders = folder_list({native("/a/"), native("/missing/"), native("/b"), "", native("/a/")});
    EXPECT_EQ(BuildLists(folders, lister, lists), kListsFoundPictures);
    // A folder written without its separator gets one; a folder listed
    // twice gives its files twice.
    const std::vector<std::string> pictures = {native("/a/z.jpg"), native("/a/b.png"), native("/b/c.gif"),
                                               native("/a/z.jpg"), native("/a/b.png")};
    for (int i = 1; i <= lists.pictures.count(); ++i) {
        EXPECT_EQ(lists.pictures[i], pictures.at(static_cast<std::size_t>(i - 1)));
    }
    EXPECT_EQ(lists.pictures.count(), 5);
    EXPECT_EQ(lists.audio.count(), 3);
    EXPECT_EQ(lists.audio[2], native("/b/d.wav"));
    EXPECT_EQ(lister.opened,
              (std::vector<std::string>{native("/a/"), native("/missing/"), native("/b/"), native("/a/")}))
        << "an empty entry is not listed (it must not become the root folder)";
    EXPECT_EQ(folders[3], native("/b")) << "the folder list keeps the value as written";

    EXPECT_EQ(BuildLists(folder_list({native("/nope/"), native("/empty/")}), lister, lists), kListsFoundNoPictures);
    EXPECT_EQ(lists.pictures.count() + lists.audio.count(), 0);
    FolderList negative = folder_list({native("/a/")});
    negative.folders_total = -4;
    lister.opened.clear();
    EXPECT_EQ(BuildLists(negative, lister, lists), kListsFoundNoPictures);
    EXPECT_TRUE(lister.opened.empty());
}

TEST(NameOrder, UpperCasedCharactersThenBytes)
{
    // Each name sorts before the next one.
    const std::vector<std::string> ordered = {
        "10.jpg",
        "2.jpg",
        "9.jpg", // no natural numbering
        "A.jpg",
        "a.jpg",
        "a1.jpg", // case-insensitive; on a tie the bytes decide
        "b",
        "B.jpg",
        "b.jpg", // a name that ends first comes first
        "z.jpg",
        "_under.jpg",            // '_' lies between the cases, so after 'Z'
        "\xc3\x89t\xc3\xa9.jpg", // "Été": after ASCII
        "\xc3\xa9t\xc3\xa9.jpg", // "été" equals it upper-cased, its bytes are larger
        "\xff.jpg",              // a byte that is not UTF-8 comes last
    };
    for (std::size_t i = 0; i + 1 < ordered.size(); ++i) {
        EXPECT_TRUE(NameOrderLess(ordered[i], ordered[i + 1])) << ordered[i] << " before " << ordered[i + 1];
        EXPECT_FALSE(NameOrderLess(ordered[i + 1], ordered[i])) << ordered[i + 1] << " not before " << ordered[i];
    }
    EXPECT_FALSE(NameOrderLess("same.jpg", "same.jpg"));
}

TEST(BuildLists, AFullPictureListStopsItsFolderAndLooksAtOneNameOfEachLaterFolder)
{
    framory::testing::FakeLister lister;
    for (int i = 0; i < FileList::kCapacity + 10; ++i) {
        lister.folders[native("/many/")].push_back("p" + std::to_string(i) + ".jpg");
    }
    lister.folders[native("/later1/")] = {"first.wav", "second.wav"};
    lister.folders[native("/later2/")] = {"photo.jpg", "third.wav"};
    ShowLists lists;
    BuildLists(folder_list({native("/many/"), native("/later1/"), native("/later2/")}), lister, lists);
    EXPECT_EQ(lists.pictures.count(), FileList::kCapacity);
    EXPECT_EQ(lists.pictures[FileList::kCapacity], native("/many/p31999.jpg"));
    EXPECT_EQ(lists.audio.count(), 1);
    EXPECT_EQ(lists.audio[1], native("/later1/first.wav"));
    EXPECT_EQ(lister.names_handed, FileList::kCapacity + 2) << "the full folder stops at once";
}

} // namespace
} // namespace framory::core
