#include "platform/win32/preview_window.h"

#include <windows.h>

#include <algorithm>
#include <string>

#include "common/numbers.h"
#include "platform/win32/gdi_image.h"
#include "platform/win32/handles.h"
#include "platform/win32/message_pump.h"
#include "platform/win32/win32_system.h"
#include "platform/win32/window_base.h"
#include "resources/resource_ids.h"
#include "startup/window_titles.h"

namespace qx::win32 {

namespace {

constexpr wchar_t kClassName[] = L"QuendelrixPreviewHost";
constexpr UINT kLifeCheckMs = 250;

int TwipsToPixels(int twips, float twipsPerPixel) {
  return ToInt32(static_cast<float>(twips) / twipsPerPixel).value_or(0);
}

// The host form: a borderless black window holding the still picture, a
// child of the pane it shows in.
class PreviewWindow final : public WindowBase {
 public:
  PreviewWindow(const PreviewPlacement& placement, HWND pane)
      : pane_(pane),
        still_(LoadImageResource(IDB_PREVIEW)),
        imageWidth_(ToInt32(placement.imageWidth).value_or(0)),
        imageHeight_(ToInt32(placement.imageHeight).value_or(0)) {}

  // Makes the window, puts it into the pane at the pane's size and shows
  // it, then runs until the host is closed or its pane is gone.
  void Run(const PreviewPlacement& placement, float twipsPerPixelX, float twipsPerPixelY);

 private:
  LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM w, LPARAM l) override;
  void Paint();
  void Unload();

  HWND pane_;
  Image still_;      // Img_Prev's picture at its natural size
  int imageWidth_;   // Img_Prev's size in pixels
  int imageHeight_;
  bool unloading_ = false;
};

void PreviewWindow::Run(const PreviewPlacement& placement, float twipsPerPixelX,
                        float twipsPerPixelY) {
  // The host window exists first, hidden and borderless.
  WindowClassOptions options;
  options.background = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  const std::wstring title(kPreviewTitle);
  if (!CreateWindowOf(kClassName, options, 0, title.c_str(), WS_POPUP | WS_CLIPCHILDREN, 0, 0,
                      0, 0)) {
    return;
  }
  const HWND hwnd = Hwnd();

  // It becomes a child window of the pane. A popup cannot be a child as well (the system would
  // then report no parent), so the popup bit gives way to the child bit.
  LONG style = GetWindowLongA(hwnd, GWL_STYLE);
  SetWindowLongA(hwnd, GWL_STYLE, (style | WS_CHILD) & ~WS_POPUP);
  SetParent(hwnd, pane_);
  // It takes the pane's position and size, given in twips.
  MoveWindow(hwnd, TwipsToPixels(placement.leftTwips, twipsPerPixelX),
             TwipsToPixels(placement.topTwips, twipsPerPixelY),
             TwipsToPixels(placement.widthTwips, twipsPerPixelX),
             TwipsToPixels(placement.heightTwips, twipsPerPixelY), FALSE);
  // Shown without taking the activation from the settings window.
  ShowWindow(hwnd, SW_SHOWNA);

  // The pane may vanish with its process, without any message reaching the
  // host: a timer of the thread, which lives on when the host's window is
  // gone, checks.
  const ThreadTimer lifeCheck(kLifeCheckMs);
  RunMessageLoop(lifeCheck, [this] {
    if (!IsWindow(pane_) || !Hwnd()) PostQuitMessage(0);
  });
}

void PreviewWindow::Paint() {
  PaintDC dc(Hwnd());
  RECT client;
  GetClientRect(Hwnd(), &client);
  FillRect(dc.get(), &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  // The picture control shows the still from its top-left corner, unscaled,
  // cut to the control's size.
  const int w = std::min(imageWidth_, still_.Width());
  const int h = std::min(imageHeight_, still_.Height());
  if (w > 0 && h > 0) {
    Image part(w, h);
    for (int y = 0; y < h; ++y) {
      std::copy_n(still_.Row(y), w, part.Row(y));
    }
    DrawImage(dc.get(), 0, 0, part);
  }
}

// Form_Unload: asks for the owner (the answer is not used), posts a close
// request to the host itself, and the host goes.
void PreviewWindow::Unload() {
  if (unloading_) return;
  unloading_ = true;
  GetWindow(Hwnd(), GW_OWNER);
  PostMessageA(Hwnd(), WM_CLOSE, 0, 0);
  DestroyWindow(Hwnd());
}

LRESULT PreviewWindow::OnMessage(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  switch (msg) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_CLOSE:
      Unload();
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, w, l);
}

}  // namespace

void RunPreview(const PreviewPlacement& placement, float twipsPerPixelX,
                float twipsPerPixelY) {
  HWND pane = ToHwnd(placement.pane);
  // A pane that names no window: there is nothing to show and nobody who
  // would ever close the host.
  if (!pane || !IsWindow(pane)) return;
  PreviewWindow host(placement, pane);
  host.Run(placement, twipsPerPixelX, twipsPerPixelY);
}

}  // namespace qx::win32
