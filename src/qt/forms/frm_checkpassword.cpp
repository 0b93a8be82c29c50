#include "qt/forms/frm_checkpassword.h"

#include "core/password/code_page.h"
#include "core/startup/helpers.h"
#include "core/startup/program.h"
#include "qt/forms/twips.h"
#include "qt/platform/desktop_services.h"
#include "qt/platform/screen_lock.h"

#include <QKeyEvent>

#include <cstdlib>

namespace framory::qt {

int PromptTimeoutMs()
{
    const char* text = std::getenv("FRAMORY_PROMPT_TIMEOUT_MS");
    const long asked = text != nullptr ? std::strtol(text, nullptr, 10) : 0;
    return asked > 0 && asked < core::kPromptTimeoutMs ? static_cast<int>(asked) : core::kPromptTimeoutMs;
}

frm_checkpassword::frm_checkpassword(core::Program& program, core::CursorService& cursor, core::EventPump& pump,
                                     core::ScreenMetrics& screen, QWidget* parent, ScreenLock* lock)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint |
                          (program.config_preview ? Qt::WindowFlags() : Qt::WindowStaysOnTopHint)),
      Text1(this), Command1(QStringLiteral("Ok"), this), Command2(QStringLiteral("Cancel"), this),
      Label1(QString::fromLatin1(core::kPromptLabel), this), m_rules(program, *this, cursor, pump), m_lock(lock)
{
    if (m_lock != nullptr) {
        m_lock->adopt(*this);
    }
    setObjectName(QStringLiteral("frm_checkpassword"));
    Text1.setObjectName(QStringLiteral("Text1"));
    Command1.setObjectName(QStringLiteral("Command1"));
    Command2.setObjectName(QStringLiteral("Command2"));
    Label1.setObjectName(QStringLiteral("Label1"));
    Timer1.setObjectName(QStringLiteral("Timer1"));
    setWindowTitle(QString::fromLatin1(core::kPromptCaption));
    setFixedSize(Twips(3840), Twips(1125));
    Text1.setGeometry(TwipsRect(180, 540, 2040, 285));
    Command1.setGeometry(TwipsRect(2790, 180, 915, 330));
    Command2.setGeometry(TwipsRect(2790, 630, 915, 330));
    Label1.setGeometry(TwipsRect(180, 180, 2535, 330));
    Text1.setEchoMode(QLineEdit::Password);
    Text1.setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    // A context menu would be one more window over a locked screen, and
    // its closing lets go of the grabbed keyboard; a password box needs none.
    Text1.setContextMenuPolicy(Qt::NoContextMenu);
    Command1.setAutoDefault(false);
    Command2.setAutoDefault(false);
    setTabOrder(&Text1, &Command1);
    setTabOrder(&Command1, &Command2);
    Text1.installEventFilter(this);

    connect(&Command1, &QPushButton::clicked, this, [this] { m_rules.Command1_Click(); });
    connect(&Command2, &QPushButton::clicked, this, [this] { m_rules.Command2_Click(); });
    Timer1.setSingleShot(true);
    Timer1.setInterval(PromptTimeoutMs());
    connect(&Timer1, &QTimer::timeout, this, [this] { m_rules.Timer1_Timer(); });
    connect(this, &QDialog::finished, this, [this] {
        if (!m_unloaded) {
            m_unloaded = true;
            m_rules.Form_Unload();
        }
    });
    // The time-out runs from the moment the prompt is created.
    Timer1.start();

    WidgetWindow window(*this, screen);
    core::CenterForm(window, screen, pump);
    m_rules.Form_Load();
    Text1.setFocus();
}

frm_checkpassword::~frm_checkpassword()
{
    if (!m_unloaded) {
        m_unloaded = true;
        m_rules.Form_Unload();
    }
}

void frm_checkpassword::make_top_most()
{
    // Raised and given the keyboard once it shows, so typing goes into the
    // prompt even where no window manager hands the focus over.
    QTimer::singleShot(0, this, [this] {
        raise();
        activateWindow();
        Text1.setFocus();
    });
}

std::string frm_checkpassword::typed_text()
{
    return core::ToWindows1252(Text1.text().toStdU16String());
}

void frm_checkpassword::show_wrong_password_message()
{
    QMessageBox box(QMessageBox::Warning, QString::fromLatin1(core::kWrongPasswordTitle),
                    QString::fromLatin1(core::kWrongPasswordText), QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("WrongPasswordBox"));
    if (m_lock != nullptr) {
        m_lock->adopt(box);
    }
    m_message = &box;
    box.exec();
}

void frm_checkpassword::close()
{
    // The prompt closes together with its message, whoever closes it: the
    // time-out may come while the message is still up.
    if (m_message) {
        m_message->done(QMessageBox::Ok);
    }
    done(QDialog::Accepted);
}

bool frm_checkpassword::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &Text1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            m_rules.Text1_KeyPress(13);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frm_checkpassword::reject()
{
    // Escape and the close box count as Cancel.
    m_rules.Command2_Click();
}

void QtPasswordPrompt::show_modal(core::Program& program)
{
    frm_checkpassword prompt(program, m_cursor, m_pump, m_screen, nullptr, m_lock);
    prompt.exec();
}

} // namespace framory::qt
