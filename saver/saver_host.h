// What the saver form needs of the system: its window, the message queue,
// the clock, the cursor and the password check. The Windows layer implements
// it with a full-screen window; tests record the calls.
#pragma once

#include <cstdint>
#include <span>

#include "common/image.h"
#include "startup/screen_metrics.h"
#include "startup/system_helpers.h"

namespace qx {

class SaverHost {
 public:
  virtual ~SaverHost() = default;

  // The screen the saver covers: for the Windows window the whole virtual
  // screen (every monitor); for a window it is given, that window.
  virtual ScreenMetrics Screen() = 0;
  // Places the borderless window at (x, y) with the given size in pixels.
  virtual void PlaceWindow(int x, int y, int width, int height) = 0;
  // Shows the window in its normal state, then puts it above every window
  // that is not top-most, without moving, sizing or activating it.
  virtual void ShowTopMost() = 0;
  // Copies the rectangles `changed` of `surface` to the window in one step,
  // so the screen never shows half a frame. Outside them the window already
  // shows what `surface` holds. The window repaints from `surface`.
  virtual void Present(const Image& surface, std::span<const Rect> changed) = 0;
  // Dispatches every pending window message, then returns. The form's input
  // handlers run inside this call.
  virtual void PumpMessages() = 0;
  // True while the system reports the display off (a dimmed display counts
  // as on). Until the system says otherwise the display is on.
  virtual bool DisplayOff() = 0;
  // Waits without polling until a window message arrives, then dispatches
  // every pending message as PumpMessages does.
  virtual void WaitForMessages() = 0;
  virtual void Sleep(int milliseconds) = 0;
  // The time of day in seconds since midnight.
  virtual float SecondsSinceMidnight() = 0;
  // ShowCursor; returns the new display counter.
  virtual int32_t ShowCursor(bool show) = 0;
  // The system's screen-saver password check, owned by the saver window:
  // non-zero when the user passed it (or no check exists on this system).
  virtual int32_t VerifyScreenSavePassword() = 0;
  virtual SystemCalls& System() = 0;
  // Destroys the window (the form's unload, after its query has run).
  virtual void DestroyWindow() = 0;
  // Ends the process at once; no code of the animation runs after it.
  virtual void EndProgram() = 0;
};

}  // namespace qx
