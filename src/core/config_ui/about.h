#pragma once

// This folder: the rules of the configuration dialogs: the hub, the options
// dialog, the folder editor and the about box, with their texts and keyboard
// order, for both front ends.

#include "core/components/platform.h"
#include "core/config_ui/control_text.h"

#include <array>
#include <string_view>

// The about box, frm_about: the product, the maker and a way to the maker's
// home page.

namespace framory::core {

inline constexpr std::string_view kAboutTitle = "About This Screen Saver...";

// The maker's details shown in the box and the page its button opens.
inline constexpr std::string_view kMakerName = "Obelin Software";
inline constexpr std::string_view kMakerMail = "support@obelin.example";
inline constexpr std::string_view kMakerWeb = "www.obelin.example";
inline constexpr std::string_view kMakerHomePage = "https://www.obelin.example/";
inline constexpr std::string_view kMakerLine = "Thank you for choosing Framory!";

// One line of the label array Label1, centred in its box (twips).
struct AboutLine {
    int index;
    int left;
    int top;
    int width;
    int height;
    std::string_view text;
    bool bold;
};

// The six lines from top to bottom.
inline constexpr std::array<AboutLine, 6> kAboutLines{{
    {2, 2520, 90, 2055, 195, "Framory", true},
    {1, 2520, 330, 2055, 225, "Developed By:", false},
    {3, 2520, 600, 2055, 225, kMakerName, true},
    {4, 2520, 870, 2055, 225, kMakerMail, false},
    {5, 2520, 1200, 2055, 225, kMakerWeb, false},
    {0, 2460, 1530, 2145, 225, kMakerLine, false},
}};

inline constexpr std::array<ControlText, 2> kAboutButtons{{
    {"Command2", "Want more screen savers? Click Here!", "Click here to launch your browser to our internet home page!"},
    {"Command1", "Ok", "Click here to exit this screen"},
}};

// "Ok" comes first.
inline constexpr std::array<std::string_view, 2> kAboutTabOrder{"Command1", "Command2"};

// "Want more screen savers? Click Here!": the shell hands the address to
// the default browser. Whether it started is not examined, and the box
// stays open.
inline void OpenMakerHomePage(Shell& shell)
{
    static_cast<void>(shell.ShellExecute(std::string(kMakerHomePage)));
}

} // namespace framory::core
