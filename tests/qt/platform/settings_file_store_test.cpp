#include "qt/platform/settings_file_store.h"

#include "core/settings/settings.h"
#include "core/startup/program.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace framory::qt {
namespace {

using framory::testing::ReadFile;
using framory::testing::TempFolder;

void spill(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
}

// Runs `body` in a child process and returns its exit status.
template <typename Body> int in_child(Body body)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        body();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(SettingsFile, ValuesSurviveVerbatimAndTheFileIsPlainIni)
{
    TempFolder folder;
    const auto file = folder.path() / "config" / "Obelin Framory.ini";
    const std::string values[] = {"C:\\Pictures\\", "/home/u/a=b;c/", "  spaced  ", "\xe9t\xe9 \xff", ""};
    {
        SettingsFileStore store(file);
        int i = 0;
        for (const auto& v : values) {
            store.write("Options", "folder" + std::to_string(++i), v);
        }
        store.write("Config", "install_path", "/opt/obelin\\");
        EXPECT_TRUE(store.last_commit_succeeded());
    }
    const std::string text = ReadFile(file);
    EXPECT_NE(text.find("[Options]\nfolder1=C:\\Pictures\\\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Config]\ninstall_path=/opt/obelin\\\n"), std::string::npos) << text;

    SettingsFileStore again(file);
    int i = 0;
    for (const auto& v : values) {
        EXPECT_EQ(again.read("Options", "folder" + std::to_string(++i), "missing"), v);
    }
    EXPECT_EQ(again.read("Options", "nothing", "fallback"), "fallback");
}

TEST(SettingsFile, MissingFileReadsDefaultsAndIsNotCreatedByReading)
{
    TempFolder folder;
    const auto file = folder.path() / "Obelin Framory.ini";
    SettingsFileStore store(file);
    core::Program program;
    program.windows_dir = "/data/";
    core::LoadSettings(program, store);
    core::Settings expected;
    expected.install_path = "empty/";
    expected.dir_path = "/";
    EXPECT_EQ(program.settings, expected);
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(SettingsFile, SeesChangesOtherProcessesMade)
{
    TempFolder folder;
    const auto file = folder.path() / "s.ini";
    SettingsFileStore store(file);
    store.write("Options", "scene_delay", "5");
    EXPECT_EQ(store.read("Options", "scene_delay", ""), "5");
    spill(file, "[Options]\nscene_delay=42\n");
    EXPECT_EQ(store.read("Options", "scene_delay", ""), "42");
}

TEST(SettingsFile, TwoProcessesSavingAtOnceKeepEachOthersKeys)
{
    TempFolder folder;
    const auto file = folder.path() / "Obelin Framory.ini";
    constexpr int kRounds = 60;
    pid_t children[2];
    for (int who = 0; who < 2; ++who) {
        children[who] = ::fork();
        if (children[who] == 0) {
            SettingsFileStore store(file);
            for (int round = 0; round < kRounds; ++round) {
                core::StoreWriteGroup group(store);
                store.write("Options", "p" + std::to_string(who) + "_" + std::to_string(round), std::to_string(round));
                store.write("Options", "shared_" + std::to_string(who), std::to_string(round));
            }
            ::_exit(store.last_commit_succeeded() ? 0 : 1);
        }
    }
    for (const pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    SettingsFileStore store(file);
    for (int who = 0; who < 2; ++who) {
        for (int round = 0; round < kRounds; ++round) {
            EXPECT_EQ(store.read("Options", "p" + std::to_string(who) + "_" + std::to_string(round), "lost"),
                      std::to_string(round));
        }
        EXPECT_EQ(store.read("Options", "shared_" + std::to_string(who), "lost"), std::to_string(kRounds - 1));
    }
}

TEST(SettingsFile, FolderThatCannotBeMadeLosesNothingAndDoesNotFail)
{
    TempFolder folder;
    spill(folder.path() / "not-a-folder", "x");
    SettingsFileStore store(folder.path() / "not-a-folder" / "Obelin Framory.ini");
    core::Program program;
    core::LoadSettings(program, store);
    core::SaveSettings(program, store);
    EXPECT_FALSE(store.last_commit_succeeded());
    EXPECT_EQ(ReadFile(folder.path() / "not-a-folder"), "x");
}

TEST(SettingsFile, FailedWriteLeavesTheOldFileWhole)
{
    TempFolder folder;
    const auto file = folder.path() / "Obelin Framory.ini";
    const std::string old_text = "[Options]\nscene_delay=9\nmisc=xeyc\n" + std::string(2000, ';') + "\n";
    spill(file, old_text);
    // A file-size limit stands for a full disk: the new file cannot be
    // written whole.
    const int status = in_child([&] {
        rlimit limit{1024, 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        SettingsFileStore store(file);
        store.write("Options", "folder1", std::string(8000, 'a'));
        ::_exit(store.last_commit_succeeded() ? 1 : 0);
    });
    EXPECT_EQ(status, 0) << "the store must notice the failed write";
    EXPECT_EQ(ReadFile(file), old_text);
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        const auto name = entry.path().filename().string();
        EXPECT_TRUE(name == "Obelin Framory.ini" || name == "Obelin Framory.ini.lock") << "left behind: " << name;
    }
}

TEST(SettingsFile, HostileFileLoadsWithDefaultsWhereNeeded)
{
    TempFolder folder;
    const auto file = folder.path() / "Obelin Framory.ini";
    std::string text = "[Options]\nscene_delay=-99999999999999\neffect_grain=\xff\xfe\nscale_flag=85\n"
                       "cancel_mode=9x\nmisc=" +
                       std::string(1 << 20, 'q') + "\nfolders_total=10000\n";
    for (int i = 1; i <= 10000; ++i) {
        text += "folder" + std::to_string(i) + "=/pics/" + std::to_string(i) + "/\n";
    }
    text += "\x80\x81 garbage line without equals\n[Options\nfolder1=/not/this/\n";
    spill(file, text);
    SettingsFileStore store(file);
    core::Program program;
    core::LoadSettings(program, store);
    EXPECT_EQ(program.settings.scene_delay, 5);
    EXPECT_EQ(program.settings.effect_grain, 7);
    EXPECT_EQ(program.settings.scale_flag, 85);
    EXPECT_EQ(program.settings.cancel_mode, 7);
    EXPECT_EQ(program.password.plain_password.size(), std::size_t{1} << 19);
    EXPECT_EQ(program.folders.folders_total, 500);
    EXPECT_EQ(program.folders[1], "/pics/1/");
    EXPECT_EQ(program.folders[500], "/pics/500/");

    core::SaveSettings(program, store);
    EXPECT_TRUE(store.last_commit_succeeded());
    SettingsFileStore again(file);
    EXPECT_EQ(again.read("Options", "folder10000", ""), "/pics/10000/") << "keys beyond the count stay";
    EXPECT_EQ(again.read("Options", "folders_total", ""), "500");
}

TEST(SettingsFile, NewFileIsPrivateToTheUser)
{
    TempFolder folder;
    const auto file = folder.path() / "Obelin Framory.ini";
    SettingsFileStore store(file);
    store.write("Options", "misc", "xe");
    const auto perms = std::filesystem::status(file).permissions();
    EXPECT_EQ(perms & (std::filesystem::perms::group_all | std::filesystem::perms::others_all),
              std::filesystem::perms::none);
}

} // namespace
} // namespace framory::qt
