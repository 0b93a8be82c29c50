#include "qt/forms/frm_mgetfolder.h"

#include "core/startup/helpers.h"
#include "core/startup/program.h"
#include "qt/forms/twips.h"
#include "qt/platform/desktop_platform.h"
#include "qt/platform/desktop_services.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIcon>
#include <QScrollBar>
#include <QMessageBox>
#include <QSet>
#include <QStyle>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <unistd.h>

namespace framory::qt {

namespace {

// The picture component measures in the window's units, twips, at the
// dialog's 15 twips to the pixel.
constexpr double kTwipsPerPixel = 15.0;

// Paths travel through the rules as the file system's bytes.
std::string to_path(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QString from_path(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

// A folder as the browser reports it: no trailing separator except the root.
QString plain_folder(QString folder)
{
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/'))) {
        folder.chop(1);
    }
    return folder;
}

bool readable_folder(const QString& folder)
{
    const QByteArray bytes = QFile::encodeName(folder);
    return QFileInfo(folder).isDir() && ::access(bytes.constData(), R_OK | X_OK) == 0;
}

// How often a listing hands what it has read so far to the dialog: often
// enough that the list visibly fills, seldom enough that a huge folder
// costs the dialog a few hundred small updates, not one per name.
constexpr qint64 kBatchIntervalMs = 50;

bool file_order(const QString& a, const QString& b)
{
    const int c = a.compare(b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

constexpr int kPathRole = Qt::UserRole + 1;
constexpr int kStateRole = Qt::UserRole + 2;
constexpr int kUnread = 0;
constexpr int kReading = 1;
constexpr int kRead = 2;

// A folder of the tree. Until its subfolders have been read it holds a
// placeholder, so that it shows it can be opened.
QStandardItem* folder_item(const QString& text, const QString& path, const QIcon& icon)
{
    auto* item = new QStandardItem(icon, text);
    item->setEditable(false);
    item->setData(path, kPathRole);
    item->setData(kUnread, kStateRole);
    auto* placeholder = new QStandardItem();
    placeholder->setEditable(false);
    placeholder->setSelectable(false);
    item->appendRow(placeholder);
    return item;
}

} // namespace

// What a listing thread shares with the dialog. The dialog clears
// `receiver` when it goes; a thread posts only while holding the mutex and
// while its generation is still the current one, so nothing is posted to a
// dialog that is gone, and a stale listing stops at its next name.
struct frm_mgetfolder::Channel {
    std::mutex mutex;
    frm_mgetfolder* receiver = nullptr;
    std::atomic<quint64> generation{0};
    std::atomic<bool> receiver_gone{false};
};

int FolderFileModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_names.size());
}

QVariant FolderFileModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_names.size() || role != Qt::DisplayRole) {
        return {};
    }
    return m_names.at(index.row());
}

void FolderFileModel::clear()
{
    beginResetModel();
    m_names.clear();
    endResetModel();
}

void FolderFileModel::append(const QStringList& names)
{
    if (names.isEmpty()) {
        return;
    }
    const int first = static_cast<int>(m_names.size());
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(names.size()) - 1);
    m_names.append(names);
    endInsertRows();
}

void FolderFileModel::replace(QStringList names)
{
    beginResetModel();
    m_names = std::move(names);
    endResetModel();
}

