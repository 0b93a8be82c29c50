#include "qt/sound/qt_fx_snd.h"

#include <utility>

namespace framory::qt {

QtFXSnd::QtFXSnd(SoundOutput& output)
    : m_output(output)
{
}

QtFXSnd::~QtFXSnd()
{
    m_output.stop(this);
}

void QtFXSnd::set_device(core::SoundDevice device)
{
    m_device = device;
}

void QtFXSnd::set_sound_file(const std::string& path)
{
    m_sound_file = path;
    if (path.empty()) {
        m_output.stop(this);
        return;
    }
    m_output.play(this, path, [this] { sound_finished(); });
}

void QtFXSnd::set_command(int command)
{
    switch (command) {
    case command_close:
        m_output.stop(this);
        m_sound_file.clear();
        break;
    case command_reset:
        m_output.stop(this);
        m_sound_file.clear();
        m_device = core::SoundDevice::Wave;
        break;
    default:
        // Commands this player does not know change nothing, so a caller
        // written for a richer player still works.
        break;
    }
}

void QtFXSnd::set_finished_handler(std::function<void()> handler)
{
    m_finished_handler = std::move(handler);
}

void QtFXSnd::sound_finished()
{
    // A copy, because the handler may replace itself.
    if (std::function<void()> handler = m_finished_handler) {
        handler();
    }
}

} // namespace framory::qt
