// The full-screen saver window: a borderless popup titled "Quendelrix(Main)"
// over the whole virtual screen (every monitor), that implements the saver
// form's host and routes window messages to the form's handlers. The form
// works from (0, 0); the window puts that point at the virtual screen's
// top-left corner, which may lie left of or above the primary monitor. All
// drawing is in physical pixels. All behaviour lives in the form.
#include <windows.h>
#include <windowsx.h>

#include <optional>

#include "platform/win32/forms.h"
#include "platform/win32/gdi_image.h"
#include "platform/win32/handles.h"
#include "platform/win32/message_pump.h"
#include "platform/win32/saver_screen.h"
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
  // The virtual screen's size in physical pixels, given as twips with the
  // factors the form divides by, so that its pixel size is exact at any
  // scale (the process is DPI aware: the metrics are not scaled).
  ScreenMetrics Screen() override {
    area_ = VirtualScreenArea();
    const float tx = TwipsPerPixel(LOGPIXELSX);
    const float ty = TwipsPerPixel(LOGPIXELSY);
    return ScreenMetrics{static_cast<float>(area_.width) * tx,
                         static_cast<float>(area_.height) * ty, tx, ty};
  }
  // The form's (0, 0) is the virtual screen's top-left corner.
  void PlaceWindow(int x, int y, int width, int height) override {
    SetWindowPos(hwnd_, nullptr, area_.left + x, area_.top + y, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  void ShowTopMost() override {
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  // The changed parts in one drawing call: the screen never shows half a
  // frame.
  void Present(const Image& surface, std::span<const Rect> changed) override {
    if (!IsWindow(hwnd_)) return;
    WindowDC dc(hwnd_);
    if (dc) DrawImageParts(dc.get(), surface, changed);
  }
  void PumpMessages() override { PumpPendingMessages(); }
  bool DisplayOff() override { return displayOff_; }
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
    if (!hwnd_) return false;
    displayState_.emplace(hwnd_);
    return true;
  }

  // The layout of the monitors changed: cover the new virtual screen now,
  // and let the form set its scene up for the new size before its next
  // frame (it places the window again then).
  void CoverVirtualScreen() {
    area_ = VirtualScreenArea();
    SetWindowPos(hwnd_, nullptr, area_.left, area_.top, area_.width,
                 area_.height, SWP_NOZORDER | SWP_NOACTIVATE);
    form_.ScreenChanged();
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
      // The session may end: agree, and keep animating, since the end may
      // still be cancelled. When it does end, leave as a close does, with the
      // cursor and the system's screen-saver state restored.
      case WM_QUERYENDSESSION:
        return TRUE;
      case WM_ENDSESSION:
        if (w) form_.Form_EndSession();
        return 0;
      case WM_DISPLAYCHANGE:
        CoverVirtualScreen();
        return 0;
      // The display's power: while it is off the form composes nothing.
      // The report is passed on, so the system still powers the display
      // down as asked.
      case WM_POWERBROADCAST:
      case WM_SYSCOMMAND:
        if (auto off = DisplayOffReport(msg, w, l)) displayOff_ = *off;
        if (msg == WM_POWERBROADCAST) return TRUE;
        break;
      case WM_PAINT: {
        // The whole surface, and black wherever the window reaches past it
        // (for the moment between a layout change and the next frame).
        PaintDC dc(hwnd);
        const Image& surface = form_.Display();
        DrawImage(dc.get(), 0, 0, surface);
        RECT client;
        GetClientRect(hwnd, &client);
        ExcludeClipRect(dc.get(), 0, 0, surface.Width(), surface.Height());
        FillRect(dc.get(), &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        return 0;
      }
      case WM_ERASEBKGND:
        return 1;  // WM_PAINT covers every pixel
      case WM_DESTROY:
        displayState_.reset();
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, w, l);
  }

  HWND hwnd_ = nullptr;
  ScreenArea area_;
  std::optional<DisplayStateNotification> displayState_;
  bool displayOff_ = false;  // until the system says otherwise
  Win32SystemCalls system_;
  Quendelrix_S form_;
};

}  // namespace

void RunSaverForm(ModuleValues& values) {
  SaverWindow window(values);
  window.Run();
}

}  // namespace qx::win32
