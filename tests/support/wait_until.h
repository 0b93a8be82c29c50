#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace framory::testing {

// Looks at `done` every few milliseconds until it holds or `limit` has
// passed; true when it held. The limit only keeps a broken test from
// hanging: it is generous, never a measure.
inline bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(30))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

} // namespace framory::testing
