#pragma once

#include "core/components/platform.h"

#include <QDialog>
#include <QLabel>
#include <QPushButton>

#include <array>

namespace framory::qt {

// The about box: the product, the maker and a button to the maker's home
// page.
class frm_about : public QDialog {
    Q_OBJECT

public:
    frm_about(core::Shell& shell, core::ScreenMetrics& screen, core::EventPump& pump, QWidget* parent = nullptr);

    QLabel Image1;
    std::array<QLabel, 6> Label1; // the label array, indexes 0 to 5
    QPushButton Command2;
    QPushButton Command1;

private:
    core::Shell& m_shell;
};

} // namespace framory::qt
