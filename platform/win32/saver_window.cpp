// The full-screen saver window: a borderless popup titled "Quendelrix(Main)"
// over the whole virtual screen (every monitor), that implements the saver
// form's host and routes window messages to the form's handlers. The form
// works from (0, 0); the window puts that point at the virtual screen's
// top-left corner, which may lie left of or above the primary monitor. All
// drawing is in physical pixels. All behaviour lives in the form.
#include <windows.h>

#include <optional>

#include "platform/win32/forms.h"
#include "platform/win32/gdi_image.h"
#include "platform/win32/handles.h"
#include "platform/win32/message_pump.h"
#include "platform/win32/saver_screen.h"
#include "platform/win32/screen_dpi.h"
#include "platform/win32/win32_system.h"
#include "platform/win32/window_base.h"
#include "platform/win32/window_input.h"
#include "saver/quendelrix_s.h"
#include "startup/window_titles.h"

namespace qx::win32 {

namespace {

constexpr wchar_t kClassName[] = L"QuendelrixSaver";

class SaverWindow final : public WindowBase, public SaverHost {
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
    if (Hwnd()) RunMessageLoop();
  }

  // SaverHost.
  // The virtual screen's size in physical pixels, given as twips with the
  // factors the form divides by, so that its pixel size is exact at any
  // scale (the process is DPI aware: the metrics are not scaled).
  ScreenMetrics Screen() override {
    area_ = VirtualScreenArea();
    return ScreenMetrics::FromPixels(area_.width, area_.height,
                                     TwipsPerPixel(LOGPIXELSX),
                                     TwipsPerPixel(LOGPIXELSY));
  }
  // The form's (0, 0) is the virtual screen's top-left corner.
  void PlaceWindow(int x, int y, int width, int height) override {
    SetWindowPos(Hwnd(), nullptr, area_.left + x, area_.top + y, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  void ShowTopMost() override {
    ShowWindow(Hwnd(), SW_SHOWNORMAL);
    SetWindowPos(Hwnd(), HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  // The changed parts in one drawing call: the screen never shows half a
  // frame.
  void Present(const Image& surface, std::span<const Rect> changed) override {
    if (!Hwnd()) return;
    WindowDC dc(Hwnd());
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
    return verify(Hwnd());
  }
  SystemCalls& System() override { return system_; }
  void DestroyWindow() override {
    if (Hwnd()) ::DestroyWindow(Hwnd());
  }
  void EndProgram() override { ExitProcess(0); }

 private:
  bool Create() {
    WindowClassOptions options;
    options.background = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    const std::wstring title(kSaverTitle);
    if (!CreateWindowOf(kClassName, options, 0, title.c_str(), WS_POPUP, 0, 0, 0, 0)) {
      return false;
    }
    displayState_.emplace(Hwnd());
    return true;
  }

  // The layout of the monitors changed: cover the new virtual screen now,
  // and let the form set its scene up for the new size before its next
  // frame (it places the window again then).
  void CoverVirtualScreen() {
    area_ = VirtualScreenArea();
    SetWindowPos(Hwnd(), nullptr, area_.left, area_.top, area_.width,
                 area_.height, SWP_NOZORDER | SWP_NOACTIVATE);
    form_.ScreenChanged();
  }

  LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM w, LPARAM l) override {
    switch (msg) {
      // Presses, moves and keys end the saver by the form's rules; releases
      // are the system's.
      case WM_MOUSEMOVE:
      case WM_LBUTTONDOWN:
      case WM_RBUTTONDOWN:
      case WM_MBUTTONDOWN:
      case WM_KEYDOWN:
      case WM_SYSKEYDOWN:
        if (const auto input = FormInputFromMessage(msg, w, l, ShiftState())) {
          form_.Input(*input);
        }
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
