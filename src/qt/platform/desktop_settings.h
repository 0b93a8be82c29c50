#pragma once

#include <optional>
#include <string>

namespace framory::qt {

// The desktop's own settings (GSettings: GNOME, Cinnamon, MATE), asked in
// this process through GIO instead of a "gsettings" child process: a read
// comes from the settings database on disk and never waits on the session
// bus. A schema or key that is not installed is looked up first, since GIO
// ends the program when asked for one.

// The value as "gsettings get" prints booleans ("true", "false") and the
// plain text of a string; empty text when the schema or key is not
// installed or holds another type.
std::string ReadDesktopSetting(const std::string& schema, const std::string& key);

// Sets GLib's type system up and loads the settings backend (a module GIO
// loads on first use) on the calling thread. Called on the program's own
// thread before any thread of its reads a setting: a thread that loads the
// module while the program ends, its libraries already finalised, sets the
// type system up a second time, and GLib then aborts the program.
void PrepareDesktopSettings();

// Writes a string value and waits until it is stored; false when the
// schema or key is not installed or the write was refused.
bool WriteDesktopSetting(const std::string& schema, const std::string& key, const std::string& value);

} // namespace framory::qt
