#pragma once

// The picture, label and sound components as state: what each would show or
// play now, so the show's tests look at the screen rather than at the order
// of property calls.

#include "core/components/fx_components.h"
#include "core/settings/settings.h"

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace framory::testing {

template <class Component> class FakeVisual : public Component {
public:
    double left = 0, top = 0, width = 0, height = 0;
    bool visible = false;
    int effect = 0, grain = 0, pace = 0, cancel_mode = 0;
    int played_effect = -1; // the effect the last show() played

    void move(double l, double t, double w, double h) override
    {
        left = l;
        top = t;
        width = w;
        height = h;
    }
    void show() override
    {
        visible = true;
        played_effect = effect;
    }
    void hide() override { visible = false; }
    void bring_to_front() override {}
    void refresh() override {}
    void set_events(core::ComponentEvents) override {}
    void set_effect(int n) override { effect = n; }
    void set_effect_grain(int g) override { grain = g; }
    void set_effect_pace(int p) override { pace = p; }
    void set_drawing(bool) override {}
    void set_effect_cancel(int mode) override { cancel_mode = mode; }
};

// An 800 x 600 black picture.
class PictureStub : public core::PictureObject {
public:
    core::PixelView pixels() const override { return {m_pixels.data(), 800, 600, 800}; }

private:
    std::vector<std::uint32_t> m_pixels = std::vector<std::uint32_t>(800 * 600, 0xff000000u);
};

class FakeImage : public FakeVisual<core::FXImage> {
public:
    struct Loaded {
        int status = 0;
        int width = 0;
        int height = 0;
    };
    std::map<std::string, Loaded> files; // a file not listed fails to load
    std::string file;
    Loaded loaded;
    std::vector<std::string> loads, prepared;
    core::SizeMode size_mode{};
    core::FrameValues frame; // the frame properties, by the values' names
    int captures = 0;        // snapshot mode 3 reached

    void set_file_name(const std::string& path) override
    {
        file = path;
        const auto found = files.find(path);
        loaded = path.empty() ? Loaded{} : found == files.end() ? Loaded{1, 0, 0} : found->second;
        if (!path.empty()) {
            loads.push_back(path);
        }
    }
    int load_status() const override { return loaded.status; }
    int natural_width() const override { return loaded.width; }
    int natural_height() const override { return loaded.height; }
    void set_size_mode(core::SizeMode m) override { size_mode = m; }
    void set_band1_colour_a(int c) override { frame.border_colour_1 = static_cast<std::int16_t>(c); }
    void set_band1_colour_b(int c) override { frame.border_colour_2 = static_cast<std::int16_t>(c); }
    void set_band1_style(int s) override { frame.border_style_1 = static_cast<std::int16_t>(s); }
    void set_band1_size(int s) override { frame.border_size_1 = static_cast<std::int16_t>(s); }
    void set_band2_colour_a(int c) override { frame.border_colour_3 = static_cast<std::int16_t>(c); }
    void set_band2_colour_b(int c) override { frame.border_colour_4 = static_cast<std::int16_t>(c); }
    void set_band2_style(int s) override { frame.border_style_2 = static_cast<std::int16_t>(s); }
    void set_band2_size(int s) override { frame.border_size_2 = static_cast<std::int16_t>(s); }
    void set_outer_colour(int c) override { frame.border_colour_5 = static_cast<std::int16_t>(c); }
    void set_outer_size(int s) override { frame.border_size_3 = static_cast<std::int16_t>(s); }
    void set_snapshot_mode(core::SnapshotMode m) override { captures += m == core::SnapshotMode::Capture ? 1 : 0; }
    std::shared_ptr<const core::PictureObject> snapshot_picture() const override
    {
        return captures > 0 ? std::make_shared<PictureStub>() : nullptr;
    }
    void empty_preview() override {}
    void prepare(const std::string& path) override { prepared.push_back(path); }
    double component_width() const override { return width; }
    double component_height() const override { return height; }
};

class FakeLabel : public FakeVisual<core::FXLabel> {
public:
    std::string caption;
    int gradient_colour = -1, gradient_style = -1, smoothness = 0, text_size = 0;
    bool bold = false;

    void set_caption(const std::string& text) override { caption = text; }
    void set_gradient_colour(int c) override { gradient_colour = c; }
    void set_gradient_style(int s) override { gradient_style = s; }
    void set_gradient_smoothness(int v) override { smoothness = v; }
    void set_text_size(int p) override { text_size = p; }
    void set_bold(bool b) override { bold = b; }
    // A label sizes itself to its caption: 10 units a character, 20 high.
    double component_width() const override { return 10.0 * static_cast<double>(caption.size()); }
    double component_height() const override { return caption.empty() ? 0.0 : 20.0; }
};

class FakeSound : public core::FXSnd {
public:
    std::string playing;              // "" when stopped
    std::vector<std::string> started; // every file started, with its device
    core::SoundDevice device{};
    std::vector<int> commands;
    std::function<void()> finished;

    void set_device(core::SoundDevice d) override { device = d; }
    void set_sound_file(const std::string& path) override
    {
        playing = path;
        if (!path.empty()) {
            started.push_back(path + (device == core::SoundDevice::Wave ? " (wave)" : " (midi)"));
        }
    }
    void set_command(int c) override { commands.push_back(c); }
    void set_finished_handler(std::function<void()> handler) override { finished = std::move(handler); }
    // Stopped by the stop sequence: no file, then commands 11 and 1.
    bool stopped() const
    {
        return playing.empty() && commands.size() >= 2 && commands[commands.size() - 2] == 11 && commands.back() == 1;
    }
};

} // namespace framory::testing
