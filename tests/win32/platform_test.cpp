// The Windows services and decoding of Framory.scr, run under Wine against
// the real registry, file system, imaging component and worker process.
#include "saver_under_test.h"
#include "win32/decode/decode_worker.h"
#include "win32/decode/picture_decoder.h"
#include "win32/platform/desktop_output.h"
#include "win32/platform/mci_sound.h"
#include "win32/platform/registry_store.h"
#include "win32/platform/system_services.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <string>
#include <vector>

namespace framory::win32 {
namespace {

using testing::TempFolder;
using testing::WaitUntil;
using namespace std::chrono_literals;

constexpr const char* kTestKey = "Software\\Framory tests\\Obelin Framory";

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Framory tests"); }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Framory tests"); }

    static void put(const char* key, const char* name, DWORD type, const void* data, DWORD size)
    {
        ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, key, name, type, data, size), ERROR_SUCCESS);
    }
    RegistrySettingsStore m_store{kTestKey};
};

TEST_F(RegistryTest, ValuesAreTextUnderTheirSectionAndOtherKindsReadAsMissing)
{
    m_store.write("Options", "folder1", "C:\\Pictures\\");
    m_store.write("Config", "install_path", "D:\\Obelin");
    EXPECT_EQ(m_store.read("Options", "folder1", "x"), "C:\\Pictures\\");
    EXPECT_EQ(m_store.read("Config", "install_path", "x"), "D:\\Obelin");
    EXPECT_EQ(m_store.read("Config", "folder1", "missing"), "missing");
    EXPECT_EQ(m_store.read("Nowhere", "folder1", "missing"), "missing");

    const std::string options = std::string(kTestKey) + "\\Options";
    const DWORD number = 7;
    const BYTE bytes[] = {1, 2, 3};
    const char unterminated[] = {'4', '2'};
    const char embedded[] = "12\0junk";
    const std::string huge(2u << 20, '9');
    put(options.c_str(), "dword", REG_DWORD, &number, sizeof number);
    put(options.c_str(), "binary", REG_BINARY, bytes, sizeof bytes);
    put(options.c_str(), "unterminated", REG_SZ, unterminated, sizeof unterminated);
    put(options.c_str(), "embedded", REG_SZ, embedded, sizeof embedded);
    put(options.c_str(), "huge", REG_SZ, huge.c_str(), static_cast<DWORD>(huge.size() + 1));
    struct Case {
        const char* key;
        const char* expected;
    };
    for (const Case& c : {Case{"dword", "fallback"}, Case{"binary", "fallback"}, Case{"unterminated", "42"},
                          Case{"embedded", "12"}, Case{"huge", "fallback"}}) {
        EXPECT_EQ(m_store.read("Options", c.key, "fallback"), c.expected) << c.key;
    }
}

TEST_F(RegistryTest, DesktopPasswordSwitchReadsTextAndNumbers)
{
    const char* desktop = "Software\\Framory tests\\Desktop";
    Win32RegistryReader reader;
    struct Case {
        DWORD type;
        std::vector<BYTE> data;
        bool on;
    };
    const std::vector<Case> cases{{REG_SZ, {'1', 0}, true},
                                  {REG_SZ, {'0', 0}, false},
                                  {REG_DWORD, {1, 0, 0, 0}, true},
                                  {REG_DWORD, {0, 0, 0, 0}, false}};
    for (const Case& c : cases) {
        put(desktop, "ScreenSaveUsePassword", c.type, c.data.data(), static_cast<DWORD>(c.data.size()));
        const std::string text =
            core::GetRegistryString(reader, core::kHkeyCurrentUser, desktop, "ScreenSaveUsePassword");
        EXPECT_EQ(core::LeadingNumber(text) != 0, c.on) << "type " << c.type << " read as '" << text << "'";
    }
    EXPECT_EQ(core::GetRegistryString(reader, core::kHkeyCurrentUser, desktop, "Missing"), "");
}

TEST(SystemTest, TheSystemIsOfTheNtFamily)
{
    EXPECT_EQ(PlatformIdentifier(), 2);
}

