#include "qt/components/qt_fx_image.h"
#include "qt/components/qt_fx_label.h"

#include "component_test_support.h"
#include "media/effects/palette.h"
#include "support/temp_folder.h"
#include "support/wait_until.h"

#include <QBackingStore>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace framory::qt {
namespace {

using framory::testing::ChannelDistance;
using framory::testing::HookedWorker;
using framory::testing::Quarters;
using framory::testing::RunEventsUntil;
using framory::testing::Stripes;
using framory::testing::TempFolder;

// What the window hands to the window system: its backing store, once the
// pending repaints are done.
QImage window_pixels(QWidget& window)
{
    QCoreApplication::processEvents();
    const auto* store = dynamic_cast<const QImage*>(window.backingStore()->paintDevice());
    return store != nullptr ? store->copy() : QImage();
}

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
    image.set_decode_bounds(QSize(100, 100));
    image.prepare(png_path());
    image.set_file_name(png_path());
    image.set_file_name(png_path()); // a list of one picture loads it again
    EXPECT_EQ(image.decode_ahead().decodes(), 1) << "the prepared decode serves both";
    EXPECT_EQ(image.load_status(), 0);
    EXPECT_EQ(image.natural_width(), 200);
    EXPECT_EQ(image.natural_height(), 100);
    image.set_decode_bounds(QSize(20, 20));
    image.set_file_name(png_path());
    EXPECT_EQ(image.decode_ahead().decodes(), 2) << "another size: decoded again";
    ASSERT_TRUE(Quarters(300, 300).save(QString::fromStdString(png_path()), "PNG"));
    image.set_file_name(png_path());
    EXPECT_EQ(image.natural_width(), 300) << "changed on disk: decoded afresh";

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
    const core::PixelView pixels = picture->pixels();
    ASSERT_NE(pixels.pixels, nullptr);
    EXPECT_LE(ChannelDistance(pixels.pixels[150 * pixels.stride + 200], 0xff008080u), 2)
        << "the component's own old picture must not be in the snapshot";
    EXPECT_LE(ChannelDistance(snapshot.shown_frame().at(5, 5), 0xff008080u), 2) << "the snapshot is shown";

    snapshot.empty_preview();
    EXPECT_EQ(snapshot.shown_frame().at(5, 5), snapshot.palette().color(QPalette::Window).rgb()) << "nothing shown";
}

TEST_F(FXImageTest, MouseEventsReachTheWindowInItsUnits)
{
    QtFXImage image(&window, 15.0);
    image.move(150, 300, 1500, 1500);
    EXPECT_EQ(image.geometry(), QRect(10, 20, 100, 100));
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
    EXPECT_EQ(last.x, 450);
    EXPECT_EQ(last.y, 600);
}

// Run with the device pixel ratio of the screen (ctest runs it at 1 and at 2).
TEST_F(FXImageTest, DrawsEveryDevicePixelAtAnyPixelRatio)
{
    const double ratio = window.devicePixelRatioF();
    if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR")) {
        ASSERT_EQ(ratio, qEnvironmentVariable("QT_SCALE_FACTOR").toDouble());
    }
    // One-pixel red and white stripes, shown at their own size in device
    // pixels, at device positions that fall on and between logical pixels.
    const QImage stripes = Stripes(101, 61, 0xffff0000u, 0xffffffffu);
    const std::string path = (folder.path() / "stripes.png").string();
    ASSERT_TRUE(stripes.save(QString::fromStdString(path), "PNG"));
    QtFXImage image(&window, 1.0, PixelKind::Device);
    image.set_file_name(path);
    image.set_effect(0);
    for (const QPoint at : {QPoint(40, 20), QPoint(33, 21), QPoint(58, 27)}) {
        image.move(at.x(), at.y(), 101, 61);
        image.show();
        EXPECT_EQ(image.component_width(), 101);
        const QImage screen = window_pixels(window);
        ASSERT_EQ(screen.width(), std::lround(400 * ratio));
        for (int x = 0; x < 101; ++x) {
            ASSERT_EQ(screen.pixel(at.x() + x, at.y() + 30), stripes.pixel(x, 30))
                << "column " << x << " at " << at.x();
        }
        for (const QPoint beside : {QPoint(-1, 30), QPoint(101, 30), QPoint(50, -1), QPoint(50, 61)}) {
            EXPECT_EQ(screen.pixel(at + beside), 0xff000000u) << "beside the picture at " << at.x();
        }
    }
    // A frame's sizes are logical pixels: a line of 1 is as wide as one
    // logical pixel.
    image.set_outer_size(1);
    image.set_outer_colour(9);
    image.move(40, 20, 101, 61);
    image.refresh();
    const QImage framed = window_pixels(window);
    const int line = static_cast<int>(std::lround(ratio));
    for (int x = 0; x < line; ++x) {
        EXPECT_EQ(framed.pixel(40 + x, 50), media::PaletteColour(9)) << "the outer line, pixel " << x;
    }
    EXPECT_NE(framed.pixel(40 + line, 50), media::PaletteColour(9)) << "the picture inside the line";
}

