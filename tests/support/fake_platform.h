#pragma once

// Fakes of the platform services for the core's tests. Each records what
// the code under test asked of it, in order, so tests can check sequences.

#include "core/components/platform.h"
#include "core/startup/program.h"

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace framory::testing {

class FakeStore : public core::SettingsStore {
public:
    std::map<std::pair<std::string, std::string>, std::string> values;
    std::vector<std::string> reads;  // "section/key"
    std::vector<std::string> writes; // "section/key=value"
    int groups_begun = 0;
    int groups_ended = 0;

    std::string read(const std::string& section, const std::string& key, const std::string& fallback) override
    {
        reads.push_back(section + "/" + key);
        const auto found = values.find({section, key});
        return found == values.end() ? fallback : found->second;
    }
    void write(const std::string& section, const std::string& key, const std::string& value) override
    {
        writes.push_back(section + "/" + key + "=" + value);
        values[{section, key}] = value;
    }
    void begin_group() override { ++groups_begun; }
    void end_group() override { ++groups_ended; }

    void set(const std::string& key, const std::string& value) { values[{"Options", key}] = value; }
    bool has(const std::string& key) const { return values.count({"Options", key}) != 0; }
    const std::string& get(const std::string& key) const { return values.at({"Options", key}); }
};

class FakeScreen : public core::ScreenMetrics {
public:
    double tppx = 15.0;
    double tppy = 15.0;
    double width = 1920.0 * 15.0;
    double height = 1080.0 * 15.0;
    double twips_per_pixel_x() override { return tppx; }
    double twips_per_pixel_y() override { return tppy; }
    double screen_width_twips() override { return width; }
    double screen_height_twips() override { return height; }
};

class FakeSystem : public core::SystemInfo {
public:
    std::optional<std::string> windows = std::string("/home/u/.local/share/Obelin Framory");
    std::string program = "/opt/framory/bin/framory";
    bool other_instance = false;
    int windows_queries = 0;
    std::optional<std::string> windows_directory() override
    {
        ++windows_queries;
        return windows;
    }
    std::string program_file_path() override { return program; }
    bool another_instance_running() override { return other_instance; }
};

class FakeWindows : public core::WindowFinder {
public:
    std::vector<std::string> titles;
    std::vector<std::string> queries;
    bool top_level_window_exists(const std::string& title) override
    {
        queries.push_back(title);
        for (const auto& t : titles) {
            if (t == title) {
                return true;
            }
        }
        return false;
    }
};

class FakeCursor : public core::CursorService {
public:
    int count = 0;
    int calls = 0;
    int show_cursor(Request request) override
    {
        ++calls;
        count += request == Request::Show ? 1 : -1;
        return count;
    }
};

class FakePump : public core::EventPump {
public:
    int pending_runs = 0;
    int waits = 0;
    // Runs during run_while, standing for the show window's handlers.
    std::function<void()> during_wait;
    void process_pending() override { ++pending_runs; }
    void run_while(const bool& running) override
    {
        ++waits;
        // A real loop waits for messages; here each pass runs the handler once.
        for (int pass = 0; running && pass < 1000; ++pass) {
            if (during_wait) {
                during_wait();
            }
        }
    }
};

class FakeForms : public core::ModeForms {
public:
    std::vector<std::string> opened;
    bool result = true;
    // Called when a form opens, to look at the program's values at that moment.
    std::function<void(core::Program&)> on_open;

    bool open_configuration(core::Program& p) override { return record("configuration", p); }
    bool open_show(core::Program& p) override { return record("show", p); }
    bool load_preview(core::Program& p) override { return record("preview", p); }
    bool open_change_password(core::Program& p) override { return record("change_password", p); }
    bool open_hosted_show(core::Program& p, const core::HostedRequest&) override { return record("hosted", p); }

private:
    bool record(const std::string& name, core::Program& p)
    {
        opened.push_back(name);
        if (on_open) {
            on_open(p);
        }
        return result;
    }
};

// A complete fake world for start-up.
struct FakeStartupWorld {
    FakeScreen screen;
    FakeSystem system;
    FakeWindows windows;
    FakeStore store;
    FakePump pump;
    FakeForms forms;
    core::StartupServices services{screen, system, windows, store, pump, forms};
};

} // namespace framory::testing
