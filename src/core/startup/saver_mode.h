#pragma once

#include <cstdint>
#include <string>
#include <optional>
#include <string_view>
#include <vector>

namespace framory::core {

// The role chosen from the command line.
enum class SaverMode { Configure, Run, Preview, ChangePassword, None };

// The switch: the first two characters of the argument text, upper-cased;
// "/C" when the text is empty. Nothing is trimmed.
std::string SwitchOf(std::string_view argument_text);

// The mode a switch names; exact comparison with "/C", "/S", "/P", "/A".
SaverMode ModeOfSwitch(std::string_view switch_text);

// Reads text as a number the way the host's number reader does: blanks,
// tabs and line feeds are skipped wherever they stand, the rest is read as
// far as it forms a decimal number (sign, digits, point, exponent), and text
// that does not begin with a number gives 0. The nearest whole number is
// taken, halves to the even neighbour. A number outside the 32-bit range
// cannot be a window handle and gives 0 as well.
std::int32_t ReadWindowHandle(std::string_view text);

// The text after the switch's two characters.
std::string_view TextAfterSwitch(std::string_view argument_text);

// A request to draw the show into a window that another program owns, as a
// display mode of a screen-saver daemon (XScreenSaver): the whole arguments
// "-root" or "--root", and "-window-id N" or "--window-id N" with N in
// decimal or in hexadecimal after "0x". The daemon passes "--root" and names
// its window in XSCREENSAVER_WINDOW; "-window-id" overrides that; "--root"
// alone draws on the screen's root window.
struct HostedRequest {
    enum class Target {
        Root,   // the screen's root window
        Window, // the window `window`
        Bad,    // a window id that names no window: the program ends
    };
    Target target = Target::Root;
    std::uint32_t window = 0;
};

// The hosted request the arguments make, or nothing when they are not one
// (any other argument among them): then the role switch decides.
// `xscreensaver_window` is that variable's value, or null when it is unset.
std::optional<HostedRequest> HostedRequestOf(const std::vector<std::string>& arguments,
                                             const char* xscreensaver_window);

} // namespace framory::core
