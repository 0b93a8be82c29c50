#include "qt/forms/frm_options.h"

#include "core/startup/program.h"
#include "qt/forms/control_text.h"
#include "qt/forms/form_services.h"
#include "qt/forms/twips.h"
#include "qt/platform/volume_control.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QSignalBlocker>

#include <utility>

namespace framory::qt {

namespace {

QString Caption(std::string_view control)
{
    return Text(core::FindControlText(core::kOptionsControls, control).caption);
}

QString Tooltip(std::string_view control)
{
    return Text(core::FindControlText(core::kOptionsControls, control).tooltip);
}

// The faces of the design and the system faces that stand in for them.
enum class Face {
    SansSerif, // MS Sans Serif: the window's font, the options and labels
    Arial      // the two buttons at the bottom
};

// MS Sans Serif and Arial are narrow sans-serif faces, and the boxes of the
// layout were sized for them. The design's face is used where the system
// has it, else a face with Arial's widths (fontconfig's usual stand-ins),
// else the desktop's own general face.
QFont DialogFont(Face face, bool bold, double point_size)
{
    QStringList families;
    if (face == Face::SansSerif) {
        families << QStringLiteral("MS Sans Serif") << QStringLiteral("Microsoft Sans Serif");
    }
    families << QStringLiteral("Arial") << QStringLiteral("Liberation Sans") << QStringLiteral("Arimo")
             << QStringLiteral("Nimbus Sans") << QStringLiteral("Helvetica")
             << QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    QFont font(families.first());
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(point_size);
    font.setBold(bold);
    return font;
}

// The place of a control inside its frame, in twips.
void Place(QWidget& widget, int left, int top, int width, int height)
{
    widget.setGeometry(TwipsRect(left, top, width, height));
}

// The smallest size the texts may shrink to before they are left to clip.
constexpr double kSmallestPointSize = 6.0;

} // namespace

frm_options::frm_options(core::Program& program, core::SettingsStore& store, core::ScreenMetrics& screen,
                         core::EventPump& pump, core::Shell& shell, std::int32_t platform_id,
                         std::function<void()> open_change_password, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      Frame1(this), Frame2(this), Frame3(this), Frame7(this), Frame5(this), Frame6(this), Frame4(this), Frame8(this),
      Frame9(this), Frame10(this), Frame11(this), Option1(&Frame3), Option2(&Frame3), Option3(&Frame4),
      Option4(&Frame4), Option5(&Frame4), Option6(&Frame1), Option7(&Frame1), Option8(&Frame2), Option9(&Frame2),
      Option10(&Frame7), Option11(&Frame7), Option12(&Frame9), Option13(&Frame9), Option14(&Frame1), Option15(&Frame5),
      Option16(&Frame5), Option17(&Frame5), Option18(&Frame10), Option19(&Frame10),
      Command3(Caption("Command3"), &Frame3), HScroll2(Qt::Horizontal, &Frame6), HScroll3(Qt::Horizontal, &Frame6),
      Label3(Caption("Label3"), &Frame6), Label2(Caption("Label2"), &Frame6), Label4(Caption("Label4"), &Frame6),
      Label5(Caption("Label5"), &Frame6), HScroll1(Qt::Horizontal, &Frame8), Label1(&Frame8),
      Command2(Caption("Command2"), this), Command1(Caption("Command1"), this),
      m_rules(program, *this, screen, pump, store, shell), m_movable(*this, screen),
      m_open_change_password(std::move(open_change_password))
{
    setObjectName(QStringLiteral("frm_options"));
    setWindowTitle(Text(core::kOptionsCaption));
    m_options = {nullptr,   &Option1,  &Option2,  &Option3,  &Option4,  &Option5,  &Option6,
                 &Option7,  &Option8,  &Option9,  &Option10, &Option11, &Option12, &Option13,
                 &Option14, &Option15, &Option16, &Option17, &Option18, &Option19};
    lay_out();

    // The captions keep the design's size where the system's faces allow it;
    // where they are wider, every text of the dialog shrinks alike, so that
    // no caption is cut off and the dialog keeps one look.
    for (double size = 8.25; size >= kSmallestPointSize; size -= 0.25) {
        apply_fonts(size);
        if (texts_fit()) {
            break;
        }
    }

    for (const core::OptionButton& button : core::kOptionButtons) {
        const int number = button.number;
        connect(option(number), &QRadioButton::clicked, this, [this, number] { m_rules.Option_Click(number); });
    }
    for (const core::Slider slider : {core::Slider::HScroll1, core::Slider::HScroll2, core::Slider::HScroll3}) {
        // Without tracking, a dragged thumb reports its position once, when
        // it is let go; arrow and page clicks and keys report at once.
        scroll(slider).setTracking(false);
        connect(&scroll(slider), &QScrollBar::valueChanged, this,
                [this, slider](int position) { m_rules.HScroll_Change(slider, position); });
    }
    connect(&Command1, &QPushButton::clicked, this, [this] { close(); });
    connect(&Command2, &QPushButton::clicked, this, [this] { m_rules.Command2_Click(); });
    connect(&Command3, &QPushButton::clicked, this, [this] { m_rules.Command3_Click(); });

    for (const core::OptionButton& button : core::kOptionButtons) {
        connect(option(button.number), &QRadioButton::toggled, this, [this] { update_tab_stops(); });
    }
    for (QScrollBar* bar : {&HScroll1, &HScroll2, &HScroll3}) {
        bar->installEventFilter(this);
    }

    m_rules.Form_Load(platform_id);
    update_tab_stops();
    for (QWidget* widget = &Option14; widget != nullptr; widget = widget->nextInFocusChain()) {
        if (widget->focusPolicy() & Qt::TabFocus) {
            widget->setFocus(Qt::TabFocusReason);
            break;
        }
    }
}

void frm_options::update_tab_stops()
{
    // Tab stops once in each group of option buttons, at its selected
    // button (at its first when none is selected), as the desktop's dialogs
    // do; the arrow keys move within the group. So Tab and Space never
    // change a choice by surprise.
    for (QGroupBox* frame : findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly)) {
        const QList<QRadioButton*> buttons = frame->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly);
        if (buttons.isEmpty()) {
            continue;
        }
        QRadioButton* entry = nullptr;
        for (const core::OptionButton& button : core::kOptionButtons) {
            QRadioButton* control = option(button.number);
            if (control->parentWidget() == frame && (entry == nullptr || control->isChecked())) {
                entry = control;
                if (control->isChecked()) {
                    break;
                }
            }
        }
        for (QRadioButton* button : buttons) {
            button->setFocusPolicy(button == entry ? Qt::StrongFocus : Qt::ClickFocus);
        }
    }
}

