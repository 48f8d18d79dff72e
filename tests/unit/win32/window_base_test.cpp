// The one window base: the object behind a real window is there from
// WM_NCCREATE to WM_NCDESTROY, every message in between reaches it and only
// it, and no message reaches an object that is gone.
#include "platform/win32/window_base.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace qx::win32 {
namespace {

constexpr wchar_t kClassName[] = L"QuendelrixWindowBaseTest";
constexpr UINT kPing = WM_APP + 1;

// Writes every message it gets into a log that outlives it; closes itself
// on WM_CLOSE as a form's window does.
class LoggingWindow final : public WindowBase {
 public:
  explicit LoggingWindow(std::vector<UINT>& log) : log_(log) {}
  bool Create(DWORD style = WS_OVERLAPPEDWINDOW) {
    return CreateWindowOf(kClassName, WindowClassOptions{}, 0, L"window base test", style,
                          0, 0, 200, 100);
  }
  int pings = 0;
  HWND handleAtNcDestroy = reinterpret_cast<HWND>(1);

 private:
  LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM w, LPARAM l) override {
    log_.push_back(msg);
    switch (msg) {
      case kPing:
        ++pings;
        return static_cast<LRESULT>(reinterpret_cast<INT_PTR>(this));
      case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
      case WM_NCDESTROY:
        handleAtNcDestroy = Hwnd();
        break;
    }
    return DefWindowProcW(hwnd, msg, w, l);
  }

  std::vector<UINT>& log_;
};

// Watches a window from outside its procedure: what GWLP_USERDATA, where the
// base keeps its object, holds when the window is destroyed.
constexpr UINT_PTR kWatch = 1;
constexpr LONG_PTR kNotSeen = -1;
LRESULT CALLBACK WatchDestroy(HWND hwnd, UINT msg, WPARAM w, LPARAM l, UINT_PTR,
                              DWORD_PTR seen) {
  if (msg == WM_DESTROY) {
    *reinterpret_cast<LONG_PTR*>(seen) = GetWindowLongPtrW(hwnd, GWLP_USERDATA);
  }
  if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, WatchDestroy, kWatch);
  return DefSubclassProc(hwnd, msg, w, l);
}

bool Logged(const std::vector<UINT>& log, UINT msg) {
  for (UINT m : log) {
    if (m == msg) return true;
  }
  return false;
}

TEST(Win32WindowBase, TheObjectIsStoredAtCreateAndClearedAtDestroy) {
  for (DWORD style : {DWORD{WS_OVERLAPPEDWINDOW}, DWORD{WS_POPUP}}) {
    SCOPED_TRACE(style == WS_POPUP ? "popup" : "overlapped");
    std::vector<UINT> log;
    LoggingWindow window(log);
    ASSERT_TRUE(window.Create(style));
    const HWND hwnd = window.Hwnd();
    ASSERT_NE(hwnd, nullptr);
    // The first message the object sees is WM_NCCREATE: what comes before
    // it (WM_GETMINMAXINFO for an overlapped window) has no object yet.
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), static_cast<UINT>(WM_NCCREATE));
    EXPECT_EQ(GetWindowLongPtrW(hwnd, GWLP_USERDATA),
              reinterpret_cast<LONG_PTR>(static_cast<WindowBase*>(&window)));
    EXPECT_EQ(SendMessageW(hwnd, kPing, 0, 0),
              static_cast<LRESULT>(reinterpret_cast<INT_PTR>(&window)));

    // A close destroys the window from inside the object's own handler.
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(window.Hwnd(), nullptr);
    EXPECT_EQ(window.handleAtNcDestroy, nullptr);
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], static_cast<UINT>(WM_DESTROY));
    EXPECT_EQ(log.back(), static_cast<UINT>(WM_NCDESTROY));
  }
}

TEST(Win32WindowBase, EachWindowRoutesToItsOwnObject) {
  std::vector<UINT> logA, logB;
  LoggingWindow a(logA), b(logB);
  ASSERT_TRUE(a.Create());
  ASSERT_TRUE(b.Create());
  SendMessageW(a.Hwnd(), kPing, 0, 0);
  SendMessageW(b.Hwnd(), kPing, 0, 0);
  SendMessageW(b.Hwnd(), kPing, 0, 0);
  EXPECT_EQ(a.pings, 1);
  EXPECT_EQ(b.pings, 2);
}

TEST(Win32WindowBase, AnObjectThatGoesFirstTakesItsWindowAndHearsNothingMore) {
  std::vector<UINT> log;
  HWND hwnd = nullptr;
  LONG_PTR userDataAtDestroy = kNotSeen;
  {
    auto window = std::make_unique<LoggingWindow>(log);
    ASSERT_TRUE(window->Create());
    hwnd = window->Hwnd();
    ASSERT_TRUE(SetWindowSubclass(hwnd, WatchDestroy, kWatch,
                                  reinterpret_cast<DWORD_PTR>(&userDataAtDestroy)));
    // A message waiting in the queue when the object goes.
    ASSERT_TRUE(PostMessageW(hwnd, kPing, 0, 0));
    log.clear();
    window.reset();
  }
  EXPECT_FALSE(IsWindow(hwnd));
  // By the time the window was destroyed it led to no object, and its
  // destruction went to the system's default handling.
  EXPECT_EQ(userDataAtDestroy, 0);
  EXPECT_FALSE(Logged(log, WM_DESTROY));
  EXPECT_FALSE(Logged(log, WM_NCDESTROY));
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  EXPECT_TRUE(log.empty());
}

}  // namespace
}  // namespace qx::win32
