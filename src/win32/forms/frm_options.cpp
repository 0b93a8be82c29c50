#include "win32/forms/frm_options.h"

#include "core/startup/program.h"
#include "win32/platform/system_services.h"

#include <algorithm>
#include <array>
#include <string>

namespace framory::win32 {

namespace {

// Control ids: option button n is kOption + n, slider HScroll n is
// kSlider + n, button Command n is kCommand + n.
enum : int { kOption = 100, kCommand = 200, kSlider = 300, kFrame = 400, kLabel = 500 };

constexpr double kFrameWidth = 3045;
constexpr double kFrameHeight = 735;

// The frames: the groups of option buttons (whose captions and tooltips
// are the rules'), the sliders' frames and the keys of the show.
struct FrameSpot {
    std::string_view name;
    double left;
    double top;
    double width;
};
constexpr std::array<FrameSpot, 11> kFrames{{
    {"Frame1", 60, 60, kFrameWidth},
    {"Frame2", 60, 900, kFrameWidth},
    {"Frame3", 60, 1740, kFrameWidth},
    {"Frame7", 60, 2580, kFrameWidth},
    {"Frame5", 60, 3420, kFrameWidth},
    {"Frame6", 3180, 60, kFrameWidth},
    {"Frame4", 3180, 900, kFrameWidth},
    {"Frame8", 3180, 1740, kFrameWidth},
    {"Frame9", 3180, 2580, kFrameWidth},
    {"Frame10", 3180, 3420, kFrameWidth},
    {"Frame11", 60, 4260, 6165},
}};

// The controls inside the frames, in twips from the frame's corner: one
// line below the caption, two in "Cancel video effect when:", the sliders'
// frames and the keys of the show.
struct Spot {
    std::string_view name;
    std::string_view frame;
    Place place;
};
constexpr std::array<Spot, 30> kSpots{{
    {"Option14", "Frame1", {120, 300, 600, 255}},  {"Option7", "Frame1", {750, 300, 1110, 255}},
    {"Option6", "Frame1", {1890, 300, 1110, 255}}, {"Option8", "Frame2", {120, 300, 1200, 255}},
    {"Option9", "Frame2", {1560, 300, 1200, 255}}, {"Option2", "Frame3", {120, 300, 735, 255}},
    {"Option1", "Frame3", {960, 300, 735, 255}},   {"Command3", "Frame3", {1860, 240, 1065, 375}},
    {"Option10", "Frame7", {120, 300, 1200, 255}}, {"Option11", "Frame7", {1560, 300, 1200, 255}},
    {"Option15", "Frame5", {120, 225, 1395, 240}}, {"Option16", "Frame5", {1560, 225, 1395, 240}},
    {"Option17", "Frame5", {120, 465, 2805, 240}}, {"Label3", "Frame6", {120, 240, 600, 195}},
    {"HScroll2", "Frame6", {735, 225, 1575, 225}}, {"Label2", "Frame6", {2370, 240, 600, 195}},
    {"Label4", "Frame6", {120, 480, 600, 195}},    {"HScroll3", "Frame6", {735, 465, 1575, 225}},
    {"Label5", "Frame6", {2370, 480, 600, 195}},   {"Option3", "Frame4", {120, 300, 855, 255}},
    {"Option4", "Frame4", {1050, 300, 975, 255}},  {"Option5", "Frame4", {2100, 300, 900, 255}},
    {"HScroll1", "Frame8", {120, 315, 2070, 225}}, {"Label1", "Frame8", {2310, 270, 615, 315}},
    {"Option12", "Frame9", {120, 300, 1200, 255}}, {"Option13", "Frame9", {1560, 300, 1200, 255}},
    {"Option18", "Frame10", {90, 300, 1590, 255}}, {"Option19", "Frame10", {1740, 300, 1275, 255}},
    {"Label6_0", "Frame11", {120, 225, 5925, 210}}, {"Label6_1", "Frame11", {120, 465, 5925, 210}},
}};

Place place_of(std::string_view name)
{
    for (const Spot& spot : kSpots) {
        if (spot.name == name) {
            for (const FrameSpot& frame : kFrames) {
                if (frame.name == spot.frame) {
                    return {frame.left + spot.place.left, frame.top + spot.place.top, spot.place.width,
                            spot.place.height};
                }
            }
        }
    }
    return {0, 0, 0, 0};
}

std::string option_name(int number)
{
    return "Option" + std::to_string(number);
}

core::Slider slider_of(int id)
{
    return static_cast<core::Slider>(id - kSlider - 1);
}

} // namespace

frmOptions::frmOptions(core::Program& program, core::SettingsStore& store, core::ScreenMetrics& screen,
                       core::EventPump& pump, core::Shell& shell, std::function<void(HWND owner)> change_password)
    : m_screen(screen), m_change_password(std::move(change_password)),
      m_rules(program, *this, screen, pump, store, shell)
{
}

frmOptions::~frmOptions()
{
    // Taken down without being closed, the dialog still saves: every click
    // has been written already.
    close();
}

bool frmOptions::create(HWND owner, const Twips& twips, std::int32_t platform_id)
{
    if (!make_window(core::kOptionsCaption, 6285, 5490, twips, owner)) {
        return false;
    }
    FormControls& c = controls();
    const FontRole bold{Face::SansSerif, true};
    for (const core::OptionButton& button : core::kOptionButtons) {
        const core::OptionButton* first = std::find_if(core::kOptionButtons.begin(), core::kOptionButtons.end(),
                                                       [&](const auto& b) { return b.group == button.group; });
        const std::string name = option_name(button.number);
        HWND control = c.add(name, "BUTTON", button.caption, BS_AUTORADIOBUTTON | (first == &button ? WS_GROUP : 0),
                             kOption + button.number, place_of(name), {}, TextFit::Mark);
        tooltips().add(control, button.tooltip);
    }
    for (const std::string_view name : {"Label3", "Label2", "Label4", "Label5", "Label6_0", "Label6_1"}) {
        const DWORD align = name == "Label2" || name == "Label5" ? SS_RIGHT : SS_LEFT;
        c.add(name, "STATIC", core::FindControlText(core::kOptionsControls, name).caption, align | SS_NOPREFIX,
              kLabel, place_of(name), {}, TextFit::Line);
    }
    c.add("Label1", "STATIC", "", SS_CENTER | SS_CENTERIMAGE | WS_BORDER, kLabel + 1, place_of("Label1"), bold,
          TextFit::Line);
    for (const core::Slider slider : {core::Slider::HScroll1, core::Slider::HScroll2, core::Slider::HScroll3}) {
        const int number = static_cast<int>(slider) + 1;
        const std::string name = "HScroll" + std::to_string(number);
        HWND bar = c.add(name, "SCROLLBAR", "", SBS_HORZ | WS_TABSTOP, kSlider + number, place_of(name));
        const core::SliderRange range = core::RangeOf(slider);
        SetScrollRange(bar, SB_CTL, range.minimum, range.maximum, FALSE);
        SetScrollPos(bar, SB_CTL, range.initial, FALSE);
    }
    struct ButtonSpot {
        std::string_view name;
        int number;
        Place place;
        FontRole font;
    };
    for (const ButtonSpot& spot : {ButtonSpot{"Command3", 3, place_of("Command3"), {}},
                                   ButtonSpot{"Command2", 2, {60, 5040, 3045, 405}, {Face::Arial, true}},
                                   ButtonSpot{"Command1", 1, {3180, 5040, 3045, 405}, {Face::Arial, true}}}) {
        const core::ControlText text = core::FindControlText(core::kOptionsControls, spot.name);
        HWND button = c.add(spot.name, "BUTTON", text.caption, WS_TABSTOP, kCommand + spot.number, spot.place,
                            spot.font, TextFit::Button);
        tooltips().add(button, text.tooltip);
    }
    // The frames come last, under the controls they hold. A frame's tooltip
    // shows over its caption and the free space inside it.
    for (std::size_t i = 0; i < kFrames.size(); ++i) {
        const FrameSpot& spot = kFrames[i];
        std::string_view caption = core::FindControlText(core::kOptionsControls, spot.name).caption;
        std::string_view tip = core::FindControlText(core::kOptionsControls, spot.name).tooltip;
        for (const core::OptionGroupInfo& group : core::kOptionGroups) {
            if (group.frame == spot.name) {
                caption = group.caption;
                tip = group.tooltip;
            }
        }
        const Place place{spot.left, spot.top, spot.width, kFrameHeight};
        HWND frame = c.add(spot.name, "BUTTON", caption, BS_GROUPBOX, kFrame + static_cast<int>(i), place,
                           {Face::SansSerif, true}, TextFit::Frame);
        RECT area{};
        GetWindowRect(frame, &area);
        MapWindowPoints(nullptr, window(), reinterpret_cast<POINT*>(&area), 2);
        tooltips().add_area(static_cast<UINT>(kFrame + static_cast<int>(i)), area, tip);
    }
    m_rules.Form_Load(platform_id);
    update_tab_stops();
    finish(core::kOptionsTabOrder);
    return true;
}

HWND frmOptions::option(int number) const
{
    return const_cast<frmOptions*>(this)->controls().get(option_name(number));
}

double frmOptions::width_twips()
{
    return Win32MovableWindow(window(), m_screen).width_twips();
}

double frmOptions::height_twips()
{
    return Win32MovableWindow(window(), m_screen).height_twips();
}

void frmOptions::move_to_twips(double left, double top)
{
    Win32MovableWindow(window(), m_screen).move_to_twips(left, top);
}

void frmOptions::select_button(int number)
{
    const core::OptionButton* chosen = core::FindOptionButton(number);
    if (chosen == nullptr) {
        return;
    }
    for (const core::OptionButton& button : core::kOptionButtons) {
        if (button.group == chosen->group) {
            SendMessageA(option(button.number), BM_SETCHECK, button.number == number ? BST_CHECKED : BST_UNCHECKED, 0);
        }
    }
}

void frmOptions::set_slider_position(core::Slider slider, int position)
{
    SetScrollPos(controls().get("HScroll" + std::to_string(static_cast<int>(slider) + 1)), SB_CTL, position, TRUE);
}

void frmOptions::set_duration_text(const std::string& text)
{
    SetWindowTextA(controls().get("Label1"), text.c_str());
}

void frmOptions::disable_wallpaper_group()
{
    for (const std::string_view name : {"Frame7", "Option10", "Option11"}) {
        EnableWindow(controls().get(name), FALSE);
    }
}

void frmOptions::open_change_password()
{
    if (m_change_password) {
        m_change_password(window());
    }
}

void frmOptions::update_tab_stops()
{
    // The keyboard stops once in each group, at its selected button (at its
    // first when none is selected), as in the system's dialogs; the arrow
    // keys move within the group and select as they go.
    for (const core::OptionGroupInfo& group : core::kOptionGroups) {
        HWND entry = nullptr;
        for (const core::OptionButton& button : core::kOptionButtons) {
            if (button.group != group.group) {
                continue;
            }
            HWND control = option(button.number);
            if (entry == nullptr) {
                entry = control;
            }
            if (SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED) {
                entry = control;
                break;
            }
        }
        for (const core::OptionButton& button : core::kOptionButtons) {
            if (button.group == group.group) {
                HWND control = option(button.number);
                const LONG_PTR style = GetWindowLongPtrA(control, GWL_STYLE);
                SetWindowLongPtrA(control, GWL_STYLE, control == entry ? style | WS_TABSTOP : style & ~WS_TABSTOP);
            }
        }
    }
}

void frmOptions::scrolled(HWND bar, int request, int thumb)
{
    const int id = GetDlgCtrlID(bar);
    if (id <= kSlider || id > kSlider + 3) {
        return;
    }
    const core::Slider slider = slider_of(id);
    const core::SliderRange range = core::RangeOf(slider);
    const int old = GetScrollPos(bar, SB_CTL);
    int position = old;
    switch (request) {
    case SB_LINELEFT:
        position -= range.small_step;
        break;
    case SB_LINERIGHT:
        position += range.small_step;
        break;
    case SB_PAGELEFT:
        position -= range.large_step;
        break;
    case SB_PAGERIGHT:
        position += range.large_step;
        break;
    case SB_LEFT:
        position = range.minimum;
        break;
    case SB_RIGHT:
        position = range.maximum;
        break;
    case SB_THUMBPOSITION:
        // The thumb was let go; while it is dragged nothing changes.
        position = thumb;
        break;
    default:
        return;
    }
    position = std::clamp(position, range.minimum, range.maximum);
    if (position != old) {
        SetScrollPos(bar, SB_CTL, position, TRUE);
        m_rules.HScroll_Change(slider, position);
    }
}

void frmOptions::unload()
{
    m_rules.Form_Unload();
}

LRESULT frmOptions::handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_HSCROLL:
        scrolled(reinterpret_cast<HWND>(lparam), LOWORD(wparam), static_cast<short>(HIWORD(wparam)));
        return 0;
    case WM_COMMAND: {
        const int id = LOWORD(wparam);
        if (id > kOption && id <= kOption + 19 && HIWORD(wparam) == BN_CLICKED) {
            m_rules.Option_Click(id - kOption);
            update_tab_stops();
        } else if (id == kCommand + 1) {
            close();
        } else if (id == kCommand + 2) {
            m_rules.Command2_Click();
        } else if (id == kCommand + 3) {
            m_rules.Command3_Click();
        } else if (id == IDOK) {
            PressFocusedButton(window);
        }
        // IDCANCEL (Escape) does nothing: every click has been written.
        return 0;
    }
    default:
        return base_handle(window, message, wparam, lparam);
    }
}

void ShowOptionsDialog(core::Program& program, core::SettingsStore& store, core::ScreenMetrics& screen,
                       core::EventPump& pump, core::Shell& shell, std::function<void(HWND owner)> change_password,
                       HWND owner, const Twips& twips)
{
    frmOptions options(program, store, screen, pump, shell, std::move(change_password));
    if (options.create(owner, twips, PlatformIdentifier())) {
        options.run_modal(owner);
    }
}

} // namespace framory::win32
