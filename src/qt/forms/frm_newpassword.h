#pragma once

#include "core/password/new_password.h"
#include "qt/platform/desktop_services.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <memory>

namespace framory::core {
struct Program;
}

namespace framory::qt {

class FormServices;

// The change-password dialog: the new password typed twice into masked
// boxes, stored scrambled as soon as OK accepts it.
class frm_newpassword : public QDialog, public core::NewPasswordWindow {
    Q_OBJECT

public:
    frm_newpassword(core::Program& program, std::unique_ptr<core::KeyboardLayout> keyboard, core::SettingsStore& store,
                    core::ScreenMetrics& screen, core::EventPump& pump, QWidget* parent = nullptr);

    QLabel Label1;
    QLabel Label2;
    QLineEdit NewPassword;
    QLabel Label3;
    QLineEdit NewPassword2;
    QPushButton OK;
    QPushButton Cancel;

    // NewPasswordWindow
    std::u16string new_password() override { return NewPassword.text().toStdU16String(); }
    std::u16string confirmed_password() override { return NewPassword2.text().toStdU16String(); }
    void set_new_password(const std::u16string& text) override { NewPassword.setText(QString::fromStdU16String(text)); }
    void set_confirmed_password(const std::u16string& text) override
    {
        NewPassword2.setText(QString::fromStdU16String(text));
    }
    void show_mismatch_message() override;
    void show_too_long_message() override;
    void close() override { done(QDialog::Accepted); }
    double width_twips() override { return m_frame.width_twips(); }
    double height_twips() override { return m_frame.height_twips(); }
    void move_to_twips(double left, double top) override { m_frame.move_to_twips(left, top); }

    // Whether every label and button shows its whole text in the font it has.
    bool texts_fit() const;

protected:
    // Escape and the close box count as Cancel.
    void reject() override { m_rules.Cancel_Click(); }

private:
    std::unique_ptr<core::KeyboardLayout> m_keyboard;
    WidgetWindow m_frame;
    core::NewPassword m_rules;
};

// "/A": the dialog as the program's only window, modeless; closing it, by
// OK or Cancel, ends the program's event loop. False when there is no
// display to show it on.
bool OpenChangePasswordProgram(core::Program& program, FormServices& platform);

// From the configuration hub and the options dialog: modal over `parent`,
// returning once the dialog has closed.
void ShowChangePasswordModal(core::Program& program, FormServices& platform, QWidget* parent);

} // namespace framory::qt