QList<Volume> MachineVolumes(const std::string& mount_table, const QString& home)
{
    // Mount points are the second field of each line, with blanks and
    // backslashes written as octal escapes.
    QStringList mounts;
    std::istringstream lines(mount_table);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string device;
        std::string escaped;
        if (!(fields >> device >> escaped)) {
            continue;
        }
        std::string mount;
        for (std::size_t i = 0; i < escaped.size(); ++i) {
            const auto octal = [&](std::size_t at) { return escaped[at] >= '0' && escaped[at] <= '7'; };
            if (escaped[i] == '\\' && i + 3 < escaped.size() && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
                mount.push_back(static_cast<char>((escaped[i + 1] - '0') * 64 + (escaped[i + 2] - '0') * 8 +
                                                  (escaped[i + 3] - '0')));
                i += 3;
            } else {
                mount.push_back(escaped[i]);
            }
        }
        mounts.append(plain_folder(from_path(mount)));
    }

    QList<Volume> volumes{{QStringLiteral("/"), QStringLiteral("/")}};
    // The home folder's volume: the deepest mount point that holds it.
    QString home_mount = QStringLiteral("/");
    for (const QString& mount : mounts) {
        if ((home == mount || home.startsWith(mount + QLatin1Char('/'))) && mount.size() > home_mount.size()) {
            home_mount = mount;
        }
    }
    if (home_mount != QLatin1String("/")) {
        volumes.append({home_mount, home_mount + QStringLiteral("  [home]")});
    }
    QList<Volume> removable;
    for (const QString& mount : mounts) {
        const bool media = mount.startsWith(QLatin1String("/media/")) || mount.startsWith(QLatin1String("/run/media/"));
        const bool known = std::any_of(removable.begin(), removable.end(),
                                       [&](const Volume& v) { return v.mount == mount; });
        if (media && !known && mount != home_mount) {
            removable.append({mount, mount + QStringLiteral("  [") + QFileInfo(mount).fileName() + QLatin1Char(']')});
        }
    }
    std::sort(removable.begin(), removable.end(), [](const Volume& a, const Volume& b) { return a.mount < b.mount; });
    volumes.append(removable);
    return volumes;
}

QList<Volume> MachineVolumes()
{
    // Read from the kernel's table rather than by asking each volume about
    // itself, which would wait on a network volume that does not answer.
    std::ifstream table("/proc/self/mounts");
    std::stringstream text;
    text << table.rdbuf();
    return MachineVolumes(text.str(), plain_folder(QDir::homePath()));
}

