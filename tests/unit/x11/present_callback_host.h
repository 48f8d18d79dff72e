// A saver host with no window that hands every present to a callback, for
// following the form's frames as a window system would receive them. The
// callback may throw to end the run; EndProgram throws Ended.
#pragma once

#include <functional>
#include <span>

#include "saver/saver_host.h"

namespace qx::testing_support {

class PresentCallbackHost final : public SaverHost {
 public:
  struct Ended {};
  using OnPresent = std::function<void(const Image&, std::span<const Rect>)>;

  PresentCallbackHost(int widthPixels, int heightPixels, OnPresent onPresent)
      : width_(widthPixels), height_(heightPixels), onPresent_(std::move(onPresent)) {}

  ScreenMetrics Screen() override {
    return {static_cast<float>(width_) * 15.0f, static_cast<float>(height_) * 15.0f, 15.0f, 15.0f};
  }
  void PlaceWindow(int, int, int, int) override {}
  void ShowTopMost() override {}
  void Present(const Image& surface, std::span<const Rect> changed) override {
    onPresent_(surface, changed);
  }
  void PumpMessages() override {}
  bool DisplayOff() override { return false; }
  void WaitForMessages() override {}
  void Sleep(int) override {}
  float SecondsSinceMidnight() override { return 1234.5f; }
  int32_t ShowCursor(bool) override { return 0; }
  int32_t VerifyScreenSavePassword() override { return 1; }
  SystemCalls& System() override { return system_; }
  void DestroyWindow() override {}
  void EndProgram() override { throw Ended{}; }

 private:
  class NoSystem final : public SystemCalls {
   public:
    int SetSystemParameter(uint32_t, uint32_t, uint32_t) override { return 0; }
    VersionAnswer QueryVersion() override { return {}; }
    bool GetWindowRect(WindowHandle, Rect&) override { return false; }
    void DrawAnimatedRects(WindowHandle, int, const Rect&, const Rect&) override {}
  };

  int width_;
  int height_;
  OnPresent onPresent_;
  NoSystem system_;
};

}  // namespace qx::testing_support
