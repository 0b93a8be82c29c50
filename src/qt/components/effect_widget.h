#pragma once

#include "core/components/fx_components.h"
#include "media/image/image.h"

#include <QElapsedTimer>
#include <QRegion>
#include <QTimer>
#include <QWidget>

#include <cstdint>

namespace framory::qt {

// What a window's units are counted in: device pixels (the show window,
// which places pictures at the screen's own resolution) or logical pixels
// (dialogs laid out in twips, which Qt scales on a high-DPI screen).
enum class PixelKind { Logical, Device };

// What the picture and label components share: a widget that shows a
// rendered frame, places itself in the window's units, raises the mouse
// events, and plays a transition when it is shown or redrawn with an effect
// number set. Effects play in the background, paced by the clock, so the
// window stays responsive; the input the cancel setting names cuts a
// running effect short and lands it on its final frame.
//
// Frames are rendered and shown at device pixels: on a screen with a device
// pixel ratio above 1 the content is as sharp as the screen, and a picture
// shown at its own size keeps every pixel. Each effect frame repaints only
// what changed since the frame before.
class EffectWidget : public QWidget {
    Q_OBJECT

public:
    // `units_per_pixel`: how many of the window's units make one pixel of
    // the given kind (1 for a window measuring in pixels, the twips per
    // pixel for twips).
    explicit EffectWidget(QWidget* parent, double units_per_pixel = 1.0, PixelKind kind = PixelKind::Logical);
    ~EffectWidget() override;

    void place(double left, double top, double width, double height);
    // The size in the window's units.
    double width_units() const { return content_rect().width() * units_per_device_pixel(); }
    double height_units() const { return content_rect().height() * units_per_device_pixel(); }
    void show_with_effect();
    void redraw_with_effect();
    void set_events(core::ComponentEvents events) { m_events = std::move(events); }

    void set_effect_number(int number) { m_effect = number; }
    void set_grain(int grain) { m_grain = grain; }
    void set_pace(int pace) { m_pace = pace; }
    void set_cancel_mode(int mode) { m_cancel_mode = mode; }
    void set_drawing_switch(bool on);

    bool effect_running() const { return m_timer.isActive(); }
    // Ends a running effect on its final frame.
    void finish_effect();
    // The frame on screen now, in device pixels: the content, and where the
    // content's rectangle does not fall on whole logical pixels, a rim of
    // what lies under it.
    const media::Image& shown_frame() const { return m_frame; }
    // What is on screen under this component: the window drawn without it,
    // at the size of the shown frame, once the transitions of the components
    // under it have ended.
    media::Image capture_under();
    // Effect frames that reached the screen since the component was made,
    // each one whole frame of a transition (for measuring the show's pace).
    std::int64_t effect_frames_presented() const { return m_frames_presented; }

    // Device pixels per logical pixel of the screen the component is on.
    double pixel_ratio() const;

protected:
    // The content to show at the given size in device pixels.
    virtual media::Image render_content(QSize size) = 0;
    // The content changed: shown at once where drawing is on.
    void content_changed();
    // Gives the content another size in device pixels, keeping its top-left
    // corner.
    void resize_content(QSize size);
    // The content's rectangle in the parent, in device pixels.
    QRect content_rect() const;

    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    double units_per_device_pixel() const;
    void apply_geometry();
    // The frame for the current content: the content, with the rim under it
    // where there is one.
    media::Image compose_frame();
    // Lets the transitions of the components under this one play to their
    // end, window events running meanwhile.
    void let_effects_beneath_end();
    void start_effect(media::Image from);
    void step_effect();
    // Puts the frame drawn in m_next on screen.
    void show_next_frame();
    // Repaints device-pixel rectangles of the frame now.
    void repaint_device(const QRegion& device_region);

    double m_units_per_pixel;
    PixelKind m_kind;
    // The content's rectangle in the parent in device pixels, once placed.
    QRect m_rect;
    bool m_placed = false;
    // Where the content sits in the frame (0 or 1 device pixel in from the
    // widget's corner when its corner is not on a whole logical pixel).
    QPoint m_offset;

    int m_effect = 0;
    int m_grain = 7;
    int m_pace = 0;
    int m_cancel_mode = 0;
    bool m_drawing = true;
    core::ComponentEvents m_events;

    media::Image m_frame;
    media::Image m_next; // the effect frame being drawn
    media::Image m_from;
    media::Image m_to;
    int m_playing_effect = 0;
    int m_playing_grain = 0;
    std::uint32_t m_seed = 0;
    QElapsedTimer m_clock;
    qint64 m_duration_ms = 0;
    QTimer m_timer;
    std::int64_t m_frame_serial = 0;
    std::int64_t m_painted_serial = 0;
    std::int64_t m_frames_presented = 0;
};

// The operations the picture and the label component share, implemented
// once for either interface.
template <typename Interface>
class EffectComponent : public EffectWidget, public Interface {
public:
    using EffectWidget::EffectWidget;

    // FXVisual
    void move(double left, double top, double width, double height) override { place(left, top, width, height); }
    void show() override { show_with_effect(); }
    void hide() override
    {
        finish_effect();
        QWidget::hide();
    }
    void bring_to_front() override { raise(); }
    void refresh() override { redraw_with_effect(); }
    void set_events(core::ComponentEvents events) override { EffectWidget::set_events(std::move(events)); }

    // The effect, drawing and cancel properties both components have.
    void set_effect(int number) override { set_effect_number(number); }
    void set_effect_grain(int grain) override { set_grain(grain); }
    void set_effect_pace(int pace) override { set_pace(pace); }
    void set_drawing(bool on) override { set_drawing_switch(on); }
    void set_effect_cancel(int cancel_mode) override { set_cancel_mode(cancel_mode); }
    double component_width() const override { return width_units(); }
    double component_height() const override { return height_units(); }
};

} // namespace framory::qt