frm_options::~frm_options()
{
    // A dialog taken down without being closed (its owner went first) still
    // saves what was clicked, since there is no cancel.
    if (!m_unloaded) {
        m_unloaded = true;
        m_rules.Form_Unload();
    }
}

void frm_options::lay_out()
{
    setFixedSize(Twips(6285), Twips(5490));

    struct FrameInfo {
        QGroupBox* frame;
        const char* name;
        QString caption;
        QString tooltip;
        QRect place;
    };
    const auto group = [](core::OptionGroup g) { return core::GroupInfo(g); };
    const FrameInfo frames[] = {
        {&Frame1, "Frame1", Text(group(core::OptionGroup::Scale).caption), {}, TwipsRect(60, 60, 3045, 735)},
        {&Frame2, "Frame2", Text(group(core::OptionGroup::Border).caption), {}, TwipsRect(60, 900, 3045, 735)},
        {&Frame3, "Frame3", Text(group(core::OptionGroup::Sound).caption), {}, TwipsRect(60, 1740, 3045, 735)},
        {&Frame7, "Frame7", Text(group(core::OptionGroup::Wallpaper).caption), {}, TwipsRect(60, 2580, 3045, 735)},
        {&Frame5, "Frame5", Text(group(core::OptionGroup::CancelMode).caption),
         Text(group(core::OptionGroup::CancelMode).tooltip), TwipsRect(60, 3420, 3045, 735)},
        {&Frame6, "Frame6", Caption("Frame6"), Tooltip("Frame6"), TwipsRect(3180, 60, 3045, 735)},
        {&Frame4, "Frame4", Text(group(core::OptionGroup::EffectSpeed).caption), {}, TwipsRect(3180, 900, 3045, 735)},
        {&Frame8, "Frame8", Caption("Frame8"), {}, TwipsRect(3180, 1740, 3045, 735)},
        {&Frame9, "Frame9", Text(group(core::OptionGroup::Gradient).caption),
         Text(group(core::OptionGroup::Gradient).tooltip), TwipsRect(3180, 2580, 3045, 735)},
        {&Frame10,
         "Frame10",
         Text(group(core::OptionGroup::PictureOrder).caption),
         {},
         TwipsRect(3180, 3420, 3045, 735)},
        {&Frame11, "Frame11", Caption("Frame11"), {}, TwipsRect(60, 4260, 6165, 735)},
    };
    // Frames as the desktop's dialogs draw them: a thin line around the group
    // with the caption standing on its top edge, which leaves the height of
    // the frame below the caption to the buttons.
    setStyleSheet(QStringLiteral("QGroupBox { border: 1px solid palette(mid); margin-top: 6px; }"
                                 "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
                                 " left: 6px; padding: 0px 2px; }"));
    for (const FrameInfo& info : frames) {
        info.frame->setObjectName(QString::fromLatin1(info.name));
        info.frame->setTitle(info.caption);
        info.frame->setToolTip(info.tooltip);
        info.frame->setGeometry(info.place);
    }

    for (const core::OptionButton& button : core::kOptionButtons) {
        QRadioButton* control = option(button.number);
        control->setObjectName(QStringLiteral("Option%1").arg(button.number));
        control->setText(Text(button.caption));
        control->setToolTip(Text(button.tooltip));
    }
    // Places inside the frames, in twips from the frame's corner: one line of
    // buttons below the caption, or two where a caption is long.
    Place(Option14, 120, 300, 690, 255);
    Place(Option7, 840, 300, 1110, 255);
    Place(Option6, 1980, 300, 1035, 255);
    Place(Option8, 120, 300, 1200, 255);
    Place(Option9, 1560, 300, 1200, 255);
    Place(Option2, 120, 300, 735, 255);
    Place(Option1, 960, 300, 735, 255);
    Place(Command3, 1860, 240, 1065, 375);
    Place(Option10, 120, 300, 1200, 255);
    Place(Option11, 1560, 300, 1200, 255);
    Place(Option15, 120, 225, 1395, 240);
    Place(Option16, 1560, 225, 1395, 240);
    Place(Option17, 120, 465, 2805, 240);
    Place(Label3, 120, 240, 600, 195);
    Place(HScroll2, 735, 225, 1575, 225);
    Place(Label2, 2370, 240, 600, 195);
    Place(Label4, 120, 480, 600, 195);
    Place(HScroll3, 735, 465, 1575, 225);
    Place(Label5, 2370, 480, 600, 195);
    Place(Option3, 120, 300, 855, 255);
    Place(Option4, 1050, 300, 975, 255);
    Place(Option5, 2130, 300, 855, 255);
    Place(HScroll1, 120, 315, 2070, 225);
    Place(Label1, 2310, 270, 615, 315);
    Place(Option12, 120, 300, 1200, 255);
    Place(Option13, 1560, 300, 1200, 255);
    Place(Option18, 90, 300, 1530, 255);
    Place(Option19, 1680, 300, 1335, 255);
    Place(Label6[0], 120, 225, 5925, 210);
    Place(Label6[1], 120, 465, 5925, 210);
    Command2.setGeometry(TwipsRect(60, 5040, 3045, 405));
    Command1.setGeometry(TwipsRect(3180, 5040, 3045, 405));

    Command3.setObjectName(QStringLiteral("Command3"));
    Command2.setObjectName(QStringLiteral("Command2"));
    Command1.setObjectName(QStringLiteral("Command1"));
    Command3.setToolTip(Tooltip("Command3"));
    Command2.setToolTip(Tooltip("Command2"));
    Command1.setToolTip(Tooltip("Command1"));
    for (QPushButton* button : {&Command3, &Command2, &Command1}) {
        button->setAutoDefault(false);
    }

    Label1.setObjectName(QStringLiteral("Label1"));
    Label2.setObjectName(QStringLiteral("Label2"));
    Label3.setObjectName(QStringLiteral("Label3"));
    Label4.setObjectName(QStringLiteral("Label4"));
    Label5.setObjectName(QStringLiteral("Label5"));
    Label1.setFrameStyle(QFrame::Box | QFrame::Plain);
    Label1.setLineWidth(1);
    Label1.setAlignment(Qt::AlignCenter);
    Label2.setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label5.setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // The label array is built before its frame can be named as parent.
    for (QLabel& label : Label6) {
        label.setParent(&Frame11);
        label.show();
    }
    Label6[0].setObjectName(QStringLiteral("Label6_0"));
    Label6[1].setObjectName(QStringLiteral("Label6_1"));
    Label6[0].setText(Caption("Label6_0"));
    Label6[1].setText(Caption("Label6_1"));

    for (const core::Slider slider : {core::Slider::HScroll1, core::Slider::HScroll2, core::Slider::HScroll3}) {
        QScrollBar& bar = scroll(slider);
        const core::SliderRange range = core::RangeOf(slider);
        bar.setObjectName(QStringLiteral("HScroll%1").arg(static_cast<int>(slider) + 1));
        bar.setRange(range.minimum, range.maximum);
        bar.setValue(range.initial);
        bar.setSingleStep(range.small_step);
        bar.setPageStep(range.large_step);
        // The sliders are stops of the keyboard's tab order and move by the
        // arrow and page keys.
        bar.setFocusPolicy(Qt::StrongFocus);
    }

    SetTabOrder(*this, core::kOptionsTabOrder);
}

