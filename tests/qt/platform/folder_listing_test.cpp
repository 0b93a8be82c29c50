// The folder editor's platform parts: the volumes of the mount table, and
// folders read on a thread of their own.
#include "qt/platform/folder_listing.h"
#include "qt/platform/mount_table.h"

#include "support/temp_folder.h"
#include "support/thread_count.h"
#include "support/wait_until.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <vector>

namespace framory::qt {
namespace {

namespace fs = std::filesystem;

TEST(MountTable, TheRootTheHomeVolumeAndRemovableMediaOnceEach)
{
    const std::string table = "/dev/vda1 / ext4 rw 0 0\n"
                              "proc /proc proc rw 0 0\n"
                              "/dev/vda2 /home ext4 rw 0 0\n"
                              "/dev/sdb1 /media/ann/HOLIDAY\\040PICS vfat rw 0 0\n"
                              "/dev/sr0 /run/media/ann/CD iso9660 ro 0 0\n"
                              "/dev/sdb1 /media/ann/HOLIDAY\\040PICS vfat rw 0 0\n"
                              "/dev/sdc1 /media/ann/A\\134B vfat rw 0 0\n"
                              "tmpfs /tmp tmpfs rw 0 0\n";
    const struct {
        std::string table;
        QString home;
        QStringList mounts;
    } cases[] = {
        {table, "/home/ann", {"/", "/home", "/media/ann/A\\B", "/media/ann/HOLIDAY PICS", "/run/media/ann/CD"}},
        // A home folder on the root volume adds no entry of its own.
        {"/dev/vda1 / ext4 rw 0 0\n", "/root", {"/"}},
        // The deepest mount point holding the home folder is its volume.
        {"/dev/a / ext4 rw 0 0\n/dev/b /home ext4 rw 0 0\n/dev/c /home/ann ext4 rw 0 0\n",
         "/home/ann/",
         {"/", "/home/ann"}},
    };
    for (const auto& c : cases) {
        QStringList mounts;
        for (const Volume& volume : MachineVolumes(c.table, PlainFolder(c.home))) {
            mounts.append(volume.mount);
        }
        EXPECT_EQ(mounts, c.mounts) << c.table;
    }
}

class FolderListingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"b.png", "A.jpg", "a.JPG", ".hidden.png", "notes.txt"}) {
            std::ofstream(folder.path() / name).put('x');
        }
        fs::create_directories(folder.path() / "Sub");
        fs::create_directories(folder.path() / ".config");
    }

    // Starts a listing and runs the events until it has handed over all.
    QStringList list(const fs::path& path, FolderListing::Entries entries,
                     std::function<bool(const std::string&)> accept = {})
    {
        listing.start(QString::fromStdString(path.string()), entries, std::move(accept));
        while (!listing.complete()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        return whole;
    }

    framory::testing::TempFolder folder;
    std::vector<QStringList> batches;
    QStringList whole;
    int completions = 0;
    FolderListing listing{[this](const QStringList& names, bool complete) {
        if (complete) {
            whole = names;
            ++completions;
        } else {
            batches.push_back(names);
        }
    }};
};

TEST_F(FolderListingTest, FilesAreOrdinaryVisibleAndAcceptedInNameOrderSubfoldersHiddenOnesToo)
{
    const auto no_text = [](const std::string& name) { return !name.ends_with(".txt"); };
    EXPECT_EQ(list(folder.path(), FolderListing::Entries::Files, no_text), (QStringList{"A.jpg", "a.JPG", "b.png"}));
    EXPECT_EQ(list(folder.path(), FolderListing::Entries::Files),
              (QStringList{"A.jpg", "a.JPG", "b.png", "notes.txt"}));
    EXPECT_EQ(list(folder.path(), FolderListing::Entries::Subfolders), (QStringList{".config", "Sub"}));
    EXPECT_EQ(list(folder.path() / "missing", FolderListing::Entries::Files), QStringList{});
    EXPECT_EQ(completions, 4);
}

TEST_F(FolderListingTest, AStoppedOrReplacedListingHandsNothingOverAndLeavesNoThread)
{
    for (int i = 0; i < 3000; ++i) {
        std::ofstream(folder.path() / ("p" + std::to_string(i) + ".jpg")).put('x');
    }
    const int threads = framory::testing::ThreadCount();
    std::atomic<bool> reading{false};
    const auto note_start = [&](const std::string&) {
        reading = true;
        return true;
    };
    for (const bool replace : {false, true}) {
        reading = false;
        listing.start(QString::fromStdString(folder.path().string()), FolderListing::Entries::Files, note_start);
        ASSERT_TRUE(framory::testing::WaitUntil([&] { return reading.load(); }));
        if (replace) {
            EXPECT_EQ(list(folder.path() / "Sub", FolderListing::Entries::Files), QStringList{});
        } else {
            listing.stop();
            EXPECT_LE(framory::testing::ThreadCount(), threads) << "the thread is joined";
            EXPECT_FALSE(listing.complete());
        }
        QCoreApplication::processEvents();
        EXPECT_TRUE(batches.empty()) << "names of the stopped listing arrived";
        EXPECT_EQ(completions, replace ? 1 : 0);
    }
}

} // namespace
} // namespace framory::qt
