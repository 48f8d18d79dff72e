// The saver form's host in a web page: the form's surface goes to a canvas
// that fills the browser window in device pixels. Each present writes only
// the changed rectangles into the canvas and then yields to the browser, so
// that the page stays responsive through a melt too. Frames are paced by the
// form's own sleeps, which are timers. While the tab is hidden nothing is
// drawn and the form waits for it to show again. A new window size is taken,
// through the form's ScreenChanged, once it has held for one timer tick.
//
// A page is not a saver: keys and clicks reach no handler of the form, and
// there is no password.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "saver/quendelrix_s.h"
#include "saver/saver_host.h"
#include "startup/system_helpers.h"

namespace qx::web {

class WebSaverHost final : public SaverHost {
 public:
  // `seed`, when given, replaces the time of day the form reseeds from.
  explicit WebSaverHost(std::optional<float> seed);
  // The form told about size changes.
  void SetForm(Quendelrix_S* form) { form_ = form; }

  ScreenMetrics Screen() override;
  void PlaceWindow(int x, int y, int width, int height) override;
  void ShowTopMost() override {}
  void Present(const Image& surface, std::span<const Rect> changed) override;
  // The browser's events are handled whenever the host yields (each present
  // and each sleep); the form reads their outcome from the page's state.
  void PumpMessages() override {}
  bool DisplayOff() override;
  void WaitForMessages() override;
  void Sleep(int milliseconds) override;
  float SecondsSinceMidnight() override;
  int32_t ShowCursor(bool show) override;
  int32_t VerifyScreenSavePassword() override { return 1; }
  SystemCalls& System() override { return system_; }
  void DestroyWindow() override {}
  [[noreturn]] void EndProgram() override;

 private:
  struct Size {
    int width = 0, height = 0;
    friend bool operator==(const Size&, const Size&) = default;
  };

  // Sets the scene up again when the window has kept a new size since the
  // last tick.
  void TakeNewSize();

  std::optional<float> seed_;
  Quendelrix_S* form_ = nullptr;
  NullSystemCalls system_;
  Size scene_;                   // the size the form's scene was built for
  std::optional<Size> pending_;  // a new size seen at the last tick
  // The surface as canvas pixels (red, green, blue, alpha).
  std::vector<uint8_t> canvasPixels_;
  // The canvas does not show the surface: the next present writes all of it.
  bool stale_ = true;
  int32_t cursorCount_ = 0;
};

}  // namespace qx::web
