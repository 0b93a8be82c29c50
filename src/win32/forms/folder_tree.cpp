#include "win32/forms/frm_mgetfolder.h"

#include "win32/forms/folder_paths.h"

#include <algorithm>

// The folder editor's tree: one drive's folders, the way down to the tree's
// folder made at once and each folder's subfolders joining when they have
// been read.

namespace framory::win32 {

using folder_paths::is_folder;
using folder_paths::plain_folder;
using folder_paths::root_of;
using folder_paths::same_name;

namespace {

// A folder item's state in the tree: its subfolders not read yet, being
// read, or read; and whether it is to be shown open when they come.
constexpr LPARAM kUnread = 0;
constexpr LPARAM kReading = 1;
constexpr LPARAM kRead = 2;
constexpr LPARAM kReadMask = 3;
constexpr LPARAM kOpen = 4;

std::vector<std::string> names_below(const std::string& folder, const std::string& root)
{
    std::vector<std::string> names;
    std::string rest = folder.size() > root.size() ? folder.substr(root.size()) : std::string();
    for (std::size_t at = 0; at < rest.size();) {
        const std::size_t cut = std::min(rest.find('\\', at), rest.size());
        if (cut > at) {
            names.push_back(rest.substr(at, cut - at));
        }
        at = cut + 1;
    }
    return names;
}

// The folder's name as the file system spells it.
std::string real_name(const std::string& path, const std::string& name)
{
    WIN32_FIND_DATAA entry{};
    HANDLE find = FindFirstFileA(path.c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) {
        return name;
    }
    FindClose(find);
    return same_name(entry.cFileName, name) ? std::string(entry.cFileName) : name;
}

} // namespace

bool frmMGetFolder::tree_to_drive(const std::string& drive)
{
    const std::string root = root_of(drive);
    if (!is_folder(root)) {
        return false;
    }
    // Back where the tree last was on that drive.
    const auto last = m_drive_folders.find(root);
    move_tree(last != m_drive_folders.end() && is_folder(last->second) ? last->second : root);
    return true;
}

HTREEITEM frmMGetFolder::add_item(HTREEITEM parent, HTREEITEM after, const std::string& name)
{
    TVINSERTSTRUCTA insert{};
    insert.hParent = parent;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_CHILDREN | TVIF_PARAM;
    insert.item.pszText = const_cast<char*>(name.c_str());
    // Shown as one that opens until its subfolders are known.
    insert.item.cChildren = 1;
    insert.item.lParam = kUnread;
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(controls().get("Dir1"), TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

std::string frmMGetFolder::item_text(HTREEITEM item) const
{
    char text[MAX_PATH] = {};
    TVITEMA data{};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    data.pszText = text;
    data.cchTextMax = MAX_PATH;
    SendMessageA(const_cast<frmMGetFolder*>(this)->controls().get("Dir1"), TVM_GETITEMA, 0,
                 reinterpret_cast<LPARAM>(&data));
    return text;
}

std::string frmMGetFolder::item_path(HTREEITEM item) const
{
    HWND tree = const_cast<frmMGetFolder*>(this)->controls().get("Dir1");
    std::vector<std::string> names;
    for (HTREEITEM at = item; at != nullptr;
         at = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(at)))) {
        names.push_back(item_text(at));
    }
    std::string path;
    for (auto name = names.rbegin(); name != names.rend(); ++name) {
        if (!path.empty() && path.back() != '\\') {
            path.push_back('\\');
        }
        path += *name;
    }
    return path;
}

LPARAM frmMGetFolder::item_state(HTREEITEM item) const
{
    TVITEMA data{};
    data.mask = TVIF_PARAM;
    data.hItem = item;
    SendMessageA(const_cast<frmMGetFolder*>(this)->controls().get("Dir1"), TVM_GETITEMA, 0,
                 reinterpret_cast<LPARAM>(&data));
    return data.lParam;
}

void frmMGetFolder::set_item_state(HTREEITEM item, LPARAM state, int children)
{
    TVITEMA data{};
    data.mask = TVIF_PARAM | (children >= 0 ? TVIF_CHILDREN : 0);
    data.hItem = item;
    data.lParam = state;
    data.cChildren = children;
    SendMessageA(controls().get("Dir1"), TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&data));
}

HTREEITEM frmMGetFolder::find_child(HTREEITEM parent, const std::string& name) const
{
    HWND tree = const_cast<frmMGetFolder*>(this)->controls().get("Dir1");
    for (auto child = reinterpret_cast<HTREEITEM>(
             SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(parent)));
         child != nullptr; child = reinterpret_cast<HTREEITEM>(
                               SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(child)))) {
        if (same_name(item_text(child), name)) {
            return child;
        }
    }
    return nullptr;
}

