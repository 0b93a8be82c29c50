#pragma once

// Fakes of the platform services for the core's tests. They hold state the
// tests can look at afterwards (what the store holds, where the pointer
// count stands) rather than the order of calls.

#include "core/components/platform.h"
#include "core/startup/program.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace framory::testing {

// A path written with "/" spelled with the platform's own separator, so a
// case reads the same on Linux and on Windows.
inline std::string native(std::string path)
{
    std::replace(path.begin(), path.end(), '/', core::kPathSeparator);
    return path;
}

inline std::vector<std::string> native(std::vector<std::string> paths)
{
    for (std::string& path : paths) {
        path = native(std::move(path));
    }
    return paths;
}

class FakeStore : public core::SettingsStore {
public:
    std::map<std::pair<std::string, std::string>, std::string> values;
    std::vector<std::string> reads;  // "section/key"
    std::vector<std::string> writes; // "section/key=value"
    int open_groups = 0;

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
    void begin_group() override { ++open_groups; }
    void end_group() override { --open_groups; }

    void set(const std::string& key, const std::string& value) { values[{"Options", key}] = value; }
    bool has(const std::string& key) const { return values.count({"Options", key}) != 0; }
    std::string get(const std::string& key) const { return has(key) ? values.at({"Options", key}) : "(missing)"; }
};

// A 1920 by 1080 screen at 15 twips per pixel.
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
    std::optional<std::string> windows = native("/home/u/.local/share/Obelin Framory");
    std::string program = native("/opt/framory/bin/framory");
    bool other_instance = false;
    std::optional<std::string> windows_directory() override { return windows; }
    std::string program_file_path() override { return program; }
    bool another_instance_running() override { return other_instance; }
};

class FakeWindows : public core::WindowFinder {
public:
    std::vector<std::string> titles;
    bool top_level_window_exists(const std::string& title) override
    {
        return std::find(titles.begin(), titles.end(), title) != titles.end();
    }
};

class FakeCursor : public core::CursorService {
public:
    int count = 0;
    int show_cursor(Request request) override { return count += request == Request::Show ? 1 : -1; }
};

class FakePump : public core::EventPump {
public:
    int pending_runs = 0;
    // Runs at every pending-message pass, standing for the handlers that
    // queued messages would reach.
    std::function<void()> on_pending;
    // Runs at each pass of the waiting loop.
    std::function<void()> during_wait;
    void process_pending() override
    {
        ++pending_runs;
        if (on_pending) {
            on_pending();
        }
    }
    void run_while(const bool& running) override
    {
        for (int pass = 0; running && pass < 1000 && during_wait; ++pass) {
            during_wait();
        }
    }
};

class ManualClock : public core::Clock {
public:
    double now = 36000.0;
    double seconds_since_midnight() override { return now; }
};

// Hands out the listed draws, then `fallback`; counts reseeds.
class ScriptedRandom : public core::RandomSource {
public:
    std::deque<double> draws;
    double fallback = 0.5;
    int reseeds = 0;
    void reseed_from_clock() override { ++reseeds; }
    double draw() override
    {
        if (draws.empty()) {
            return fallback;
        }
        const double r = draws.front();
        draws.pop_front();
        return r;
    }
};

// Folders as lists of names; a folder not listed cannot be opened.
class FakeLister : public core::DirectoryLister {
public:
    std::map<std::string, std::vector<std::string>> folders;
    std::vector<std::string> opened;
    int names_handed = 0;

    std::unique_ptr<core::DirectoryListing> list(const std::string& folder) override
    {
        opened.push_back(folder);
        const auto found = folders.find(folder);
        if (found == folders.end()) {
            return nullptr;
        }
        struct Listing : core::DirectoryListing {
            Listing(const std::vector<std::string>& n, int& h) : names(n), handed(h) {}
            const std::vector<std::string>& names;
            int& handed;
            std::size_t at = 0;
            std::optional<std::string> next_name() override
            {
                if (at >= names.size()) {
                    return std::nullopt;
                }
                ++handed;
                return names[at++];
            }
        };
        return std::make_unique<Listing>(found->second, names_handed);
    }
};

// A window to centre, with its outer size.
class FakeMovable : public core::MovableWindow {
public:
    double width = 0;
    double height = 0;
    double left = -1;
    double top = -1;
    double width_twips() override { return width; }
    double height_twips() override { return height; }
    void move_to_twips(double l, double t) override
    {
        left = l;
        top = t;
    }
};

} // namespace framory::testing
