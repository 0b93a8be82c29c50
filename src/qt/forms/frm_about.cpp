#include "qt/forms/frm_about.h"

#include "core/startup/helpers.h"
#include "qt/forms/artwork.h"
#include "qt/forms/twips.h"
#include "qt/platform/desktop_services.h"

namespace framory::qt {

frm_about::frm_about(core::Shell& shell, core::ScreenMetrics& screen, core::EventPump& pump, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), Image1(this), Label1{QLabel(this), QLabel(this), QLabel(this), QLabel(this), QLabel(this), QLabel(this)},
      Command2(QStringLiteral("Want more screen savers? Click Here!"), this), Command1(QStringLiteral("Ok"), this),
      m_shell(shell)
{
    setObjectName(QStringLiteral("frm_about"));
    setWindowTitle(QStringLiteral("About This Screen Saver..."));
    setFixedSize(Twips(4680), Twips(2355));

    Image1.setObjectName(QStringLiteral("Image1"));
    Image1.setGeometry(TwipsRect(90, 90, 2310, 1740));
    Image1.setFrameShape(QFrame::Box);
    Image1.setAlignment(Qt::AlignCenter);
    Image1.setPixmap(ProductArtwork(150, 112));

    struct Line {
        int index;
        QRect place;
        QString text;
        bool bold;
    };
    const Line lines[] = {
        {2, TwipsRect(2520, 90, 2055, 195), QStringLiteral("Framory"), true},
        {1, TwipsRect(2520, 330, 2055, 225), QStringLiteral("Developed By:"), false},
        {3, TwipsRect(2520, 600, 2055, 225), QString::fromLatin1(kMakerName), true},
        {4, TwipsRect(2520, 870, 2055, 225), QString::fromLatin1(kMakerMail), false},
        {5, TwipsRect(2520, 1200, 2055, 225), QString::fromLatin1(kMakerWeb), false},
        {0, TwipsRect(2460, 1530, 2145, 225), QString::fromLatin1(kMakerLine), false},
    };
    for (const Line& line : lines) {
        QLabel& label = Label1[static_cast<std::size_t>(line.index)];
        label.setParent(this);
        label.setObjectName(QStringLiteral("Label1_%1").arg(line.index));
        label.setGeometry(line.place);
        label.setText(line.text);
        label.setAlignment(Qt::AlignCenter);
        QFont f = label.font();
        f.setBold(line.bold);
        label.setFont(f);
    }

    Command2.setObjectName(QStringLiteral("Command2"));
    Command2.setGeometry(TwipsRect(90, 1920, 3015, 345));
    Command2.setToolTip(QStringLiteral("Click here to launch your browser to our internet home page!"));
    Command1.setObjectName(QStringLiteral("Command1"));
    Command1.setGeometry(TwipsRect(3270, 1920, 1275, 345));
    Command1.setToolTip(QStringLiteral("Click here to exit this screen"));
    Command1.setDefault(true);
    setTabOrder(&Command1, &Command2);
    Command1.setFocus();

    connect(&Command2, &QPushButton::clicked, this,
            [this] { m_shell.ShellExecute(kMakerHomePage); }); // the result is not examined
    connect(&Command1, &QPushButton::clicked, this, &QDialog::accept);

    WidgetWindow window(*this, screen);
    core::CenterForm(window, screen, pump);
}

} // namespace framory::qt
