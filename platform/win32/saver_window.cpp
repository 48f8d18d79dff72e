// The full-screen saver window. (Until the saver form is built, an empty
// window with the saver's title that any input closes.)
#include <windows.h>

#include "platform/win32/forms.h"
#include "platform/win32/message_pump.h"

namespace qx::win32 {

namespace {
LRESULT CALLBACK SaverProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
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

void RunSaverForm(ModuleValues&) {
  WNDCLASSEXW wc{sizeof wc};
  wc.lpfnWndProc = SaverProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = L"QuendelrixSaver";
  RegisterClassExW(&wc);
  HWND hwnd = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"Quendelrix(Main)",
                              WS_POPUP | WS_VISIBLE, 0, 0,
                              GetSystemMetrics(SM_CXSCREEN),
                              GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                              wc.hInstance, nullptr);
  if (hwnd) RunMessageLoop();
}

}  // namespace qx::win32
