#include "qt/forms/fit_text.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialog>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QRadioButton>
#include <QRegularExpression>

#include <algorithm>

namespace framory::qt {

namespace {

// The smallest face a text is shrunk to, in points.
constexpr double kSmallestPointSize = 6.0;

int text_room(const QLabel& label)
{
    int indent = label.indent();
    if (indent < 0) {
        // Qt's own rule: a framed label keeps half an "x" from its frame.
        indent = label.frameWidth() > 0 ? QFontMetrics(label.font()).horizontalAdvance(QLatin1Char('x')) / 2 : 0;
    }
    return label.contentsRect().width() - 2 * label.margin() - indent;
}

bool label_fits(const QLabel& label)
{
    const QFontMetrics metrics(label.font());
    const QStringList lines = label.text().split(QLatin1Char('\n'));
    int widest = 0;
    for (const QString& line : lines) {
        widest = std::max(widest, metrics.horizontalAdvance(line));
    }
    if (label.wordWrap()) {
        int longest_word = 0;
        for (const QString& word : label.text().split(QRegularExpression(QStringLiteral("\\s+")))) {
            longest_word = std::max(longest_word, metrics.horizontalAdvance(word));
        }
        return longest_word <= text_room(label) && label.heightForWidth(label.width()) <= label.height();
    }
    return widest <= text_room(label) &&
           metrics.height() * static_cast<int>(lines.size()) <= label.contentsRect().height();
}

bool button_fits(const QAbstractButton& button)
{
    return button.sizeHint().width() <= button.width();
}

// How far down the label may grow: to the nearest control below it that
// shares some of its columns, or to the bottom of its parent.
int floor_below(const QLabel& label)
{
    const QWidget* parent = label.parentWidget();
    int floor = parent != nullptr ? parent->contentsRect().bottom() + 1 : label.geometry().bottom() + 1;
    if (parent == nullptr) {
        return floor;
    }
    for (const QObject* child : parent->children()) {
        const auto* sibling = qobject_cast<const QWidget*>(child);
        if (sibling == nullptr || sibling == &label || sibling->isWindow()) {
            continue;
        }
        const QRect r = sibling->geometry();
        const bool shares_columns = r.left() < label.geometry().right() && r.right() > label.geometry().left();
        if (shares_columns && r.top() >= label.geometry().bottom()) {
            floor = std::min(floor, r.top());
        }
    }
    return floor;
}

template <typename Widget, typename Fits> void shrink_until_it_fits(Widget& widget, Fits fits)
{
    QFont font = widget.font();
    while (!fits(widget) && font.pointSizeF() > kSmallestPointSize) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
        widget.setFont(font);
    }
}

} // namespace

void FitTexts(QWidget& dialog)
{
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->text().isEmpty() || label_fits(*label)) {
            continue;
        }
        label->setWordWrap(true);
        const int wrapped = label->heightForWidth(label->width());
        if (wrapped > 0 && label->y() + wrapped <= floor_below(*label)) {
            label->resize(label->width(), std::max(wrapped, label->height()));
            if (label_fits(*label)) {
                continue;
            }
        }
        label->setWordWrap(false);
        shrink_until_it_fits(*label, label_fits);
    }
    for (QAbstractButton* button : dialog.findChildren<QAbstractButton*>()) {
        if ((qobject_cast<QCheckBox*>(button) != nullptr || qobject_cast<QRadioButton*>(button) != nullptr) &&
            !button_fits(*button)) {
            shrink_until_it_fits(*button, button_fits);
        }
    }
}

namespace {

class DialogTextFitter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            auto* dialog = qobject_cast<QDialog*>(watched);
            if (dialog != nullptr && !dialog->property(kFitted).toBool()) {
                dialog->setProperty(kFitted, true);
                FitTexts(*dialog);
            }
        }
        return false;
    }

private:
    static constexpr const char* kFitted = "framory_texts_fitted";
};

} // namespace

void FitTextsOfEveryDialog(QCoreApplication& application)
{
    application.installEventFilter(new DialogTextFitter(&application));
}

} // namespace framory::qt
