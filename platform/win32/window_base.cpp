#include "platform/win32/window_base.h"

#include <utility>

namespace qx::win32 {

WindowBase::~WindowBase() {
  if (!hwnd_) return;
  // The derived object is gone already: the window's last messages go to
  // DefWindowProcW.
  const HWND hwnd = std::exchange(hwnd_, nullptr);
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  DestroyWindow(hwnd);
}

bool WindowBase::CreateWindowOf(const wchar_t* className, const WindowClassOptions& options,
                                DWORD exStyle, const wchar_t* title, DWORD style, int x,
                                int y, int width, int height, HWND parent) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.hIcon = options.icon;
  wc.hIconSm = options.icon;
  wc.hCursor = options.cursor;
  wc.hbrBackground = options.background;
  wc.lpszClassName = className;
  RegisterClassExW(&wc);
  CreateWindowExW(exStyle, className, title, style, x, y, width, height, parent, nullptr,
                  instance, this);
  return hwnd_ != nullptr;
}

LRESULT CALLBACK WindowBase::Proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<WindowBase*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
    if (self) {
      self->hwnd_ = hwnd;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
  }
  auto* self = reinterpret_cast<WindowBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, msg, w, l);
  if (msg == WM_NCDESTROY) {
    // The window's last message: the object lets go of it first.
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
  }
  // Nothing of `self` is touched after this call: the handler may end the
  // window, and with it the object's interest in it.
  return self->OnMessage(hwnd, msg, w, l);
}

}  // namespace qx::win32