void frm_options::apply_fonts(double point_size)
{
    m_point_size = point_size;
    const QFont bold = DialogFont(Face::SansSerif, true, point_size);
    const QFont regular = DialogFont(Face::SansSerif, false, point_size);
    // The window's font is the bold one; the frames' captions and Label1 keep
    // it, and the controls inside the frames get the regular face.
    setFont(bold);
    for (QGroupBox* frame : findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly)) {
        frame->setFont(bold);
    }
    for (const core::OptionButton& button : core::kOptionButtons) {
        option(button.number)->setFont(regular);
    }
    for (QLabel* label : {&Label2, &Label3, &Label4, &Label5, &Label6[0], &Label6[1]}) {
        label->setFont(regular);
    }
    Command3.setFont(regular);
    Label1.setFont(bold);
    const QFont buttons = DialogFont(Face::Arial, true, point_size);
    Command2.setFont(buttons);
    Command1.setFont(buttons);
}

bool frm_options::texts_fit() const
{
    // Room a frame needs beside its caption, and a push button beside its text.
    constexpr int kCaptionMargin = 12;
    constexpr int kButtonMargin = 8;
    for (const QGroupBox* frame : findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly)) {
        if (QFontMetrics(frame->font()).horizontalAdvance(frame->title()) + kCaptionMargin > frame->width()) {
            return false;
        }
    }
    for (const core::OptionButton& button : core::kOptionButtons) {
        const QRadioButton* control = const_cast<frm_options*>(this)->option(button.number);
        if (control->sizeHint().width() > control->width()) {
            return false;
        }
    }
    for (const QLabel* label : {&Label2, &Label3, &Label4, &Label5, &Label6[0], &Label6[1]}) {
        if (QFontMetrics(label->font()).horizontalAdvance(label->text()) > label->width()) {
            return false;
        }
    }
    for (const QPushButton* button : {&Command3, &Command2, &Command1}) {
        QString text = button->text();
        text.remove(QLatin1Char('&'));
        if (QFontMetrics(button->font()).horizontalAdvance(text) + kButtonMargin > button->width()) {
            return false;
        }
    }
    return true;
}

