#include "win32/show/layers.h"

#include "core/settings/settings.h"
#include "media/effects/effects.h"
#include "win32/platform/desktop_output.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

namespace framory::win32 {

namespace {

// About sixty frames a second; progress comes from the clock, so a slow
// frame neither shortens nor lengthens an effect.
constexpr UINT kFrameIntervalMs = 15;

media::PixelRect intersect(const media::PixelRect& a, const media::PixelRect& b)
{
    const int left = std::max(a.left, b.left);
    const int top = std::max(a.top, b.top);
    const int right = std::min(a.left + a.width, b.left + b.width);
    const int bottom = std::min(a.top + a.height, b.top + b.height);
    return {left, top, std::max(0, right - left), std::max(0, bottom - top)};
}

} // namespace

void LayerHost::raise(Layer& layer)
{
    const auto it = std::find(m_layers.begin(), m_layers.end(), &layer);
    if (it != m_layers.end()) {
        m_layers.erase(it);
        m_layers.push_back(&layer);
        invalidate(layer.rect());
    }
}

void LayerHost::compose(const Layer* below, media::PixelRect rect, media::Image& out) const
{
    std::fill(out.data(), out.data() + out.pixel_count(), 0xff000000u);
    for (const Layer* layer : m_layers) {
        if (layer == below) {
            break;
        }
        if (!layer->visible() || layer->frame().empty()) {
            continue;
        }
        const media::PixelRect& r = layer->rect();
        const media::Image& frame = layer->frame();
        // A frame of another size than its rectangle (a label resized while
        // its effect runs) is drawn from its top left corner.
        const media::PixelRect shown{r.left, r.top, std::min(r.width, frame.width()), std::min(r.height, frame.height())};
        const media::PixelRect part = intersect(shown, rect);
        for (int y = 0; y < part.height; ++y) {
            const std::uint32_t* src = frame.row(part.top - r.top + y) + (part.left - r.left);
            std::uint32_t* dst = out.row(part.top - rect.top + y) + (part.left - rect.left);
            std::memcpy(dst, src, static_cast<std::size_t>(part.width) * 4);
        }
    }
}

media::Image LayerHost::compose_below(const Layer& layer, media::PixelRect rect) const
{
    media::Image out(std::max(0, rect.width), std::max(0, rect.height));
    if (!out.empty()) {
        compose(&layer, rect, out);
    }
    return out;
}

media::Image LayerHost::compose_all(int width, int height) const
{
    media::Image out(std::max(0, width), std::max(0, height));
    if (!out.empty()) {
        compose(nullptr, {0, 0, width, height}, out);
    }
    return out;
}

void LayerHost::paint(HDC dc, int width, int height)
{
    if (width <= 0 || height <= 0) {
        return;
    }
    if (m_buffer.width() != width || m_buffer.height() != height) {
        m_buffer = media::Image(width, height);
    }
    compose(nullptr, {0, 0, width, height}, m_buffer);
    BITMAPINFO info = TopDownInfo(width, height);
    SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(width), static_cast<DWORD>(height), 0, 0, 0,
                      static_cast<UINT>(height), m_buffer.data(), &info, DIB_RGB_COLORS);
}

void LayerHost::invalidate(const media::PixelRect& rect)
{
    if (m_window != nullptr && rect.width > 0 && rect.height > 0) {
        const RECT r{rect.left, rect.top, rect.left + rect.width, rect.top + rect.height};
        InvalidateRect(m_window, &r, FALSE);
    }
}

Layer* LayerHost::hit(int x, int y) const
{
    for (auto it = m_layers.rbegin(); it != m_layers.rend(); ++it) {
        const media::PixelRect& r = (*it)->rect();
        if ((*it)->visible() && x >= r.left && y >= r.top && x < r.left + r.width && y < r.top + r.height) {
            return *it;
        }
    }
    return nullptr;
}

