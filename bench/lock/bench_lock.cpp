// Starts the real show on a private X server and measures, side by side
// with a plain round trip to the server, how long the show takes to be on
// top again after another client maps a window over it, and to cover a
// monitor that `xrandr --setmonitor` adds.
#include <QRect> // before Xlib, whose macros clash with Qt's names

#include "support/program_under_test.h"
#include "support/x_session.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace {

using framory::testing::XDisplay;
using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Polls every millisecond, finer than the tests' waits.
template <class Condition>
void wait_closely(Condition done)
{
    const auto end = Clock::now() + std::chrono::seconds(5);
    while (!done() && Clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// The topmost mapped child of the root window, and whether a mapped one
// has exactly this geometry.
Window top_child(const XDisplay& x, const QRect* with_area = nullptr, bool* found = nullptr)
{
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    XQueryTree(x.get(), x.root(), &root, &parent, &children, &count);
    Window top = 0;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes a;
        if (XGetWindowAttributes(x.get(), children[i], &a) != 0 && a.map_state == IsViewable) {
            top = children[i];
            if (with_area != nullptr && QRect(a.x, a.y, a.width, a.height) == *with_area) {
                *found = true;
            }
        }
    }
    if (children != nullptr) {
        XFree(children);
    }
    return top;
}

} // namespace

int main()
{
    framory::testing::XServer server;
    XDisplay x;
    if (!server.started() || x.get() == nullptr) {
        std::fprintf(stderr, "bench_lock: no X server (Xvfb) could be started\n");
        return 1;
    }
    char pattern[] = "/tmp/framory-bench-lock-XXXXXX";
    const std::filesystem::path home = ::mkdtemp(pattern);
    std::filesystem::create_directories(home / "config");
    std::ofstream(home / "config" / "Obelin Framory.ini") << "[Options]\nfolders_total=0\nscene_delay=60\n";
    framory::testing::ProgramUnderTest show(FRAMORY_BINARY, {"/S"}, home, {"HOME=" + home.string()});
    if (!framory::testing::WaitForWindow("screen saver running", true, std::chrono::seconds(10))) {
        std::fprintf(stderr, "bench_lock: the show did not open\n");
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::seconds(1)); // settled: grabs taken, covers up

    std::vector<double> round_trips;
    std::vector<double> back_on_top;
    for (int i = 0; i < 20; ++i) {
        auto start = Clock::now();
        XSync(x.get(), False);
        round_trips.push_back(ms_since(start));

        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        const Window intruder = XCreateWindow(x.get(), x.root(), 0, 0, 300, 300, 0, CopyFromParent, InputOutput,
                                              nullptr, CWOverrideRedirect, &attributes);
        XMapRaised(x.get(), intruder);
        XSync(x.get(), False);
        start = Clock::now();
        wait_closely([&] { return top_child(x) != intruder; });
        back_on_top.push_back(ms_since(start));
        XDestroyWindow(x.get(), intruder);
        XSync(x.get(), False);
    }

    std::vector<double> xrandr_runs;
    std::vector<double> covered;
    const QRect right(640, 0, 640, 800);
    for (int i = 0; i < 5; ++i) {
        auto start = Clock::now();
        std::system("xrandr --setmonitor bench 640/170x800/210+640+0 none >/dev/null 2>&1");
        xrandr_runs.push_back(ms_since(start));
        wait_closely([&] {
            bool found = false;
            top_child(x, &right, &found);
            return found;
        });
        covered.push_back(ms_since(start));
        std::system("xrandr --delmonitor bench >/dev/null 2>&1");
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }

    const double trip = median(round_trips);
    std::printf("X server round trip (median of 20):          %8.2f ms\n", trip);
    std::printf("show on top again after a window maps over it: %8.2f ms median, %.2f ms worst (%.0fx a round trip)\n",
                median(back_on_top), *std::max_element(back_on_top.begin(), back_on_top.end()),
                median(back_on_top) / std::max(trip, 0.001));
    std::printf("xrandr --setmonitor run (median of 5):        %8.2f ms\n", median(xrandr_runs));
    std::printf("new monitor covered, from the xrandr start:    %8.2f ms median, %.2f ms worst (%.1fx the xrandr run)\n",
                median(covered), *std::max_element(covered.begin(), covered.end()),
                median(covered) / std::max(median(xrandr_runs), 0.001));
    std::filesystem::remove_all(home);
    return 0;
}