frm_mgetfolder::frm_mgetfolder(core::Program& program, core::SettingsStore& store, core::EventPump& pump,
                               core::ScreenMetrics& screen, SoundOutput& sound, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::CustomizeWindowHint),
      Drive1(this), Dir1(this), file1(this), FXImage1(this, kTwipsPerPixel), FXSnd1(sound), Line1(this), Line2(this),
      Label1(this), Command2(QString::fromLatin1(core::kAddFolderCaption), this),
      Command3(QString::fromLatin1(core::kRemoveFoldersCaption), this),
      Command1(QString::fromLatin1(core::kExitCaption), this), List1(this),
      m_rules(program, *this, FXImage1, FXSnd1, store, pump), m_channel(std::make_shared<Channel>())
{
    m_channel->receiver = this;

    setObjectName(QStringLiteral("frm_mgetfolder"));
    Drive1.setObjectName(QStringLiteral("Drive1"));
    Dir1.setObjectName(QStringLiteral("Dir1"));
    file1.setObjectName(QStringLiteral("file1"));
    FXImage1.setObjectName(QStringLiteral("FXImage1"));
    Line1.setObjectName(QStringLiteral("Line1"));
    Line2.setObjectName(QStringLiteral("Line2"));
    Label1.setObjectName(QStringLiteral("Label1"));
    Command2.setObjectName(QStringLiteral("Command2"));
    Command3.setObjectName(QStringLiteral("Command3"));
    Command1.setObjectName(QStringLiteral("Command1"));
    List1.setObjectName(QStringLiteral("List1"));
    setWindowTitle(QString::fromLatin1(core::kFolderEditorTitle));

    setFixedSize(Twips(6420), Twips(4605));
    Drive1.setGeometry(TwipsRect(60, 60, 2145, 315));
    // The tree takes the whole column under the drive list, down to where
    // the file list beside it ends.
    Dir1.setGeometry(TwipsRect(60, 420, 2145, 1455));
    file1.setGeometry(TwipsRect(2280, 30, 1935, 1845));
    PreviewFrame.setParent(this);
    PreviewFrame.setObjectName(QStringLiteral("PreviewFrame"));
    PreviewFrame.setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    PreviewFrame.setBackgroundRole(QPalette::Base);
    PreviewFrame.setAutoFillBackground(true);
    PreviewFrame.setGeometry(TwipsRect(4260, 60, 2115, 1785));
    PreviewFrame.lower();
    // The picture inside the frame's lines.
    FXImage1.move(4260 + 30, 60 + 30, 2115 - 60, 1785 - 60);
    for (QFrame* line : {&Line1, &Line2}) {
        line->setFrameShape(QFrame::HLine);
        line->setFrameShadow(QFrame::Sunken);
    }
    // The rules are drawn two pixels high, centred on their place.
    Line1.setGeometry(Twips(60), Twips(1950) - 1, Twips(6360 - 60), 2);
    Line2.setGeometry(Twips(60), Twips(2250) - 1, Twips(6360 - 60), 2);
    // The path between the rules, as high as the room between them, so
    // that a line of the dialog's font fits.
    Label1.setGeometry(TwipsRect(60, 1965, 6315, 270));
    Command2.setGeometry(TwipsRect(60, 2340, 1965, 315));
    Command3.setGeometry(TwipsRect(2220, 2340, 1995, 315));
    Command1.setGeometry(TwipsRect(4410, 2340, 1965, 315));
    List1.setGeometry(TwipsRect(60, 2730, 6315, 1815));

    Dir1.setToolTip(QString::fromLatin1(core::kDir1Tooltip));
    file1.setToolTip(QString::fromLatin1(core::kFile1Tooltip));
    Command2.setToolTip(QString::fromLatin1(core::kAddFolderTooltip));
    Command3.setToolTip(QString::fromLatin1(core::kRemoveFoldersTooltip));
    Command1.setToolTip(QString::fromLatin1(core::kExitTooltip));
    List1.setToolTip(QString::fromLatin1(core::kList1Tooltip));

    // The tree is read folder by folder on worker threads as its entries
    // open, so a folder of any size, or one that does not answer, never
    // holds the dialog.
    Dir1.setModel(&m_tree_model);
    Dir1.header()->hide();
    // The tree is narrow: deep folders keep their names whole and the tree
    // scrolls sideways instead.
    Dir1.setIndentation(12);
    Dir1.header()->setStretchLastSection(false);
    Dir1.header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    Dir1.setUniformRowHeights(true);
    Dir1.setExpandsOnDoubleClick(false);
    Dir1.setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(&Dir1, &QTreeView::expanded, this, [this](const QModelIndex& index) { list_subfolders(index); });
    connect(Dir1.selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
        const QString folder = current.data(kPathRole).toString();
        if (!m_moving_tree && !folder.isEmpty()) {
            Dir1_Click(folder);
        }
    });
    connect(&Dir1, &QTreeView::activated, this, [this](const QModelIndex& index) {
        const QString folder = index.data(kPathRole).toString();
        if (!folder.isEmpty()) {
            Dir1_Open(folder);
        }
    });

    file1.setModel(&m_files);
    file1.setUniformItemSizes(true);
    file1.setEditTriggers(QAbstractItemView::NoEditTriggers);
    file1.setSelectionMode(QAbstractItemView::SingleSelection);
    connect(&file1, &QListView::clicked, this, [this](const QModelIndex& index) { file_clicked(index); });
    connect(file1.selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
        // Keys move through the files and preview each; a mouse press
        // previews on its release, through clicked.
        if (QGuiApplication::mouseButtons() == Qt::NoButton) {
            file_clicked(current);
        }
    });

    List1.setSelectionMode(QAbstractItemView::ExtendedSelection);
    List1.setSortingEnabled(false);

    fill_drive_list();
    Drive1.before_popup = [this] {
        const QString shown = Drive1.currentData().toString();
        fill_drive_list();
        const QSignalBlocker quiet(Drive1);
        Drive1.setCurrentIndex(std::max(0, Drive1.findData(shown)));
    };
    connect(&Drive1, &QComboBox::activated, this, [this](int index) { Drive1_Click(index); });

    for (QPushButton* button : {&Command1, &Command2, &Command3}) {
        button->setAutoDefault(false);
    }
    connect(&Command2, &QPushButton::clicked, this, [this] { m_rules.Command2_Click(); });
    connect(&Command3, &QPushButton::clicked, this, [this] { m_rules.Command3_Click(); });
    connect(&Command1, &QPushButton::clicked, this, [this] { close(); });
    connect(this, &QDialog::finished, this, [this] { unload(); });

    FXImage1.setFocusPolicy(Qt::TabFocus);
    setTabOrder(&Drive1, &Dir1);
    setTabOrder(&Dir1, &file1);
    setTabOrder(&file1, &Command1);
    setTabOrder(&Command1, &Command2);
    setTabOrder(&Command2, &List1);
    setTabOrder(&List1, &Command3);
    setTabOrder(&Command3, &FXImage1);

    WidgetWindow window(*this, screen);
    core::CenterForm(window, screen, pump);
    m_rules.Form_Load();
}

