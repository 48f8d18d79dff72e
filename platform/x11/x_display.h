// The connection to the X server and its one owner: the connection closes
// when the owner goes (XCloseDisplay, which also frees what the program
// left on the server).
#pragma once

#include <X11/Xlib.h>

#include <memory>
#include <string>

namespace qx::x11 {

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};
using UniqueDisplay = std::unique_ptr<Display, DisplayCloser>;

// Opens the display `name`, or $DISPLAY when it is empty; null on failure.
inline UniqueDisplay OpenDisplay(const std::string& name) {
  return UniqueDisplay(XOpenDisplay(name.empty() ? nullptr : name.c_str()));
}

}  // namespace qx::x11
