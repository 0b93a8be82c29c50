// Every dialog as a person sees it, at the scale the test runs at (ctest
// runs this set at device pixel ratio 1 and again at 2): no text is cut
// off, and the pictures are drawn for the screen's pixels.
#include "qt/forms/frm_about.h"
#include "qt/forms/frm_checkpassword.h"
#include "qt/forms/frm_configuration.h"
#include "qt/forms/frm_mgetfolder.h"
#include "qt/forms/frm_newpassword.h"
#include "qt/forms/frm_options.h"

#include "core/settings/settings.h"
#include "core/startup/program.h"
#include "qt/platform/desktop_platform.h"
#include "qt/platform/xkb_keyboard.h"
#include "../platform/temp_folder.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

namespace framory::qt {
namespace {

// What of a widget's text does not show, in words; empty when it all does.
QString cut_off(const QWidget& widget)
{
    const QFontMetrics metrics(widget.font());
    if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
        if (label->text().isEmpty()) {
            return {};
        }
        const int room = label->contentsRect().width() - 2 * label->margin();
        if (label->wordWrap()) {
            return label->heightForWidth(label->width()) > label->height() ? QStringLiteral("wrapped too high") : QString();
        }
        const int needed = metrics.horizontalAdvance(label->text());
        if (needed > room) {
            return QStringLiteral("needs %1 pixels, has %2").arg(needed).arg(room);
        }
        return metrics.height() > label->contentsRect().height() ? QStringLiteral("too low") : QString();
    }
    if (qobject_cast<const QCheckBox*>(&widget) != nullptr || qobject_cast<const QRadioButton*>(&widget) != nullptr) {
        const int needed = widget.sizeHint().width();
        return needed > widget.width() ? QStringLiteral("needs %1 pixels, has %2").arg(needed).arg(widget.width())
                                       : QString();
    }
    return {};
}

// Whether a picture of the dialog has pixels for every screen pixel.
bool sharp(const QWidget& widget)
{
    const qreal ratio = widget.devicePixelRatioF();
    if (const auto* label = qobject_cast<const QLabel*>(&widget); label != nullptr && !label->pixmap().isNull()) {
        return label->pixmap().devicePixelRatio() >= ratio;
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(&widget); button != nullptr && !button->icon().isNull()) {
        return button->icon().pixmap(button->iconSize(), ratio).devicePixelRatio() >= ratio;
    }
    return true;
}

class DialogTexts : public ::testing::Test {
protected:
    framory::testing::TempFolder home;
    std::unique_ptr<DesktopPlatform> platform;
    core::Program program;

    void SetUp() override
    {
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((home.path() / "config").string()));
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString((home.path() / "data").string()));
        platform = std::make_unique<DesktopPlatform>(DisplayKind::Offscreen);
        program.windows_dir = (home.path() / "data").string() + "/";
        program.program_folder = home.path().string() + "/";
        core::LoadSettings(program, platform->store());
    }

    void check(QWidget& dialog)
    {
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        int texts = 0;
        for (QWidget* widget : dialog.findChildren<QWidget*>()) {
            if (!widget->isVisibleTo(&dialog)) {
                continue;
            }
            texts += qobject_cast<QLabel*>(widget) != nullptr ? 1 : 0;
            const QString problem = cut_off(*widget);
            EXPECT_TRUE(problem.isEmpty()) << dialog.objectName().toStdString() << " "
                                           << widget->objectName().toStdString() << ": " << problem.toStdString();
            EXPECT_TRUE(sharp(*widget)) << dialog.objectName().toStdString() << " "
                                        << widget->objectName().toStdString() << " is drawn at a lower scale";
        }
        EXPECT_GT(texts, 0) << dialog.objectName().toStdString();
        dialog.hide();
    }
};

TEST_F(DialogTexts, EveryTextOfEveryDialogShowsWholeAndSharp)
{
    frm_about about(platform->shell(), platform->screen(), platform->pump());
    check(about);
    HubDialogs none;
    none.end_program = [] {};
    frm_configuration hub(program, *platform, platform->shell(), none);
    check(hub);
    frm_options options(program, platform->store(), platform->screen(), platform->pump(), platform->shell(), kLinuxPlatformId, [] {});
    check(options);
    frm_newpassword new_password(program, std::make_unique<XkbKeyboardLayout>(KeyboardSource::BuiltInUs),
                                 platform->store(), platform->screen(), platform->pump());
    check(new_password);
    frm_mgetfolder editor(program, platform->store(), platform->pump(), platform->screen(), platform->sound());
    check(editor);
    frm_checkpassword prompt(program, platform->cursor(), platform->pump(), platform->screen());
    check(prompt);
}

} // namespace
} // namespace framory::qt