void VolumeList::showPopup()
{
    if (before_popup) {
        before_popup();
    }
    QComboBox::showPopup();
}

void frm_mgetfolder::fill_drive_list()
{
    const QSignalBlocker quiet(Drive1);
    m_volumes = MachineVolumes();
    Drive1.clear();
    for (const Volume& volume : m_volumes) {
        Drive1.addItem(volume.text, volume.mount);
    }
}

frm_mgetfolder::~frm_mgetfolder()
{
    {
        std::lock_guard lock(m_channel->mutex);
        m_channel->receiver = nullptr;
        m_channel->generation.fetch_add(1);
        m_channel->receiver_gone.store(true);
    }
    unload();
}

void frm_mgetfolder::unload()
{
    if (!m_unloaded) {
        m_unloaded = true;
        m_rules.Form_Unload();
    }
}

void frm_mgetfolder::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    // Each time the editor becomes the active window (when it appears, and
    // when the user comes back to it from its message box or from another
    // program) the preview starts empty again. Queued, so that the window
    // has been laid out when the preview takes its snapshot.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !m_unloaded) {
        QTimer::singleShot(0, this, [this] {
            if (!m_unloaded) {
                m_rules.Form_Activate();
            }
        });
    }
}

void frm_mgetfolder::Dir1_Click(const QString& folder)
{
    m_rules.Dir1_Click(to_path(plain_folder(folder)));
}

void frm_mgetfolder::Dir1_Open(const QString& folder)
{
    move_tree(plain_folder(folder));
}

void frm_mgetfolder::Drive1_Click(int index)
{
    if (index < 0 || index >= m_volumes.size()) {
        return;
    }
    m_rules.Drive1_Change(to_path(m_volumes.at(index).mount));
}

bool frm_mgetfolder::folder_exists(const std::string& folder)
{
    return QFileInfo(from_path(folder)).isDir();
}

std::string frm_mgetfolder::file_list_folder()
{
    return to_path(m_file_folder);
}

std::string frm_mgetfolder::tree_folder()
{
    return to_path(m_tree_folder);
}

int frm_mgetfolder::drive_index_of(const QString& folder) const
{
    // The volume with the longest mount point that holds the folder; the
    // root holds every folder.
    int best = 0;
    for (int i = 0; i < m_volumes.size(); ++i) {
        const QString& mount = m_volumes.at(i).mount;
        const bool holds = folder == mount || mount == QLatin1String("/") ||
                           folder.startsWith(mount + QLatin1Char('/'));
        if (holds && mount.size() > m_volumes.at(best).mount.size()) {
            best = i;
        }
    }
    return best;
}

