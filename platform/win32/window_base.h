// The one base of the program's windows. It registers the window class and
// keeps the object behind a window from WM_NCCREATE to WM_NCDESTROY, routing
// every message in between to the object's OnMessage; what comes before
// (WM_GETMINMAXINFO precedes WM_NCCREATE) or after goes to DefWindowProcW.
// An object that goes before its window takes the window with it, and the
// messages of that last destruction reach no object.
#pragma once

#include <windows.h>

namespace qx::win32 {

struct WindowClassOptions {
  HBRUSH background = nullptr;  // none: the window paints everything
  HCURSOR cursor = LoadCursorW(nullptr, IDC_ARROW);
  HICON icon = nullptr;
};

class WindowBase {
 public:
  WindowBase(const WindowBase&) = delete;
  WindowBase& operator=(const WindowBase&) = delete;

  // The window, from WM_NCCREATE until WM_NCDESTROY; nullptr otherwise.
  HWND Hwnd() const { return hwnd_; }

 protected:
  WindowBase() = default;
  virtual ~WindowBase();

  // Registers the class `className` (the first time; a second registration
  // fails harmlessly) and creates a window of it with this object behind
  // it. False when no window was made.
  bool CreateWindowOf(const wchar_t* className, const WindowClassOptions& options,
                      DWORD exStyle, const wchar_t* title, DWORD style, int x, int y,
                      int width, int height, HWND parent = nullptr);

  // Every message of the window, WM_NCCREATE and WM_NCDESTROY included (by
  // WM_NCDESTROY, Hwnd() is nullptr already). Messages it does not handle go
  // to DefWindowProcW.
  virtual LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM w, LPARAM l) = 0;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l);

  HWND hwnd_ = nullptr;
};

}  // namespace qx::win32
