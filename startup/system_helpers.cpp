#include "startup/system_helpers.h"

namespace qx {

Pixel StandardSystemColor(int index) {
  switch (index) {
    case kColorWindow: return Rgb(255, 255, 255);
    case kColorWindowText: return Rgb(0, 0, 0);
    case kColorHighlight: return Rgb(0, 120, 215);
    case kColorButtonFace: return Rgb(240, 240, 240);
    case kColorButtonText: return Rgb(0, 0, 0);
    case kColorHotLight: return Rgb(0, 102, 204);
    default: return Rgb(0, 0, 0);
  }
}

void AllowSystemKeys(SystemCalls& sys, Bool16 allow) {
  const int16_t complement = static_cast<int16_t>(~allow);
  const auto uiParam = static_cast<uint32_t>(static_cast<int32_t>(complement));
  sys.SetSystemParameter(kSpiSetScreenSaverRunning, uiParam, 0);
}

void ZoomWindowOpen(SystemCalls& sys, WindowHandle window, int16_t x,
                    int16_t y) {
  const Rect point{x, y, x, y};
  Rect windowRect{};
  sys.GetWindowRect(window, windowRect);
  sys.DrawAnimatedRects(window, kIdAniCaption, point, windowRect);
}

void ZoomWindowClose(SystemCalls& sys, WindowHandle window, int16_t x,
                     int16_t y) {
  const Rect point{x, y, x, y};
  Rect windowRect{};
  sys.GetWindowRect(window, windowRect);
  sys.DrawAnimatedRects(window, kIdAniCaption, windowRect, point);
}

Bool16 IsNTPlatform(SystemCalls& sys) {
  const VersionAnswer answer = sys.QueryVersion();
  return (answer.result == 1 && answer.platformId == kVerPlatformWin32Nt)
             ? kTrue16
             : kFalse16;
}

}  // namespace qx
