// Registers a window class of the program's own with the usual defaults.
#pragma once

#include <windows.h>

namespace qx::win32 {

struct WindowClassOptions {
  HBRUSH background = nullptr;               // none: the window paints everything
  HCURSOR cursor = LoadCursorW(nullptr, IDC_ARROW);
  HICON icon = nullptr;
};

inline void RegisterWindowClass(const wchar_t* name, WNDPROC proc,
                                const WindowClassOptions& options = {}) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hIcon = options.icon;
  wc.hIconSm = options.icon;
  wc.hCursor = options.cursor;
  wc.hbrBackground = options.background;
  wc.lpszClassName = name;
  RegisterClassExW(&wc);  // a second registration fails harmlessly
}

}  // namespace qx::win32
