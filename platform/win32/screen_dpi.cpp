#include "platform/win32/screen_dpi.h"

#include "platform/win32/handles.h"
#include "startup/screen_metrics.h"

namespace qx::win32 {

int SystemDpi(int axis) {
  WindowDC screen(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen.get(), axis) : 0;
  return dpi > 0 ? dpi : kBaseDpi;
}

float TwipsPerPixel(int axis) { return TwipsPerPixelAt(SystemDpi(axis)); }

int WindowDpi(HWND hwnd) {
  using Fn = UINT(WINAPI*)(HWND);
  static const auto getDpi = reinterpret_cast<Fn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  const UINT dpi = getDpi && hwnd ? getDpi(hwnd) : 0;
  return dpi > 0 ? static_cast<int>(dpi) : SystemDpi();
}

}  // namespace qx::win32
