// The full-screen saver on the screens a user has: the whole virtual screen
// in physical pixels at any scale, every screenshot exactly a frame the
// portable form composes, the session's end, a display that sleeps, and
// (on a three-monitor layout) every monitor covered.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>
#include <optional>
#include <string>
#include <vector>

#include "saver/quendelrix_s.h"
#include "saver/windowless_host.h"
#include "startup/window_titles.h"
#include "tests/e2e/harness.h"

namespace qx::e2e {
namespace {

// No melt while a test runs: the first ball phase lasts minutes.
constexpr int kLongInterval = 32767;
constexpr int kDefaultBalls = 60;
// Frames of the first ball phase a test compares with at most.
constexpr int kMaxFrames = 4000;

uint64_t Fingerprint(const Image& img) {
  uint64_t h = 1469598103934665603ULL;
  for (size_t i = 0; i < img.PixelCount(); ++i) {
    h = (h ^ (img.Data()[i] & 0x00FFFFFFu)) * 1099511628211ULL;
  }
  return h;
}

// The first ball phase as the portable form composes it for a screen of
// the given size: the scene is the same at every start, so the saver on the
// screen must show exactly these frames.
class FirstBallPhase {
 public:
  FirstBallPhase(int width, int height, int balls)
      : host_(width, height), form_(host_, values_) {
    values_.BallCount = static_cast<int16_t>(balls);
    values_.Interval = kLongInterval;
    form_.SetUpScene();
  }
  // The number of the frame equal to `shot` among frames `from` to `last`
  // (numbered from 0); nullopt when none is.
  std::optional<int> FrameShowing(const Image& shot, int from, int last) {
    const uint64_t want = Fingerprint(shot);
    for (int n = from; n <= last; ++n) {
      while (static_cast<int>(frames_.size()) <= n) {
        form_.DrawFrame();
        frames_.push_back(Fingerprint(form_.Display()));
      }
      if (frames_[n] == want) return n;
    }
    return std::nullopt;
  }

