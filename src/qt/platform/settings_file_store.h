#pragma once

#include "core/components/platform.h"
#include "core/settings/ini_document.h"

#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <tuple>
#include <vector>

namespace framory::qt {

// The settings store as a file a person can read and edit. Writes are put
// into the file atomically: under an exclusive lock the file is read again,
// only the keys this process wrote are changed, and the result replaces the
// file by renaming a completed temporary file over it. So two processes that
// save different keys at the same time keep both, and a save that cannot be
// written (a full disk, a read-only folder) leaves the old file whole.
class SettingsFileStore : public core::SettingsStore {
public:
    explicit SettingsFileStore(std::filesystem::path file);

    std::string read(const std::string& section, const std::string& key, const std::string& fallback) override;
    void write(const std::string& section, const std::string& key, const std::string& value) override;
    void begin_group() override;
    void end_group() override;

    const std::filesystem::path& file() const { return m_file; }
    // Whether the last attempt to put writes into the file succeeded.
    bool last_commit_succeeded() const { return m_last_commit_ok; }

private:
    struct PendingWrite {
        std::string section;
        std::string key;
        std::string value;
    };

    void refresh();
    bool commit(const std::vector<PendingWrite>& writes);

    std::filesystem::path m_file;
    core::IniDocument m_document;
    std::optional<std::tuple<dev_t, ino_t, off_t, long long, long long>> m_seen; // file identity and time
    std::vector<PendingWrite> m_pending;
    int m_group_depth = 0;
    bool m_last_commit_ok = true;
};

} // namespace framory::qt
