#include "win32/forms/frm_mgetfolder.h"

#include "core/startup/program.h"
#include "win32/forms/folder_paths.h"
#include "win32/platform/system_services.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace framory::win32 {

using folder_paths::is_folder;
using folder_paths::plain_folder;
using folder_paths::root_of;
using folder_paths::same_name;

namespace {

enum : int {
    kDrive1 = 101,
    kDir1 = 102,
    kFile1 = 103,
    kFXImage1 = 104,
    kList1 = 105,
    kCommand1 = 201,
    kCommand2 = 202,
    kCommand3 = 203,
    kLabel1 = 301,
    kLine = 302
};

// Messages of the dialog to itself: listings have finished; the next
// portion of the file list is due; the dialog has become the active window.
constexpr UINT kListingsDone = WM_APP + 1;
constexpr UINT kFeedFiles = WM_APP + 2;
constexpr UINT kActivated = WM_APP + 3;

// The file list takes this many names between two looks at the message
// queue, so a huge folder fills it without holding the dialog.
constexpr std::size_t kFeedPortion = 2000;

constexpr const char* kPreviewClass = "FramoryPreviewArea";

std::string list_text(HWND list, int index)
{
    const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR) {
        return {};
    }
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const LRESULT got = SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(got == LB_ERR ? 0 : static_cast<std::size_t>(got));
    return text;
}

void register_preview_class()
{
    RegisterHandlerClass(kPreviewClass, nullptr, LoadCursorA(nullptr, IDC_ARROW));
}

} // namespace

LRESULT frmMGetFolder::PreviewArea::handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT client{};
        GetClientRect(window, &client);
        m_host.paint(dc, client.right, client.bottom);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_TIMER:
        if (wparam == LayerHost::kEffectTimer) {
            m_host.step();
        }
        return 0;
    default:
        return DefWindowProcA(window, message, wparam, lparam);
    }
}

frmMGetFolder::frmMGetFolder(core::Program& program, core::SettingsStore& store, core::ScreenMetrics& screen,
                             core::EventPump& pump, PictureSource& pictures, FolderReader reader)
    : m_program(program), m_screen(screen), m_pump(pump), m_reader(std::move(reader)), FXImage1(m_layers, pictures),
      m_area(m_layers), m_rules(program, *this, FXImage1, FXSnd1, store, pump)
{
}

frmMGetFolder::~frmMGetFolder()
{
    close();
}

