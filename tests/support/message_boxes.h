#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace framory::testing {

// Accepts every message box that shows while it lives, remembering how many
// there were and what the last one said.
class MessageBoxAnswerer {
public:
    MessageBoxAnswerer()
    {
        m_watch.setInterval(10);
        QObject::connect(&m_watch, &QTimer::timeout, [this] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* box = qobject_cast<QMessageBox*>(w); box != nullptr && box->isVisible()) {
                    ++count;
                    text = box->text();
                    title = box->windowTitle();
                    icon = box->icon();
                    box->accept();
                }
            }
        });
        m_watch.start();
    }

    int count = 0;
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;

private:
    QTimer m_watch;
};

} // namespace framory::testing