void frm_mgetfolder::open_browser_at(const std::string& folder)
{
    const QString target = plain_folder(from_path(folder));
    const int drive = drive_index_of(target);
    {
        const QSignalBlocker quiet(Drive1);
        Drive1.setCurrentIndex(drive);
    }
    move_tree(target);
}

bool frm_mgetfolder::tree_to_drive(const std::string& drive)
{
    const QString mount = from_path(drive);
    if (!readable_folder(mount)) {
        return false;
    }
    QString folder = m_drive_folders.value(mount, mount);
    if (!QFileInfo(folder).isDir()) {
        folder = mount;
    }
    move_tree(folder);
    return true;
}

void frm_mgetfolder::show_tree_root(const QString& mount)
{
    if (mount == m_tree_mount) {
        return;
    }
    m_tree_mount = mount;
    ++m_tree_generation;
    m_moving_tree = true;
    m_tree_model.clear();
    // The volume's own folder is the tree's top entry, so that a volume's
    // root can be clicked and added like any folder.
    m_tree_model.appendRow(folder_item(mount, mount, style()->standardIcon(QStyle::SP_DriveHDIcon)));
    m_moving_tree = false;
}

QStandardItem* frm_mgetfolder::tree_item(const QString& folder, bool make)
{
    QStandardItem* item = m_tree_model.item(0);
    if (item == nullptr || folder == m_tree_mount) {
        return item;
    }
    const QString below = m_tree_mount == QLatin1String("/") ? folder.mid(1) : folder.mid(m_tree_mount.size() + 1);
    QString path = m_tree_mount == QLatin1String("/") ? QString() : m_tree_mount;
    for (const QString& name : below.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        path += QLatin1Char('/') + name;
        // Children are held in order, the placeholder of an unread folder
        // first; a binary search finds the place of the name.
        int low = 0;
        int high = item->rowCount();
        while (low < high) {
            const int middle = (low + high) / 2;
            const QStandardItem* child = item->child(middle);
            if (child->data(kPathRole).toString().isEmpty() || file_order(child->text(), name)) {
                low = middle + 1;
            } else {
                high = middle;
            }
        }
        QStandardItem* found = low < item->rowCount() && item->child(low)->text() == name ? item->child(low) : nullptr;
        if (found == nullptr) {
            if (!make) {
                return nullptr;
            }
            found = folder_item(name, path, style()->standardIcon(QStyle::SP_DirIcon));
            item->insertRow(low, found);
        }
        item = found;
    }
    return item;
}

void frm_mgetfolder::list_subfolders(const QModelIndex& index)
{
    QStandardItem* item = m_tree_model.itemFromIndex(index);
    if (item == nullptr || item->data(kStateRole).toInt() != kUnread) {
        return;
    }
    item->setData(kReading, kStateRole);
    auto listing = [channel = m_channel, generation = m_tree_generation, folder = item->data(kPathRole).toString()] {
        QStringList names;
        std::error_code error;
        std::filesystem::directory_iterator entry(to_path(folder), error);
        const std::filesystem::directory_iterator end;
        for (; !error && entry != end; entry.increment(error)) {
            if (channel->receiver_gone.load()) {
                return;
            }
            std::error_code type_error;
            if (entry->is_directory(type_error)) {
                names.append(from_path(entry->path().filename().string()));
            }
        }
        std::sort(names.begin(), names.end(), file_order);
        const std::lock_guard lock(channel->mutex);
        if (frm_mgetfolder* receiver = channel->receiver; receiver != nullptr) {
            QMetaObject::invokeMethod(
                receiver,
                [receiver, generation, folder, names = std::move(names)] {
                    receiver->receive_subfolders(generation, folder, names);
                },
                Qt::QueuedConnection);
        }
    };
    try {
        std::thread(std::move(listing)).detach();
    } catch (const std::system_error&) {
        item->setData(kUnread, kStateRole);
    }
}

