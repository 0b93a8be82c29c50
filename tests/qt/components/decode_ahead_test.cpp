#include "qt/components/decode_ahead.h"

#include "../platform/temp_folder.h"
#include "component_test_support.h"
#include "media/worker/worker_client.h"
#include "support/wait_until.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace framory::qt {
namespace {

using framory::testing::Quarters;
using framory::testing::TempFolder;
using framory::testing::WaitUntil;

DecodeAhead::Reply Answer(const DecodeAhead& ahead, const DecodeAhead::Ticket& ticket)
{
    DecodeAhead::Reply reply;
    EXPECT_TRUE(WaitUntil([&] { return (reply = ahead.answer(ticket)) != nullptr; }));
    return reply ? reply : std::make_shared<const media::DecodeReply>();
}

TEST(DecodeAhead, KeepsItsAnswerUntilTheFileOrTheSizeChanges)
{
    TempFolder folder;
    const std::string path = (folder.path() / "p.png").string();
    ASSERT_TRUE(Quarters(400, 200).save(QString::fromStdString(path)));
    DecodeAhead ahead(std::make_unique<media::InProcessDecodeService>());
    ahead.request(path, {100, 100}); // ahead, nobody waits
    const auto first = Answer(ahead, ahead.request(path, {100, 100}));
    ASSERT_TRUE(first->result.ok());
    EXPECT_EQ(first->result.image.width(), 100);
    EXPECT_EQ(first->result.image.height(), 50);
    EXPECT_EQ(Answer(ahead, ahead.request(path, {100, 100})), first) << "the same picture again: kept";
    EXPECT_EQ(ahead.decodes(), 1);

    EXPECT_EQ(Answer(ahead, ahead.request(path, {20, 20}))->result.image.width(), 20);
    EXPECT_EQ(ahead.decodes(), 2);

    // Changed on disk (another size): decoded afresh.
    ASSERT_TRUE(Quarters(300, 300).save(QString::fromStdString(path)));
    const auto changed = Answer(ahead, ahead.request(path, {20, 20}));
    EXPECT_EQ(ahead.decodes(), 3);
    EXPECT_EQ(changed->result.natural.width, 300);
    EXPECT_EQ(changed->result.image.height(), 20);
}

TEST(DecodeAhead, ARequestForAnotherPictureCancelsTheOneUnderWay)
{
    TempFolder folder;
    const std::string good = (folder.path() / "good.png").string();
    const std::string hang = (folder.path() / "hang.png").string();
    ASSERT_TRUE(Quarters(64, 32).save(QString::fromStdString(good)));
    std::filesystem::copy_file(good, hang);
    // Only a cancel ends the hanging decode before the good one's wait is up.
    media::WorkerOptions options;
    options.program = FRAMORY_HOOKED_WORKER;
    options.time_limit = std::chrono::minutes(10);
    options.report = [](std::string_view) {};
    DecodeAhead ahead(std::make_unique<media::WorkerDecodeService>(options));
    const auto hanging = ahead.request(hang, {});
    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(hang + ".started"); }));
    const auto next = ahead.request(good, {});
    EXPECT_EQ(Answer(ahead, hanging)->interruption, media::Interruption::Cancelled);
    EXPECT_EQ(Answer(ahead, next)->result.natural.width, 64);
}

} // namespace
} // namespace framory::qt
