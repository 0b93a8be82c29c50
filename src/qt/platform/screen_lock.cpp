#include "qt/platform/screen_lock.h"

#include <QEvent>
#include <QTimer>

#include <algorithm>

namespace framory::qt {

ScreenLock::ScreenLock(bool x11, QObject* parent) : QObject(parent), m_x11(x11) {}

ScreenLock::~ScreenLock()
{
    release();
}

void ScreenLock::engage(QWidget& show, std::function<void(QEvent::Type)> cover_input)
{
    if (!m_x11 || engaged()) {
        return;
    }
    m_show = &show;
    show.installEventFilter(this);
    m_on_top = std::make_unique<StayOnTop>();
    // The covers go below the show, so none ever shows over its picture.
    m_covers = std::make_unique<MonitorCovers>(
        std::move(cover_input),
        [this](unsigned long cover) {
            if (m_show && m_show->isVisible()) {
                m_on_top->place_below(cover, m_show->winId());
            }
        },
        [this] { restack(); });
    m_covers->start();
    m_grab.hold(show.winId());
}

void ScreenLock::release()
{
    if (!engaged()) {
        return;
    }
    m_show->removeEventFilter(this);
    m_show.clear();
    m_grab.hold(0);
    m_covers.reset();
    m_on_top.reset();
    m_adopted.clear();
}

void ScreenLock::adopt(QWidget& window)
{
    if (!engaged()) {
        return;
    }
    window.setWindowFlags(window.windowFlags() | kFlags);
    window.installEventFilter(this);
    m_adopted.emplace_back(&window);
}

bool ScreenLock::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (engaged() && (type == QEvent::Show || type == QEvent::Hide || type == QEvent::Destroy)) {
        if (type != QEvent::Show && watched != m_show.data()) {
            m_adopted.erase(std::remove_if(m_adopted.begin(), m_adopted.end(),
                                           [watched](const QPointer<QWidget>& w) { return w.isNull() || w == watched; }),
                            m_adopted.end());
        }
        // After the window system has shown or hidden the window.
        QTimer::singleShot(0, this, [this] {
            restack();
            give_keyboard();
        });
    }
    return QObject::eventFilter(watched, event);
}

void ScreenLock::restack()
{
    if (!engaged()) {
        return;
    }
    std::vector<unsigned long> windows = m_covers ? m_covers->windows() : std::vector<unsigned long>{};
    windows.push_back(m_show->winId());
    for (const auto& window : m_adopted) {
        if (window && window->isVisible()) {
            windows.push_back(window->winId());
        }
    }
    m_on_top->keep(std::move(windows));
}

void ScreenLock::give_keyboard()
{
    // The keyboard stays grabbed for the show; it reaches the topmost of
    // the program's windows through the input focus.
    QWidget* top = m_show.data();
    for (const auto& window : m_adopted) {
        if (window && window->isVisible()) {
            top = window.data();
        }
    }
    if (top != nullptr) {
        top->raise();
        top->activateWindow();
    }
}

} // namespace framory::qt
