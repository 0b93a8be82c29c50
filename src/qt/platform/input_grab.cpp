#include "qt/platform/input_grab.h"
#include "qt/platform/x_watch_connection.h"

#include <X11/Xlib.h>

namespace framory::qt {

namespace {

constexpr int kRetryMs = 100;
constexpr int kRefreshMs = 500;
constexpr qint64 kGiveUpReportMs = 5000;

} // namespace

InputGrab::InputGrab(std::FILE* report, QObject* parent) : QObject(parent), m_report(report)
{
    connect(&m_timer, &QTimer::timeout, this, &InputGrab::attempt);
}

InputGrab::~InputGrab()
{
    release();
}

void InputGrab::hold(unsigned long window)
{
    if (window == m_window) {
        return;
    }
    release();
    m_window = window;
    m_keyboard = Device{"keyboard"};
    m_pointer = Device{"pointer"};
    if (m_window != 0 && QtXDisplay() != nullptr) {
        attempt();
    }
}

void InputGrab::attempt()
{
    Display* display = QtXDisplay();
    if (display == nullptr || m_window == 0) {
        return;
    }
    // Asynchronous modes: nothing freezes, so the show's own clients (and
    // the X server) go on as usual while the grab is held.
    note(m_keyboard, XGrabKeyboard(display, m_window, True, GrabModeAsync, GrabModeAsync, CurrentTime));
    const unsigned int pointer_events = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
    note(m_pointer, XGrabPointer(display, m_window, True, pointer_events, GrabModeAsync, GrabModeAsync, None, None,
                                 CurrentTime));
    m_timer.start(m_keyboard.held && m_pointer.held ? kRefreshMs : kRetryMs);
}

void InputGrab::note(Device& device, int status)
{
    if (status == GrabSuccess) {
        if (device.refused && !device.reported) {
            device.reported = true;
            std::fprintf(m_report, "framory: took the %s grab after %.1f s: another client held it until then\n",
                         device.name, static_cast<double>(device.refused_since.elapsed()) / 1000.0);
            std::fflush(m_report);
        }
        device.refused = false;
        device.held = true;
        return;
    }
    device.held = false;
    // A window not yet on screen cannot be grabbed; that is no one's fault.
    if (status == GrabNotViewable) {
        return;
    }
    if (!device.refused) {
        device.refused = true;
        device.refused_since.start();
    } else if (!device.reported && device.refused_since.elapsed() >= kGiveUpReportMs) {
        device.reported = true;
        std::fprintf(m_report, "framory: could not grab the %s: another client holds it; the show goes on and "
                               "keeps trying\n",
                     device.name);
        std::fflush(m_report);
    }
}

void InputGrab::release()
{
    m_timer.stop();
    Display* display = QtXDisplay();
    if (display != nullptr && m_window != 0) {
        XUngrabKeyboard(display, CurrentTime);
        XUngrabPointer(display, CurrentTime);
        XFlush(display);
    }
    m_window = 0;
    m_keyboard.held = false;
    m_pointer.held = false;
}

} // namespace framory::qt
