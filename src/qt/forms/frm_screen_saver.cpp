#include "qt/forms/frm_screen_saver.h"

#include "qt/components/image_bridge.h"
#include "qt/platform/display_profile.h"

#include "core/startup/main.h"
#include "core/startup/program.h"
#include "qt/platform/screen_lock.h"
#include "qt/platform/show_services.h"
#include "qt/platform/title_lock.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

namespace framory::qt {

namespace {

core::ComponentEvents dismissing_events(core::ScreenSaverShow& show)
{
    return {[&show] { show.Form_Click(); }, [&show] { show.Form_DblClick(); },
            [&show](const core::MouseState&) { show.Form_MouseMove(); }};
}

// A real show locks the screen where a lock is at hand; the configuration
// dialog's test run keeps an ordinary window.
bool locks(const core::Program& program, const ScreenLock* lock)
{
    return lock != nullptr && lock->available() && !program.config_preview;
}

Qt::WindowFlags show_flags(const core::Program& program, const ScreenLock* lock)
{
    if (locks(program, lock)) {
        return ScreenLock::kFlags;
    }
    return program.config_preview ? Qt::WindowFlags() : Qt::WindowStaysOnTopHint;
}

} // namespace

frmScreenSaver::frmScreenSaver(core::Program& program, SoundOutput& sound, core::ShowServices services,
                               ScreenLock* lock)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | show_flags(program, lock)),
      FXLabel3(this, 1.0, PixelKind::Device), FXImage2(this, 1.0, PixelKind::Device),
      FXImage1(this, 1.0, PixelKind::Device), FXLabel1(this, 1.0, PixelKind::Device), FXSnd1(sound), FXSnd2(sound),
      m_program(program),
      m_show(program, *this, core::ShowComponents{FXImage1, FXImage2, FXLabel1, FXLabel3, FXSnd1, FXSnd2}, services),
      m_lock(locks(program, lock) ? lock : nullptr)
{
    setObjectName(QStringLiteral("frmScreenSaver"));
    FXLabel3.setObjectName(QStringLiteral("FXLabel3"));
    FXImage2.setObjectName(QStringLiteral("FXImage2"));
    FXImage1.setObjectName(QStringLiteral("FXImage1"));
    FXLabel1.setObjectName(QStringLiteral("FXLabel1"));
    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer2.setObjectName(QStringLiteral("Timer2"));
    setWindowTitle(QString::fromLatin1(core::kShowWindowTitle.data(),
                                       static_cast<qsizetype>(core::kShowWindowTitle.size())));
    setAttribute(Qt::WA_DeleteOnClose);
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);

    FXImage1.set_events(dismissing_events(m_show));
    FXLabel1.set_events(dismissing_events(m_show));
    FXLabel3.set_events(dismissing_events(m_show));
    FXSnd2.set_finished_handler([this] { m_show.FXSnd2_Finished(); });

    Timer1.setInterval(100);
    connect(&Timer1, &QTimer::timeout, this, [this] {
        follow_primary_screen();
        m_show.Timer1_Timer();
    });
    connect(&Timer2, &QTimer::timeout, this, [this] { m_show.Timer2_Timer(); });

    const QRect area = screen_area();
    setGeometry(area);
    FXImage1.set_decode_bounds(device_size(area.size()));
    FXImage2.set_decode_bounds(device_size(area.size()));
    // Pictures end in the screen's own colours where the desktop publishes
    // its profile, otherwise in sRGB.
    const std::vector<std::uint8_t> profile = DisplayIccProfile();
    FXImage1.set_display_profile(profile);
    FXImage2.set_display_profile(profile);
}

frmScreenSaver::~frmScreenSaver() = default;

QSize frmScreenSaver::device_size(QSize logical) const
{
    const double ratio = devicePixelRatioF();
    return {static_cast<int>(std::lround(logical.width() * ratio)),
            static_cast<int>(std::lround(logical.height() * ratio))};
}

QRect frmScreenSaver::screen_area() const
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->geometry() : QRect(0, 0, 1024, 768);
}

void frmScreenSaver::open()
{
    // Where no display server can be asked, a lock stands for this window's
    // title so a second show start still finds it.
    m_title_lock = std::make_unique<TitleLock>(std::string(core::kShowWindowTitle));
    m_show.Form_Load();
    setGeometry(screen_area());
    if (m_lock != nullptr) {
        m_lock->engage(*this, [this](QEvent::Type type) { cover_input(type); });
    }
    showFullScreen();
    // A window manager may not take the full-screen request; the geometry
    // set above covers the screen all the same.
    setGeometry(screen_area());
}

