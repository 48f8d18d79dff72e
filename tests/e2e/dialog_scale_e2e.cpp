// The settings dialog at every display scale: scaled as one piece, moved
// to a monitor of another DPI (also mid-drag), and a program that asks the
// system for per-monitor awareness.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/dialog_driver.h"

namespace qx::e2e {
namespace {

// A unit edge of the 96 DPI dialog at another DPI: rounded, halves up.
int Scaled(int units, int dpi) { return (2 * units * dpi + 96) / 192; }

// Sends WM_DPICHANGED as the system does, with the suggested rectangle in
// the receiving process's memory (a pointer into ours would mean nothing
// there).
bool SendDpiChanged(HWND hwnd, DWORD pid, int dpi, const RECT& suggested) {
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid);
  if (!process) return false;
  void* remote = VirtualAllocEx(process, nullptr, sizeof suggested,
                                MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  bool ok = remote && WriteProcessMemory(process, remote, &suggested, sizeof suggested, nullptr);
  DWORD_PTR result = 0;
  ok = ok && SendMessageTimeoutW(hwnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                                 reinterpret_cast<LPARAM>(remote), SMTO_NORMAL, kCeiling,
                                 &result);
  CloseHandle(process);  // the few bytes go with the process
  return ok;
}

RECT ClientRectOf(HWND dialog, HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// The scroll bars sit where the 96 DPI layout puts them, scaled.
void ExpectBarsScaled(OpenDialog& dialog, int dpi) {
  const auto bars = dialog.Bars();
  ASSERT_EQ(bars.size(), 2u);
  const RECT units[2] = {{365, 69, 446, 86}, {365, 129, 446, 146}};
  for (int i = 0; i < 2; ++i) {
    const RECT r = ClientRectOf(dialog.hwnd(), bars[static_cast<size_t>(i)]);
    EXPECT_EQ(r.left, Scaled(units[i].left, dpi)) << "HS(" << i << ") at " << dpi;
    EXPECT_EQ(r.top, Scaled(units[i].top, dpi)) << "HS(" << i << ") at " << dpi;
    EXPECT_EQ(r.right, Scaled(units[i].right, dpi)) << "HS(" << i << ") at " << dpi;
    EXPECT_EQ(r.bottom, Scaled(units[i].bottom, dpi)) << "HS(" << i << ") at " << dpi;
  }
}

POINT ScaledPoint(POINT p, int dpi) { return {Scaled(p.x, dpi), Scaled(p.y, dpi)}; }

// The dialog started at a DPI: its size and layout, its labels, and the
// scaled Set button.
void ExpectScaledDialog(int dpi, int width, int height) {
  ScopedLogPixels scale(static_cast<DWORD>(dpi));
  TempFolder folder;
  OpenDialog dialog(folder);
  ASSERT_TRUE(dialog.hwnd());
  RECT client, window;
  GetClientRect(dialog.hwnd(), &client);
  GetWindowRect(dialog.hwnd(), &window);
  EXPECT_EQ(client.right, width);
  EXPECT_EQ(client.bottom, height);
  EXPECT_EQ(window.right - window.left, width);  // no border, no caption
  EXPECT_EQ(window.left, (GetSystemMetrics(SM_CXSCREEN) - client.right) / 2);
  EXPECT_EQ(window.top, (GetSystemMetrics(SM_CYSCREEN) - client.bottom) / 2);
  ExpectBarsScaled(dialog, dpi);

  // Every label of the panel inside it, clear of the scroll bars and their
  // focus marks: the ink
  // of the cream and the blue labels, looked for in the panel and beyond
  // its right edge.
  const Image shot = CaptureScreen();
  const POINT o = dialog.Screen({0, 0});
  const RECT panel{Scaled(357, dpi), Scaled(41, dpi), Scaled(456, dpi), Scaled(240, dpi)};
  const RECT faces{Scaled(365, dpi), Scaled(181, dpi), Scaled(446, dpi), Scaled(231, dpi)};
  const auto bars = dialog.Bars();
  // Each bar with the ring of its focus mark, one unit wide, around it.
  RECT bar0 = ClientRectOf(dialog.hwnd(), bars[0]);
  RECT bar1 = ClientRectOf(dialog.hwnd(), bars[1]);
  const int ring = Scaled(1, dpi) + 1;
  InflateRect(&bar0, ring, ring);
  InflateRect(&bar1, ring, ring);
  int cream = 0, blue = 0;
  RECT creamBox{INT_MAX, INT_MAX, INT_MIN, INT_MIN}, blueBox = creamBox;
  auto grow = [](RECT& box, int x, int y) {
    box.left = std::min<LONG>(box.left, x);
    box.top = std::min<LONG>(box.top, y);
    box.right = std::max<LONG>(box.right, x + 1);
    box.bottom = std::max<LONG>(box.bottom, y + 1);
  };
  for (int y = panel.top; y < faces.top; ++y) {
    for (int x = panel.left; x < client.right; ++x) {
      const POINT p{x, y};
      if (PtInRect(&bar0, p) || PtInRect(&bar1, p)) continue;
      const Pixel px = shot.At(o.x + x, o.y + y);
      if (RedOf(px) - BlueOf(px) >= 24 && RedOf(px) > 120) {
        ++cream;
        grow(creamBox, x, y);
        EXPECT_NE(y, bar0.top - 1) << "the label runs into HS(0) at x " << x;
      }
      if (BlueOf(px) - RedOf(px) >= 70) {
        ++blue;
        grow(blueBox, x, y);
        EXPECT_NE(y, bar1.top - 1) << "the label runs into HS(1) at x " << x;
      }
    }
  }
  EXPECT_GT(cream, 60);  // 球の数 and the number of balls
  EXPECT_GT(blue, 60);   // ﾌﾞﾚｽｲﾝﾀｰﾊﾞﾙ and the interval
  for (const RECT& box : {creamBox, blueBox}) {
    EXPECT_GE(box.left, panel.left);
    EXPECT_LE(box.right, panel.right) << "a label runs past the panel";
  }
  const char* dir = std::getenv("QX_SCREENSHOT_DIR");
  if (dir && dpi == 144) {
    Image picture(client.right, client.bottom);
    for (int y = 0; y < client.bottom; ++y)
      for (int x = 0; x < client.right; ++x) picture.At(x, y) = shot.At(o.x + x, o.y + y);
    SaveBmp(picture, std::filesystem::path(dir) / "dialog-144dpi.bmp");
  }

  // The scaled bar and the scaled Set button work as at 100 %.
  dialog.ClickAt(dialog.BarPoint(0, 5));
  EXPECT_EQ(dialog.BarOnceItIs(0, 61), 61);
  dialog.ClickAt(ScaledPoint(kSetButton, dpi));
  EXPECT_TRUE(dialog.Closed());
  ExpectStored(folder.ini(), 61, 300);
}

// At 125, 150 and 200 % the dialog is the 100 % dialog scaled as one piece.
TEST(DialogScaleE2E, AtEveryScaleTheDialogIsScaledAsOnePieceAndSetSaves) {
  const struct { int dpi, width, height; } cases[] = {
      {120, 599, 378}, {144, 719, 453}, {192, 958, 604}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dpi);
    ExpectScaledDialog(c.dpi, c.width, c.height);
  }
}

TEST(DialogScaleE2E, ADpiChangeTakesTheSuggestedRectangleAndTheNewScale) {
  TempFolder folder;
  OpenDialog dialog(folder);
  ASSERT_TRUE(dialog.hwnd());
  const RECT suggested{40, 60, 40 + 958, 60 + 604};
  ASSERT_TRUE(SendDpiChanged(dialog.hwnd(), dialog.process().Pid(), 192, suggested));
  RECT window;
  EXPECT_TRUE(WaitUntil([&] {
    GetWindowRect(dialog.hwnd(), &window);
    return EqualRect(&window, &suggested);
  }))
      << window.left << "," << window.top << "," << window.right << "," << window.bottom;
  ExpectBarsScaled(dialog, 192);
  // The hot areas moved with the controls: the hand is on the scaled close
  // box, not where it was at 100 %.
  const HCURSOR arrow = CursorOver(dialog, ScaledPoint(kPictureArea, 192));
  EXPECT_NE(CursorOver(dialog, ScaledPoint(kCloseBox, 192)), arrow);
  EXPECT_EQ(CursorOver(dialog, kCloseBox), arrow);
  dialog.ClickAt(ScaledPoint(kSetButton, 192));
  EXPECT_TRUE(dialog.Closed());
  const auto file = ReadFileBytes(folder.ini());
  ASSERT_TRUE(file);
  EXPECT_EQ(StoredNumber(*file, kKeyBalls), 60);
}

TEST(DialogScaleE2E, DuringATitleBarDragADpiChangeKeepsTheGrabPointUnderTheCursor) {
  TempFolder folder;
  OpenDialog dialog(folder);
  ASSERT_TRUE(dialog.hwnd());
  RECT start;
  GetWindowRect(dialog.hwnd(), &start);
  const POINT grab = dialog.Screen(kTitleBar);  // the point (200, 10) of the dialog
  PlaceCursor(grab.x, grab.y);
  MouseDown(Button::kLeft);
  ASSERT_TRUE(dialog.Captured());
  MouseMoveTo(grab.x + 20, grab.y + 10);
  RECT window;
  ASSERT_TRUE(WaitUntil([&] {
    GetWindowRect(dialog.hwnd(), &window);
    return window.left == start.left + 20 && window.top == start.top + 10;
  })) << "the drag did not start";
  const RECT suggested{start.left + 20, start.top + 10, start.left + 20 + 719,
                       start.top + 10 + 453};
  ASSERT_TRUE(SendDpiChanged(dialog.hwnd(), dialog.process().Pid(), 144, suggested));
  MouseMoveTo(grab.x + 30, grab.y + 16);
  // The grab point, (200, 10) of the dialog, is (300, 15) at 150 %.
  EXPECT_TRUE(WaitUntil([&] {
    GetWindowRect(dialog.hwnd(), &window);
    return window.left == grab.x + 30 - 300 && window.top == grab.y + 16 - 15;
  })) << "at " << window.left << "," << window.top;
  EXPECT_EQ(window.right - window.left, 719);
  EXPECT_EQ(window.bottom - window.top, 453);
  MouseUp(Button::kLeft);
  PostMessageW(dialog.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(dialog.Closed());
}

TEST(DialogScaleE2E, TheManifestAsksForPerMonitorAwarenessVersionTwo) {
  const std::wstring scr = ScrPath().wstring();
  ACTCTXW ctx{};
  ctx.cbSize = sizeof ctx;
  ctx.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  ctx.lpSource = scr.c_str();
  ctx.lpResourceName = MAKEINTRESOURCEW(1);
  HANDLE actCtx = CreateActCtxW(&ctx);
  ASSERT_NE(actCtx, INVALID_HANDLE_VALUE);
  auto setting = [&](const wchar_t* ns, const wchar_t* name) {
    wchar_t buffer[128] = {};
    SIZE_T written = 0;
    if (!QueryActCtxSettingsW(0, actCtx, ns, name, buffer, 128, &written)) return std::wstring();
    return std::wstring(buffer);
  };
  const std::wstring awareness =
      setting(L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness");
  const std::wstring aware =
      setting(L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware");
  ReleaseActCtx(actCtx);
  // Version 2 first, then the older per-monitor form; systems that know
  // neither read "true/pm".
  EXPECT_EQ(awareness.substr(0, awareness.find(L',')), L"PerMonitorV2");
  EXPECT_NE(awareness.find(L"PerMonitor", awareness.find(L',')), std::wstring::npos);
  EXPECT_EQ(aware, L"true/pm");
}

}  // namespace
}  // namespace qx::e2e
