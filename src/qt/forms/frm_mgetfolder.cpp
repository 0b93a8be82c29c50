#include "qt/forms/frm_mgetfolder.h"

#include "core/startup/helpers.h"
#include "core/startup/program.h"
#include "qt/forms/control_text.h"
#include "qt/forms/form_services.h"
#include "qt/forms/twips.h"
#include "qt/platform/desktop_services.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIcon>
#include <QMessageBox>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>

#include <algorithm>
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

bool readable_folder(const QString& folder)
{
    const QByteArray bytes = QFile::encodeName(folder);
    return QFileInfo(folder).isDir() && ::access(bytes.constData(), R_OK | X_OK) == 0;
}

} // namespace

frm_mgetfolder::frm_mgetfolder(core::Program& program, core::SettingsStore& store, core::EventPump& pump,
                               core::ScreenMetrics& screen, SoundOutput& sound, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::CustomizeWindowHint),
      Drive1(this), Dir1(this), file1(this), FXImage1(this, kTwipsPerPixel), FXSnd1(sound), Line1(this), Line2(this),
      Label1(this), Command2(QString::fromLatin1(core::kAddFolderCaption), this),
      Command3(QString::fromLatin1(core::kRemoveFoldersCaption), this),
      Command1(QString::fromLatin1(core::kExitCaption), this), List1(this),
      m_rules(program, *this, FXImage1, FXSnd1, store, pump),
      m_file_listing([this](const QStringList& names, bool complete) { receive_files(names, complete); })
{
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

    // The tree is read folder by folder as its entries open, each on a
    // listing of its own, so a folder of any size never holds the dialog.
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
        const QString folder = FolderTreeModel::folder_of(current);
        if (!m_moving_tree && !folder.isEmpty()) {
            Dir1_Click(folder);
        }
    });
    connect(&Dir1, &QTreeView::activated, this, [this](const QModelIndex& index) {
        const QString folder = FolderTreeModel::folder_of(index);
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
    SetTabOrder(*this, core::kFolderEditorTabOrder);

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
    unload();
}

void frm_mgetfolder::unload()
{
    if (!m_unloaded) {
        m_unloaded = true;
        // No listing outlives the editor's closing.
        m_file_listing.stop();
        m_tree_listings.clear();
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
    m_rules.Dir1_Click(to_path(PlainFolder(folder)));
}

void frm_mgetfolder::Dir1_Open(const QString& folder)
{
    move_tree(PlainFolder(folder));
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
        const bool holds =
            folder == mount || mount == QLatin1String("/") || folder.startsWith(mount + QLatin1Char('/'));
        if (holds && mount.size() > m_volumes.at(best).mount.size()) {
            best = i;
        }
    }
    return best;
}

void frm_mgetfolder::open_browser_at(const std::string& folder)
{
    const QString target = PlainFolder(from_path(folder));
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
    if (mount == m_tree_model.mount()) {
        return;
    }
    // Subfolders still being read belong to the other volume's tree.
    m_tree_listings.clear();
    m_moving_tree = true;
    m_tree_model.show_volume(mount);
    m_moving_tree = false;
}

void frm_mgetfolder::list_subfolders(const QModelIndex& index)
{
    if (!m_tree_model.begin_reading(index)) {
        return;
    }
    std::erase_if(m_tree_listings, [](const auto& listing) { return listing->complete(); });
    const QString folder = FolderTreeModel::folder_of(index);
    auto listing = std::make_unique<FolderListing>([this, folder](const QStringList& names, bool complete) {
        if (complete) {
            receive_subfolders(folder, names);
        }
    });
    listing->start(folder, FolderListing::Entries::Subfolders);
    m_tree_listings.push_back(std::move(listing));
}

void frm_mgetfolder::receive_subfolders(const QString& folder, const QStringList& names)
{
    m_moving_tree = true;
    m_tree_model.set_subfolders(folder, names);
    m_moving_tree = false;
    // Folders read above the tree's folder push it down; it is brought
    // back into view.
    const bool above =
        folder == QLatin1String("/") || m_tree_folder == folder || m_tree_folder.startsWith(folder + QLatin1Char('/'));
    if (!Dir1.currentIndex().isValid() || above) {
        select_tree_folder();
    }
}

void frm_mgetfolder::select_tree_folder()
{
    QStandardItem* item = m_tree_model.item_of(m_tree_folder, false);
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

    QStandardItem* target = m_tree_model.item_of(folder, true);
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
    m_file_folder = PlainFolder(from_path(folder));
    m_files.clear();
    // Names arrive in batches in the folder's own order while it is read,
    // then once more sorted when the folder has been read.
    m_file_listing.start(m_file_folder, FolderListing::Entries::Files,
                         [](const std::string& name) { return core::MatchesFileFilter(name); });
}

void frm_mgetfolder::receive_files(const QStringList& names, bool complete)
{
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
            const auto found = std::lower_bound(names.begin(), names.end(), chosen, FolderListing::NameOrder);
            if (found != names.end() && *found == chosen) {
                const QModelIndex again = m_files.index(static_cast<int>(found - names.begin()));
                file1.setCurrentIndex(again);
                file1.scrollTo(again);
            }
        }
    }
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

void ShowFolderEditorModal(core::Program& program, FormServices& platform, QWidget* parent)
{
    frm_mgetfolder editor(program, platform.store(), platform.pump(), platform.screen(), platform.sound(), parent);
    editor.exec();
}

} // namespace framory::qt
