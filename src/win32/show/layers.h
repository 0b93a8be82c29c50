#pragma once

// The show window's components as layers of one window: each holds the
// frame it shows, the window composes them bottom to top into a back
// buffer, and a component plays its transition by drawing frames paced by
// the clock on a timer of the window. What lies under a component is the
// composition of the layers below it, so snapshots need no screen reading.

#include "core/components/fx_components.h"
#include "media/image/frame.h"
#include "media/image/image.h"

#include <windows.h>

#include <cstdint>
#include <vector>

namespace framory::win32 {

class Layer;

// The window's side: the layers in order, the back buffer, the effect timer.
class LayerHost {
public:
    // The effect timer's id on the window; the window routes it to step().
    static constexpr UINT_PTR kEffectTimer = 0xF0;

    explicit LayerHost(HWND window = nullptr) : m_window(window) {}
    void attach(HWND window) { m_window = window; }
    HWND window() const { return m_window; }

    void add(Layer& layer) { m_layers.push_back(&layer); }
    void raise(Layer& layer);
    // The layers below `layer`, composed over black, in `rect`.
    media::Image compose_below(const Layer& layer, media::PixelRect rect) const;
    // Every visible layer, composed over black, at the window's size.
    media::Image compose_all(int width, int height) const;
    void paint(HDC dc, int width, int height);
    void invalidate(const media::PixelRect& rect);

    // The topmost visible layer under a point, or null.
    Layer* hit(int x, int y) const;
    // A key press (cancel input 4) or a mouse move (7) cuts running effects
    // short where their cancel setting names that input (9 names both).
    void cancel_effects(bool key, bool mouse_move);

    void effect_started();
    void step();

private:
    void compose(const Layer* below, media::PixelRect rect, media::Image& out) const;

    HWND m_window;
    std::vector<Layer*> m_layers; // bottom to top
    media::Image m_buffer;
};

// What the picture and label components share.
class Layer {
public:
    explicit Layer(LayerHost& host);
    virtual ~Layer() = default;
    Layer(const Layer&) = delete;
    Layer& operator=(const Layer&) = delete;

    // Place and size in pixels, the show window's units.
    void place(double left, double top, double width, double height);
    const media::PixelRect& rect() const { return m_rect; }
    bool visible() const { return m_visible; }
    const media::Image& frame() const { return m_frame; }

    void show_with_effect();
    void redraw_with_effect();
    void hide_layer();
    void raise() { m_host.raise(*this); }

    void set_effect_number(int number) { m_effect = number; }
    void set_grain(int grain) { m_grain = grain; }
    void set_pace(int pace) { m_pace = pace; }
    void set_cancel_mode(int mode) { m_cancel_mode = mode; }
    void set_drawing_switch(bool on) { m_drawing = on; }
    int cancel_mode() const { return m_cancel_mode; }

    bool effect_running() const { return m_running; }
    void finish_effect();
    // Draws the next frame of a running effect; false once it has ended.
    bool step_effect();

    void set_component_events(core::ComponentEvents events) { m_events = std::move(events); }
    const core::ComponentEvents& events() const { return m_events; }

protected:
    virtual media::Image render_content(int width, int height) = 0;
    // The content changed: shown at once where drawing is on.
    void content_changed();
    media::Image capture_under() const { return m_host.compose_below(*this, m_rect); }

private:
    void start_effect(media::Image from);

    LayerHost& m_host;
    media::PixelRect m_rect;
    bool m_visible = false;
    int m_effect = 0;
    int m_grain = 7;
    int m_pace = 0;
    int m_cancel_mode = 0;
    bool m_drawing = true;
    core::ComponentEvents m_events;

    media::Image m_frame;
    media::Image m_from;
    media::Image m_to;
    bool m_running = false;
    int m_playing_effect = 0;
    int m_playing_grain = 0;
    std::uint32_t m_seed = 0;
    ULONGLONG m_started_ms = 0;
    ULONGLONG m_duration_ms = 0;
};

// The operations both components have, implemented once for either one.
template <typename Interface> class LayerComponent : public Layer, public Interface {
public:
    using Layer::Layer;

    void move(double left, double top, double width, double height) override { place(left, top, width, height); }
    void show() override { show_with_effect(); }
    void hide() override { hide_layer(); }
    void bring_to_front() override { raise(); }
    void refresh() override { redraw_with_effect(); }
    void set_events(core::ComponentEvents events) override { set_component_events(std::move(events)); }
    void set_effect(int number) override { set_effect_number(number); }
    void set_effect_grain(int grain) override { set_grain(grain); }
    void set_effect_pace(int pace) override { set_pace(pace); }
    void set_drawing(bool on) override { set_drawing_switch(on); }
    void set_effect_cancel(int cancel_mode) override { set_cancel_mode(cancel_mode); }
    double component_width() const override { return rect().width; }
    double component_height() const override { return rect().height; }
};

} // namespace framory::win32
