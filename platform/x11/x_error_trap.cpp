#include "platform/x11/x_error_trap.h"

#include <cstdio>

namespace qx::x11 {

namespace {

// The innermost trap: Xlib calls its handler with no context of ours, and
// everything runs on the one thread.
XErrorTrap* g_active = nullptr;

}  // namespace

XErrorTrap::XErrorTrap(Display*) : outer_(g_active), previous_(XSetErrorHandler(OnError)) {
  g_active = this;
}

XErrorTrap::XErrorTrap(Display* display, Window window) : XErrorTrap(display) {
  watched_ = window;
  reportOthers_ = true;
}

XErrorTrap::~XErrorTrap() {
  XSetErrorHandler(previous_);
  g_active = outer_;
}

int XErrorTrap::OnError(Display* display, XErrorEvent* error) {
  XErrorTrap* trap = g_active;
  if (trap == nullptr) return 0;
  if (!trap->reportOthers_) {
    trap->trapped_ = true;
    return 0;
  }
  if ((error->error_code == BadWindow || error->error_code == BadDrawable) &&
      error->resourceid == trap->watched_) {
    trap->trapped_ = true;
    trap->windowGone_ = true;
    return 0;
  }
  char text[256] = {};
  XGetErrorText(display, error->error_code, text, sizeof text);
  std::fprintf(stderr, "quendelrix: X error: %s (request %d)\n", text, error->request_code);
  return 0;
}

}  // namespace qx::x11
