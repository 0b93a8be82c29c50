#include "qt/forms/frm_about.h"

#include "core/config_ui/about.h"
#include "core/startup/helpers.h"
#include "qt/forms/artwork.h"
#include "qt/forms/control_text.h"
#include "qt/forms/twips.h"
#include "qt/platform/desktop_services.h"

namespace framory::qt {

frm_about::frm_about(core::Shell& shell, core::ScreenMetrics& screen, core::EventPump& pump, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), Image1(this), Label1{QLabel(this), QLabel(this), QLabel(this), QLabel(this), QLabel(this), QLabel(this)},
      Command2(Text(core::FindControlText(core::kAboutButtons, "Command2").caption), this),
      Command1(Text(core::FindControlText(core::kAboutButtons, "Command1").caption), this),
      m_shell(shell)
{
    setObjectName(QStringLiteral("frm_about"));
    setWindowTitle(Text(core::kAboutTitle));
    setFixedSize(Twips(4680), Twips(2355));

    Image1.setObjectName(QStringLiteral("Image1"));
    Image1.setGeometry(TwipsRect(90, 90, 2310, 1740));
    Image1.setFrameShape(QFrame::Box);
    Image1.setAlignment(Qt::AlignCenter);
    Image1.setPixmap(ProductArtwork(150, 112));

    for (const core::AboutLine& line : core::kAboutLines) {
        QLabel& label = Label1[static_cast<std::size_t>(line.index)];
        label.setParent(this);
        label.setObjectName(QStringLiteral("Label1_%1").arg(line.index));
        label.setGeometry(TwipsRect(line.left, line.top, line.width, line.height));
        label.setText(Text(line.text));
        label.setAlignment(Qt::AlignCenter);
        QFont f = label.font();
        f.setBold(line.bold);
        label.setFont(f);
    }

    Command2.setObjectName(QStringLiteral("Command2"));
    Command2.setGeometry(TwipsRect(90, 1920, 3015, 345));
    Command2.setToolTip(Text(core::FindControlText(core::kAboutButtons, "Command2").tooltip));
    Command1.setObjectName(QStringLiteral("Command1"));
    Command1.setGeometry(TwipsRect(3270, 1920, 1275, 345));
    Command1.setToolTip(Text(core::FindControlText(core::kAboutButtons, "Command1").tooltip));
    Command1.setDefault(true);
    SetTabOrder(*this, core::kAboutTabOrder);
    Command1.setFocus();

    connect(&Command2, &QPushButton::clicked, this, [this] { core::OpenMakerHomePage(m_shell); });
    connect(&Command1, &QPushButton::clicked, this, &QDialog::accept);

    WidgetWindow window(*this, screen);
    core::CenterForm(window, screen, pump);
}

} // namespace framory::qt