QRadioButton* frm_options::option(int number)
{
    return number >= 1 && number < static_cast<int>(m_options.size()) ? m_options.at(static_cast<std::size_t>(number))
                                                                      : nullptr;
}

QScrollBar& frm_options::scroll(core::Slider slider)
{
    switch (slider) {
    case core::Slider::HScroll1:
        return HScroll1;
    case core::Slider::HScroll2:
        return HScroll2;
    case core::Slider::HScroll3:
        break;
    }
    return HScroll3;
}

void frm_options::select_button(int number)
{
    if (QRadioButton* control = option(number)) {
        control->setChecked(true);
    }
}

void frm_options::set_slider_position(core::Slider slider, int position)
{
    // Showing a stored value is not a change by the user: the change
    // handler does not run.
    const QSignalBlocker blocker(scroll(slider));
    scroll(slider).setValue(position);
}

void frm_options::set_duration_text(const std::string& text)
{
    Label1.setText(QString::fromStdString(text));
}

void frm_options::disable_wallpaper_group()
{
    Frame7.setEnabled(false);
}

void frm_options::open_change_password()
{
    if (m_open_change_password) {
        m_open_change_password();
    }
}

bool frm_options::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        // The sliders take the keys of the desktop's scroll bars: Right,
        // Down and Page Down move towards the maximum (Qt's scroll bars move
        // the other way for some of them).
        auto* bar = qobject_cast<QScrollBar*>(watched);
        if (bar != nullptr) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            const std::pair<int, QAbstractSlider::SliderAction> actions[] = {
                {Qt::Key_Left, QAbstractSlider::SliderSingleStepSub},
                {Qt::Key_Up, QAbstractSlider::SliderSingleStepSub},
                {Qt::Key_Right, QAbstractSlider::SliderSingleStepAdd},
                {Qt::Key_Down, QAbstractSlider::SliderSingleStepAdd},
                {Qt::Key_PageUp, QAbstractSlider::SliderPageStepSub},
                {Qt::Key_PageDown, QAbstractSlider::SliderPageStepAdd},
                {Qt::Key_Home, QAbstractSlider::SliderToMinimum},
                {Qt::Key_End, QAbstractSlider::SliderToMaximum},
            };
            for (const auto& [action_key, action] : actions) {
                if (key == action_key) {
                    bar->triggerAction(action);
                    return true;
                }
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frm_options::unload()
{
    if (!m_unloaded) {
        m_unloaded = true;
        m_rules.Form_Unload();
    }
}

void frm_options::closeEvent(QCloseEvent* event)
{
    // "&Ok" and the close box both end here, and both save.
    unload();
    event->accept();
    done(QDialog::Accepted);
}

void frm_options::reject()
{
    // The dialog has no cancel: Escape does nothing, since every click has
    // already been written.
}

void ShowOptionsModal(core::Program& program, FormServices& platform, QWidget* parent,
                      std::function<void()> open_change_password)
{
    // The desktop's shell, with the system's volume-control program standing
    // for the desktop's volume control.
    VolumeControlShell shell(platform.shell());
    frm_options dialog(program, platform.store(), platform.screen(), platform.pump(), shell, kLinuxPlatformId,
                       std::move(open_change_password), parent);
    dialog.exec();
}

} // namespace framory::qt
