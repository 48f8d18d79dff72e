// The settings dialog window. (Until the dialog form is built, an empty
// window with the dialog's title that any input closes.)
#include <windows.h>

#include "platform/win32/forms.h"
#include "platform/win32/message_pump.h"

namespace qx::win32 {

namespace {
LRESULT CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  switch (msg) {
    case WM_KEYDOWN:
    case WM_LBUTTONDOWN:
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, w, l);
}
}  // namespace

void ShowSettingsDialog(ModuleValues&) {
  WNDCLASSEXW wc{sizeof wc};
  wc.lpfnWndProc = DialogProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
  wc.lpszClassName = L"QuendelrixSettings";
  RegisterClassExW(&wc);
  HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"Quendelrixの設定",
                              WS_POPUP | WS_VISIBLE, 100, 100, 479, 302,
                              nullptr, nullptr, wc.hInstance, nullptr);
  if (hwnd) RunMessageLoop();
}

}  // namespace qx::win32