void frm_mgetfolder::receive_subfolders(quint64 generation, const QString& folder, const QStringList& names)
{
    if (generation != m_tree_generation) {
        return;
    }
    QStandardItem* item = tree_item(folder, false);
    if (item == nullptr) {
        return;
    }
    m_moving_tree = true;
    // Entries made earlier on the way to a folder are kept with what lies
    // below them; the placeholder and folders that are gone leave.
    const QSet<QString> present(names.begin(), names.end());
    for (int row = item->rowCount() - 1; row >= 0; --row) {
        const QStandardItem* child = item->child(row);
        if (child->data(kPathRole).toString().isEmpty() || !present.contains(child->text())) {
            item->removeRow(row);
        }
    }
    const QString base = folder == QLatin1String("/") ? QString() : folder;
    const QIcon icon = style()->standardIcon(QStyle::SP_DirIcon);
    if (item->rowCount() == 0) {
        QList<QStandardItem*> rows;
        rows.reserve(names.size());
        for (const QString& name : names) {
            rows.append(folder_item(name, base + QLatin1Char('/') + name, icon));
        }
        item->appendRows(rows);
    } else {
        int row = 0;
        for (const QString& name : names) {
            if (row >= item->rowCount() || item->child(row)->text() != name) {
                item->insertRow(row, folder_item(name, base + QLatin1Char('/') + name, icon));
            }
            ++row;
        }
    }
    item->setData(kRead, kStateRole);
    m_moving_tree = false;
    // Folders read above the tree's folder push it down; it is brought
    // back into view.
    const bool above = folder == QLatin1String("/") || m_tree_folder == folder ||
                       m_tree_folder.startsWith(folder + QLatin1Char('/'));
    if (!Dir1.currentIndex().isValid() || above) {
        select_tree_folder();
    }
}

void frm_mgetfolder::select_tree_folder()
{
    QStandardItem* item = tree_item(m_tree_folder, false);
    if (item == nullptr) {
        return;
    }
    m_moving_tree = true;
    Dir1.setCurrentIndex(item->index());
    Dir1.scrollTo(item->index());
    // Sideways, the folder's name shows with two levels above it.
    int depth = 0;
    for (const QStandardItem* up = item->parent(); up != nullptr; up = up->parent()) {
        ++depth;
    }
    Dir1.horizontalScrollBar()->setValue(std::max(0, depth - 2) * Dir1.indentation());
    m_moving_tree = false;
}

void frm_mgetfolder::move_tree(const QString& folder)
{
    const QString mount = m_volumes.at(drive_index_of(folder)).mount;
    show_tree_root(mount);
    m_tree_folder = folder;
    m_drive_folders.insert(mount, folder);

    QStandardItem* target = tree_item(folder, true);
    m_moving_tree = true;
    // The folder is shown open, with its subfolders, as are the folders
    // above it.
    for (QStandardItem* up = target; up != nullptr; up = up->parent()) {
        Dir1.expand(up->index());
    }
    m_moving_tree = false;
    select_tree_folder();
    m_rules.Dir1_Change();
}

