#include "qt/components/qt_fx_image.h"

#include "component_test_support.h"
#include "media/effects/palette.h"
#include "qt/components/image_bridge.h"
#include "../platform/temp_folder.h"

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <fstream>

namespace framory::qt {
namespace {

using framory::testing::ChannelDistance;
using framory::testing::Quarters;
using framory::testing::RunEventsUntil;
using framory::testing::TempFolder;

class FXImageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.resize(400, 300);
        window.setStyleSheet(QStringLiteral("background: black"));
        window.show();
        ASSERT_TRUE(Quarters(200, 100).save(QString::fromStdString(png_path()), "PNG"));
    }
    std::string png_path() const { return (folder.path() / "quarters.png").string(); }

    TempFolder folder;
    QWidget window;
};

TEST_F(FXImageTest, LoadsAndReportsStatusAndNaturalSize)
{
    QtFXImage image(&window);
    image.set_file_name(png_path());
    EXPECT_EQ(image.load_status(), 0);
    EXPECT_EQ(image.natural_width(), 200);
    EXPECT_EQ(image.natural_height(), 100);

    image.set_file_name((folder.path() / "missing.png").string());
    EXPECT_NE(image.load_status(), 0);
    EXPECT_EQ(image.natural_width(), 0);

    std::ofstream((folder.path() / "text.jpg").string()) << "not a picture at all";
    image.set_file_name((folder.path() / "text.jpg").string());
    EXPECT_EQ(image.load_status(), 1);

    image.set_file_name("");
    EXPECT_EQ(image.load_status(), 0);
}

TEST_F(FXImageTest, StretchesThePictureIntoItsRectangleInsideTheFrame)
{
    QtFXImage image(&window);
    image.set_file_name(png_path());
    image.set_band1_size(2);
    image.set_band1_colour_a(8);
    image.set_band1_colour_b(15);
    image.set_band1_style(0);
    image.set_outer_size(3);
    image.set_outer_colour(1);
    image.move(10, 20, 300, 200);
    image.set_size_mode(core::SizeMode::Stretch);
    image.set_effect(0);
    image.show();
    const media::Image& frame = image.shown_frame();
    ASSERT_EQ(frame.width(), 300);
    ASSERT_EQ(frame.height(), 200);
    EXPECT_EQ(image.geometry(), QRect(10, 20, 300, 200));
    EXPECT_EQ(frame.at(0, 0), media::PaletteColour(1)) << "outer line";
    EXPECT_EQ(frame.at(3, 100), media::PaletteColour(8)) << "first band, flat in colour 1";
    // Inside the frame the quarters fill the rest: red top left, blue bottom right.
    EXPECT_LE(ChannelDistance(frame.at(20, 20), 0xffff0000u), 8);
    EXPECT_LE(ChannelDistance(frame.at(280, 180), 0xff0000ffu), 8);
    EXPECT_LE(ChannelDistance(frame.at(280, 20), 0xff00ff00u), 8);
}

TEST_F(FXImageTest, EffectPlaysOverTimeAndEndsOnTheNewPicture)
{
    QtFXImage image(&window);
    image.set_file_name(png_path());
    image.move(0, 0, 200, 100);
    image.set_effect(1);
    image.set_effect_grain(4);
    image.set_effect_pace(5); // 200 ms
    image.show();
    EXPECT_TRUE(image.effect_running());
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(RunEventsUntil([&] { return !image.effect_running(); }));
    EXPECT_GE(clock.elapsed(), 150);
    EXPECT_LE(ChannelDistance(image.shown_frame().at(180, 90), 0xff0000ffu), 8);
}

