#include "qt/components/qt_fx_label.h"

#include "component_test_support.h"
#include "media/effects/palette.h"

#include <QFontMetrics>
#include <QWidget>

#include <gtest/gtest.h>

namespace framory::qt {
namespace {

int count_near(const media::Image& image, std::uint32_t colour, int tolerance)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += framory::testing::ChannelDistance(image.at(x, y), colour) <= tolerance ? 1 : 0;
        }
    }
    return n;
}

class FXLabel : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.resize(400, 200);
        window.show();
    }
    QWidget window;
};

TEST_F(FXLabel, FillAndCaptionFollowTheSettingsUnlessDrawingIsOff)
{
    QtFXLabel label(&window);
    label.set_text_size(12);
    label.set_bold(true);
    label.set_gradient_colour(4);
    label.set_gradient_style(0);
    label.move(0, 0, 400, 100);
    label.set_effect(0);
    label.show();
    EXPECT_EQ(count_near(label.shown_frame(), 0xffffffffu, 0), 0) << "no caption yet";
    label.set_caption("/home/u/Pictures/sunset.jpg");
    const media::Image& frame = label.shown_frame();
    EXPECT_EQ(frame.at(0, 0), media::PaletteColour(4));
    EXPECT_EQ(frame.at(frame.width() - 1, frame.height() - 1), media::PaletteColour(4));
    EXPECT_GT(count_near(frame, 0xffffffffu, 40), 50) << "the caption's letters";
    EXPECT_GT(label.caption_size().width(), 50);
    EXPECT_GT(label.width(), label.caption_size().width()) << "the label fits its caption with a margin";
    EXPECT_LT(label.width(), label.caption_size().width() + 40);
    EXPECT_EQ(label.pos(), QPoint(0, 0)) << "sizing to the caption keeps the top-left corner";

    // `frame` is the one shown, whatever is drawn next. Across the margins,
    // where no letter is, a left-to-right gradient changes; at depth 0 it
    // is a plain fill.
    const int right = frame.width() - 1;
    label.set_gradient_style(1);
    EXPECT_NE(frame.at(0, 5), frame.at(right, 5));
    label.set_gradient_smoothness(0);
    EXPECT_EQ(frame.at(0, 5), frame.at(right, 5));

    label.set_gradient_style(0);
    label.set_drawing(false);
    label.set_gradient_colour(12);
    EXPECT_EQ(frame.at(0, 0), media::PaletteColour(4)) << "drawing off holds the old look";
    label.set_drawing(true);
    label.refresh();
    EXPECT_EQ(frame.at(0, 0), media::PaletteColour(12));
}

// Run with the device pixel ratio of the screen (ctest runs it at 1 and at 2).
TEST_F(FXLabel, CaptionKeepsItsPointSizeAtAnyPixelRatio)
{
    QtFXLabel label(&window, 1.0, PixelKind::Device);
    label.set_text_size(8);
    label.set_caption("/home/u/Pictures/sunset.jpg");
    label.show();
    const double ratio = label.pixel_ratio();
    const QFontMetrics metrics(label.font());
    EXPECT_EQ(label.shown_frame().height(), static_cast<int>(label.component_height()));
    int tallest = 0;
    const media::Image& frame = label.shown_frame();
    for (int x = 0; x < frame.width(); ++x) {
        int top = -1;
        int bottom = -1;
        for (int y = 0; y < frame.height(); ++y) {
            if (framory::testing::ChannelDistance(frame.at(x, y), 0xffffffffu) < 60) {
                top = top < 0 ? y : top;
                bottom = y;
            }
        }
        tallest = std::max(tallest, bottom - top + 1);
    }
    // The letters are drawn at the point size, in device pixels.
    EXPECT_GE(tallest, metrics.capHeight() * ratio);
    EXPECT_LE(tallest, metrics.height() * ratio + 1);
}

TEST_F(FXLabel, CaptionThatIsNotUtf8IsKept)
{
    QtFXLabel label(&window);
    label.set_caption("/pics/\xe9t\xe9.jpg");
    EXPECT_EQ(label.caption(), QString::fromLatin1("/pics/\xe9t\xe9.jpg"));
    label.set_caption("/pics/\xc3\xa9t\xc3\xa9.jpg");
    EXPECT_EQ(label.caption(), QString::fromUtf8("/pics/\xc3\xa9t\xc3\xa9.jpg"));
}

} // namespace
} // namespace framory::qt
