#pragma once

// The dialogs of the configuration side. This file: the change-password
// dialog, opened by "/a" and from the configuration hub.

#include "core/password/new_password.h"
#include "win32/show/dialog_window.h"

namespace framory::win32 {

// frm_newpassword: two password boxes, OK and Cancel; its rules store the
// new password scrambled at once. Runs modally over `owner` (or alone for
// "/a") and returns when it has closed.
void ShowNewPasswordDialog(core::Program& program, core::NewPasswordServices services, HWND owner);

} // namespace framory::win32
