#pragma once

// Components that log every call in order, for the show's tests. Loading
// results come from a table the test fills.

#include "core/components/fx_components.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace framory::testing {

class CallLog {
public:
    std::vector<std::string> calls;
    void add(std::string call) { calls.push_back(std::move(call)); }
    void clear() { calls.clear(); }
};

class RecordingVisual {
protected:
    RecordingVisual(CallLog& log, std::string name) : m_log(log), m_name(std::move(name)) {}
    void log(const std::string& call) { m_log.add(m_name + "." + call); }

public:
    core::ComponentEvents events;

private:
    CallLog& m_log;
    std::string m_name;
};

class RecordingFXImage : public core::FXImage, public RecordingVisual {
public:
    struct Loaded {
        int status = 0;
        int width = 0;
        int height = 0;
    };
    // What loading each file gives; a file not listed fails to load.
    std::map<std::string, Loaded> files;

    RecordingFXImage(CallLog& log, std::string name) : RecordingVisual(log, std::move(name)) {}

    void move(double l, double t, double w, double h) override
    {
        log("move(" + num(l) + "," + num(t) + "," + num(w) + "," + num(h) + ")");
    }
    void show() override { log("show"); }
    void hide() override { log("hide"); }
    void bring_to_front() override { log("front"); }
    void refresh() override { log("refresh"); }
    void set_events(core::ComponentEvents e) override { events = std::move(e); }

    void set_file_name(const std::string& path) override
    {
        log("file=" + path);
        const auto found = files.find(path);
        m_current = path.empty() ? Loaded{0, 0, 0} : found == files.end() ? Loaded{1, 0, 0} : found->second;
    }
    int load_status() const override { return m_current.status; }
    int natural_width() const override { return m_current.width; }
    int natural_height() const override { return m_current.height; }
    void set_size_mode(core::SizeMode m) override { log("size_mode=" + std::to_string(static_cast<int>(m))); }
    void set_effect(int n) override { log("effect=" + std::to_string(n)); }
    void set_effect_grain(int g) override { log("grain=" + std::to_string(g)); }
    void set_effect_pace(int p) override { log("pace=" + std::to_string(p)); }
    void set_drawing(bool on) override { log(std::string("drawing=") + (on ? "1" : "0")); }
    void set_band1_colour_a(int c) override { log("p24=" + std::to_string(c)); }
    void set_band1_colour_b(int c) override { log("p25=" + std::to_string(c)); }
    void set_band1_style(int s) override { log("p23=" + std::to_string(s)); }
    void set_band1_size(int s) override { log("p22=" + std::to_string(s)); }
    void set_band2_colour_a(int c) override { log("p17=" + std::to_string(c)); }
    void set_band2_colour_b(int c) override { log("p19=" + std::to_string(c)); }
    void set_band2_style(int s) override { log("p18=" + std::to_string(s)); }
    void set_band2_size(int s) override { log("p10=" + std::to_string(s)); }
    void set_outer_colour(int c) override { log("p21=" + std::to_string(c)); }
    void set_outer_size(int s) override { log("p20=" + std::to_string(s)); }
    void set_effect_cancel(int m) override { log("cancel=" + std::to_string(m)); }
    void set_snapshot_mode(core::SnapshotMode m) override { log("snapshot=" + std::to_string(static_cast<int>(m))); }
    std::shared_ptr<const core::PictureObject> snapshot_picture() const override { return nullptr; }
    void empty_preview() override { log("empty"); }
    void prepare(const std::string& path) override { log("prepare=" + path); }
    double component_width() const override { return 0; }
    double component_height() const override { return 0; }

private:
    static std::string num(double v)
    {
        std::string s = std::to_string(v);
        s.erase(s.find_last_not_of('0') + 1);
        if (s.back() == '.') {
            s.pop_back();
        }
        return s;
    }
    Loaded m_current;
};

class RecordingFXLabel : public core::FXLabel, public RecordingVisual {
public:
    RecordingFXLabel(CallLog& log, std::string name) : RecordingVisual(log, std::move(name)) {}

    void move(double l, double t, double w, double h) override
    {
        log("move(" + std::to_string(static_cast<long>(l)) + "," + std::to_string(static_cast<long>(t)) + "," +
            std::to_string(static_cast<long>(w)) + "," + std::to_string(static_cast<long>(h)) + ")");
    }
    void show() override { log("show"); }
    void hide() override { log("hide"); }
    void bring_to_front() override { log("front"); }
    void refresh() override { log("refresh"); }
    void set_events(core::ComponentEvents e) override { events = std::move(e); }
    void set_caption(const std::string& text) override
    {
        log("caption=" + text);
        set_caption_text(text);
    }
    void set_effect(int n) override { log("effect=" + std::to_string(n)); }
    void set_effect_grain(int g) override { log("grain=" + std::to_string(g)); }
    void set_effect_pace(int p) override { log("pace=" + std::to_string(p)); }
    void set_drawing(bool on) override { log(std::string("drawing=") + (on ? "1" : "0")); }
    void set_gradient_colour(int c) override { log("gradient_colour=" + std::to_string(c)); }
    void set_gradient_style(int s) override { log("gradient_style=" + std::to_string(s)); }
    void set_gradient_smoothness(int v) override { log("p53=" + std::to_string(v)); }
    void set_effect_cancel(int m) override { log("cancel=" + std::to_string(m)); }
    void set_text_size(int p) override { log("text_size=" + std::to_string(p)); }
    void set_bold(bool b) override { log(std::string("bold=") + (b ? "1" : "0")); }
    // A label sizes itself to its caption: 10 units a character, 20 high.
    double component_width() const override { return 10.0 * static_cast<double>(m_caption.size()); }
    double component_height() const override { return m_caption.empty() ? 0.0 : 20.0; }
    void set_caption_text(const std::string& text) { m_caption = text; }

private:
    std::string m_caption;
};

class RecordingFXSnd : public core::FXSnd {
public:
    RecordingFXSnd(CallLog& log, std::string name) : m_log(log), m_name(std::move(name)) {}
    std::function<void()> finished;

    void set_device(core::SoundDevice d) override { m_log.add(m_name + ".device=" + std::to_string(static_cast<int>(d))); }
    void set_sound_file(const std::string& path) override { m_log.add(m_name + ".file=" + path); }
    void set_command(int c) override { m_log.add(m_name + ".command=" + std::to_string(c)); }
    void set_finished_handler(std::function<void()> handler) override { finished = std::move(handler); }

private:
    CallLog& m_log;
    std::string m_name;
};

} // namespace framory::testing
