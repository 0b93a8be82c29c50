#include "win32/forms/frm_configuration.h"

#include "core/startup/program.h"
#include "win32/forms/artwork.h"
#include "win32/forms/frm_about.h"
#include "win32/forms/frm_mgetfolder.h"
#include "win32/forms/frm_options.h"
#include "win32/platform/desktop_output.h"

#include <array>

namespace framory::win32 {

namespace {

enum : int {
    kCommand2 = 202,
    kCommand3 = 203,
    kCommand4 = 204,
    kCommand5 = 205,
    kCommand6 = 206,
    kCommand7 = 207,
    kCommand8 = 208,
    kCheck1 = 211,
    kImage1 = 301,
    kFrame1 = 302
};

struct HubControl {
    std::string_view name;
    int id;
    Place place;
};

// The large buttons with their icons, in the frame, and the row below.
constexpr std::array<HubControl, 3> kLargeButtons{{
    {"Command8", kCommand8, {5130, 210, 1815, 945}},
    {"Command7", kCommand7, {5130, 1290, 1815, 870}},
    {"Command6", kCommand6, {5130, 2310, 1815, 870}},
}};
constexpr std::array<HubControl, 4> kRowButtons{{
    {"Command5", kCommand5, {1170, 3840, 1000, 300}},
    {"Command3", kCommand3, {2250, 3840, 2640, 300}},
    {"Command2", kCommand2, {4980, 3840, 1000, 300}},
    {"Command4", kCommand4, {6060, 3840, 1000, 300}},
}};

} // namespace

frmConfiguration::frmConfiguration(core::Program& program, HubServices services)
    : m_program(program), m_services(std::move(services)), m_rules(program, *this, m_services.store, m_services.shell)
{
}

frmConfiguration::~frmConfiguration()
{
    close();
}

Twips frmConfiguration::twips() const
{
    return {static_cast<double>(m_program.twips_per_pixel_x), static_cast<double>(m_program.twips_per_pixel_y)};
}

bool frmConfiguration::open()
{
    if (!make_window("", 7125, 4200, twips(), nullptr)) {
        return false;
    }
    FormControls& c = controls();
    HWND image = c.add("Image1", "STATIC", "", SS_BITMAP | SS_CENTERIMAGE | WS_BORDER, kImage1, {90, 90, 4860, 3660});
    RECT inside{};
    GetClientRect(image, &inside);
    c.set_picture(image, ProductArtwork(inside.right, inside.bottom));

    const auto text = [](std::string_view name) { return core::FindControlText(core::kHubControls, name); };
    const std::uint32_t face = GetSysColor(COLOR_BTNFACE);
    const std::array<HubIcon, 3> icons{HubIcon::Folders, HubIcon::Options, HubIcon::Preview};
    for (std::size_t i = 0; i < kLargeButtons.size(); ++i) {
        const HubControl& button = kLargeButtons[i];
        // GetSysColor gives 0x00BBGGRR.
        m_icons[i] = HubIconImage(icons[i], media::Argb(GetRValue(face), GetGValue(face), GetBValue(face)));
        tooltips().add(c.add(button.name, "BUTTON", text(button.name).caption, BS_OWNERDRAW | WS_TABSTOP, button.id,
                             button.place, {}, TextFit::Button),
                       text(button.name).tooltip);
    }
    tooltips().add(c.add("Check1", "BUTTON", text("Check1").caption, BS_AUTOCHECKBOX | WS_TABSTOP, kCheck1,
                         {5100, 3330, 1845, 315}, {Face::SansSerif, true}, TextFit::Mark),
                   text("Check1").tooltip);
    for (const HubControl& button : kRowButtons) {
        tooltips().add(c.add(button.name, "BUTTON", text(button.name).caption, WS_TABSTOP, button.id, button.place, {},
                             TextFit::Button),
                       text(button.name).tooltip);
    }
    c.add("Frame1", "BUTTON", "", BS_GROUPBOX, kFrame1, {5010, 0, 2055, 3735});
    finish(core::kHubTabOrder);

    centre(m_services.screen, m_services.pump);
    m_rules.Form_Load();
    ShowWindow(window(), SW_SHOW);
    SetForegroundWindow(window());
    return true;
}

bool frmConfiguration::display_filenames()
{
    return SendMessageA(controls().get("Check1"), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void frmConfiguration::set_display_filenames(bool checked)
{
    SendMessageA(controls().get("Check1"), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void frmConfiguration::set_title(const std::string& title)
{
    SetWindowTextA(window(), title.c_str());
}

void frmConfiguration::show_show_modal()
{
    if (m_services.show_preview) {
        m_services.show_preview(window());
    }
}

void frmConfiguration::show_message(const std::string& title, const std::string& text)
{
    MessageBoxA(window(), text.c_str(), title.c_str(), MB_OK);
}

void frmConfiguration::end_program()
{
    PostQuitMessage(0);
}

void frmConfiguration::unload()
{
    m_rules.Form_Unload();
}

void frmConfiguration::draw_large_button(const DRAWITEMSTRUCT& item)
{
    // A push button with its icon above its caption.
    const bool pushed = (item.itemState & ODS_SELECTED) != 0;
    RECT r = item.rcItem;
    DrawFrameControl(item.hDC, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
    const int shift = pushed ? 1 : 0;
    std::size_t index = 0;
    while (index < kLargeButtons.size() && kLargeButtons[index].id != static_cast<int>(item.CtlID)) {
        ++index;
    }
    const int height = r.bottom - r.top;
    const int icon_top = r.top + std::max(2, height / 10) + shift;
    if (index < kLargeButtons.size() && !m_icons[index].empty()) {
        const media::Image& icon = m_icons[index];
        BITMAPINFO info = TopDownInfo(icon.width(), icon.height());
        SetDIBitsToDevice(item.hDC, (r.left + r.right - icon.width()) / 2 + shift, icon_top,
                          static_cast<DWORD>(icon.width()), static_cast<DWORD>(icon.height()), 0, 0, 0,
                          static_cast<UINT>(icon.height()), icon.data(), &info, DIB_RGB_COLORS);
    }
    char caption[128] = {};
    GetWindowTextA(item.hwndItem, caption, sizeof caption);
    RECT text{r.left + 2 + shift, icon_top + 32 + 2, r.right - 2 + shift, r.bottom - 2};
    HGDIOBJ old = SelectObject(item.hDC, reinterpret_cast<HFONT>(SendMessageA(item.hwndItem, WM_GETFONT, 0, 0)));
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, GetSysColor(COLOR_BTNTEXT));
    DrawTextA(item.hDC, caption, -1, &text, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(item.hDC, old);
    if ((item.itemState & ODS_FOCUS) != 0) {
        RECT focus = r;
        InflateRect(&focus, -4, -4);
        DrawFocusRect(item.hDC, &focus);
    }
}

LRESULT frmConfiguration::handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_DRAWITEM:
        draw_large_button(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case kCommand8:
            ShowFolderEditor(m_program, m_services.store, m_services.screen, m_services.pump, m_services.pictures,
                             window, twips());
            break;
        case kCommand7:
            ShowOptionsDialog(m_program, m_services.store, m_services.screen, m_services.pump, m_services.shell,
                              m_services.change_password, window, twips());
            break;
        case kCommand6:
            m_rules.Command6_Click();
            break;
        case kCommand5:
            if (m_services.change_password) {
                m_services.change_password(window);
            }
            break;
        case kCommand3:
            m_rules.Command3_Click();
            break;
        case kCommand2:
            ShowAboutBox(m_services.shell, m_services.screen, m_services.pump, window, twips());
            break;
        case kCommand4:
        case IDCANCEL:
            close();
            break;
        case IDOK:
            PressFocusedButton(window);
            break;
        default:
            break;
        }
        return 0;
    default:
        return base_handle(window, message, wparam, lparam);
    }
}

} // namespace framory::win32
