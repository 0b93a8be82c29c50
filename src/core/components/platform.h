#pragma once

// The platform services that the core relies on, one header per family.
// Each front end implements them over its own system; tests implement them
// with fakes. The show's own services (its window and message boxes, the
// desktop's lock switch and wallpaper, the printer) are in show_window.h
// and desktop.h.

#include "core/components/folders.h"
#include "core/components/modes.h"
#include "core/components/settings_store.h"
#include "core/components/system.h"
