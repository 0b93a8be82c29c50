#include "media/worker/protocol.h"
#include "media/worker/worker_client.h"

#include "media/support.h"
#include "support/temp_folder.h"
#include "support/wait_until.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <thread>

namespace framory::media {
namespace {

namespace fs = std::filesystem;
using framory::testing::TempFolder;
using framory::testing::WaitUntil;
using namespace std::chrono_literals;

const fs::path kPictures = FRAMORY_PICTURES_DIR;
const fs::path kGood = kPictures / "good/png/basn6a08_rgba.png";

struct Reports {
    std::vector<std::string> lines;
    // Every report is one line of ours: prefixed, nothing a terminal acts on.
    void expect_ours() const
    {
        for (const std::string& line : lines) {
            EXPECT_TRUE(line.starts_with("framory: ")) << line;
            EXPECT_EQ(
                std::count_if(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }), 0)
                << line;
        }
    }
};

WorkerOptions Options(const std::string& program, Reports& reports)
{
    WorkerOptions options;
    options.program = program;
    options.report = [&reports](std::string_view line) { reports.lines.emplace_back(line); };
    return options;
}

// A good picture under a name that makes the hooked helper misbehave.
std::string Named(const TempFolder& folder, const std::string& name)
{
    const fs::path path = folder.path() / name;
    fs::copy_file(kGood, path);
    return path.string();
}

DecodeReply Decode(DecodeService& service, const std::string& path, Size bounds = {})
{
    const std::atomic<bool> cancel{false};
    return service.Decode({path, bounds, {}}, cancel);
}

TEST(DecodeWorker, GivesWhatDecodingInProcessGivesAndStaysBetweenPictures)
{
    Reports reports;
    WorkerDecodeService helper(Options(FRAMORY_DECODE_WORKER, reports));
    InProcessDecodeService here;
    for (const char* file :
         {"good/png/basn6a08_rgba.png", "good/jpg/exif_orientation_6.jpg", "good/tif/hopper_lzw.tif",
          "good/gif/hopper.gif", "broken/jpeg_truncated_baseline_half.jpg", "broken/png_truncated_half.png",
          "broken/zero_bytes.jpg", "broken/png_bomb_header_100000x100000.png", "good/png/none.png"}) {
        for (const Size bounds : {Size{}, Size{61, 45}}) {
            const std::string path = (kPictures / file).string();
            const DecodeReply there = Decode(helper, path, bounds);
            const DecodeReply want = Decode(here, path, bounds);
            SCOPED_TRACE(std::string(file) + " in " + std::to_string(bounds.width));
            EXPECT_EQ(there.interruption, Interruption::None) << there.result.message;
            EXPECT_EQ(there.result.status, want.result.status);
            EXPECT_EQ(there.result.partial, want.result.partial);
            EXPECT_EQ(there.result.natural, want.result.natural);
            EXPECT_EQ(there.result.decoder, want.result.decoder);
            EXPECT_TRUE(there.result.image == want.result.image);
        }
    }
    EXPECT_EQ(helper.starts(), 1);
}

TEST(DecodeWorker, AFaultyKilledOrCancelledDecodeFailsAndTheNextPictureLoads)
{
    enum class Stop { None, Kill, Cancel };
    struct Case {
        const char* name;
        Stop stop;
        std::chrono::milliseconds time_limit;
        std::uint32_t cpu_seconds;
        std::uint64_t memory_limit;
        Interruption why;
        DecodeStatus status;
        const char* says;
    };
    const Case cases[] = {
        {"hang.png", Stop::None, 500ms, 10, kWorkerMemoryLimit, Interruption::OutOfTime, DecodeStatus::Corrupt,
         "longer than"},
        // The wall clock leaves room: the CPU-time limit ends it.
        {"spin.png", Stop::None, 120s, 1, kWorkerMemoryLimit, Interruption::OutOfTime, DecodeStatus::Corrupt,
         "CPU time"},
        {"crash.png", Stop::None, 30s, 10, kWorkerMemoryLimit, Interruption::Crashed, DecodeStatus::Corrupt, "ended"},
        {"grow.png", Stop::None, 30s, 10, 256u << 20, Interruption::OutOfMemory, DecodeStatus::TooLarge, "memory"},
        // Only the kill or the cancel can end these in time.
        {"hang.png", Stop::Kill, 600s, 10, kWorkerMemoryLimit, Interruption::Crashed, DecodeStatus::Corrupt, "ended"},
        {"hang.png", Stop::Cancel, 600s, 10, kWorkerMemoryLimit, Interruption::Cancelled, DecodeStatus::NotAPicture,
         "cancelled"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " stopped " + std::to_string(static_cast<int>(c.stop)));
        TempFolder folder;
        Reports reports;
        WorkerOptions options = Options(FRAMORY_HOOKED_WORKER, reports);
        options.time_limit = c.time_limit;
        options.cpu_seconds = c.cpu_seconds;
        options.memory_limit = c.memory_limit;
        WorkerDecodeService helper(options);
        const std::string path = Named(folder, c.name);
        std::atomic<bool> cancel{false};
        DecodeReply bad;
        std::thread decoding([&] { bad = helper.Decode({path, {}, {}}, cancel); });
        if (c.stop != Stop::None) {
            ASSERT_TRUE(WaitUntil([&] { return fs::exists(path + ".started"); }));
            if (c.stop == Stop::Kill) {
                ::kill(helper.worker_pid(), SIGKILL);
            } else {
                cancel = true;
            }
        }
        decoding.join();
        EXPECT_EQ(bad.interruption, c.why) << bad.result.message;
        EXPECT_NE(bad.result.message.find(c.says), std::string::npos) << bad.result.message;
        EXPECT_EQ(bad.result.status, c.status);
        EXPECT_TRUE(bad.result.image.empty());
        EXPECT_TRUE(Decode(helper, kGood.string()).result.ok());
        EXPECT_EQ(helper.starts(), 2);
        if (c.stop != Stop::Cancel) {
            EXPECT_FALSE(reports.lines.empty());
        }
        reports.expect_ours();
    }
}

TEST(DecodeWorker, HostileFilesLeaveTheProgramsMemoryAlone)
{
    Reports reports;
    WorkerDecodeService helper(Options(FRAMORY_DECODE_WORKER, reports));
    ASSERT_TRUE(Decode(helper, kGood.string()).result.ok()); // the helper is up
    const long growth = test::PeakGrowthKb([&] {
        for (const char* file : {"png_text_chunk_claims_2gb.png", "png_bomb_header_100000x100000.png",
                                 "png_bomb_valid_1bit_20000x20000.png", "jpeg_bomb_65500x65500.jpg",
                                 "bmp_bomb_65535.bmp", "pic_softimage_bomb_40000.pic"}) {
            EXPECT_FALSE(Decode(helper, (kPictures / "broken" / file).string(), {1920, 1080}).result.ok()) << file;
        }
    });
    EXPECT_LT(growth, 64 * 1024);
    EXPECT_TRUE(Decode(helper, kGood.string()).result.ok());
}

TEST(DecodeWorker, WhatLibrariesPrintBecomesOurOwnReport)
{
    TempFolder folder;
    Reports reports;
    WorkerDecodeService helper(Options(FRAMORY_HOOKED_WORKER, reports));
    EXPECT_TRUE(Decode(helper, Named(folder, "noise.png")).result.ok());
#if !defined(__SANITIZE_ADDRESS__)
    EXPECT_EQ(reports.lines.size(), 1u); // sanitizer builds pass each line on
#endif
    std::string all;
    for (const std::string& line : reports.lines) {
        all += line;
    }
    EXPECT_NE(all.find("libnoise warning"), std::string::npos) << all;
    EXPECT_NE(all.find("stdout chatter"), std::string::npos) << all;
    reports.expect_ours();

    Reports missing;
    WorkerDecodeService nowhere(Options("/nonexistent/framory-decode", missing));
    const DecodeReply reply = Decode(nowhere, kGood.string());
    EXPECT_EQ(reply.interruption, Interruption::Unavailable);
    EXPECT_FALSE(reply.result.ok());
    EXPECT_EQ(missing.lines.size(), 1u);
    missing.expect_ours();
}

TEST(WorkerProtocol, TheProfileTravelsAndRepliesThatDoNotAnswerAreRefused)
{
    using namespace worker;
    const WireRequest sent{7, 3, {"/p/a.png", {640, 480}, std::vector<std::uint8_t>(70000, 0x5a)}};
    const std::optional<WireRequest> got = ReadRequest(WriteRequest(sent));
    ASSERT_TRUE(got);
    EXPECT_EQ(got->request.path, sent.request.path);
    EXPECT_EQ(got->request.bounds, sent.request.bounds);
    EXPECT_EQ(got->request.display_icc, sent.request.display_icc);

    WireReply reply{7, 0, false, {}};
    reply.result.status = DecodeStatus::Ok;
    reply.result.natural = {8, 6};
    reply.result.decoder = "png";
    reply.result.image = Image(4, 3, 0xff123456u);
    reply.result.image.at(3, 2) = 0xff654321u;
    PixelFile pixels;
    const auto packet = [&](const WireReply& r) { return WriteReply(r, pixels); };
    const std::optional<WireReply> good = ReadReply(packet(reply), 7, {4, 4});
    ASSERT_TRUE(good);
    EXPECT_TRUE(good->result.image == reply.result.image);
    EXPECT_EQ(good->result.decoder, "png");

    EXPECT_FALSE(ReadReply(packet(reply), 8, {4, 4})) << "another request's answer";
    EXPECT_FALSE(ReadReply(packet(reply), 7, {3, 3})) << "larger than asked for";
    Packet cut = packet(reply);
    cut.bytes.pop_back();
    EXPECT_FALSE(ReadReply(cut, 7, {4, 4})) << "text shorter than said";
    Packet no_pixels = packet(reply);
    no_pixels.fd.reset();
    EXPECT_FALSE(ReadReply(no_pixels, 7, {4, 4})) << "pixels missing";
    Packet short_pixels = packet(reply);
    const std::uint32_t few[2] = {};
    short_pixels.fd = MemoryFileWith(few, sizeof few, "short");
    EXPECT_FALSE(ReadReply(short_pixels, 7, {4, 4})) << "fewer pixels than said";
    WireReply odd = reply;
    odd.result.status = static_cast<DecodeStatus>(9);
    EXPECT_FALSE(ReadReply(packet(odd), 7, {4, 4})) << "no such status";
}

} // namespace
} // namespace framory::media
