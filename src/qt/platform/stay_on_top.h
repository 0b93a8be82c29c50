#pragma once

#include "qt/platform/x_watch_connection.h"

#include <QTimer>

#include <vector>

namespace framory::qt {

// Keeps a set of the program's top-level windows above every other window
// of the X server, in a given order. Windows made with override-redirect
// are out of the window manager's reach, but any client may still raise its
// own windows over them: the root window's restacking is watched and the
// set is raised back at once, and the stacking is checked every half second
// as well. Another client that keeps raising its windows only keeps this
// busy; each round is one pass, so the program never hangs on it.
class StayOnTop : public QObject {
    Q_OBJECT

public:
    explicit StayOnTop(QObject* parent = nullptr);

    // The windows to keep on top, from the lowest to the topmost; an empty
    // list stops watching.
    void keep(std::vector<unsigned long> bottom_to_top);
    // Stacks a window that is not yet mapped directly below `sibling`, so
    // it never shows above it on the way.
    void place_below(unsigned long window, unsigned long sibling);

    // Raises the set when another window is above it or it is out of
    // order; true when it had to.
    bool check();

private:
    XWatchConnection m_x;
    std::vector<unsigned long> m_windows;
    QTimer m_poll;
    QTimer m_soon;
};

} // namespace framory::qt
