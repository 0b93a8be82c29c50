#include "qt/forms/frm_configuration.h"

#include "core/startup/helpers.h"
#include "core/startup/program.h"
#include "qt/forms/artwork.h"
#include "qt/forms/control_text.h"
#include "qt/forms/form_services.h"
#include "qt/forms/frm_about.h"
#include "qt/forms/frm_mgetfolder.h"
#include "qt/forms/frm_newpassword.h"
#include "qt/forms/frm_options.h"
#include "qt/forms/frm_screen_saver.h"
#include "qt/forms/twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QMessageBox>

namespace framory::qt {

namespace {

QString Caption(std::string_view control)
{
    return Text(core::FindControlText(core::kHubControls, control).caption);
}

QString Tooltip(std::string_view control)
{
    return Text(core::FindControlText(core::kHubControls, control).tooltip);
}

void large_button(QToolButton& button, const QIcon& icon)
{
    const std::string name = button.objectName().toStdString();
    button.setIcon(icon);
    button.setIconSize(QSize(32, 32));
    button.setText(Caption(name));
    button.setToolTip(Tooltip(name));
    button.setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button.setFocusPolicy(Qt::StrongFocus);
}

void plain_button(QPushButton& button, const QRect& place)
{
    button.setGeometry(place);
    button.setToolTip(Tooltip(button.objectName().toStdString()));
    button.setAutoDefault(false);
}

} // namespace

frm_configuration::frm_configuration(core::Program& program, FormServices& platform, core::Shell& shell,
                                     HubDialogs dialogs)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), Image1(this), Frame1(this),
      Command8(&Frame1), Command7(&Frame1), Command6(&Frame1), Check1(Caption("Check1"), &Frame1),
      Command5(Caption("Command5"), this), Command3(Caption("Command3"), this), Command2(Caption("Command2"), this),
      Command4(Caption("Command4"), this), m_rules(program, *this, platform.store(), shell),
      m_dialogs(std::move(dialogs))
{
    setObjectName(QStringLiteral("frm_configuration"));
    setFixedSize(Twips(7125), Twips(4200));
    for (auto [widget, name] : {std::pair<QWidget*, const char*>{&Image1, "Image1"},
                                {&Frame1, "Frame1"},
                                {&Command8, "Command8"},
                                {&Command7, "Command7"},
                                {&Command6, "Command6"},
                                {&Check1, "Check1"},
                                {&Command5, "Command5"},
                                {&Command3, "Command3"},
                                {&Command2, "Command2"},
                                {&Command4, "Command4"}}) {
        widget->setObjectName(QString::fromLatin1(name));
    }

    Image1.setGeometry(TwipsRect(90, 90, 4860, 3660));
    Image1.setFrameShape(QFrame::Box);
    Image1.setAlignment(Qt::AlignCenter);
    Image1.setPixmap(ProductArtwork(320, 240));

    Frame1.setGeometry(TwipsRect(5010, 0, 2055, 3735));
    Command8.setGeometry(TwipsRect(120, 210, 1815, 945));
    large_button(Command8, FoldersIcon());
    Command7.setGeometry(TwipsRect(120, 1290, 1815, 870));
    large_button(Command7, OptionsIcon());
    Command6.setGeometry(TwipsRect(120, 2310, 1815, 870));
    large_button(Command6, PreviewIcon());
    Check1.setGeometry(TwipsRect(90, 3330, 1845, 315));
    QFont bold = Check1.font();
    bold.setBold(true);
    Check1.setFont(bold);
    Check1.setToolTip(Tooltip("Check1"));

    plain_button(Command5, TwipsRect(1170, 3840, 1000, 300));
    plain_button(Command3, TwipsRect(2250, 3840, 2640, 300));
    plain_button(Command2, TwipsRect(4980, 3840, 1000, 300));
    plain_button(Command4, TwipsRect(6060, 3840, 1000, 300));

    SetTabOrder(*this, core::kHubTabOrder);

    const auto open = [this](const std::function<void(QWidget*)>& dialog) {
        if (dialog) {
            dialog(this);
        }
    };
    connect(&Command8, &QToolButton::clicked, this, [this, open] { open(m_dialogs.edit_folders); });
    connect(&Command7, &QToolButton::clicked, this, [this, open] { open(m_dialogs.options); });
    connect(&Command6, &QToolButton::clicked, this, [this] { m_rules.Command6_Click(); });
    connect(&Command5, &QPushButton::clicked, this, [this, open] { open(m_dialogs.change_password); });
    connect(&Command3, &QPushButton::clicked, this, [this] { m_rules.Command3_Click(); });
    connect(&Command2, &QPushButton::clicked, this, [this, open] { open(m_dialogs.about); });
    connect(&Command4, &QPushButton::clicked, this, [this] { close(); });

    WidgetWindow window(*this, platform.screen());
    core::CenterForm(window, platform.screen(), platform.pump());
    m_rules.Form_Load();
    Command5.setFocus();
}

void frm_configuration::show_show_modal()
{
    if (m_dialogs.show_preview) {
        m_dialogs.show_preview();
    }
}

void frm_configuration::show_message(const std::string& title, const std::string& text)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(title), QString::fromStdString(text), QMessageBox::Ok,
                    this);
    box.setObjectName(QStringLiteral("CatalogueErrorBox"));
    box.exec();
}

void frm_configuration::end_program()
{
    if (m_dialogs.end_program) {
        m_dialogs.end_program();
    }
}

void frm_configuration::closeEvent(QCloseEvent* event)
{
    if (!m_unloaded) {
        m_unloaded = true;
        m_rules.Form_Unload();
    }
    event->accept();
}

void frm_configuration::reject()
{
    // Escape closes the hub the way its close box does.
    close();
}

void RunShowModal(core::Program& program, FormServices& platform)
{
    auto* show = new frmScreenSaver(program, platform.sound(), platform.show_services());
    show->setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    QObject::connect(show, &frmScreenSaver::unloaded, &loop, &QEventLoop::quit);
    show->open();
    loop.exec();
}

bool OpenConfiguration(core::Program& program, FormServices& platform)
{
    HubDialogs dialogs;
    dialogs.edit_folders = [&program, &platform](QWidget* parent) { ShowFolderEditorModal(program, platform, parent); };
    dialogs.options = [&program, &platform](QWidget* parent) {
        ShowOptionsModal(program, platform, parent,
                         [&program, &platform, parent] { ShowChangePasswordModal(program, platform, parent); });
    };
    dialogs.change_password = [&program, &platform](QWidget* parent) {
        ShowChangePasswordModal(program, platform, parent);
    };
    dialogs.about = [&platform](QWidget* parent) {
        frm_about about(platform.shell(), platform.screen(), platform.pump(), parent);
        about.exec();
    };
    dialogs.show_preview = [&program, &platform] { RunShowModal(program, platform); };
    dialogs.end_program = [] { QApplication::exit(0); };
    auto* hub = new frm_configuration(program, platform, platform.shell(), std::move(dialogs));
    hub->setAttribute(Qt::WA_DeleteOnClose);
    hub->show();
    return true;
}

} // namespace framory::qt