void LayerHost::cancel_effects(bool key, bool mouse_move)
{
    for (Layer* layer : m_layers) {
        const int mode = layer->cancel_mode();
        if ((key && core::CancelsOnKey(mode)) || (mouse_move && core::CancelsOnMouseMove(mode))) {
            layer->finish_effect();
        }
    }
}

void LayerHost::effect_started()
{
    if (m_window != nullptr) {
        SetTimer(m_window, kEffectTimer, kFrameIntervalMs, nullptr);
    }
}

void LayerHost::step()
{
    bool any = false;
    for (Layer* layer : m_layers) {
        any = layer->step_effect() || any;
    }
    if (!any && m_window != nullptr) {
        KillTimer(m_window, kEffectTimer);
    }
}

Layer::Layer(LayerHost& host) : m_host(host)
{
    std::random_device device;
    m_seed = device();
    m_host.add(*this);
}

void Layer::place(double left, double top, double width, double height)
{
    const auto px = [](double v) { return static_cast<int>(std::lround(std::clamp(v, -1e6, 1e6))); };
    const media::PixelRect next{px(left), px(top), std::max(0, px(width)), std::max(0, px(height))};
    if (next == m_rect) {
        return;
    }
    if (m_visible) {
        m_host.invalidate(m_rect);
    }
    m_rect = next;
    if (m_visible && !m_running) {
        m_frame = render_content(m_rect.width, m_rect.height);
        m_host.invalidate(m_rect);
    }
}

void Layer::content_changed()
{
    if (m_drawing && m_visible && !m_running) {
        m_frame = render_content(m_rect.width, m_rect.height);
        m_host.invalidate(m_rect);
    }
}

void Layer::show_with_effect()
{
    if (m_visible) {
        redraw_with_effect();
        return;
    }
    if (m_effect != 0 && m_pace > 0 && m_drawing) {
        media::Image under = capture_under();
        m_frame = under;
        m_visible = true;
        start_effect(std::move(under));
        return;
    }
    finish_effect();
    m_frame = render_content(m_rect.width, m_rect.height);
    m_visible = true;
    m_host.invalidate(m_rect);
}

void Layer::redraw_with_effect()
{
    if (!m_visible) {
        finish_effect();
        m_frame = render_content(m_rect.width, m_rect.height);
        return;
    }
    if (m_effect != 0 && m_pace > 0 && m_drawing) {
        media::Image from =
            m_frame.width() == m_rect.width && m_frame.height() == m_rect.height ? m_frame : capture_under();
        start_effect(std::move(from));
        return;
    }
    finish_effect();
    m_frame = render_content(m_rect.width, m_rect.height);
    m_host.invalidate(m_rect);
}

void Layer::hide_layer()
{
    finish_effect();
    if (m_visible) {
        m_visible = false;
        m_host.invalidate(m_rect);
    }
}

void Layer::start_effect(media::Image from)
{
    finish_effect();
    m_from = std::move(from);
    m_to = render_content(m_rect.width, m_rect.height);
    m_playing_effect = m_effect;
    m_playing_grain = m_grain;
    m_duration_ms = static_cast<ULONGLONG>(media::EffectDuration(m_pace).count());
    ++m_seed; // a new random layout for each play, the same for all its frames
    m_started_ms = GetTickCount64();
    m_running = true;
    m_host.effect_started();
    step_effect();
}

bool Layer::step_effect()
{
    if (!m_running) {
        return false;
    }
    const ULONGLONG elapsed = GetTickCount64() - m_started_ms;
    const double progress =
        m_duration_ms > 0 ? static_cast<double>(elapsed) / static_cast<double>(m_duration_ms) : 1.0;
    if (progress >= 1.0) {
        finish_effect();
        return false;
    }
    media::RenderEffect(m_playing_effect, m_from, m_to, progress, m_playing_grain, m_frame, m_seed);
    m_host.invalidate(m_rect);
    return true;
}

void Layer::finish_effect()
{
    if (!m_running) {
        return;
    }
    m_running = false;
    m_frame = std::move(m_to);
    m_from = media::Image();
    m_to = media::Image();
    m_host.invalidate(m_rect);
}

} // namespace framory::win32
