#include "qt/platform/display_profile.h"

#include "qt/platform/x_watch_connection.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace framory::qt {

namespace {

// A profile larger than this is not a display profile anyone publishes; it
// is left aside rather than read into memory.
constexpr long kLargestProfile = 16L * 1024 * 1024;

} // namespace

std::vector<std::uint8_t> DisplayIccProfile(Display* display)
{
    std::vector<std::uint8_t> profile;
    if (display == nullptr) {
        return profile;
    }
    const Atom property = XInternAtom(display, "_ICC_PROFILE", True);
    if (property == None) {
        return profile;
    }
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    const int status =
        XGetWindowProperty(display, DefaultRootWindow(display), property, 0, kLargestProfile / 4, False,
                           AnyPropertyType, &type, &format, &count, &remaining, &data);
    // Published as 8-bit items; anything else is not an ICC profile.
    if (status == Success && data != nullptr && format == 8 && remaining == 0) {
        profile.assign(data, data + count);
    }
    if (data != nullptr) {
        XFree(data);
    }
    return profile;
}

std::vector<std::uint8_t> DisplayIccProfile()
{
    return DisplayIccProfile(QtXDisplay());
}

} // namespace framory::qt
