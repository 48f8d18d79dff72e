// Xlib's error handler, installed only around the calls that need it: a
// trap installs its handler when it is made and puts the previous one back
// when it goes, so traps nest. An error is read at the next round trip, so
// the guarded calls end with XSync (or another call that waits for the
// server) while the trap is still there.
#pragma once

#include <X11/Xlib.h>

namespace qx::x11 {

class XErrorTrap {
 public:
  // Every error is noted, none reported: for a call whose failure is an
  // answer (a window that may not exist, shared memory the server may not
  // reach).
  explicit XErrorTrap(Display* display);
  // Errors saying `window` does not exist (BadWindow, BadDrawable) are
  // noted; any other is reported on standard error and otherwise ignored:
  // for drawing into a window someone else may destroy at any moment.
  XErrorTrap(Display* display, Window window);
  ~XErrorTrap();
  XErrorTrap(const XErrorTrap&) = delete;
  XErrorTrap& operator=(const XErrorTrap&) = delete;

  // An error was noted.
  bool Trapped() const { return trapped_; }
  // The watched window was found gone.
  bool WindowGone() const { return windowGone_; }

 private:
  static int OnError(Display* display, XErrorEvent* error);

  Window watched_ = 0;
  bool reportOthers_ = false;
  bool trapped_ = false;
  bool windowGone_ = false;
  XErrorTrap* outer_;
  int (*previous_)(Display*, XErrorEvent*);
};

}  // namespace qx::x11