TEST(DirectoryListerTest, ListsOrdinaryFilesOnlyAndNothingForAMissingFolder)
{
    const std::string folder = TempFolder("framory-list-");
    for (const char* name : {"a.jpg", "hidden.jpg", "system.wav"}) {
        CloseHandle(CreateFileA((folder + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
    SetFileAttributesA((folder + "hidden.jpg").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA((folder + "system.wav").c_str(), FILE_ATTRIBUTE_SYSTEM);
    CreateDirectoryA((folder + "sub.bmp").c_str(), nullptr);
    Win32DirectoryLister lister;
    std::vector<std::string> names;
    auto listing = lister.list(folder);
    while (auto name = listing->next_name()) {
        names.push_back(*name);
    }
    EXPECT_EQ(names, std::vector<std::string>{"a.jpg"});
    EXPECT_FALSE(lister.list(folder + "missing\\")->next_name());
    std::filesystem::remove_all(folder);
}

const std::filesystem::path kPictures = FRAMORY_PICTURES_DIR;

TEST(DecodeTest, PicturesFitTheirBoundsAndBrokenFilesAreRefusedOrPartial)
{
    int decoded = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(kPictures / "good")) {
        if (!entry.is_regular_file()) {
            continue;
        }
        const media::DecodeResult r = DecodePicture(entry.path().string(), {64, 48});
        SCOPED_TRACE(entry.path().string());
        // Every good sample reads on Windows as on Linux.
        ASSERT_TRUE(r.ok()) << r.message;
        ++decoded;
        EXPECT_LE(r.image.width(), 64);
        EXPECT_LE(r.image.height(), 48);
        EXPECT_TRUE(r.image.width() == 64 || r.image.height() == 48 ||
                    (r.image.width() == r.natural.width && r.image.height() == r.natural.height));
    }
    EXPECT_GE(decoded, 50);
    // Broken files go through the worker, as in the show, and get an answer
    // from the decoders: refused, or shown within the bounds. None ends the
    // worker or keeps it past its time, where the Job object's limits would
    // be the only guard (Wine enforces none of them).
    WorkerDecoder worker(FRAMORY_SCR_PATH);
    std::vector<std::pair<std::string, std::future<media::DecodeReply>>> answers;
    for (const auto& entry : std::filesystem::directory_iterator(kPictures / "broken")) {
        const std::string file = entry.path().string();
        answers.emplace_back(file, std::async(std::launch::async, [&worker, file] {
                                 const std::atomic<bool> never{false};
                                 return worker.Decode({file, {640, 480}, {}}, never);
                             }));
    }
    for (auto& [file, answer] : answers) {
        const media::DecodeReply r = answer.get();
        EXPECT_EQ(r.interruption, media::Interruption::None) << file << ": " << r.result.message;
        EXPECT_TRUE(!r.result.ok() ||
                    (!r.result.image.empty() && r.result.image.width() <= 640 && r.result.image.height() <= 480))
            << file;
    }
}

TEST(DecodeTest, BitmapFileWritesAndReadsBackAndWallpaperFallsBackToTheUsersFolder)
{
    media::Image picture(5, 3);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            picture.at(x, y) = media::Argb(static_cast<std::uint8_t>(40 * x), static_cast<std::uint8_t>(80 * y), 200);
        }
    }
    const std::string folder = TempFolder("framory-bmp-");
    ASSERT_TRUE(WriteBitmapFile(picture, folder + "scene.bmp"));
    EXPECT_EQ(DecodePicture(folder + "scene.bmp", {}).image, picture);

    WallpaperFile wallpaper;
    ASSERT_TRUE(wallpaper.save(picture, folder + "refused\\Velmoria.bmp"));
    EXPECT_EQ(wallpaper.written_path(), UserDataFolder() + "Velmoria.bmp");
    EXPECT_EQ(DecodePicture(wallpaper.written_path(), {}).image, picture);
    ASSERT_TRUE(wallpaper.save(picture, folder + "Velmoria.bmp"));
    EXPECT_EQ(wallpaper.written_path(), folder + "Velmoria.bmp");
    std::filesystem::remove_all(folder);
}

TEST(DecodeWorkerTest, WorkerAnswersLikeTheDecoderAndBrokenAnswersAreRefused)
{
    WorkerDecoder worker(FRAMORY_SCR_PATH);
    const std::string file = (kPictures / "good/png/hopper.png").string();
    const media::DecodeResult direct = DecodePicture(file, {50, 50});
    const media::DecodeResult remote = worker.decode(file, {50, 50});
    ASSERT_TRUE(remote.ok()) << remote.message;
    EXPECT_EQ(remote.natural, direct.natural);
    EXPECT_EQ(remote.image, direct.image);
    EXPECT_EQ(worker.decode((kPictures / "no such file.png").string(), {50, 50}).status,
              media::DecodeStatus::NotAPicture);

    const std::string answer = EncodeAnswer(direct);
    for (const std::string& broken : {std::string(), answer.substr(0, answer.size() - 1), "XXXX" + answer.substr(4)}) {
        EXPECT_EQ(DecodeAnswer(broken).status, media::DecodeStatus::NotAPicture);
    }
    EXPECT_EQ(DecodeAnswer(answer).image, direct.image);
}

TEST(DecodeWorkerTest, AWorkerPastItsTimeIsEndedAndTheFileRefused)
{
    WorkerLimits limits;
    limits.wall_time = std::chrono::milliseconds(1);
    WorkerDecoder worker(FRAMORY_SCR_PATH, limits);
    const std::atomic<bool> never{false};
    const media::DecodeReply r = worker.Decode({(kPictures / "good/png/hopper.png").string(), {50, 50}, {}}, never);
    EXPECT_EQ(r.interruption, media::Interruption::OutOfTime);
    EXPECT_EQ(r.result.message, "the decoding worker took too long");
    const std::atomic<bool> cancelled{true};
    EXPECT_EQ(worker.Decode({(kPictures / "good/png/hopper.png").string(), {50, 50}, {}}, cancelled).interruption,
              media::Interruption::Cancelled);
}

TEST(DecodeWorkerTest, AWorkerStuckInAFileEndsWithTheProcessThatStartedIt)
{
    // A worker whose answer nobody reads is held in its write for good, like
    // one stuck in a hostile file where the Job object's limits are not
    // enforced. A stuck worker stands in for the show, a second one is
    // started on its behalf.
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE unread = nullptr;
    HANDLE answers = nullptr;
    ASSERT_TRUE(CreatePipe(&unread, &answers, &inherit, 4096));
    const auto start = [&](DWORD parent) {
        std::string command = std::string("\"") + FRAMORY_SCR_PATH + "\" --decode-worker " + std::to_string(parent) +
                              " 200 200 " + (kPictures / "good/png/hopper.png").string();
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = answers;
        PROCESS_INFORMATION process{};
        EXPECT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                                   &startup, &process));
        CloseHandle(process.hThread);
        return process;
    };
    const PROCESS_INFORMATION show = start(0);
    const PROCESS_INFORMATION worker = start(show.dwProcessId);
    EXPECT_EQ(WaitForSingleObject(worker.hProcess, 1000), WAIT_TIMEOUT) << "the worker should be stuck writing";
    TerminateProcess(show.hProcess, 1);
    EXPECT_EQ(WaitForSingleObject(worker.hProcess, 30000), WAIT_OBJECT_0);
    TerminateProcess(worker.hProcess, 1);
    for (HANDLE h : {show.hProcess, worker.hProcess, unread, answers}) {
        CloseHandle(h);
    }
}

TEST(SoundTest, AFileThatCannotPlayFinishesOnceAndAStoppedOneNever)
{
    MciSound sound;
    int finished = 0;
    sound.set_finished_handler([&] { ++finished; });
    sound.set_sound_file("Z:\\no\\such\\sound.wav");
    EXPECT_EQ(finished, 0) << "the event must come from the message queue";
    EXPECT_TRUE(WaitUntil([&] { return finished == 1; }, 5s));
    EXPECT_FALSE(WaitUntil([&] { return finished > 1; }, 300ms));

    sound.set_sound_file("Z:\\no\\such\\other.mid");
    sound.set_sound_file("");
    sound.set_command(11);
    sound.set_command(1);
    EXPECT_FALSE(WaitUntil([&] { return finished > 1; }, 500ms));
}

} // namespace
} // namespace framory::win32
