// A saver host with no window: the scene is built for a screen of a given
// size and frames are composed, but no input arrives. What a window would
// show is kept in an image of its own: each present copies the changed
// rectangles into it, as a window's present does. The resource generator
// draws the preview still with it, and the benchmarks measure the frame and
// the melt with it, and tests follow the frames through it.
#pragma once

#include <functional>
#include <span>

#include "common/raster.h"
#include "saver/saver_host.h"

namespace qx {

class WindowlessSaverHost final : public SaverHost {
 public:
  WindowlessSaverHost(int widthPixels, int heightPixels)
      : width_(widthPixels), height_(heightPixels) {}

  ScreenMetrics Screen() override {
    return ScreenMetrics::FromPixels(width_, height_);
  }
  void PlaceWindow(int, int, int, int) override {}
  void ShowTopMost() override {}
  void Present(const Image& surface, std::span<const Rect> changed) override {
    if (window_.Width() != surface.Width() || window_.Height() != surface.Height()) {
      window_ = Image(surface.Width(), surface.Height());
    }
    for (const Rect& r : changed) {
      CopyBlock(window_, r.left, r.top, r.right - r.left, r.bottom - r.top,
                surface, r.left, r.top);
    }
    if (onPresent) onPresent(surface, changed);
  }
  void PumpMessages() override {}
  bool DisplayOff() override { return false; }
  void WaitForMessages() override {}
  void Sleep(int) override {}
  float SecondsSinceMidnight() override { return secondsSinceMidnight; }
  int32_t ShowCursor(bool) override { return 0; }
  int32_t VerifyScreenSavePassword() override { return 1; }
  SystemCalls& System() override { return system_; }
  // Called after every present with the surface and its changed rectangles,
  // to follow the frames as a window system receives them; it may throw to
  // end the run.
  std::function<void(const Image&, std::span<const Rect>)> onPresent;
  // The time of day the form reseeds from before each melt.
  float secondsSinceMidnight = 0;
  // What the window shows after the presents so far.
  const Image& Window() const { return window_; }
  void DestroyWindow() override {}
  void EndProgram() override {}

 private:
  int width_;
  int height_;
  NullSystemCalls system_;
  Image window_;
};

}  // namespace qx