void frmScreenSaver::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    QTimer::singleShot(0, this, [this] {
        activateWindow();
        setFocus();
        m_show.Form_Activate();
    });
}

void frmScreenSaver::follow_primary_screen()
{
    // The picture on show keeps the size it was placed for; when the
    // primary monitor changed meanwhile, the window takes its new place as
    // the next picture loads (the covers fill the rest until then).
    const QRect area = screen_area();
    if (m_program.show.cycle_state != core::CycleState::Load || geometry() == area || !m_show.activated()) {
        return;
    }
    setGeometry(area);
    const QSize device = device_size(area.size());
    FXImage2.move(0, 0, device.width(), device.height());
    FXLabel3.move(0, 0, device.width(), device.height());
    FXImage1.set_decode_bounds(device);
    FXImage2.set_decode_bounds(device);
}

void frmScreenSaver::cover_input(QEvent::Type type)
{
    // The covers of the other monitors are part of the show window.
    switch (type) {
    case QEvent::MouseButtonPress:
        m_show.Form_MouseDown();
        break;
    case QEvent::MouseButtonRelease:
        m_show.Form_Click();
        break;
    case QEvent::MouseButtonDblClick:
        m_show.Form_DblClick();
        break;
    case QEvent::MouseMove:
        m_show.Form_MouseMove();
        break;
    case QEvent::Close:
        m_show.Form_QueryUnload();
        break;
    default:
        break;
    }
}

bool frmScreenSaver::maximised()
{
    return isFullScreen() || geometry() == screen_area();
}

void frmScreenSaver::maximise()
{
    setGeometry(screen_area());
    showFullScreen();
}

void frmScreenSaver::bring_to_front()
{
    raise();
    activateWindow();
}

void frmScreenSaver::make_top_most()
{
    // The window was created top-most (unless it is the preview); raising
    // it keeps it above windows opened since.
    raise();
}

void frmScreenSaver::start_timer2(int interval_ms)
{
    Timer2.setInterval(interval_ms);
    Timer2.start();
}

void frmScreenSaver::enable_timer1()
{
    Timer1.start();
}

bool frmScreenSaver::save_as_bitmap(const core::PictureObject& picture, const std::string& path)
{
    const core::PixelView pixels = picture.pixels();
    if (pixels.pixels == nullptr) {
        return false;
    }
    // The window's own picture becomes the snapshot, at the screen's size
    // in device pixels.
    const QSize screen = device_size(screen_area().size());
    const QImage shot = WrapPixels(pixels);
    const QImage scene =
        shot.size() == screen ? shot : shot.scaled(screen, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return WriteBitmapAtomically(scene, path);
}

void frmScreenSaver::unload()
{
    Timer1.stop();
    Timer2.stop();
    close();
}

void frmScreenSaver::closeEvent(QCloseEvent* event)
{
    // A close request from outside (the window manager's close box or
    // Alt+F4, a WM_DELETE_WINDOW message) asks the show to end like a key
    // does. Closing from within (the show's own end, the desktop stopping
    // the program) closes the window.
    if (event->spontaneous() && !m_unloaded) {
        event->ignore();
        m_show.Form_QueryUnload();
        return;
    }
    if (!m_unloaded) {
        m_unloaded = true;
        if (m_lock != nullptr) {
            m_lock->release();
        }
        Timer1.stop();
        Timer2.stop();
        m_show.Form_Unload();
        m_title_lock.reset();
        emit unloaded();
    }
    event->accept();
}

void frmScreenSaver::mousePressEvent(QMouseEvent*)
{
    m_show.Form_MouseDown();
}

void frmScreenSaver::mouseReleaseEvent(QMouseEvent*)
{
    m_show.Form_Click();
}

void frmScreenSaver::mouseDoubleClickEvent(QMouseEvent*)
{
    m_show.Form_DblClick();
}

void frmScreenSaver::mouseMoveEvent(QMouseEvent*)
{
    m_show.Form_MouseMove();
}

void frmScreenSaver::keyPressEvent(QKeyEvent* event)
{
    // Only keys that type a character reach the show, as a character in the
    // system's 8-bit code page (Windows-1252; others pass as '?').
    // Keys that type no character are swallowed: they neither end the show
    // nor, while the keyboard is grabbed, reach any other window.
    event->accept();
    const QString text = event->text();
    if (text.isEmpty()) {
        return;
    }
    const QChar c = text.at(0);
    char key = c.unicode() < 0x100 ? static_cast<char>(c.unicode()) : '?';
    m_show.Form_KeyPress(key);
}

} // namespace framory::qt
