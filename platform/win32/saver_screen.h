// The screen the full-screen saver covers: the virtual screen (the
// bounding rectangle of every monitor, in physical pixels), and whether the
// display is powered on.
#pragma once

#include <windows.h>

#include <optional>

namespace qx::win32 {

// The largest window side the saver asks for; a larger virtual screen is
// covered up to this many pixels from its top-left corner.
inline constexpr int kMaxSaverSide = 32767;

struct ScreenArea {
  int left = 0;  // may be negative: a monitor left of or above the primary
  int top = 0;
  int width = 0;
  int height = 0;
};

// The virtual screen as the system reports it now, each side clamped to
// kMaxSaverSide. Falls back to the primary monitor where the system reports
// no virtual screen.
ScreenArea VirtualScreenArea();

// What a display-power message says about the display: true off, false on
// (a dimmed display and a monitor in low power still show the picture);
// nullopt for any other message.
//  - WM_POWERBROADCAST / PBT_POWERSETTINGCHANGE with
//    GUID_CONSOLE_DISPLAY_STATE: 0 off, 1 on, 2 dimmed;
//  - WM_SYSCOMMAND / SC_MONITORPOWER: 2 off, 1 low power, -1 on.
std::optional<bool> DisplayOffReport(UINT msg, WPARAM w, LPARAM l);

// Registers a window for the console display's power reports and
// unregisters it when it goes. The system then sends WM_POWERBROADCAST
// messages that DisplayOffReport reads. Nothing here asks the system to keep
// the display on.
class DisplayStateNotification {
 public:
  explicit DisplayStateNotification(HWND hwnd);
  ~DisplayStateNotification();
  DisplayStateNotification(const DisplayStateNotification&) = delete;
  DisplayStateNotification& operator=(const DisplayStateNotification&) = delete;
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  HPOWERNOTIFY handle_ = nullptr;
};

}  // namespace qx::win32