 private:
  ModuleValues values_;
  WindowlessSaverHost host_;
  Quendelrix_S form_;
  std::vector<uint64_t> frames_;
};

// The frame of frames 0 to `last` nearest to `shot`: its number, how many
// pixels differ and their bounding box, for a failure message.
std::string NearestFrame(const Image& shot, int last) {
  ModuleValues values;
  values.BallCount = kDefaultBalls;
  values.Interval = kLongInterval;
  WindowlessSaverHost host(shot.Width(), shot.Height());
  Quendelrix_S form(host, values);
  form.SetUpScene();
  size_t best = shot.PixelCount() + 1;
  std::string text;
  for (int n = 0; n <= last; ++n) {
    form.DrawFrame();
    const Image& f = form.Display();
    if (f.Width() != shot.Width() || f.Height() != shot.Height()) {
      return "the form's surface is " + std::to_string(f.Width()) + "x" +
             std::to_string(f.Height());
    }
    size_t diff = 0;
    RECT box{shot.Width(), shot.Height(), -1, -1};
    for (int y = 0; y < f.Height(); ++y) {
      for (int x = 0; x < f.Width(); ++x) {
        if (f.At(x, y) == shot.At(x, y)) continue;
        ++diff;
        box = RECT{std::min<LONG>(box.left, x), std::min<LONG>(box.top, y),
                   std::max<LONG>(box.right, x + 1), std::max<LONG>(box.bottom, y + 1)};
      }
    }
    if (diff < best) {
      best = diff;
      text = "nearest frame " + std::to_string(n) + ": " + std::to_string(diff) +
             " pixels differ in (" + std::to_string(box.left) + "," +
             std::to_string(box.top) + ")-(" + std::to_string(box.right) + "," +
             std::to_string(box.bottom) + ")";
    }
  }
  return text;
}

struct RunningSaver {
  ScrProcess process;
  HWND window = nullptr;
  ULONGLONG launched = 0;
};
// The saver, once its window is shown and placed and it animates.
RunningSaver StartSaver(const TempFolder& folder) {
  RunningSaver s{ScrProcess::Start(folder.scr, L"/s"), nullptr, GetTickCount64()};
  s.window = WaitForWindow(kSaverTitle, kCeiling);
  if (s.window && !(WaitUntil([&] { return IsWindowVisible(s.window); }) &&
                    WaitForChanges(VirtualScreenRect(), 1, &s.process))) {
    s.window = nullptr;
  }
  return s;
}

RECT WindowRect(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return r;
}
bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right &&
         a.bottom == b.bottom;
}
std::string Describe(const RECT& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" +
         std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

// Saves a screenshot that matched no frame, for looking at.
void KeepShot(const Image& shot, const char* name, int last) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const auto file = std::filesystem::path(temp) /
                    (L"qx-unmatched-" + std::wstring(name, name + strlen(name)) + L".bmp");
  SaveBmp(shot, file);
  ADD_FAILURE() << name << ": a screenshot matched no frame of the first ball phase ("
                << NearestFrame(shot, last) << "); saved as " << file.string();
}

// While the saver started at `launched` (GetTickCount64) runs, `shots`
// screenshots of the whole virtual screen, each exactly one frame of the
// first ball phase, each later shot a later frame: before each shot the
// screen has changed since the last. A frame takes at least its 10 ms
// sleep, which bounds the frames to search. Wine copies a large window to
// the X server, and reads the screen back, in more than one piece, so now
// and then a screenshot holds the top of one frame and the bottom of the
// next: each shot is taken kTries times in a row, and one of them must be a
// frame. A stale or missing ball shows in all of them.
void ExpectShotsAreFrames(ULONGLONG launched, int shots, const char* name) {
  constexpr int kTries = 3;
  const RECT v = VirtualScreenRect();
  // Shots first, so that computing frames does not slow the saver down.
  struct Shot {
    Image image;
    int last = 0;  // the last frame it can show
  };
  std::vector<std::vector<Shot>> taken(static_cast<size_t>(shots));
  for (auto& tries : taken) {
    ASSERT_TRUE(WaitForChanges(v, 1)) << name << ": the animation stands still";
    for (int t = 0; t < kTries; ++t) {
      Image image = CaptureScreenArea(v);
      tries.push_back({std::move(image),
                       static_cast<int>((GetTickCount64() - launched) / 10) + 10});
    }
  }
  FirstBallPhase phase(v.right - v.left, v.bottom - v.top, kDefaultBalls);
  int from = 0;
  for (const auto& tries : taken) {
    std::optional<int> frame;
    for (const Shot& shot : tries) {
      if ((frame = phase.FrameShowing(shot.image, from, shot.last))) break;
    }
    if (!frame) {
      KeepShot(tries.back().image, name, tries.back().last);
      return;
    }
    from = *frame;
  }
}

class SaverScreenE2E : public testing::Test {
 protected:
  void SetUp() override {
    PlaceCursor(GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2);
  }
  TempFolder folder_;
};

// At 100 % and at 150 % scaling the window covers the virtual screen in
// physical pixels, and what it shows is, pixel for pixel, the scene the form
// sets up for that many pixels: no stale ball, no missing part.
TEST_F(SaverScreenE2E, ShowsExactlyTheFormsFramesOverTheWholeScreenAtEveryScale) {
  ASSERT_TRUE(WriteSaverSettings(folder_, kDefaultBalls, kLongInterval));
  for (DWORD dpi : {96u, 144u}) {
    ScopedLogPixels scale(dpi);
    const std::string name = "dpi" + std::to_string(dpi);
    auto s = StartSaver(folder_);
    ASSERT_TRUE(s.window) << name;
    EXPECT_TRUE(SameRect(WindowRect(s.window), VirtualScreenRect()))
        << name << ": window " << Describe(WindowRect(s.window)) << ", screen "
        << Describe(VirtualScreenRect());
    ExpectShotsAreFrames(s.launched, 5, name.c_str());
    EXPECT_TRUE(s.process.Running()) << name;
  }
}

// Sends a message and waits until the saver has handled it (it does so in
// its next pass through its messages, however long the frame before takes).
LRESULT Send(HWND window, UINT msg, WPARAM w, LPARAM l, bool* delivered = nullptr) {
  DWORD_PTR result = 0;
  const LRESULT ok = SendMessageTimeoutW(window, msg, w, l, SMTO_NORMAL, kCeiling, &result);
  if (delivered) *delivered = ok != 0;
  return static_cast<LRESULT>(result);
}

RECT ScreenRect() {
  return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

// The saver shows new frames.
bool Animating() { return WaitForChanges(ScreenRect(), kFramesPastInput); }

// A log-off that is asked for and then cancelled leaves the saver running;
// one that happens ends it.
TEST_F(SaverScreenE2E, TheSessionsEndIsAgreedToAndEndsItOnlyWhenItComes) {
  auto s = StartSaver(folder_);
  ASSERT_TRUE(s.window);
  bool delivered = false;
  EXPECT_EQ(Send(s.window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, &delivered), TRUE);
  EXPECT_TRUE(delivered);
  EXPECT_TRUE(Animating()) << "frames stopped after the query";
  Send(s.window, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
  EXPECT_TRUE(Animating()) << "frames stopped after a cancelled end";
  ASSERT_TRUE(s.process.Running());
  Send(s.window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  EXPECT_TRUE(s.process.WaitForExit(kCeiling)) << "the session ended, the saver did not";
  EXPECT_EQ(s.process.ExitCode().value_or(99), 0u);
  EXPECT_EQ(FindTopWindow(kSaverTitle), nullptr);
}

// A POWERBROADCAST_SETTING of the console display's state, written into the
// saver's memory: the pointer a WM_POWERBROADCAST carries must point there.
class RemoteDisplayState {
 public:
  explicit RemoteDisplayState(DWORD pid)
      : process_(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid)) {
    if (process_) {
      memory_ = VirtualAllocEx(process_, nullptr, kSize, MEM_COMMIT | MEM_RESERVE,
                               PAGE_READWRITE);
    }
  }
  ~RemoteDisplayState() {
    if (memory_) VirtualFreeEx(process_, memory_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  RemoteDisplayState(const RemoteDisplayState&) = delete;
  RemoteDisplayState& operator=(const RemoteDisplayState&) = delete;

  // Sends the saver the display state 0 off, 1 on, 2 dimmed.
  void Send(HWND window, DWORD state) {
    unsigned char bytes[kSize] = {};
    auto* setting = reinterpret_cast<POWERBROADCAST_SETTING*>(bytes);
    setting->PowerSetting = GUID_CONSOLE_DISPLAY_STATE;
    setting->DataLength = sizeof(DWORD);
    std::memcpy(setting->Data, &state, sizeof state);
    SIZE_T written = 0;
    ASSERT_TRUE(memory_ && WriteProcessMemory(process_, memory_, bytes, kSize, &written));
    bool delivered = false;
    EXPECT_EQ(qx::e2e::Send(window, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE,
                            reinterpret_cast<LPARAM>(memory_), &delivered),
              TRUE);
    EXPECT_TRUE(delivered);
  }

 private:
  static constexpr size_t kSize = sizeof(POWERBROADCAST_SETTING) + sizeof(DWORD);
  HANDLE process_ = nullptr;
  void* memory_ = nullptr;
};

// While the system reports the display off, through either message, the
// picture on the screen stands still; on again (or dimmed, which still
// shows the picture) the balls move on. Input still ends the saver while it
// waits. Standing still means: no change for twice as long as the saver
// took for three new frames just before, however fast this machine is now.
TEST_F(SaverScreenE2E, NothingIsPresentedWhileTheDisplayIsOff) {
  auto s = StartSaver(folder_);
  ASSERT_TRUE(s.window);
  RemoteDisplayState state(s.process.Pid());
  auto monitorPower = [&](LPARAM l) { Send(s.window, WM_SYSCOMMAND, SC_MONITORPOWER, l); };
  const struct {
    const char* name;
    std::function<void()> off, on;
  } cases[] = {
      {"monitor power", [&] { monitorPower(2); }, [&] { monitorPower(-1); }},
      {"monitor low power counts as on", [&] { monitorPower(2); }, [&] { monitorPower(1); }},
      {"display state", [&] { state.Send(s.window, 0); }, [&] { state.Send(s.window, 1); }},
      {"display dimmed counts as on", [&] { state.Send(s.window, 0); },
       [&] { state.Send(s.window, 2); }},
  };
  for (const auto& c : cases) {
    const ULONGLONG start = GetTickCount64();
    ASSERT_TRUE(Animating()) << c.name << ": not animating before";
    const DWORD threeFrames = static_cast<DWORD>(GetTickCount64() - start);
    c.off();
    EXPECT_TRUE(WaitForStill(ScreenRect(), 2 * threeFrames))
        << c.name << ": frames went on while off";
    ASSERT_TRUE(s.process.Running()) << c.name;
    c.on();
    EXPECT_TRUE(Animating()) << c.name << ": frames did not come back";
  }
  monitorPower(2);
  PressKey(VK_SPACE);
  EXPECT_TRUE(s.process.WaitForExit(kCeiling)) << "a key did not end it while off";
}

// ---- Three monitors, one left of the primary (run on that layout only) ----

std::vector<RECT> Monitors() {
  std::vector<RECT> out;
  EnumDisplayMonitors(
      nullptr, nullptr,
      [](HMONITOR, HDC, LPRECT r, LPARAM list) -> BOOL {
        reinterpret_cast<std::vector<RECT>*>(list)->push_back(*r);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&out));
  return out;
}

class SaverLayoutE2E : public SaverScreenE2E {
 protected:
  void SetUp() override {
    SaverScreenE2E::SetUp();
    monitors_ = Monitors();
    ASSERT_EQ(monitors_.size(), 3u) << "needs the three-monitor layout";
    ASSERT_LT(VirtualScreenRect().left, 0) << "needs a monitor left of the primary";
  }
  std::vector<RECT> monitors_;
};

// The root window's colour (xsetroot) that shows wherever no window covers.
constexpr Pixel kRootColour = Rgb(0, 255, 0);

TEST_F(SaverLayoutE2E, CoversEveryMonitorWithBallsOnBlack) {
  auto s = StartSaver(folder_);
  ASSERT_TRUE(s.window);
  EXPECT_TRUE(SameRect(WindowRect(s.window), VirtualScreenRect()))
      << "window " << Describe(WindowRect(s.window)) << ", screen "
      << Describe(VirtualScreenRect());
  std::vector<size_t> ballPixels(monitors_.size(), 0);
  for (int shot = 0; shot < 8; ++shot) {
    ASSERT_TRUE(WaitForChanges(VirtualScreenRect(), 1)) << "the animation stands still";
    for (size_t m = 0; m < monitors_.size(); ++m) {
      const Image img = CaptureScreenArea(monitors_[m]);
      size_t black = 0, root = 0;
      for (size_t i = 0; i < img.PixelCount(); ++i) {
        black += img.Data()[i] == 0;
        root += img.Data()[i] == kRootColour;
      }
      ballPixels[m] += img.PixelCount() - black;
      EXPECT_EQ(root, 0u) << "monitor " << Describe(monitors_[m]) << " shows the desktop";
      EXPECT_GE(static_cast<double>(black) / img.PixelCount(), 0.3)
          << "monitor " << Describe(monitors_[m]) << " is not mostly black";
    }
  }
  for (size_t m = 0; m < monitors_.size(); ++m) {
    EXPECT_GT(ballPixels[m], 10000u) << "no balls on monitor " << Describe(monitors_[m]);
  }
}

TEST_F(SaverLayoutE2E, ShowsExactlyTheFormsFramesAcrossTheMonitors) {
  ASSERT_TRUE(WriteSaverSettings(folder_, kDefaultBalls, kLongInterval));
  auto s = StartSaver(folder_);
  ASSERT_TRUE(s.window);
  ExpectShotsAreFrames(s.launched, 5, "three-monitors");
}

// The pointer rule on the monitor left of the primary, where screen
// coordinates are negative: a purely horizontal move does not count, a move
// in both directions ends the saver.
TEST_F(SaverLayoutE2E, ThePointerRuleHoldsOnAMonitorLeftOfThePrimary) {
  const RECT left = *std::min_element(monitors_.begin(), monitors_.end(),
                                      [](const RECT& a, const RECT& b) { return a.left < b.left; });
  const int x = (left.left + left.right) / 2, y = (left.top + left.bottom) / 2;
  MouseMoveToVirtual(x, y);
  POINT at{};
  EXPECT_TRUE(WaitUntil([&] { return GetCursorPos(&at) && at.x == x && at.y == y; }))
      << "the cursor is at " << at.x << "," << at.y;
  ASSERT_TRUE(WriteSaverSettings(folder_, kDefaultBalls, kLongInterval));
  auto s = StartSaver(folder_);
  ASSERT_TRUE(s.window);
  // Frames since: the saver has been through its messages.
  ASSERT_TRUE(WaitForChanges(VirtualScreenRect(), kFramesPastInput, &s.process))
      << "the first mouse message ended it";
  MouseMoveToVirtual(x + 100, y);
  ASSERT_TRUE(WaitForChanges(VirtualScreenRect(), kFramesPastInput, &s.process))
      << "a horizontal move ended it";
  MouseMoveToVirtual(x - 50, y + 60);
  EXPECT_TRUE(s.process.WaitForExit(kCeiling));
}

// The primary monitor's mode for the life of the object; the registry's
// mode comes back when it goes.
class PrimaryMode {
 public:
  PrimaryMode(DWORD width, DWORD height) {
    DEVMODEW mode{};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = width;
    mode.dmPelsHeight = height;
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    changed_ = ChangeDisplaySettingsExW(nullptr, &mode, nullptr, 0, nullptr) ==
               DISP_CHANGE_SUCCESSFUL;
  }
  ~PrimaryMode() {
    if (changed_) ChangeDisplaySettingsExW(nullptr, nullptr, nullptr, 0, nullptr);
  }
  PrimaryMode(const PrimaryMode&) = delete;
  PrimaryMode& operator=(const PrimaryMode&) = delete;
  bool changed() const { return changed_; }

 private:
  bool changed_ = false;
};

// A resolution change while the saver runs: the window covers the new
// virtual screen at once, and balls roam the new size on every monitor.
TEST_F(SaverLayoutE2E, ALayoutChangeIsCoveredAtOnce) {
  auto s = StartSaver(folder_);
  ASSERT_TRUE(s.window);
  const RECT before = VirtualScreenRect();
  ASSERT_TRUE(SameRect(WindowRect(s.window), before));
  PrimaryMode mode(800, 600);
  ASSERT_TRUE(mode.changed());
  ASSERT_TRUE(WaitUntil([&] { return !SameRect(VirtualScreenRect(), before); }))
      << "the virtual screen stayed " << Describe(before);
  const RECT after = VirtualScreenRect();
  EXPECT_TRUE(WaitUntil([&] { return SameRect(WindowRect(s.window), after); }))
      << "window " << Describe(WindowRect(s.window)) << ", screen " << Describe(after);
  // The animation goes on over the new screen, with balls on it.
  EXPECT_TRUE(WaitForChanges(after, kFramesPastInput, &s.process))
      << "the saver stopped after the change";
  size_t lit = 0;
  EXPECT_TRUE(WaitUntil([&] {
    const Image img = CaptureScreenArea(after);
    lit = 0;
    for (size_t i = 0; i < img.PixelCount(); ++i) lit += img.Data()[i] != 0;
    return lit > 10000u;
  })) << lit << " lit pixels";
  EXPECT_TRUE(s.process.Running());
}

}  // namespace
}  // namespace qx::e2e
