#pragma once

#include "core/preview/preview.h"
#include "qt/platform/x_connection.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace framory::qt {

// The X11 window a 32-bit handle names: X window ids are unsigned and never
// have the top bits set, so a negative handle, or 0, names no window.
std::optional<unsigned long> XWindowOfHandle(std::int32_t handle);

// The host's windows by id, asked through a connection of the preview's
// own, so that asking about a window that is gone is an answer, not an
// error of Qt's connection. Only an X server has windows to embed into:
// on Qt's other platforms (offscreen) no id names a window.
class XHostWindows : public core::PreviewWindows {
public:
    XHostWindows();

    std::optional<core::HostRect> client_rect(std::int32_t window) override;
    bool is_window(std::int32_t window) override;

    // The number of an atom, or 0 without an X server.
    std::uint32_t atom(const char* name);

private:
    std::unique_ptr<XConnection> m_x;
};

} // namespace framory::qt