HTREEITEM frmMGetFolder::find_item(const std::string& folder) const
{
    if (m_root_item == nullptr || !same_name(root_of(folder), m_tree_root)) {
        return nullptr;
    }
    HTREEITEM item = m_root_item;
    for (const std::string& name : names_below(folder, m_tree_root)) {
        if ((item = find_child(item, name)) == nullptr) {
            return nullptr;
        }
    }
    return item;
}

bool frmMGetFolder::holds_tree_folder(HTREEITEM item) const
{
    HWND tree = const_cast<frmMGetFolder*>(this)->controls().get("Dir1");
    for (HTREEITEM at = m_tree_item; at != nullptr;
         at = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(at)))) {
        if (at == item) {
            return true;
        }
    }
    return false;
}

void frmMGetFolder::want_children(HTREEITEM item)
{
    const LPARAM state = item_state(item);
    set_item_state(item, (state & kReadMask) == kUnread ? kReading | kOpen : state | kOpen);
    if ((state & kReadMask) == kUnread) {
        const std::string folder = item_path(item);
        m_tree_requests[m_listing->request(folder)] = {m_tree_generation, folder};
    }
}

void frmMGetFolder::open_item(HTREEITEM item)
{
    want_children(item);
    SendMessageA(controls().get("Dir1"), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
}

void frmMGetFolder::move_tree(const std::string& target)
{
    const std::string folder = plain_folder(target);
    const std::string root = root_of(folder);
    HWND tree = controls().get("Dir1");
    if (m_root_item == nullptr || !same_name(root, m_tree_root)) {
        // Another drive: its own tree, and listings of the last one are
        // dropped when they come.
        ++m_tree_generation;
        m_tree_item = nullptr;
        SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
        m_tree_root = root;
        m_root_item = add_item(TVI_ROOT, TVI_LAST, root);
    }
    // The way down to the folder is made at once, each folder on it open;
    // their other subfolders join when they have been read.
    HTREEITEM item = m_root_item;
    std::string path = root;
    for (const std::string& name : names_below(folder, root)) {
        open_item(item);
        HTREEITEM child = find_child(item, name);
        const std::string below = path + (path.back() == '\\' ? "" : "\\") + name;
        if (child == nullptr) {
            child = add_item(item, TVI_SORT, real_name(below, name));
        }
        path = below;
        item = child;
    }
    open_item(item);
    m_tree_item = item;
    m_tree_folder = item_path(item);
    m_drive_folders[root] = m_tree_folder;
    // Selected from here, which is no click: the tree reports it as an
    // unknown cause and Dir1_Click does not run.
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    SendMessageA(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
    m_rules.Dir1_Change();
}

void frmMGetFolder::fill_item(HTREEITEM item, const std::vector<std::string>& names)
{
    HWND tree = controls().get("Dir1");
    struct Child {
        HTREEITEM item;
        std::string name;
    };
    std::vector<Child> existing;
    for (auto child = reinterpret_cast<HTREEITEM>(
             SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
         child != nullptr; child = reinterpret_cast<HTREEITEM>(
                               SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(child)))) {
        existing.push_back({child, item_text(child)});
    }
    SendMessageA(tree, WM_SETREDRAW, FALSE, 0);
    // Both runs are in list order: the folders read are merged with the
    // ones made on the way to the tree's folder; folders that are gone
    // leave, unless the tree's folder lies in them.
    HTREEITEM after = TVI_FIRST;
    std::size_t next = 0;
    const auto pass = [&](const Child& child) {
        if (holds_tree_folder(child.item)) {
            after = child.item;
        } else {
            SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(child.item));
        }
    };
    for (const std::string& name : names) {
        while (next < existing.size() && !same_name(existing[next].name, name) &&
               ListOrder(existing[next].name, name)) {
            pass(existing[next++]);
        }
        if (next < existing.size() && same_name(existing[next].name, name)) {
            after = existing[next++].item;
            continue;
        }
        after = add_item(item, after, name);
    }
    while (next < existing.size()) {
        pass(existing[next++]);
    }
    const bool open = (item_state(item) & kOpen) != 0;
    const bool any = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)) != 0;
    set_item_state(item, kRead | (open ? kOpen : 0), any ? 1 : 0);
    if (open) {
        SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
    }
    SendMessageA(tree, WM_SETREDRAW, TRUE, 0);
    if (m_tree_item != nullptr && holds_tree_folder(item)) {
        SendMessageA(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(m_tree_item));
    }
    InvalidateRect(tree, nullptr, TRUE);
}

} // namespace framory::win32
