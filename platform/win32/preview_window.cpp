#include "platform/win32/preview_window.h"

#include <windows.h>

#include <algorithm>

#include "common/numbers.h"
#include "platform/win32/gdi_image.h"
#include "platform/win32/handles.h"
#include "platform/win32/message_pump.h"
#include "platform/win32/win32_system.h"
#include "platform/win32/window_class.h"
#include "resources/resource_ids.h"

namespace qx::win32 {

namespace {

constexpr wchar_t kClassName[] = L"QuendelrixPreviewHost";
constexpr UINT kLifeCheckMs = 250;

struct PreviewHost {
  HWND hwnd = nullptr;
  HWND pane = nullptr;
  Image still;           // Img_Prev's picture at its natural size
  int imageWidth = 0;    // Img_Prev's size in pixels
  int imageHeight = 0;
  bool unloading = false;
};

// The one host of this process, for the thread timer's callback, which
// carries no window.
PreviewHost* g_host = nullptr;

void Paint(PreviewHost& host) {
  PaintDC dc(host.hwnd);
  RECT client;
  GetClientRect(host.hwnd, &client);
  FillRect(dc.get(), &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  // The picture control shows the still from its top-left corner, unscaled,
  // cut to the control's size.
  const int w = std::min(host.imageWidth, host.still.Width());
  const int h = std::min(host.imageHeight, host.still.Height());
  if (w > 0 && h > 0) {
    Image part(w, h);
    for (int y = 0; y < h; ++y) {
      std::copy_n(host.still.Row(y), w, part.Row(y));
    }
    DrawImage(dc.get(), 0, 0, part);
  }
}

// Form_Unload: asks for the owner (the answer is not used), posts a close
// request to the host itself, and the host goes.
void Unload(PreviewHost& host) {
  if (host.unloading) return;
  host.unloading = true;
  GetWindow(host.hwnd, GW_OWNER);
  PostMessageA(host.hwnd, WM_CLOSE, 0, 0);
  DestroyWindow(host.hwnd);
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* host = reinterpret_cast<PreviewHost*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
      break;
    }
    case WM_PAINT:
      if (host) {
        Paint(*host);
        return 0;
      }
      break;
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_CLOSE:
      if (host) {
        Unload(*host);
        return 0;
      }
      break;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// The pane may vanish with its process, without any message reaching the
// host: a thread timer (it lives on when the host's window is gone) checks.
void CALLBACK CheckAlive(HWND, UINT, UINT_PTR, DWORD) {
  if (!g_host) return;
  if (!IsWindow(g_host->pane) || !IsWindow(g_host->hwnd)) PostQuitMessage(0);
}

int TwipsToPixels(int twips, float twipsPerPixel) {
  return ToInt32(static_cast<float>(twips) / twipsPerPixel).value_or(0);
}

}  // namespace

void RunPreview(const PreviewPlacement& placement, float twipsPerPixelX,
                float twipsPerPixelY) {
  HWND pane = ToHwnd(placement.pane);
  // A pane that names no window: there is nothing to show and nobody who
  // would ever close the host.
  if (!pane || !IsWindow(pane)) return;

  PreviewHost host;
  host.pane = pane;
  host.still = LoadImageResource(IDB_PREVIEW);
  host.imageWidth = ToInt32(placement.imageWidth).value_or(0);
  host.imageHeight = ToInt32(placement.imageHeight).value_or(0);

  WindowClassOptions options;
  options.background = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  RegisterWindowClass(kClassName, WndProc, options);

  // The host window exists first, hidden and borderless.
  host.hwnd = CreateWindowExW(0, kClassName, std::wstring(kPreviewTitle).c_str(),
                              WS_POPUP | WS_CLIPCHILDREN, 0, 0, 0, 0, nullptr,
                              nullptr, GetModuleHandleW(nullptr), &host);
  if (!host.hwnd) return;
  g_host = &host;

  // It becomes a child window of the pane. A popup cannot be a child as well (the system would
  // then report no parent), so the popup bit gives way to the child bit.
  LONG style = GetWindowLongA(host.hwnd, GWL_STYLE);
  SetWindowLongA(host.hwnd, GWL_STYLE, (style | WS_CHILD) & ~WS_POPUP);
  SetParent(host.hwnd, pane);
  // It takes the pane's position and size, given in twips.
  MoveWindow(host.hwnd, TwipsToPixels(placement.leftTwips, twipsPerPixelX),
             TwipsToPixels(placement.topTwips, twipsPerPixelY),
             TwipsToPixels(placement.widthTwips, twipsPerPixelX),
             TwipsToPixels(placement.heightTwips, twipsPerPixelY), FALSE);
  // Shown without taking the activation from the settings window.
  ShowWindow(host.hwnd, SW_SHOWNA);

  const UINT_PTR timer = SetTimer(nullptr, 0, kLifeCheckMs, CheckAlive);
  RunMessageLoop();
  KillTimer(nullptr, timer);
  if (IsWindow(host.hwnd)) DestroyWindow(host.hwnd);
  g_host = nullptr;
}

}  // namespace qx::win32
