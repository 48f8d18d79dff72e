// A recording stand-in for the saver window: every call the form makes is
// written down as one line, and a test can run code inside any yield, wait
// or present. It keeps the picture a window would show: each present copies
// only its rectangles of the surface.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/raster.h"
#include "saver/saver_host.h"

namespace qx::testing_support {

// What EndProgram throws, so that a test sees the program end and no code
// of the form runs after it.
struct ProgramEnded {};

class FakeSystemCalls final : public SystemCalls {
 public:
  explicit FakeSystemCalls(std::vector<std::string>& log) : log_(log) {}
  uint32_t platformId = kVerPlatformWin32Nt;

  int SetSystemParameter(uint32_t action, uint32_t uiParam,
                         uint32_t flags) override {
    log_.push_back("SystemParameter " + std::to_string(action) + " " +
                   std::to_string(uiParam) + " " + std::to_string(flags));
    return 1;
  }
  VersionAnswer QueryVersion() override {
    log_.push_back("QueryVersion");
    return VersionAnswer{1, platformId};
  }
  bool GetWindowRect(WindowHandle, Rect&) override { return false; }
  void DrawAnimatedRects(WindowHandle, int, const Rect&, const Rect&) override {}

 private:
  std::vector<std::string>& log_;
};

class FakeSaverHost final : public SaverHost {
 public:
  FakeSaverHost(int widthPixels = 1024, int heightPixels = 768)
      : screen(ScreenMetrics::FromPixels(widthPixels, heightPixels)) {}

  std::vector<std::string> log;
  FakeSystemCalls system{log};
  ScreenMetrics screen;
  int yields = 0;
  // Runs inside every yield, with the yield's number (1, 2, ...).
  std::function<void(int)> onYield;
  int32_t cursorCounter = -1;
  int32_t passwordAnswer = 1;
  float seconds = 3600.5f;
  // A fingerprint of every presented surface (when fingerprinting is on:
  // it reads every pixel, slow for long runs on large screens).
  std::vector<uint64_t> presented;
  bool fingerprint = true;
  // The rectangles of every present, in order.
  std::vector<std::vector<Rect>> presentedRects;
  // The window's picture. A window of a new size shows kUnpainted until a
  // present covers it.
  static constexpr Pixel kUnpainted = 0xDEADBEEF;
  Image shown;
  // Runs inside every present, after the window's picture was updated.
  std::function<void(const Image&, std::span<const Rect>)> onPresent;
  // The display's power state as the system reports it.
  bool displayOff = false;
  int waits = 0;
  // Runs inside every wait for messages, with its number (1, 2, ...),
  // before the wait dispatches the messages that ended it.
  std::function<void(int)> onWait;

  ScreenMetrics Screen() override { return screen; }
  void PlaceWindow(int x, int y, int w, int h) override {
    log.push_back("PlaceWindow " + std::to_string(x) + " " + std::to_string(y) +
                  " " + std::to_string(w) + " " + std::to_string(h));
  }
  void ShowTopMost() override { log.push_back("ShowTopMost"); }
  void Present(const Image& surface, std::span<const Rect> changed) override {
    log.push_back("Present");
    if (fingerprint) presented.push_back(Fingerprint(surface));
    presentedRects.emplace_back(changed.begin(), changed.end());
    if (shown.Width() != surface.Width() || shown.Height() != surface.Height()) {
      shown = Image(surface.Width(), surface.Height(), kUnpainted);
    }
    for (const Rect& r : changed) {
      CopyBlock(shown, r.left, r.top, r.right - r.left, r.bottom - r.top,
                surface, r.left, r.top);
    }
    if (onPresent) onPresent(surface, changed);
  }
  static uint64_t Fingerprint(const Image& image) {
    uint64_t h = 1469598103934665603ULL;
    for (size_t i = 0; i < image.PixelCount(); ++i) {
      h = (h ^ image.Data()[i]) * 1099511628211ULL;
    }
    return h;
  }
  void PumpMessages() override {
    log.push_back("Yield");
    ++yields;
    if (onYield) onYield(yields);
  }
  bool DisplayOff() override { return displayOff; }
  void WaitForMessages() override {
    log.push_back("Wait");
    if (++waits > 100000) throw std::runtime_error("waits for ever");
    if (onWait) onWait(waits);
    PumpMessages();
  }
  void Sleep(int ms) override { log.push_back("Sleep " + std::to_string(ms)); }
  float SecondsSinceMidnight() override {
    log.push_back("SecondsSinceMidnight");
    return seconds;
  }
  int32_t ShowCursor(bool show) override {
    cursorCounter += show ? 1 : -1;
    log.push_back(std::string("ShowCursor ") + (show ? "true" : "false"));
    return cursorCounter;
  }
  int32_t VerifyScreenSavePassword() override {
    log.push_back("VerifyScreenSavePassword");
    return passwordAnswer;
  }
  SystemCalls& System() override { return system; }
  void DestroyWindow() override { log.push_back("DestroyWindow"); }
  void EndProgram() override {
    log.push_back("EndProgram");
    throw ProgramEnded{};
  }

  int Count(const std::string& call) const {
    int n = 0;
    for (const auto& l : log) n += l == call;
    return n;
  }
};

}  // namespace qx::testing_support
