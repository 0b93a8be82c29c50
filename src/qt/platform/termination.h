#pragma once

#include <QObject>

class QSocketNotifier;

namespace framory::qt {

// Ends the program in an orderly way when the desktop asks it to stop
// (SIGTERM, SIGINT, SIGHUP): every window closes as if by its close box, so
// the show restores the pointer and the desktop's saver state, and the
// dialogs save as they do when closed. The signal only writes to a pipe;
// the closing happens on the user-interface thread.
class TerminationWatcher : public QObject {
    Q_OBJECT

public:
    explicit TerminationWatcher(QObject* parent = nullptr);
    ~TerminationWatcher() override;
    TerminationWatcher(const TerminationWatcher&) = delete;
    TerminationWatcher& operator=(const TerminationWatcher&) = delete;

    bool asked() const { return m_asked; }

private:
    void on_signal();

    int m_pipe[2] = {-1, -1};
    QSocketNotifier* m_notifier = nullptr;
    bool m_asked = false;
};

} // namespace framory::qt
