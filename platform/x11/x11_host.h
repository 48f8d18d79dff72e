// The saver form's host on X: draws into a given window, XScreenSaver's
// window or the root, or a window of its own; presents the changed
// rectangles from a shared-memory image (plain XPutImage where the server
// cannot share memory); follows size changes; ends on SIGTERM/SIGINT, on
// the target window going away, and in its own window on a key, a click or
// the window manager's close.
#pragma once

#include <X11/Xlib.h>

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/x11/options.h"
#include "platform/x11/shm_image.h"
#include "platform/linux/signal_watch.h"
#include "platform/x11/x_display.h"
#include "saver/quendelrix_s.h"
#include "saver/saver_host.h"

namespace qx::x11 {

using linux_program::SignalWatch;

inline constexpr int kOwnWindowWidth = 800;
inline constexpr int kOwnWindowHeight = 600;

class X11SaverHost final : public SaverHost {
 public:
  // The host owns the connection from here on.
  X11SaverHost(UniqueDisplay display, const SignalWatch& signals);
  ~X11SaverHost() override;
  X11SaverHost(const X11SaverHost&) = delete;
  X11SaverHost& operator=(const X11SaverHost&) = delete;

  // Finds or makes the window to draw into and checks its visual. On
  // failure returns the exit status and sets `error`; 0 when ready.
  int Open(const Options& options, std::string& error);
  // The form whose handlers the events reach.
  void SetForm(Quendelrix_S* form) { form_ = form; }

  ScreenMetrics Screen() override;
  void PlaceWindow(int x, int y, int width, int height) override;
  void ShowTopMost() override;
  void Present(const Image& surface, std::span<const Rect> changed) override;
  void PumpMessages() override;
  bool DisplayOff() override { return false; }
  void WaitForMessages() override;
  void Sleep(int milliseconds) override;
  float SecondsSinceMidnight() override;
  int32_t ShowCursor(bool show) override;
  int32_t VerifyScreenSavePassword() override { return 1; }
  SystemCalls& System() override { return system_; }
  void DestroyWindow() override {}
  [[noreturn]] void EndProgram() override;

 private:
  void HandleEvent(const XEvent& event);
  // Ends the program when a signal arrived or the window went away.
  void CheckEnding();
  // Waits up to `milliseconds` (forever when negative) for the X connection
  // or a signal; true when the X connection has something to read.
  bool Wait(int milliseconds);
  // Frees what the program holds on the server and closes the connection.
  void Release();
  [[noreturn]] void Exit(int status);

  UniqueDisplay display_;
  const SignalWatch& signals_;
  NullSystemCalls system_;
  Quendelrix_S* form_ = nullptr;
  Window window_ = 0;
  bool ownWindow_ = false;
  // The window is gone: destroyed, or found missing by a request.
  bool windowGone_ = false;
  Visual* visual_ = nullptr;
  int depth_ = 0;
  int width_ = 0;
  int height_ = 0;
  Atom deleteWindow_ = 0;
  GC gc_ = nullptr;
  std::optional<ShmImage> image_;  // made once the window is known
  std::vector<Rect> clipped_;
  int32_t cursorCount_ = 0;
};

}  // namespace qx::x11
