// The screen's dots per inch, read in one place: the system DPI (that of
// the screen DC, which the twips-per-pixel factors and the default GUI font
// follow) and the DPI of the monitor a window is on.
#pragma once

#include <windows.h>

namespace qx::win32 {

// The screen DC's DPI along LOGPIXELSX or LOGPIXELSY; 96 when it cannot be
// read.
int SystemDpi(int axis = LOGPIXELSY);

// The twips per pixel of the screen along LOGPIXELSX or LOGPIXELSY.
float TwipsPerPixel(int axis);

// The DPI of the monitor a window is on. GetDpiForWindow exists from
// Windows 10 on; before, every monitor has the system's DPI.
int WindowDpi(HWND hwnd);

}  // namespace qx::win32
