#pragma once

#include "qt/platform/settings_file_store.h"
#include "support/temp_folder.h"

#include <QByteArray>
#include <QWidget>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace framory::testing {

// Variables of the process's environment set for one test and put back
// afterwards for the tests that follow.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::initializer_list<std::pair<const char*, std::string>> values)
    {
        for (const auto& [name, value] : values) {
            m_saved.emplace_back(name, qEnvironmentVariableIsSet(name), qgetenv(name));
            qputenv(name, QByteArray::fromStdString(value));
        }
    }
    ~ScopedEnvironment()
    {
        for (const auto& [name, was_set, value] : m_saved) {
            if (was_set) {
                qputenv(name, value);
            } else {
                qunsetenv(name);
            }
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::vector<std::tuple<const char*, bool, QByteArray>> m_saved;
};

// A home of its own, where the desktop platform keeps its settings file.
struct DesktopHome {
    DesktopHome() { std::filesystem::create_directories(folder.path() / "config"); }
    TempFolder folder;
    ScopedEnvironment environment{{"XDG_CONFIG_HOME", (folder.path() / "config").string()},
                                  {"XDG_DATA_HOME", (folder.path() / "data").string()}};
    std::filesystem::path settings_file() const { return folder.path() / "config" / "Obelin Framory.ini"; }
};

// A setting as another process reads it from the file.
inline std::string StoredOption(const std::filesystem::path& file, const std::string& key,
                                const std::string& absent = "(absent)")
{
    qt::SettingsFileStore reader(file);
    return reader.read("Options", key, absent);
}

// The names of the widgets Tab visits from `first` on, `count` of them.
inline std::vector<QString> FocusChain(QWidget* first, int count)
{
    std::vector<QString> names;
    for (QWidget* widget = first; widget != nullptr && static_cast<int>(names.size()) < count;) {
        names.push_back(widget->objectName());
        do {
            widget = widget->nextInFocusChain();
        } while (widget != nullptr && (widget->focusPolicy() == Qt::NoFocus || widget->objectName().isEmpty()));
    }
    return names;
}

} // namespace framory::testing
