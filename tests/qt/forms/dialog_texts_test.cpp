// Every dialog at the scale the test runs at (ctest runs it at device pixel
// ratio 1 and 2): no text cut off, pictures drawn for the screen's pixels.
#include "qt/forms/frm_about.h"
#include "qt/forms/frm_checkpassword.h"
#include "qt/forms/frm_configuration.h"
#include "qt/forms/frm_mgetfolder.h"
#include "qt/forms/frm_newpassword.h"
#include "qt/forms/frm_options.h"

#include "app/desktop_platform.h"
#include "core/settings/settings.h"
#include "core/startup/program.h"
#include "form_test_support.h"
#include "qt/platform/xkb_keyboard.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

namespace framory::qt {
namespace {

// How many pixels of a widget's text do not show.
int cut_off(const QWidget& widget)
{
    if (const auto* label = qobject_cast<const QLabel*>(&widget); label != nullptr && !label->text().isEmpty()) {
        if (label->wordWrap()) {
            return std::max(0, label->heightForWidth(label->width()) - label->height());
        }
        const QFontMetrics metrics(label->font());
        const QRect room =
            label->contentsRect().adjusted(label->margin(), label->margin(), -label->margin(), -label->margin());
        return std::max({0, metrics.horizontalAdvance(label->text()) - room.width(), metrics.height() - room.height()});
    }
    if (qobject_cast<const QCheckBox*>(&widget) != nullptr || qobject_cast<const QRadioButton*>(&widget) != nullptr) {
        return std::max(0, widget.sizeHint().width() - widget.width());
    }
    return 0;
}

// Whether the widget's picture has a pixel for each pixel of the screen.
bool sharp(const QWidget& widget)
{
    const qreal ratio = widget.devicePixelRatioF();
    if (const auto* label = qobject_cast<const QLabel*>(&widget); label != nullptr && !label->pixmap().isNull()) {
        return label->pixmap().devicePixelRatio() >= ratio;
    }
    const auto* button = qobject_cast<const QAbstractButton*>(&widget);
    return button == nullptr || button->icon().isNull() ||
           button->icon().pixmap(button->iconSize(), ratio).devicePixelRatio() >= ratio;
}

TEST(DialogTexts, EveryTextOfEveryDialogShowsWholeAndSharp)
{
    framory::testing::DesktopHome home;
    DesktopPlatform platform(DisplayKind::Offscreen);
    core::Program program;
    program.windows_dir = (home.folder.path() / "data").string() + "/";
    program.program_folder = home.folder.path().string() + "/";
    core::LoadSettings(program, platform.store());

    HubDialogs none;
    none.end_program = [] {};
    frm_about about(platform.shell(), platform.screen(), platform.pump());
    frm_configuration hub(program, platform, platform.shell(), none);
    frm_options options(program, platform.store(), platform.screen(), platform.pump(), platform.shell(),
                        kLinuxPlatformId, [] {});
    frm_newpassword new_password(program, std::make_unique<XkbKeyboardLayout>(KeyboardSource::BuiltInUs),
                                 platform.store(), platform.screen(), platform.pump());
    frm_mgetfolder editor(program, platform.store(), platform.pump(), platform.screen(), platform.sound());
    frm_checkpassword prompt(program, platform.cursor(), platform.pump(), platform.screen());
    for (QDialog* dialog : std::initializer_list<QDialog*>{&about, &hub, &options, &new_password, &editor, &prompt}) {
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
        int labels = 0;
        for (QWidget* widget : dialog->findChildren<QWidget*>()) {
            if (widget->isVisibleTo(dialog)) {
                labels += qobject_cast<QLabel*>(widget) != nullptr ? 1 : 0;
                const std::string name = dialog->objectName().toStdString() + " " + widget->objectName().toStdString();
                EXPECT_EQ(cut_off(*widget), 0) << name << ": pixels of its text cut off";
                EXPECT_TRUE(sharp(*widget)) << name << " is drawn at a lower scale";
            }
        }
        EXPECT_GT(labels, 0) << dialog->objectName().toStdString();
        dialog->hide();
    }
}

} // namespace
} // namespace framory::qt
