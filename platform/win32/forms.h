// Entry points of the Windows forms, called by the start procedure.
#pragma once

#include "startup/module_values.h"
#include "startup/system_helpers.h"

namespace qx::win32 {

// Loads the full-screen saver form; returns when the program is to end.
void RunSaverForm(ModuleValues& values);

// Shows the settings dialog modal; returns when it has closed.
void ShowSettingsDialog(ModuleValues& values);
// The same with the given system calls (the user's look, the zooms).
void ShowSettingsDialog(ModuleValues& values, SystemCalls& system);

}  // namespace qx::win32
