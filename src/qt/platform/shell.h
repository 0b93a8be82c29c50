#pragma once

#include "core/components/platform.h"

namespace framory::qt {

// Opens addresses in the desktop's browser and starts programs, the way the
// desktop's launcher does: an address (with a scheme, or starting "www.")
// goes to the default browser, an executable file is started, and any
// other existing file opens in the program the desktop gives it. Success
// reports 42, failure 2 (the file was not found or could not be started).
class DesktopShell : public core::Shell {
public:
    int ShellExecute(const std::string& file) override;
};

} // namespace framory::qt
