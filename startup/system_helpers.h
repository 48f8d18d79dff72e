// Small helpers that wrap one system call each: telling the system that the
// saver no longer runs, the zoom animations of the settings dialog and the
// test for an NT-family system. Results of the calls are ignored except the
// version query's. The same seam answers the settings dialog's questions
// about the user's look: high contrast and the system colours.
#pragma once

#include <cstdint>

#include "common/image.h"
#include "common/numbers.h"

namespace qx {

// A window handle as the portable code passes it on (sign-extended 32-bit
// values on the wire, full width in process).
using WindowHandle = std::intptr_t;

inline constexpr uint32_t kSpiSetScreenSaveActive = 17;
inline constexpr uint32_t kSpiSetScreenSaverRunning = 97;
inline constexpr int kIdAniCaption = 3;
inline constexpr uint32_t kVerPlatformWin32Nt = 2;

// The system colours (GetSysColor indexes) the settings dialog draws with.
inline constexpr int kColorWindow = 5;
inline constexpr int kColorWindowText = 8;
inline constexpr int kColorHighlight = 13;
inline constexpr int kColorButtonFace = 15;
inline constexpr int kColorButtonText = 18;
inline constexpr int kColorHotLight = 26;

// The colours of the system's standard look, for a system that has no
// colours of its own to report; black for an index not listed above.
Pixel StandardSystemColor(int index);

struct VersionAnswer {
  int result = 0;            // what GetVersionExA returned
  uint32_t platformId = 0;   // dwPlatformId of the filled record
};

// The system calls behind the helpers; the Windows layer implements them,
// tests record them.
class SystemCalls {
 public:
  virtual ~SystemCalls() = default;
  // SystemParametersInfoA(action, uiParam, NULL, flags).
  virtual int SetSystemParameter(uint32_t action, uint32_t uiParam,
                                   uint32_t flags) = 0;
  // GetVersionExA on a 148-byte OSVERSIONINFOA, size field set, rest zero.
  virtual VersionAnswer QueryVersion() = 0;
  // GetWindowRect; false leaves `rect` untouched.
  virtual bool GetWindowRect(WindowHandle window, Rect& rect) = 0;
  virtual void DrawAnimatedRects(WindowHandle window, int animation,
                                 const Rect& from, const Rect& to) = 0;
  // SystemParametersInfo(SPI_GETHIGHCONTRAST): true when the user runs the
  // system in high contrast (HCF_HIGHCONTRASTON). A system without that
  // setting, or a failed query, answers false.
  virtual bool HighContrastOn() { return false; }
  // GetSysColor(index). A system without system colours answers with those
  // of the standard look.
  virtual Pixel SystemColor(int index) { return StandardSystemColor(index); }
};

// The system calls of a host that has no system state to change (a host
// with no window, the Linux programs): each call does nothing and says so.
// The version query answers as a failed GetVersionExA, so the system counts
// as no NT-family system.
class NullSystemCalls final : public SystemCalls {
 public:
  int SetSystemParameter(uint32_t, uint32_t, uint32_t) override { return 0; }
  VersionAnswer QueryVersion() override { return {}; }
  bool GetWindowRect(WindowHandle, Rect&) override { return false; }
  void DrawAnimatedRects(WindowHandle, int, const Rect&, const Rect&) override {}
};

// SPI_SETSCREENSAVERRUNNING with the complement of `allow` as a sign-extended
// 16-bit value: true passes 0, false passes 0xFFFFFFFF.
void AllowSystemKeys(SystemCalls& sys, Bool16 allow);

// A caption frame grows from the point (x, y) to the window's rectangle.
void ZoomWindowOpen(SystemCalls& sys, WindowHandle window, int16_t x,
                    int16_t y);
// The frame shrinks from the window's rectangle into the point.
void ZoomWindowClose(SystemCalls& sys, WindowHandle window, int16_t x,
                     int16_t y);

// True (-1) when GetVersionExA returned exactly 1 and the platform id is 2.
Bool16 IsNTPlatform(SystemCalls& sys);

}  // namespace qx
