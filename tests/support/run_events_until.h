#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <functional>

namespace framory::testing {

// Lets the event loop run until `done` holds; false when it did not within
// `limit_ms`, a limit that only keeps a broken test from hanging. Between
// two looks it yields the processor for a moment, so that the threads the
// test waits for (a sound device, a decoder) get their share.
inline bool RunEventsUntil(const std::function<bool()>& done, int limit_ms = 30000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limit_ms) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

} // namespace framory::testing
