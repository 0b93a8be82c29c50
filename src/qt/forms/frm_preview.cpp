#include "qt/forms/frm_preview.h"

#include "core/startup/program.h"
#include "qt/forms/artwork.h"
#include "qt/forms/form_services.h"

#include <QCoreApplication>
#include <QPainter>

#include <cmath>

namespace framory::qt {

PictureBox::PictureBox(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(kPictureBoxBorder);
    setAutoFillBackground(true);
}

void PictureBox::set_picture(const QImage& picture)
{
    m_picture = picture;
    update();
}

void PictureBox::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    QPainter p(this);
    const QRect inside = contentsRect();
    p.setClipRect(inside);
    p.drawImage(inside.topLeft(), m_picture);
}

frm_preview::frm_preview(core::Program& program, QWidget* parent)
    : QWidget(parent), m_program(program), m_rules(program, *this, m_windows)
{
    setObjectName(QStringLiteral("frm_preview"));
    Picture1.setObjectName(QStringLiteral("Picture1"));
    Timer1.setObjectName(QStringLiteral("Timer1"));
    Picture1.set_picture(BuiltInPreviewPicture());
    Picture1.setWindowFlag(Qt::FramelessWindowHint);

    // A precise timer keeps the watch's 50 ms beat instead of letting Qt
    // shift it to save wake-ups.
    Timer1.setTimerType(Qt::PreciseTimer);
    Timer1.setInterval(core::kPreviewWatchIntervalMs);
    connect(&Timer1, &QTimer::timeout, this, [this] { m_rules.Timer1_Timer(); });

    Msghook1.set_close_request_atoms(m_windows.atom("WM_PROTOCOLS"), m_windows.atom("WM_DELETE_WINDOW"));
    Msghook1.on_message([this](std::int32_t message) { m_rules.Msghook1_Message(message); });
}

frm_preview::~frm_preview() = default;

void frm_preview::hook_picture_box(std::int32_t wanted_message)
{
    Msghook1.set_window(Picture1.winId());
    Msghook1.want_message(wanted_message);
}

void frm_preview::move_picture_box(double left, double top, double width, double height)
{
    const double tppx = m_program.twips_per_pixel_x;
    const double tppy = m_program.twips_per_pixel_y;
    m_box_geometry = QRect(static_cast<int>(std::lround(left / tppx)), static_cast<int>(std::lround(top / tppy)),
                           static_cast<int>(std::lround(width / tppx)), static_cast<int>(std::lround(height / tppy)));
    Picture1.setGeometry(m_box_geometry);
}

void frm_preview::put_picture_box_into(std::int32_t host_window)
{
    const std::optional<unsigned long> id = XWindowOfHandle(host_window);
    if (!id) {
        return;
    }
    m_host.reset(QWindow::fromWinId(static_cast<WId>(*id)));
    if (!m_host) {
        return;
    }
    Picture1.windowHandle()->setParent(m_host.get());
    // The place is relative to the new parent now.
    Picture1.setGeometry(m_box_geometry);
    Picture1.show();
}

void frm_preview::return_picture_box()
{
    if (Msghook1.window_destroyed()) {
        return; // nothing is left to move
    }
    // The form's own window is never shown, so the box disappears with it.
    winId();
    Picture1.windowHandle()->setParent(windowHandle());
}

void frm_preview::enable_timer()
{
    Timer1.start();
}

void frm_preview::unload()
{
    Timer1.stop();
    // A box back in the form hands its window to Qt's keeping again, so
    // that it is not owned twice when the program's windows are torn down.
    // A box destroyed with its pane has no window left to move.
    if (!Msghook1.window_destroyed() && Picture1.windowHandle() != nullptr &&
        Picture1.windowHandle()->parent() == windowHandle() && windowHandle() != nullptr) {
        Picture1.hide();
        Picture1.windowHandle()->setParent(nullptr);
    }
    close();
    // The preview is the program's only window: closing it ends the run.
    QCoreApplication::exit(0);
}

bool LoadPreview(core::Program& program, FormServices& platform)
{
    // Without a display there is nothing to show the picture on.
    if (platform.display() == DisplayKind::NoDisplay) {
        return false;
    }
    // The form lives until the program ends.
    auto* form = new frm_preview(program);
    form->load();
    return true;
}

} // namespace framory::qt
