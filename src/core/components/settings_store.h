#pragma once

#include <string>

// Where the settings live: the per-user store and its write groups.

namespace framory::core {

// The per-user settings store of the application "Obelin Framory": text
// values by section and key.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored text, or `fallback` when the key is missing.
    virtual std::string read(const std::string& section, const std::string& key, const std::string& fallback) = 0;
    // Stores the text. Failures are not reported.
    virtual void write(const std::string& section, const std::string& key, const std::string& value) = 0;
    // A group of writes that belong together may be collected and put into
    // the store at once when the group ends. Stores that write at once
    // ignore these.
    virtual void begin_group() {}
    virtual void end_group() {}
};

// Collects the writes made during its lifetime into one group.
class StoreWriteGroup {
public:
    explicit StoreWriteGroup(SettingsStore& store) : m_store(store) { m_store.begin_group(); }
    ~StoreWriteGroup() { m_store.end_group(); }
    StoreWriteGroup(const StoreWriteGroup&) = delete;
    StoreWriteGroup& operator=(const StoreWriteGroup&) = delete;

private:
    SettingsStore& m_store;
};

} // namespace framory::core
