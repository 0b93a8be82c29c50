#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <cstdio>

namespace framory::qt {

// Holds the keyboard and the pointer for one window of this program on
// Qt's own X connection, so every key and button goes to the program and
// none to the window manager or another client. Keys go to whichever of the
// program's windows has the input focus (the show, or a box open over it);
// pointer events over the program's own windows go to those windows.
//
// Another client may hold a grab for a moment (an open menu, a drag), so a
// refused grab is tried again every 100 ms, and once taken it is taken
// again every half second, which also mends a grab that a grab-breaking key
// or a popup of the program released. A grab taken late or not taken
// within five seconds is reported once on `report`; the show never waits
// for a grab.
class InputGrab : public QObject {
    Q_OBJECT

public:
    explicit InputGrab(std::FILE* report = stderr, QObject* parent = nullptr);
    ~InputGrab() override;
    InputGrab(const InputGrab&) = delete;
    InputGrab& operator=(const InputGrab&) = delete;

    // Starts holding both for `window` (an X window id); 0 lets go.
    void hold(unsigned long window);
    bool keyboard_held() const { return m_keyboard.held; }
    bool pointer_held() const { return m_pointer.held; }

private:
    struct Device {
        explicit Device(const char* device_name) : name(device_name) {}
        const char* name;
        bool held = false;
        bool reported = false;
        bool refused = false;
        QElapsedTimer refused_since;
    };

    void attempt();
    void note(Device& device, int status);
    void release();

    std::FILE* m_report;
    unsigned long m_window = 0;
    Device m_keyboard{"keyboard"};
    Device m_pointer{"pointer"};
    QTimer m_timer;
};

} // namespace framory::qt
