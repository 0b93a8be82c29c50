#include "qt/platform/stay_on_top.h"

#include <X11/Xlib.h>

#include <algorithm>

namespace framory::qt {

namespace {

constexpr int kPollMs = 500;

bool viewable(Display* display, Window window)
{
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, window, &attributes) != 0 && attributes.map_state == IsViewable;
}

} // namespace

StayOnTop::StayOnTop(QObject* parent)
    : QObject(parent), m_x([this](XEvent& event) {
          // Any change of a root child's place in the stack may put a
          // window above ours; one check follows a burst of them.
          if (!m_windows.empty() && (event.type == ConfigureNotify || event.type == MapNotify ||
                                     event.type == CirculateNotify || event.type == ReparentNotify)) {
              m_soon.start();
          }
      })
{
    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, &StayOnTop::check);
    m_soon.setSingleShot(true);
    m_soon.setInterval(0);
    connect(&m_soon, &QTimer::timeout, this, &StayOnTop::check);
}

void StayOnTop::keep(std::vector<unsigned long> bottom_to_top)
{
    m_windows = std::move(bottom_to_top);
    Display* display = m_x.display();
    if (display == nullptr) {
        return;
    }
    XSelectInput(display, DefaultRootWindow(display), m_windows.empty() ? NoEventMask : SubstructureNotifyMask);
    XFlush(display);
    if (m_windows.empty()) {
        m_poll.stop();
        m_soon.stop();
        return;
    }
    m_poll.start();
    check();
}

void StayOnTop::place_below(unsigned long window, unsigned long sibling)
{
    m_x.quietly([&] {
        XWindowChanges changes{};
        changes.sibling = sibling;
        changes.stack_mode = Below;
        XConfigureWindow(m_x.display(), window, CWSibling | CWStackMode, &changes);
    });
}

bool StayOnTop::check()
{
    Display* display = m_x.display();
    if (display == nullptr || m_windows.empty()) {
        return false;
    }
    bool restack = false;
    m_x.quietly([&] {
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count) == 0) {
            return;
        }
        const std::vector<Window> stack(children, children + count);
        if (children != nullptr) {
            XFree(children);
        }
        // From the top down: our windows must come first, in order; a
        // window of another client that shows above any of them is one too
        // many. Windows of ours that are not on screen are passed over.
        std::vector<Window> ours;
        for (const unsigned long window : m_windows) {
            if (std::find(stack.begin(), stack.end(), window) != stack.end() && viewable(display, window)) {
                ours.push_back(window);
            }
        }
        auto expected = ours.rbegin();
        for (auto it = stack.rbegin(); it != stack.rend() && expected != ours.rend(); ++it) {
            if (*it == *expected) {
                ++expected;
            } else if (std::find(ours.begin(), ours.end(), *it) != ours.end() || viewable(display, *it)) {
                restack = true;
                break;
            }
        }
        if (restack) {
            for (const Window window : ours) {
                XRaiseWindow(display, window);
            }
        }
    });
    return restack;
}

} // namespace framory::qt