TEST_F(FXImageTest, EffectFramesRepaintOnlyWhatChangedAndTheScreenEndsOnTheFrame)
{
    const std::string second = (folder.path() / "second.png").string();
    ASSERT_TRUE(Quarters(200, 100).mirrored(true, true).save(QString::fromStdString(second), "PNG"));
    QtFXImage image(&window);
    image.move(30, 20, 300, 200);
    // A wipe, blinds, a fade, a mosaic, a shape, a slide and a dissolve.
    for (const int effect : {1, 16, 36, 41, 68, 74, 110}) {
        image.set_effect(0);
        image.set_file_name(png_path());
        image.show();
        const std::int64_t presented = image.effect_frames_presented();
        image.set_drawing(false);
        image.set_file_name(second);
        image.set_drawing(true);
        image.set_effect(effect);
        image.set_effect_grain(5);
        image.set_effect_pace(5);
        image.refresh();
        ASSERT_TRUE(RunEventsUntil([&] { return !image.effect_running(); }));
        const QImage screen = window_pixels(window);
        const media::Image& frame = image.shown_frame();
        const QPoint origin = image.pos() * image.pixel_ratio();
        int wrong = 0;
        for (int y = 0; y < frame.height(); ++y) {
            for (int x = 0; x < frame.width(); ++x) {
                wrong += screen.pixel(origin.x() + x, origin.y() + y) != frame.at(x, y) ? 1 : 0;
            }
        }
        EXPECT_EQ(wrong, 0) << "effect " << effect;
        EXPECT_GT(image.effect_frames_presented(), presented) << "effect " << effect;
        EXPECT_LE(ChannelDistance(frame.at(10, 10), 0xff0000ffu), 8) << "the new picture, effect " << effect;
    }
}

TEST_F(FXImageTest, ATransitionStartsFromTheFillUnderItOnceThatHasEnded)
{
    QtFXLabel background(&window);
    background.move(0, 0, 400, 300);
    background.set_gradient_colour(1);
    background.show();
    background.set_gradient_colour(12);
    background.set_effect(36);
    background.set_effect_pace(25); // a second
    background.refresh();
    ASSERT_TRUE(background.effect_running());
    QtFXImage image(&window);
    image.set_file_name(png_path());
    image.move(100, 100, 200, 100);
    image.set_effect(1);
    image.set_effect_pace(250); // long enough to look at its first frames
    image.show();
    EXPECT_FALSE(background.effect_running()) << "the fill played to its end first";
    EXPECT_EQ(image.shown_frame().at(199, 99), media::PaletteColour(12))
        << "the old picture of the transition is the finished fill";
}

TEST_F(FXImageTest, AFaultyFileIsAFailedLoadWhileEventsRunAndTheNextOneLoads)
{
    struct Case {
        const char* name;
        std::chrono::milliseconds helper_limit;
        std::chrono::milliseconds load_wait;
    };
    // A hang outlasts the load's wait, which gives up on its own.
    for (const Case c : {Case{"hang.png", std::chrono::minutes(10), std::chrono::milliseconds(400)},
                         Case{"crash.png", std::chrono::seconds(5), QtFXImage::kLoadWait}}) {
        SCOPED_TRACE(c.name);
        QtFXImage image(&window);
        image.set_decode_services([&] { return HookedWorker(c.helper_limit); });
        image.set_load_wait(c.load_wait);
        const std::string bad = (folder.path() / c.name).string();
        std::filesystem::copy_file(png_path(), bad);
        bool timer_ran = false;
        QTimer::singleShot(0, [&] { timer_ran = true; });
        image.set_file_name(bad);
        EXPECT_EQ(image.load_status(), 3);
        EXPECT_TRUE(timer_ran) << "window events keep running while a load waits";
        image.set_load_wait(QtFXImage::kLoadWait);
        image.set_file_name(png_path());
        EXPECT_EQ(image.load_status(), 0);
        EXPECT_EQ(image.natural_width(), 200);
    }
}

TEST_F(FXImageTest, WhatHappensWhileALoadWaitsLeavesTheLoaderStanding)
{
    // A window closed for good meanwhile is deleted only once the load has
    // returned to its caller; a load begun meanwhile, once the helper hangs
    // on the first, cancels it and takes over.
    auto* closing = new QWidget;
    closing->setAttribute(Qt::WA_DeleteOnClose);
    closing->show();
    const QPointer<QtFXImage> image = new QtFXImage(closing);
    image->set_decode_services([] { return HookedWorker(std::chrono::minutes(10)); });
    const std::string hang = (folder.path() / "hang.png").string();
    std::filesystem::copy_file(png_path(), hang);
    QTimer::singleShot(0, [&] {
        EXPECT_TRUE(framory::testing::WaitUntil([&] { return std::filesystem::exists(hang + ".started"); }));
        closing->close();
        image->set_file_name(png_path());
    });
    image->set_file_name(hang);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image->load_status(), 0);
    EXPECT_EQ(image->natural_width(), 200);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(image.isNull());
}

TEST_F(FXImageTest, ARectangleLargerThanTheDecodeGetsASharperOneWithoutWaiting)
{
    const std::string path = (folder.path() / "stripes.png").string();
    ASSERT_TRUE(Stripes(400, 200, 0xff000000u, 0xffffffffu).save(QString::fromStdString(path)));
    window.resize(400, 200);
    QtFXImage image(&window);
    image.set_decode_bounds(QSize(100, 50));
    image.set_file_name(path);
    image.move(0, 0, 400, 200);
    image.set_effect(0);
    image.show(); // drawn at once from the small decode: grey
    EXPECT_LE(ChannelDistance(image.shown_frame().at(10, 10), image.shown_frame().at(11, 10)), 40);
    EXPECT_TRUE(RunEventsUntil(
        [&] { return ChannelDistance(image.shown_frame().at(10, 10), image.shown_frame().at(11, 10)) > 200; }, 20000));
}

} // namespace
} // namespace framory::qt
