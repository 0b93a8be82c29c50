#pragma once

#include "core/components/fx_components.h"
#include "media/image/image.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <cstdint>

namespace framory::qt {

// What the picture and label components share: a widget that shows a
// rendered frame, places itself in the window's units, raises the mouse
// events, and plays a transition when it is shown or redrawn with an effect
// number set. Effects play in the background, paced by the clock, so the
// window stays responsive; the input the cancel setting names cuts a
// running effect short and lands it on its final frame.
class EffectWidget : public QWidget {
    Q_OBJECT

public:
    // `units_per_pixel`: how many of the window's units make a pixel
    // (1 when the window measures in pixels, the twips per pixel for twips).
    explicit EffectWidget(QWidget* parent, double units_per_pixel = 1.0);
    ~EffectWidget() override;

    void place(double left, double top, double width, double height);
    // The size in the window's units.
    double width_units() const { return width() * m_units_per_pixel; }
    double height_units() const { return height() * m_units_per_pixel; }
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
    // The frame on screen now.
    const media::Image& shown_frame() const { return m_frame; }
    // What is on screen under this component: the window drawn without it.
    media::Image capture_under();

protected:
    // The content to show at the given size.
    virtual media::Image render_content(QSize size) = 0;
    // The content changed: shown at once where drawing is on.
    void content_changed();

    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void start_effect(media::Image from);
    void step_effect();

    double m_units_per_pixel;
    int m_effect = 0;
    int m_grain = 7;
    int m_pace = 0;
    int m_cancel_mode = 0;
    bool m_drawing = true;
    core::ComponentEvents m_events;

    media::Image m_frame;
    media::Image m_from;
    media::Image m_to;
    int m_playing_effect = 0;
    int m_playing_grain = 0;
    std::uint32_t m_seed = 0;
    QElapsedTimer m_clock;
    qint64 m_duration_ms = 0;
    QTimer m_timer;
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
