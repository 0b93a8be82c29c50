#pragma once

#include <QString>
#include <QWidget>

#include <span>
#include <string_view>

namespace framory::qt {

// A text of the core as Qt shows it.
inline QString Text(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Chains the form's controls, found by their object names, in the given
// keyboard order.
inline void SetTabOrder(QWidget& form, std::span<const std::string_view> names)
{
    QWidget* previous = nullptr;
    for (const std::string_view name : names) {
        auto* widget = form.findChild<QWidget*>(Text(name));
        if (widget == nullptr) {
            continue;
        }
        if (previous != nullptr) {
            QWidget::setTabOrder(previous, widget);
        }
        previous = widget;
    }
}

} // namespace framory::qt
