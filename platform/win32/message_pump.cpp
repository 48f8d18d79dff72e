#include "platform/win32/message_pump.h"

namespace qx::win32 {

namespace {

int Loop(const ThreadTimer* timer, const std::function<void()>& onTick) {
  MSG msg;
  BOOL got;
  while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0 && got != -1) {
    if (timer && timer->Ticked(msg)) {
      if (onTick) onTick();
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return got == 0 ? static_cast<int>(msg.wParam) : 0;
}

}  // namespace

bool PumpPendingMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return true;
}

int RunMessageLoop() { return Loop(nullptr, nullptr); }

int RunMessageLoop(const ThreadTimer& timer, const std::function<void()>& onTick) {
  return Loop(&timer, onTick);
}

}  // namespace qx::win32
