#pragma once

#include <filesystem>

namespace framory::testing {

// The threads this process runs now (a thread that has ended is no longer
// one of them, joined or not).
inline int ThreadCount()
{
    int count = 0;
    for ([[maybe_unused]] const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        ++count;
    }
    return count;
}

} // namespace framory::testing