TEST_F(FXImageTest, CancelInputLandsTheEffectOnItsFinalFrame)
{
    struct Case {
        int cancel_mode;
        bool key_cancels;
        bool move_cancels;
    };
    for (const Case c : {Case{4, true, false}, Case{7, false, true}, Case{9, true, true}}) {
        for (const bool use_key : {true, false}) {
            QtFXImage image(&window);
            image.set_file_name(png_path());
            image.move(0, 0, 200, 100);
            image.set_effect(10);
            image.set_effect_pace(200); // 8 s: it would still run
            image.set_effect_cancel(c.cancel_mode);
            image.show();
            ASSERT_TRUE(image.effect_running());
            if (use_key) {
                QTest::keyClick(&window, Qt::Key_A);
            } else {
                QTest::mouseMove(&window, QPoint(50, 50));
                QTest::mouseMove(&window, QPoint(60, 55));
            }
            const bool expected_cancel = use_key ? c.key_cancels : c.move_cancels;
            EXPECT_EQ(!image.effect_running(), expected_cancel)
                << "cancel mode " << c.cancel_mode << (use_key ? " key" : " move");
            if (expected_cancel) {
                EXPECT_LE(ChannelDistance(image.shown_frame().at(10, 10), 0xffff0000u), 8);
            }
            image.hide();
        }
    }
}

TEST_F(FXImageTest, SnapshotTakesWhatLiesUnderIt)
{
    QWidget under(&window);
    under.setGeometry(0, 0, 400, 300);
    under.setStyleSheet(QStringLiteral("background: rgb(0, 128, 128)"));
    under.setAutoFillBackground(true);
    under.show();
    QtFXImage snapshot(&window);
    snapshot.move(0, 0, 400, 300);
    snapshot.set_file_name(png_path());
    snapshot.show();
    core::SnapshotSequence(snapshot);
    const auto picture = snapshot.snapshot_picture();
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->width_pixels(), 400);
    EXPECT_EQ(picture->height_pixels(), 300);
    const auto* qt_picture = dynamic_cast<const QtPictureObject*>(picture.get());
    ASSERT_NE(qt_picture, nullptr);
    EXPECT_LE(ChannelDistance(qt_picture->image().pixel(200, 150), 0xff008080u), 2)
        << "the component's own old picture must not be in the snapshot";
    EXPECT_LE(ChannelDistance(snapshot.shown_frame().at(5, 5), 0xff008080u), 2) << "the snapshot is shown";
}

TEST_F(FXImageTest, EmptyPreviewShowsNothing)
{
    QtFXImage image(&window);
    image.set_file_name(png_path());
    image.move(0, 0, 100, 100);
    image.show();
    image.empty_preview();
    const QColor back = image.palette().color(QPalette::Window);
    EXPECT_EQ(image.shown_frame().at(10, 10), back.rgb());
    EXPECT_EQ(image.shown_frame().at(90, 90), back.rgb());
}

TEST_F(FXImageTest, MouseEventsReachTheWindow)
{
    QtFXImage image(&window);
    image.move(0, 0, 100, 100);
    image.show();
    int clicks = 0;
    int doubles = 0;
    core::MouseState last;
    image.set_events({[&] { ++clicks; }, [&] { ++doubles; }, [&](const core::MouseState& m) { last = m; }});
    QTest::mouseClick(&image, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QTest::mouseDClick(&image, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QTest::mouseMove(&image, QPoint(30, 40));
    EXPECT_GE(clicks, 1);
    EXPECT_EQ(doubles, 1);
    EXPECT_EQ(last.x, 30);
    EXPECT_EQ(last.y, 40);
}

TEST_F(FXImageTest, WindowUnitsAreConvertedToPixels)
{
    QtFXImage image(&window, 15.0);
    image.move(150, 300, 1500, 750);
    EXPECT_EQ(image.geometry(), QRect(10, 20, 100, 50));
}

TEST_F(FXImageTest, PreparedFileLoadsFromTheWorker)
{
    QtFXImage image(&window);
    image.set_decode_bounds(QSize(100, 100));
    image.prepare(png_path());
    image.set_file_name(png_path());
    EXPECT_EQ(image.decode_ahead().hits(), 1);
    EXPECT_EQ(image.natural_width(), 200);
}

} // namespace
} // namespace framory::qt
