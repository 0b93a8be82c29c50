#include "core/config_ui/folder_editor.h"

#include "core/startup/program.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace framory::core {
namespace {

// On Windows a drive's root is a root like "/": reached from a path that is
// gone, it gives way to the Windows directory, and as the last resort the
// path's own drive opens.
TEST(StartFolderOnWindows, ADriveRootCountsAsTheRoot)
{
    if constexpr (kPathSeparator != '\\') {
        GTEST_SKIP() << "Windows paths";
    }
    struct Probe : FolderProbe {
        std::set<std::string> existing;
        bool folder_exists(const std::string& folder) override { return existing.count(folder) != 0; }
    } probe;
    const std::vector<std::tuple<std::string, std::set<std::string>, std::string>> cases = {
        {"C:\\Pics\\2019\\", {"C:\\Pics", "C:\\"}, "C:\\Pics"},
        {"E:\\pics\\", {"C:\\Windows", "E:\\"}, "C:\\Windows"},
        {"C:\\", {"C:\\Windows", "C:\\"}, "C:\\Windows"},
        // "C:" alone names the drive's current folder, not its root.
        {"C:\\gone\\", {"C:\\Windows", "C:", "C:\\"}, "C:\\Windows"},
        {"E:\\gone\\", {}, "E:\\"},
    };
    for (const auto& [dir_path, existing, start] : cases) {
        probe.existing = existing;
        EXPECT_EQ(StartFolder(dir_path, "C:\\Windows\\", probe), start) << dir_path;
    }
}

} // namespace
} // namespace framory::core
