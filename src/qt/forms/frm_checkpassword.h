#pragma once

#include "core/password/check_password.h"
#include "core/slideshow/show.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace framory::core {
class ScreenMetrics;
}

namespace framory::qt {

class ScreenLock;

// The password prompt shown while the show runs: the typed password ends
// the show; Cancel or 20 seconds let it go on. Over a locked show the
// prompt and its message are taken into the lock.
class frm_checkpassword : public QDialog, public core::PromptWindow {
    Q_OBJECT

public:
    frm_checkpassword(core::Program& program, core::CursorService& cursor, core::EventPump& pump,
                      core::ScreenMetrics& screen, QWidget* parent = nullptr, ScreenLock* lock = nullptr);
    ~frm_checkpassword() override;

    QLineEdit Text1;
    QPushButton Command1;
    QPushButton Command2;
    QLabel Label1;
    QTimer Timer1;

    // PromptWindow
    void make_top_most() override;
    std::string typed_text() override;
    void clear_text() override { Text1.clear(); }
    void focus_text() override { Text1.setFocus(); }
    void show_wrong_password_message() override;
    void close() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;

private:
    core::CheckPassword m_rules;
    ScreenLock* m_lock;
    QPointer<QMessageBox> m_message;
    bool m_unloaded = false;
};

// The prompt's time-out: 20 seconds, or less where FRAMORY_PROMPT_TIMEOUT_MS
// asks for less (tests do, so as not to wait 20 seconds).
int PromptTimeoutMs();

// Shows the prompt modally from the show.
class QtPasswordPrompt : public core::PasswordPrompt {
public:
    QtPasswordPrompt(core::CursorService& cursor, core::EventPump& pump, core::ScreenMetrics& screen,
                     ScreenLock* lock = nullptr)
        : m_cursor(cursor), m_pump(pump), m_screen(screen), m_lock(lock)
    {
    }
    void show_modal(core::Program& program) override;

private:
    core::CursorService& m_cursor;
    core::EventPump& m_pump;
    core::ScreenMetrics& m_screen;
    ScreenLock* m_lock;
};

} // namespace framory::qt
