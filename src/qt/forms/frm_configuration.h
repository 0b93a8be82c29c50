#pragma once

#include "core/config_ui/configuration.h"

#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

#include <functional>

namespace framory::core {
struct Program;
}

namespace framory::qt {

class FormServices;

// What the hub's buttons open; each shows its dialog modally over `parent`.
struct HubDialogs {
    std::function<void(QWidget* parent)> edit_folders;
    std::function<void(QWidget* parent)> options;
    std::function<void(QWidget* parent)> change_password;
    std::function<void(QWidget* parent)> about;
    std::function<void()> show_preview;
    std::function<void()> end_program;
};

// The configuration hub: the artwork, the version, and the way to every
// other dialog, a preview of the show and the file-name switch.
class frm_configuration : public QDialog, public core::ConfigurationWindow {
    Q_OBJECT

public:
    frm_configuration(core::Program& program, FormServices& platform, core::Shell& shell, HubDialogs dialogs);

    QLabel Image1;
    QGroupBox Frame1;
    QToolButton Command8;
    QToolButton Command7;
    QToolButton Command6;
    QCheckBox Check1;
    QPushButton Command5;
    QPushButton Command3;
    QPushButton Command2;
    QPushButton Command4;

    // ConfigurationWindow
    bool display_filenames() override { return Check1.isChecked(); }
    void set_display_filenames(bool checked) override { Check1.setChecked(checked); }
    void set_title(const std::string& title) override { setWindowTitle(QString::fromStdString(title)); }
    void show_show_modal() override;
    void show_message(const std::string& title, const std::string& text) override;
    void end_program() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    core::Configuration m_rules;
    HubDialogs m_dialogs;
    bool m_unloaded = false;
};

// Opens the hub modeless for the configure request; closing it ends the
// program.
bool OpenConfiguration(core::Program& program, FormServices& platform);

// Runs the show window modally, as the hub's preview, and returns when it
// has closed.
void RunShowModal(core::Program& program, FormServices& platform);

} // namespace framory::qt
