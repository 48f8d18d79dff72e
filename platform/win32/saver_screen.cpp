#include "platform/win32/saver_screen.h"

#include <algorithm>
#include <cstring>

namespace qx::win32 {

ScreenArea VirtualScreenArea() {
  ScreenArea a{GetSystemMetrics(SM_XVIRTUALSCREEN),
               GetSystemMetrics(SM_YVIRTUALSCREEN),
               GetSystemMetrics(SM_CXVIRTUALSCREEN),
               GetSystemMetrics(SM_CYVIRTUALSCREEN)};
  if (a.width <= 0 || a.height <= 0) {
    a = ScreenArea{0, 0, GetSystemMetrics(SM_CXSCREEN),
                   GetSystemMetrics(SM_CYSCREEN)};
  }
  a.width = std::clamp(a.width, 0, kMaxSaverSide);
  a.height = std::clamp(a.height, 0, kMaxSaverSide);
  return a;
}

std::optional<bool> DisplayOffReport(UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_SYSCOMMAND && (w & 0xFFF0) == SC_MONITORPOWER) {
    return l == 2;
  }
  if (msg == WM_POWERBROADCAST && w == PBT_POWERSETTINGCHANGE && l != 0) {
    const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(l);
    if (setting->PowerSetting != GUID_CONSOLE_DISPLAY_STATE ||
        setting->DataLength < sizeof(DWORD)) {
      return std::nullopt;
    }
    DWORD state = 0;
    std::memcpy(&state, setting->Data, sizeof state);
    return state == 0;
  }
  return std::nullopt;
}

DisplayStateNotification::DisplayStateNotification(HWND hwnd)
    : handle_(RegisterPowerSettingNotification(
          hwnd, &GUID_CONSOLE_DISPLAY_STATE, DEVICE_NOTIFY_WINDOW_HANDLE)) {}

DisplayStateNotification::~DisplayStateNotification() {
  if (handle_) UnregisterPowerSettingNotification(handle_);
}

}  // namespace qx::win32
