// The one way the program yields to the message queue: dispatch every pending
// message, then return without waiting. Code after a yield must expect that
// the window it works for has been closed meanwhile.
#pragma once

#include <windows.h>

#include <functional>

namespace qx::win32 {

// Returns false once WM_QUIT has been seen (it is posted back for the outer
// loop to find).
bool PumpPendingMessages();

// Runs the ordinary message loop until WM_QUIT; returns its exit code.
int RunMessageLoop();

// A timer of the thread rather than of a window: its WM_TIMER messages come
// to the thread's queue with no window, so it goes on ticking when every
// window of the thread is gone. Killed when the object goes.
class ThreadTimer {
 public:
  explicit ThreadTimer(UINT periodMs) : id_(SetTimer(nullptr, 0, periodMs, nullptr)) {}
  ~ThreadTimer() {
    if (id_) KillTimer(nullptr, id_);
  }
  ThreadTimer(const ThreadTimer&) = delete;
  ThreadTimer& operator=(const ThreadTimer&) = delete;

  explicit operator bool() const { return id_ != 0; }
  // The message is one of this timer's ticks.
  bool Ticked(const MSG& msg) const {
    return id_ != 0 && msg.hwnd == nullptr && msg.message == WM_TIMER && msg.wParam == id_;
  }

 private:
  UINT_PTR id_;
};

// The ordinary message loop, calling `onTick` at each tick of `timer`; ends
// at WM_QUIT and returns its exit code.
int RunMessageLoop(const ThreadTimer& timer, const std::function<void()>& onTick);

}  // namespace qx::win32