bool frmMGetFolder::create(HWND owner, const Twips& twips)
{
    if (!make_window(core::kFolderEditorTitle, 6420, 4605, twips, owner)) {
        return false;
    }
    m_listing = std::make_unique<FolderListing>(window(), kListingsDone, m_reader);
    register_preview_class();
    FormControls& c = controls();
    c.add("Drive1", "COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, kDrive1, {60, 60, 2145, 2400});
    HWND tree = c.add("Dir1", WC_TREEVIEWA, "",
                      WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS, kDir1,
                      {60, 420, 2145, 1440}, {}, TextFit::None, WS_EX_CLIENTEDGE);
    HWND files = c.add("file1", "LISTBOX", "", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP,
                       kFile1, {2280, 30, 1935, 1845}, {}, TextFit::None, WS_EX_CLIENTEDGE);
    HWND area = c.add("FXImage1", kPreviewClass, "", WS_TABSTOP, kFXImage1, {4260, 60, 2115, 1785}, {}, TextFit::None,
                      WS_EX_CLIENTEDGE);
    SetWindowLongPtrA(area, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(static_cast<WindowHandler*>(&m_area)));
    RECT inside{};
    GetClientRect(area, &inside);
    m_layers.attach(area);
    FXImage1.move(0, 0, inside.right, inside.bottom);
    FXImage1.set_decode_bounds({std::max(1L, inside.right), std::max(1L, inside.bottom)});

    // The rules above and below the path, two pixels high, centred on their places.
    c.add("Line1", "STATIC", "", SS_ETCHEDHORZ, kLine, {60, 1950 - twips.per_pixel_y, 6300, 2 * twips.per_pixel_y});
    c.add("Line2", "STATIC", "", SS_ETCHEDHORZ, kLine, {60, 2250 - twips.per_pixel_y, 6300, 2 * twips.per_pixel_y});
    // A long path is shortened in its middle; the whole of it is a hover away.
    HWND label = c.add("Label1", "STATIC", "", SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS | SS_NOTIFY, kLabel1,
                       {60, 2010, 6315, 195});
    struct ButtonSpot {
        const char* name;
        int id;
        const char* caption;
        const char* tooltip;
        Place place;
    };
    for (const ButtonSpot& spot :
         {ButtonSpot{"Command2", kCommand2, core::kAddFolderCaption, core::kAddFolderTooltip, {60, 2340, 1965, 315}},
          ButtonSpot{"Command3", kCommand3, core::kRemoveFoldersCaption, core::kRemoveFoldersTooltip,
                     {2220, 2340, 1995, 315}},
          ButtonSpot{"Command1", kCommand1, core::kExitCaption, core::kExitTooltip, {4410, 2340, 1965, 315}}}) {
        tooltips().add(c.add(spot.name, "BUTTON", spot.caption, WS_TABSTOP, spot.id, spot.place, {}, TextFit::Button),
                       spot.tooltip);
    }
    HWND list = c.add("List1", "LISTBOX", "",
                      LBS_NOTIFY | LBS_EXTENDEDSEL | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP,
                      kList1, {60, 2730, 6315, 1815}, {}, TextFit::None, WS_EX_CLIENTEDGE);
    tooltips().add(tree, core::kDir1Tooltip);
    tooltips().add(files, core::kFile1Tooltip);
    tooltips().add(list, core::kList1Tooltip);
    tooltips().add(label, " ");
    fill_drive_list();
    finish(core::kFolderEditorTabOrder);

    centre(m_screen, m_pump);
    m_rules.Form_Load();
    return true;
}

void frmMGetFolder::unload()
{
    m_rules.Form_Unload();
}

void frmMGetFolder::fill_drive_list()
{
    HWND drives = controls().get("Drive1");
    const std::string shown = m_drives.empty() || SendMessageA(drives, CB_GETCURSEL, 0, 0) == CB_ERR
                                  ? std::string()
                                  : m_drives.at(static_cast<std::size_t>(SendMessageA(drives, CB_GETCURSEL, 0, 0)));
    SendMessageA(drives, CB_RESETCONTENT, 0, 0);
    m_drives.clear();
    char roots[512] = {};
    const DWORD length = GetLogicalDriveStringsA(sizeof roots - 1, roots);
    for (const char* root = roots; length > 0 && length < sizeof roots && *root != '\0'; root += std::strlen(root) + 1) {
        std::string text = {static_cast<char>(std::tolower(static_cast<unsigned char>(root[0]))), ':'};
        // Only fixed drives are asked for their names: a network drive that
        // does not answer would hold the list.
        char name[MAX_PATH] = {};
        if (GetDriveTypeA(root) == DRIVE_FIXED &&
            GetVolumeInformationA(root, name, sizeof name, nullptr, nullptr, nullptr, nullptr, 0) && name[0] != '\0') {
            text += std::string(" [") + name + "]";
        }
        m_drives.push_back(root_of(root));
        SendMessageA(drives, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    for (std::size_t i = 0; i < m_drives.size(); ++i) {
        if (same_name(m_drives[i], shown)) {
            SendMessageA(drives, CB_SETCURSEL, i, 0);
        }
    }
}

bool frmMGetFolder::folder_exists(const std::string& folder)
{
    return is_folder(folder);
}

void frmMGetFolder::open_browser_at(const std::string& folder)
{
    const std::string target = plain_folder(folder);
    const std::string root = root_of(target);
    HWND drives = controls().get("Drive1");
    SendMessageA(drives, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    for (std::size_t i = 0; i < m_drives.size(); ++i) {
        if (same_name(m_drives[i], root)) {
            SendMessageA(drives, CB_SETCURSEL, i, 0);
        }
    }
    move_tree(target);
}

void frmMGetFolder::set_file_list_folder(const std::string& folder)
{
    m_file_folder = plain_folder(folder);
    m_listing->forget(m_file_ticket);
    m_file_ticket = m_listing->request(m_file_folder);
    m_pending_files.clear();
    m_fed = 0;
    m_files_complete = false;
    HWND files = controls().get("file1");
    SendMessageA(files, LB_RESETCONTENT, 0, 0);
    SendMessageA(files, LB_SETHORIZONTALEXTENT, 0, 0);
}

void frmMGetFolder::listings_done()
{
    for (FolderListing::Result& result : m_listing->take()) {
        if (result.ticket == m_file_ticket) {
            m_pending_files = std::move(result.contents.files);
            m_fed = 0;
            SendMessageA(controls().get("file1"), LB_INITSTORAGE, m_pending_files.size(), m_pending_files.size() * 16);
            feed_files();
            continue;
        }
        const auto request = m_tree_requests.find(result.ticket);
        if (request == m_tree_requests.end()) {
            continue;
        }
        const TreeRequest wanted = request->second;
        m_tree_requests.erase(request);
        if (wanted.generation != m_tree_generation) {
            continue;
        }
        if (HTREEITEM item = find_item(wanted.folder)) {
            fill_item(item, result.contents.folders);
        }
    }
}

void frmMGetFolder::feed_files()
{
    HWND files = controls().get("file1");
    const std::size_t end = std::min(m_pending_files.size(), m_fed + kFeedPortion);
    SendMessageA(files, WM_SETREDRAW, FALSE, 0);
    for (; m_fed < end; ++m_fed) {
        SendMessageA(files, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(m_pending_files[m_fed].c_str()));
        update_list_extent(files, m_pending_files[m_fed]);
    }
    SendMessageA(files, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(files, nullptr, TRUE);
    if (m_fed < m_pending_files.size()) {
        PostMessageA(window(), kFeedFiles, 0, 0);
    } else {
        m_pending_files.clear();
        m_fed = 0;
        m_files_complete = true;
    }
}

void frmMGetFolder::update_list_extent(HWND list, const std::string& text)
{
    // Wide enough to scroll to the end of the longest entry.
    HDC dc = GetDC(list);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    const LRESULT extent = SendMessageA(list, LB_GETHORIZONTALEXTENT, 0, 0);
    if (size.cx + 8 > extent) {
        SendMessageA(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(size.cx + 8), 0);
    }
}

void frmMGetFolder::set_label(const std::string& text)
{
    HWND label = controls().get("Label1");
    SetWindowTextA(label, text.c_str());
    tooltips().update(label, text);
}

int frmMGetFolder::list_count()
{
    return static_cast<int>(SendMessageA(controls().get("List1"), LB_GETCOUNT, 0, 0));
}

std::string frmMGetFolder::list_item(int index)
{
    return list_text(controls().get("List1"), index);
}

bool frmMGetFolder::list_selected(int index)
{
    return SendMessageA(controls().get("List1"), LB_GETSEL, static_cast<WPARAM>(index), 0) > 0;
}

void frmMGetFolder::list_add(const std::string& text)
{
    HWND list = controls().get("List1");
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    update_list_extent(list, text);
}

void frmMGetFolder::list_remove(int index)
{
    SendMessageA(controls().get("List1"), LB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

void frmMGetFolder::show_capacity_message()
{
    MessageBoxA(window(), core::kCapacityText, core::kCapacityTitle, MB_OK);
}

void frmMGetFolder::tree_notice(const NMHDR& notice)
{
    const auto& tree = reinterpret_cast<const NMTREEVIEWA&>(notice);
    switch (notice.code) {
    case TVN_ITEMEXPANDINGA:
    case TVN_ITEMEXPANDINGW:
        if ((tree.action & TVE_EXPAND) != 0) {
            want_children(tree.itemNew.hItem);
        }
        break;
    case TVN_SELCHANGEDA:
    case TVN_SELCHANGEDW:
        // A folder clicked (or reached by the keys) is where the files come
        // from and what "Add Folder" adds; the tree stays where it is.
        if (tree.action == TVC_BYMOUSE || tree.action == TVC_BYKEYBOARD) {
            m_rules.Dir1_Click(item_path(tree.itemNew.hItem));
        }
        break;
    case NM_DBLCLK: {
        // A double click opens the folder: the tree moves there.
        const auto item = reinterpret_cast<HTREEITEM>(
            SendMessageA(notice.hwndFrom, TVM_GETNEXTITEM, TVGN_CARET, 0));
        if (item != nullptr) {
            move_tree(item_path(item));
        }
        break;
    }
    default:
        break;
    }
}

LRESULT frmMGetFolder::handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case kListingsDone:
        listings_done();
        return 0;
    case kFeedFiles:
        feed_files();
        return 0;
    case kActivated:
        m_rules.Form_Activate();
        return 0;
    case WM_ACTIVATE:
        // Each time the editor becomes the active window, once it has
        // finished becoming it.
        if (LOWORD(wparam) != WA_INACTIVE) {
            PostMessageA(window, kActivated, 0, 0);
        }
        return base_handle(window, message, wparam, lparam);
    case WM_NOTIFY: {
        const auto* notice = reinterpret_cast<const NMHDR*>(lparam);
        if (notice != nullptr && notice->idFrom == kDir1) {
            tree_notice(*notice);
        }
        return 0;
    }
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case kDrive1:
            if (HIWORD(wparam) == CBN_DROPDOWN) {
                // Read again each time it opens: a stick plugged in
                // meanwhile is there to choose.
                fill_drive_list();
            } else if (HIWORD(wparam) == CBN_SELCHANGE) {
                const LRESULT chosen = SendMessageA(reinterpret_cast<HWND>(lparam), CB_GETCURSEL, 0, 0);
                if (chosen >= 0 && static_cast<std::size_t>(chosen) < m_drives.size()) {
                    m_rules.Drive1_Change(m_drives[static_cast<std::size_t>(chosen)]);
                }
            }
            break;
        case kFile1:
            if (HIWORD(wparam) == LBN_SELCHANGE) {
                HWND files = reinterpret_cast<HWND>(lparam);
                const auto chosen = static_cast<int>(SendMessageA(files, LB_GETCURSEL, 0, 0));
                if (chosen >= 0) {
                    m_rules.file1_Click(list_text(files, chosen));
                }
            }
            break;
        case kCommand2:
            m_rules.Command2_Click();
            break;
        case kCommand3:
            m_rules.Command3_Click();
            break;
        case kCommand1:
        case IDCANCEL:
            close();
            break;
        case IDOK:
            // Enter opens the folder chosen in the tree, or presses the
            // button that has the focus.
            if (GetFocus() == controls().get("Dir1")) {
                const auto item = reinterpret_cast<HTREEITEM>(
                    SendMessageA(controls().get("Dir1"), TVM_GETNEXTITEM, TVGN_CARET, 0));
                if (item != nullptr) {
                    move_tree(item_path(item));
                }
            } else {
                PressFocusedButton(window);
            }
            break;
        default:
            break;
        }
        return 0;
    default:
        return base_handle(window, message, wparam, lparam);
    }
}

void ShowFolderEditor(core::Program& program, core::SettingsStore& store, core::ScreenMetrics& screen,
                      core::EventPump& pump, PictureSource& pictures, HWND owner, const Twips& twips)
{
    frmMGetFolder editor(program, store, screen, pump, pictures);
    if (editor.create(owner, twips)) {
        editor.run_modal(owner);
    }
}

} // namespace framory::win32
