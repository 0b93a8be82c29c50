#include "qt/forms/frm_newpassword.h"

#include "core/startup/program.h"
#include "qt/forms/form_services.h"
#include "qt/forms/twips.h"
#include "qt/platform/xkb_keyboard.h"

#include <QApplication>
#include <QFontDatabase>
#include <QMessageBox>

namespace framory::qt {

namespace {

// The boxes of the layout were sized for the system's narrow 8-point dialog
// face, MS Sans Serif. That face is used where the system has it, else a
// face with Arial's widths (fontconfig's usual stand-ins), else the
// desktop's own general face.
QFont DialogFont(double point_size)
{
    const QStringList families = {
        QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
        QStringLiteral("Arial"),         QStringLiteral("Liberation Sans"),
        QStringLiteral("Arimo"),         QStringLiteral("Nimbus Sans"),
        QStringLiteral("Helvetica"),     QFontDatabase::systemFont(QFontDatabase::GeneralFont).family()};
    QFont font(families.first());
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(point_size);
    return font;
}

constexpr double kDesignPointSize = 8.0;
// The smallest size the texts may shrink to before they are left to clip.
constexpr double kSmallestPointSize = 6.0;

void show_message(QWidget* parent, QMessageBox::Icon icon, const char* title, const char* text, const QString& name)
{
    QMessageBox box(icon, QString::fromLatin1(title), QString::fromLatin1(text), QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.setObjectName(name);
    box.exec();
}

} // namespace

frm_newpassword::frm_newpassword(core::Program& program, std::unique_ptr<core::KeyboardLayout> keyboard,
                                 core::SettingsStore& store, core::ScreenMetrics& screen, core::EventPump& pump,
                                 QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      Label1(QString::fromLatin1(core::kNewPasswordLabel), this), Label2(QStringLiteral("New Password:"), this),
      NewPassword(this), Label3(QStringLiteral("Confirm new password:"), this), NewPassword2(this),
      OK(QStringLiteral("OK"), this), Cancel(QStringLiteral("Cancel"), this), m_keyboard(std::move(keyboard)),
      m_frame(*this, screen), m_rules(program, *this, core::NewPasswordServices{*m_keyboard, store, screen, pump})
{
    setObjectName(QStringLiteral("frm_newpassword"));
    Label1.setObjectName(QStringLiteral("Label1"));
    Label2.setObjectName(QStringLiteral("Label2"));
    NewPassword.setObjectName(QStringLiteral("NewPassword"));
    Label3.setObjectName(QStringLiteral("Label3"));
    NewPassword2.setObjectName(QStringLiteral("NewPassword2"));
    OK.setObjectName(QStringLiteral("OK"));
    Cancel.setObjectName(QStringLiteral("Cancel"));
    setWindowTitle(QString::fromLatin1(core::kNewPasswordCaption));

    setFixedSize(5265 / 15, 1545 / 15);
    QPalette grey = palette();
    grey.setColor(QPalette::Window, QColor(192, 192, 192));
    setPalette(grey);
    setAutoFillBackground(true);

    Label1.setGeometry(TwipsRect(60, 135, 3840, 240));
    Label2.setGeometry(TwipsRect(180, 630, 1110, 195));
    NewPassword.setGeometry(TwipsRect(1980, 630, 1605, 330));
    Label3.setGeometry(TwipsRect(180, 1080, 1635, 195));
    NewPassword2.setGeometry(TwipsRect(1980, 1080, 1605, 315));
    OK.setGeometry(TwipsRect(4050, 180, 1095, 330));
    Cancel.setGeometry(TwipsRect(4050, 585, 1095, 330));
    // A face wider than the design's would cut the labels short, so the
    // dialog's texts shrink together, half a point at a time, until each
    // fits its box.
    for (double size = kDesignPointSize; size >= kSmallestPointSize; size -= 0.5) {
        setFont(DialogFont(size));
        if (texts_fit()) {
            break;
        }
    }

    // Masked with "*", and no limit of their own: the length is checked on OK,
    // so that an over-long entry is answered with its message.
    for (QLineEdit* box : {&NewPassword, &NewPassword2}) {
        box->setEchoMode(QLineEdit::Password);
        box->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
        box->setMaxLength(32767);
    }
    // Enter in a box presses OK, as in the system's own password dialogs.
    OK.setDefault(true);
    setTabOrder(&NewPassword, &NewPassword2);
    setTabOrder(&NewPassword2, &OK);
    setTabOrder(&OK, &Cancel);

    connect(&OK, &QPushButton::clicked, this, [this] { m_rules.OK_Click(); });
    connect(&Cancel, &QPushButton::clicked, this, [this] { m_rules.Cancel_Click(); });

    m_rules.Form_Load();
    NewPassword.setFocus();
}

bool frm_newpassword::texts_fit() const
{
    for (const QLabel* label : {&Label1, &Label2, &Label3}) {
        const QFontMetrics metrics(label->font());
        if (metrics.horizontalAdvance(label->text()) > label->width() || metrics.height() > label->height()) {
            return false;
        }
    }
    for (const QPushButton* button : {&OK, &Cancel}) {
        if (QFontMetrics(button->font()).horizontalAdvance(button->text()) > button->width() - 8) {
            return false;
        }
    }
    return true;
}

void frm_newpassword::show_mismatch_message()
{
    show_message(this, QMessageBox::Critical, core::kMismatchTitle, core::kMismatchText, QStringLiteral("MismatchBox"));
}

void frm_newpassword::show_too_long_message()
{
    show_message(this, QMessageBox::Warning, core::kTooLongTitle, core::kTooLongText, QStringLiteral("TooLongBox"));
}

bool OpenChangePasswordProgram(core::Program& program, FormServices& platform)
{
    // Without a display there is nothing to show the dialog on. (The X11
    // headers that the platform pulls in make "None" a macro, so the kinds
    // with a display are named instead.)
    if (platform.display() != DisplayKind::X11 && platform.display() != DisplayKind::Offscreen) {
        return false;
    }
    auto* dialog = new frm_newpassword(program, KeyboardLayoutFor(platform.display()), platform.store(),
                                       platform.screen(), platform.pump());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // The dialog is the program's only window: once it closes, by OK or
    // Cancel, the program's event loop ends and with it the program.
    QObject::connect(dialog, &QDialog::finished, qApp, [] { QCoreApplication::exit(0); });
    dialog->show();
    return true;
}

void ShowChangePasswordModal(core::Program& program, FormServices& platform, QWidget* parent)
{
    frm_newpassword dialog(program, KeyboardLayoutFor(platform.display()), platform.store(), platform.screen(),
                           platform.pump(), parent);
    dialog.exec();
}

} // namespace framory::qt
