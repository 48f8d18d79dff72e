// The full-screen saver window: a borderless popup titled "Quendelrix(Main)"
// that implements the saver form's host and routes window messages to the
// form's handlers. All behaviour lives in the form.
#include <windows.h>
#include <windowsx.h>

#include "platform/win32/forms.h"
#include "platform/win32/gdi_image.h"
#include "platform/win32/handles.h"
#include "platform/win32/message_pump.h"
#include "platform/win32/win32_system.h"
#include "platform/win32/window_class.h"
#include "saver/quendelrix_s.h"
#include "startup/quendelrix_b.h"

namespace qx::win32 {

namespace {

constexpr wchar_t kClassName[] = L"QuendelrixSaver";

// The form's button and modifier arguments: 1 left, 2 right, 4 middle;
// 1 Shift, 2 Ctrl, 4 Alt.
int MouseButtons(WPARAM w) {
  return ((w & MK_LBUTTON) ? 1 : 0) | ((w & MK_RBUTTON) ? 2 : 0) |
         ((w & MK_MBUTTON) ? 4 : 0);
}
int ShiftState() {
  return ((GetKeyState(VK_SHIFT) < 0) ? 1 : 0) |
         ((GetKeyState(VK_CONTROL) < 0) ? 2 : 0) |
         ((GetKeyState(VK_MENU) < 0) ? 4 : 0);
}

float TwipsPerPixel(int axis) {
  WindowDC screen(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen.get(), axis) : 0;
  return dpi > 0 ? 1440.0f / static_cast<float>(dpi) : 15.0f;
}

class SaverWindow final : public SaverHost {
 public:
  explicit SaverWindow(ModuleValues& values) : form_(*this, values) {}
  SaverWindow(const SaverWindow&) = delete;
  SaverWindow& operator=(const SaverWindow&) = delete;

  void Run() {
    if (!Create()) return;
    form_.Form_Load();
    // The animation has stopped. A close request has taken the window with
    // it; otherwise the window stays up with its last picture until input
    // ends the program.
    if (IsWindow(hwnd_)) RunMessageLoop();
  }

  // SaverHost.
  ScreenMetrics Screen() override {
    const float tx = TwipsPerPixel(LOGPIXELSX);
    const float ty = TwipsPerPixel(LOGPIXELSY);
    return ScreenMetrics{static_cast<float>(GetSystemMetrics(SM_CXSCREEN)) * tx,
                         static_cast<float>(GetSystemMetrics(SM_CYSCREEN)) * ty,
                         tx, ty};
  }
  void PlaceWindow(int x, int y, int width, int height) override {
    SetWindowPos(hwnd_, nullptr, x, y, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  void ShowTopMost() override {
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  void Present(const Image& surface, std::span<const Rect>) override {
    if (!IsWindow(hwnd_)) return;
    WindowDC dc(hwnd_);
    if (dc) DrawImage(dc.get(), 0, 0, surface);
  }
  void PumpMessages() override { PumpPendingMessages(); }
  bool DisplayOff() override { return false; }
  void WaitForMessages() override {
    WaitMessage();
    PumpPendingMessages();
  }
  void Sleep(int milliseconds) override {
    ::Sleep(static_cast<DWORD>(milliseconds));
  }
  float SecondsSinceMidnight() override {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return static_cast<float>(t.wHour * 3600 + t.wMinute * 60 + t.wSecond) +
           static_cast<float>(t.wMilliseconds) / 1000.0f;
  }
  int32_t ShowCursor(bool show) override {
    return ::ShowCursor(show ? TRUE : FALSE);
  }
  int32_t VerifyScreenSavePassword() override {
    // The password service of the Windows 95 family, where it exists. A
    // system without it has nothing to check: the user may leave. It is
    // looked for beside the program and in the system folder only, never in
    // the current directory, so that no file planted there decides whether
    // the saver lets the user in.
    using VerifyFn = BOOL(WINAPI*)(HWND);
    UniqueLibrary library(LoadLibraryExW(
        L"password.cpl", nullptr,
        LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (!library) return 1;
    auto verify = reinterpret_cast<VerifyFn>(reinterpret_cast<void*>(
        GetProcAddress(library.get(), "VerifyScreenSavePwd")));
    if (!verify) return 1;
    return verify(hwnd_);
  }
  SystemCalls& System() override { return system_; }
  void DestroyWindow() override {
    if (IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
  }
  void EndProgram() override { ExitProcess(0); }

 private:
  bool Create() {
    WindowClassOptions options;
    options.background = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    RegisterWindowClass(kClassName, WndProc, options);
    const std::wstring title(kSaverTitle);
    hwnd_ = CreateWindowExW(0, kClassName, title.c_str(), WS_POPUP, 0, 0, 0, 0,
                            nullptr, nullptr, GetModuleHandleW(nullptr), this);
    return hwnd_ != nullptr;
  }

  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_NCCREATE) {
      auto* cs = reinterpret_cast<CREATESTRUCTW*>(l);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self =
        reinterpret_cast<SaverWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, msg, w, l);
    return self->Route(hwnd, msg, w, l);
  }

  LRESULT Route(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    const auto x = static_cast<float>(GET_X_LPARAM(l));
    const auto y = static_cast<float>(GET_Y_LPARAM(l));
    switch (msg) {
      case WM_MOUSEMOVE:
        form_.Display_MouseMove(MouseButtons(w), ShiftState(), x, y);
        return 0;
      case WM_LBUTTONDOWN:
        form_.Display_MouseDown(1, ShiftState(), x, y);
        return 0;
      case WM_RBUTTONDOWN:
        form_.Display_MouseDown(2, ShiftState(), x, y);
        return 0;
      case WM_MBUTTONDOWN:
        form_.Display_MouseDown(4, ShiftState(), x, y);
        return 0;
      case WM_KEYDOWN:
      case WM_SYSKEYDOWN:
        form_.Form_KeyDown(static_cast<int>(w), ShiftState());
        return 0;
      case WM_CLOSE: {
        int16_t cancel = 0;
        form_.Form_QueryUnload(cancel, UnloadMode::kFormControlMenu);
        if (cancel == 0) ::DestroyWindow(hwnd);
        return 0;
      }
      case WM_QUERYENDSESSION: {
        int16_t cancel = 0;
        form_.Form_QueryUnload(cancel, UnloadMode::kAppWindows);
        return cancel == 0 ? TRUE : FALSE;
      }
      case WM_PAINT: {
        PaintDC dc(hwnd);
        DrawImage(dc.get(), 0, 0, form_.Display());
        return 0;
      }
      case WM_ERASEBKGND:
        return 1;  // WM_PAINT covers every pixel
      case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, w, l);
  }

  HWND hwnd_ = nullptr;
  Win32SystemCalls system_;
  Quendelrix_S form_;
};

}  // namespace

void RunSaverForm(ModuleValues& values) {
  SaverWindow window(values);
  window.Run();
}

}  // namespace qx::win32