void frm_mgetfolder::set_file_list_folder(const std::string& folder)
{
    m_file_folder = plain_folder(from_path(folder));
    const quint64 generation = ++m_generation;
    m_channel->generation.store(generation);
    m_files.clear();
    m_listing_complete = false;

    // The folder is read on a thread of its own, so a folder of a hundred
    // thousand files, or one on a drive that does not answer, never holds
    // the dialog. Names arrive in batches in the folder's own order while
    // it is read, then once more sorted when the folder has been read. The
    // thread is not waited for: a listing stuck in the file system must not
    // keep the dialog from closing; it ends by itself when the system
    // answers, seeing that it is no longer wanted.
    auto listing = [channel = m_channel, generation, path = to_path(m_file_folder)] {
        const auto post = [&](QStringList names, bool complete) {
            const std::lock_guard lock(channel->mutex);
            frm_mgetfolder* receiver = channel->receiver;
            if (receiver == nullptr || channel->generation.load() != generation) {
                return false;
            }
            QMetaObject::invokeMethod(
                receiver,
                [receiver, generation, names = std::move(names), complete] {
                    receiver->receive_files(generation, names, complete);
                },
                Qt::QueuedConnection);
            return true;
        };

        QStringList all;
        QStringList pending;
        QElapsedTimer since_post;
        since_post.start();
        std::error_code error;
        std::filesystem::directory_iterator entry(path, error);
        const std::filesystem::directory_iterator end;
        for (; !error && entry != end; entry.increment(error)) {
            if (channel->generation.load() != generation) {
                return;
            }
            const std::string name = entry->path().filename().string();
            // Hidden files are not listed, and only ordinary files are.
            if (name.empty() || name.front() == '.' || !core::MatchesFileFilter(name)) {
                continue;
            }
            std::error_code type_error;
            if (!entry->is_regular_file(type_error)) {
                continue;
            }
            const QString shown = from_path(name);
            all.append(shown);
            pending.append(shown);
            if (since_post.elapsed() >= kBatchIntervalMs) {
                if (!post(std::exchange(pending, {}), false)) {
                    return;
                }
                since_post.restart();
            }
        }
        std::sort(all.begin(), all.end(), file_order);
        post(std::move(all), true);
    };
    try {
        std::thread(std::move(listing)).detach();
    } catch (const std::system_error&) {
        // No thread to be had: the list stays empty rather than the dialog
        // reading a possibly huge folder itself.
        m_listing_complete = true;
    }
}

void frm_mgetfolder::receive_files(quint64 generation, const QStringList& names, bool complete)
{
    if (generation != m_generation) {
        return;
    }
    if (!complete) {
        m_files.append(names);
        return;
    }
    // The sorted whole replaces what came in folder order, keeping the file
    // the user has chosen meanwhile.
    const QModelIndex current = file1.currentIndex();
    const QString chosen = current.isValid() ? m_files.name(current.row()) : QString();
    {
        const QSignalBlocker quiet(file1.selectionModel());
        m_files.replace(names);
        if (!chosen.isEmpty()) {
            const auto found = std::lower_bound(names.begin(), names.end(), chosen, file_order);
            if (found != names.end() && *found == chosen) {
                const QModelIndex again = m_files.index(static_cast<int>(found - names.begin()));
                file1.setCurrentIndex(again);
                file1.scrollTo(again);
            }
        }
    }
    m_listing_complete = true;
}

void frm_mgetfolder::file_clicked(const QModelIndex& index)
{
    if (!index.isValid() || index.row() >= m_files.rowCount()) {
        return;
    }
    m_rules.file1_Click(to_path(m_files.name(index.row())));
}

void frm_mgetfolder::set_label(const std::string& text)
{
    const QString shown = from_path(text);
    Label1.setText(shown);
    // A long path is cut at the label's end; the whole of it is a hover away.
    Label1.setToolTip(shown);
}

std::string frm_mgetfolder::list_item(int index)
{
    const QListWidgetItem* item = List1.item(index);
    return item == nullptr ? std::string() : to_path(item->text());
}

bool frm_mgetfolder::list_selected(int index)
{
    const QListWidgetItem* item = List1.item(index);
    return item != nullptr && item->isSelected();
}

void frm_mgetfolder::list_add(const std::string& text)
{
    List1.addItem(from_path(text));
}

void frm_mgetfolder::list_remove(int index)
{
    delete List1.takeItem(index);
}

void frm_mgetfolder::show_capacity_message()
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(core::kCapacityTitle),
                    QString::fromLatin1(core::kCapacityText), QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("CapacityBox"));
    box.exec();
}

void ShowFolderEditorModal(core::Program& program, DesktopPlatform& platform, QWidget* parent)
{
    frm_mgetfolder editor(program, platform.store(), platform.pump(), platform.screen(), platform.sound(), parent);
    editor.exec();
}

} // namespace framory::qt
