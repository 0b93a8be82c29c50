#include "qt/components/decode_ahead.h"

#include "component_test_support.h"
#include "../platform/temp_folder.h"

#include <gtest/gtest.h>

#include <thread>

namespace framory::qt {
namespace {

using framory::testing::Quarters;
using framory::testing::TempFolder;

TEST(FitWithin, KeepsAspectAndNeverEnlarges)
{
    struct Case {
        media::Size natural;
        media::Size bounds;
        media::Size expected;
    };
    for (const Case c : {Case{{6000, 4000}, {1920, 1080}, {1620, 1080}}, Case{{4000, 6000}, {1920, 1080}, {720, 1080}},
                         Case{{800, 600}, {1920, 1080}, {800, 600}}, Case{{3840, 2160}, {1920, 1080}, {1920, 1080}},
                         Case{{100, 50}, {0, 0}, {100, 50}}, Case{{0, 50}, {100, 100}, {0, 0}},
                         Case{{20000, 1}, {1920, 1080}, {1920, 1}}}) {
        EXPECT_EQ(DecodeAhead::FitWithin(c.natural, c.bounds), c.expected)
            << c.natural.width << "x" << c.natural.height;
    }
}

TEST(DecodeAhead, ServesTheRequestedFileAndDecodesAChangedFileAgain)
{
    TempFolder folder;
    const std::string path = (folder.path() / "p.png").string();
    ASSERT_TRUE(Quarters(400, 200).save(QString::fromStdString(path)));
    DecodeAhead ahead;
    ahead.request(path, {100, 100});
    const media::DecodeResult first = ahead.take(path, {100, 100});
    ASSERT_TRUE(first.ok());
    EXPECT_EQ(first.image.width(), 100);
    EXPECT_EQ(first.image.height(), 50);
    EXPECT_EQ(ahead.hits(), 1);

    // The same picture again (a list of one) is served again.
    EXPECT_TRUE(ahead.take(path, {100, 100}).ok());
    EXPECT_EQ(ahead.hits(), 2);

    // Changed on disk: decoded afresh, not served from before.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(Quarters(300, 300).save(QString::fromStdString(path)));
    const media::DecodeResult changed = ahead.take(path, {100, 100});
    EXPECT_EQ(ahead.hits(), 2);
    EXPECT_EQ(changed.natural.width, 300);
    EXPECT_EQ(changed.image.width(), 100);
    EXPECT_EQ(changed.image.height(), 100);
}

TEST(DecodeAhead, AnotherFileOrSizeIsDecodedOnTheSpot)
{
    TempFolder folder;
    const std::string a = (folder.path() / "a.png").string();
    const std::string b = (folder.path() / "b.png").string();
    ASSERT_TRUE(Quarters(64, 64).save(QString::fromStdString(a)));
    ASSERT_TRUE(Quarters(32, 16).save(QString::fromStdString(b)));
    DecodeAhead ahead;
    ahead.request(a, {50, 50});
    EXPECT_EQ(ahead.take(b, {50, 50}).natural.width, 32);
    EXPECT_EQ(ahead.take(a, {20, 20}).image.width(), 20);
    EXPECT_EQ(ahead.hits(), 0);
    EXPECT_FALSE(ahead.take((folder.path() / "none.png").string(), {50, 50}).ok());
}

} // namespace
} // namespace framory::qt
