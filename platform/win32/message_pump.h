// The one way the program yields to the message queue: dispatch every pending
// message, then return without waiting. Code after a yield must expect that
// the window it works for has been closed meanwhile.
#pragma once

namespace qx::win32 {

// Returns false once WM_QUIT has been seen (it is posted back for the outer
// loop to find).
bool PumpPendingMessages();

// Runs the ordinary message loop until WM_QUIT; returns its exit code.
int RunMessageLoop();

}  // namespace qx::win32
