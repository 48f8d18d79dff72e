// The full-screen saver as a user meets it: its window, the moving balls and
// the melt on screen, and every way input, a close request or a second
// instance ends it or leaves it running, on both system families.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "startup/window_titles.h"
#include "tests/e2e/harness.h"

namespace qx::e2e {
namespace {

// Where the cursor waits while the saver starts.
constexpr int kRestX = 400;
constexpr int kRestY = 300;
// A ball phase of minutes: no melt, whose block moves change the screen
// without the saver going through its messages, while a test runs.
constexpr int kNoMeltInterval = 32767;

RECT ScreenRect() {
  return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

// The saver has handled all input sent to it so far: it has shown new
// frames since, going through its messages between them. False when it
// ended instead.
bool HandledInput(const ScrProcess& saver) {
  return WaitForChanges(ScreenRect(), kFramesPastInput, &saver) && saver.Running();
}

// The saver started with the cursor resting at (kRestX, kRestY), once it
// animates: its window is shown, and its first mouse message (the cursor's
// resting place) handled.
struct RunningSaver {
  ScrProcess process;
  HWND window = nullptr;
};
RunningSaver StartSaver(const TempFolder& folder, std::wstring_view args) {
  PlaceCursor(kRestX, kRestY);
  RunningSaver s{ScrProcess::Start(folder.scr, args), nullptr};
  s.window = WaitForWindow(kSaverTitle, kCeiling);
  if (s.window && !HandledInput(s.process)) s.window = nullptr;
  return s;
}

// Top-level windows with the saver's title.
int SaverWindowCount() {
  int count = 0;
  EnumWindows(
      [](HWND hwnd, LPARAM counter) -> BOOL {
        if (WindowTitle(hwnd) == kSaverTitle) ++*reinterpret_cast<int*>(counter);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count;
}

struct ScreenStats {
  size_t colours = 0;
  double blackShare = 0;
};
ScreenStats Stats(const Image& img) {
  std::set<Pixel> colours;
  size_t black = 0;
  for (size_t i = 0; i < img.PixelCount(); ++i) {
    const Pixel p = img.Data()[i] & 0x00FFFFFF;
    colours.insert(p);
    black += p == 0;
  }
  return {colours.size(), static_cast<double>(black) / img.PixelCount()};
}

double ChangedShare(const Image& a, const Image& b) {
  size_t changed = 0;
  for (size_t i = 0; i < a.PixelCount(); ++i) {
    changed += (a.Data()[i] & 0x00FFFFFF) != (b.Data()[i] & 0x00FFFFFF);
  }
  return static_cast<double>(changed) / a.PixelCount();
}

// With one ball on screen: the frame shows that ball whole (a 119 or 89
// square of non-black pixels, symmetric about both axes), or a picture the
// melt has pulled out of shape.
enum class OneBallShot { kBall, kMelted, kOther };
OneBallShot Classify(const Image& img) {
  int left = img.Width(), top = img.Height(), right = -1, bottom = -1;
  for (int y = 0; y < img.Height(); ++y) {
    for (int x = 0; x < img.Width(); ++x) {
      if ((img.At(x, y) & 0x00FFFFFF) == 0) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  if (right < 0) return OneBallShot::kOther;
  if (left == 0 || top == 0 || right == img.Width() - 1 ||
      bottom == img.Height() - 1) {
    return OneBallShot::kOther;  // cut by the screen's edge
  }
  const int w = right - left + 1, h = bottom - top + 1;
  bool symmetric = w == h;
  for (int y = top; symmetric && y <= bottom; ++y) {
    for (int x = left; symmetric && x <= right; ++x) {
      const Pixel p = img.At(x, y) & 0x00FFFFFF;
      symmetric = p == (img.At(right - (x - left), y) & 0x00FFFFFF) &&
                  p == (img.At(x, bottom - (y - top)) & 0x00FFFFFF);
    }
  }
  if (symmetric && (w == 119 || w == 89)) return OneBallShot::kBall;
  // Out of shape, and more than a frame's few pixels of movement can
  // explain (a screen read while a frame was being drawn).
  auto nearSide = [](int n) {
    return (n >= 89 && n <= 97) || (n >= 119 && n <= 127);
  };
  if (!symmetric && (!nearSide(w) || !nearSide(h))) return OneBallShot::kMelted;
  return OneBallShot::kOther;
}

class SaverE2E : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(WriteSaverSettings(folder_, 60, kNoMeltInterval)); }
  void TearDown() override { SetWindowsVersionWin98(false); }
  TempFolder folder_;
};

TEST_F(SaverE2E, OneTopMostBorderlessWindowCoversTheScreen) {
  auto s = StartSaver(folder_, L"/s");
  ASSERT_TRUE(s.window);
  EXPECT_EQ(WindowPid(s.window), s.process.Pid());
  EXPECT_EQ(SaverWindowCount(), 1);
  const LONG style = GetWindowLongW(s.window, GWL_STYLE);
  const LONG exStyle = GetWindowLongW(s.window, GWL_EXSTYLE);
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_TRUE(style & WS_VISIBLE);
  EXPECT_FALSE(style & (WS_CAPTION | WS_BORDER | WS_THICKFRAME | WS_DLGFRAME));
  EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
  RECT r;
  ASSERT_TRUE(GetWindowRect(s.window, &r));
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(r.bottom, GetSystemMetrics(SM_CYSCREEN));
}

// Sixty shaded, mixing balls on a black background.
bool ManyBallsOnBlack(const Image& shot) {
  const ScreenStats stats = Stats(shot);
  return stats.colours >= 200u && stats.blackShare >= 0.25 && stats.blackShare <= 0.95;
}

TEST_F(SaverE2E, ShowsManyColouredBallsMovingOnBlack) {
  // The settings as they come: sixty balls, and a melt now and then.
  std::filesystem::remove(folder_.ini());
  auto s = StartSaver(folder_, L"/s");
  ASSERT_TRUE(s.window);
  Image first;
  ASSERT_TRUE(WaitUntil([&] { return ManyBallsOnBlack(first = CaptureScreen()); }))
      << Stats(first).colours << " colours, " << Stats(first).blackShare << " black";
  // Balls that move change a twentieth of the screen before long.
  Image second;
  EXPECT_TRUE(WaitUntil([&] {
    second = CaptureScreen();
    return ChangedShare(first, second) >= 0.05 && ManyBallsOnBlack(second);
  })) << ChangedShare(first, second) << " of the screen changed";
  EXPECT_TRUE(s.process.Running());
}

TEST_F(SaverE2E, TheMeltDistortsThePictureAfterEachBallPhase) {
  ASSERT_TRUE(WriteSaverSettings(folder_, 0, 20));  // one ball, short ball phases
  auto s = StartSaver(folder_, L"/s");
  ASSERT_TRUE(s.window);
  int balls = 0, melted = 0;
  WaitUntil([&] {
    switch (Classify(CaptureScreen())) {
      case OneBallShot::kBall: ++balls; break;
      case OneBallShot::kMelted: ++melted; break;
      case OneBallShot::kOther: break;
    }
    return balls >= 3 && melted >= 3;
  });
  EXPECT_GE(balls, 3) << "whole-ball frames seen";
  EXPECT_GE(melted, 3) << "melted frames seen";
  EXPECT_TRUE(s.process.Running());
}

TEST_F(SaverE2E, OnlyAMoveThatChangesBothCoordinatesEndsIt) {
  // The window's first mouse message only recorded where the cursor rests.
  auto s = StartSaver(folder_, L"/s");
  ASSERT_TRUE(s.window) << "no saver, or the first mouse message ended it";
  MouseMoveTo(kRestX + 200, kRestY);  // horizontal
  ASSERT_TRUE(HandledInput(s.process)) << "a horizontal move ended it";
  MouseMoveTo(kRestX, kRestY + 150);  // back over the recorded column
  ASSERT_TRUE(HandledInput(s.process)) << "a move to the recorded column ended it";
  ASSERT_TRUE(s.process.Running());
  MouseMoveTo(kRestX + 50, kRestY + 40);
  EXPECT_TRUE(s.process.WaitForExit(kCeiling));
  EXPECT_EQ(FindTopWindow(kSaverTitle), nullptr);
}

TEST_F(SaverE2E, AnyButtonOrKeyEndsIt) {
  const struct {
    const char* name;
    void (*input)();
  } cases[] = {
      {"left button", [] { MouseDown(Button::kLeft); MouseUp(Button::kLeft); }},
      {"right button", [] { MouseDown(Button::kRight); MouseUp(Button::kRight); }},
      {"middle button", [] { MouseDown(Button::kMiddle); MouseUp(Button::kMiddle); }},
      {"letter key", [] { PressKey('A'); }},
      {"shift alone", [] { PressKey(VK_SHIFT); }},
  };
  for (const auto& c : cases) {
    auto s = StartSaver(folder_, L"/s");
    ASSERT_TRUE(s.window) << c.name;
    c.input();
    EXPECT_TRUE(s.process.WaitForExit(kCeiling)) << c.name;
  }
}

TEST_F(SaverE2E, ACloseRequestEndsIt) {
  auto s = StartSaver(folder_, L"/s");
  ASSERT_TRUE(s.window);
  PostMessageW(s.window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(s.process.WaitForExit(kCeiling));
  EXPECT_EQ(FindTopWindow(kSaverTitle), nullptr);
}

TEST_F(SaverE2E, TheTestRunIgnoresThePointerButNotAClick) {
  auto s = StartSaver(folder_, L"");
  ASSERT_TRUE(s.window);
  for (auto [x, y] : {std::pair{kRestX + 100, kRestY + 100}, {50, 60}, {700, 500}}) {
    MouseMoveTo(x, y);
    ASSERT_TRUE(HandledInput(s.process)) << "a pointer move to " << x << "," << y << " ended the test run";
  }
  ASSERT_TRUE(s.process.Running());
  MouseDown(Button::kLeft);
  MouseUp(Button::kLeft);
  EXPECT_TRUE(s.process.WaitForExit(kCeiling));
}

// The lines of a file, once it has `count` of them (the password stand-in
// writes one per call).
std::string LinesOnceThereAre(const std::filesystem::path& file, size_t count) {
  std::string text;
  WaitUntil([&] {
    text = ReadFileBytes(file).value_or("");
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) >= count;
  });
  return text;
}

TEST_F(SaverE2E, TheWindows95FamilyAsksForThePassword) {
  SetWindowsVersionWin98(true);
  ASSERT_TRUE(CopyFileW((DriverFolder() / L"password.cpl").c_str(),
                        (folder_.path / L"password.cpl").c_str(), FALSE));
  const auto answer = folder_.path / L"password_answer.txt";
  const auto calls = folder_.path / L"password_calls.txt";
  ASSERT_TRUE(WriteFileBytes(answer, "0"));
  auto s = StartSaver(folder_, L"/s");
  ASSERT_TRUE(s.window);
  const std::string owner =
      "VerifyScreenSavePwd|" + std::to_string(reinterpret_cast<LONG_PTR>(s.window)) + "\n";

  // Refused: the saver runs on, for a click and for a move.
  MouseDown(Button::kLeft);
  MouseUp(Button::kLeft);
  EXPECT_EQ(LinesOnceThereAre(calls, 1), owner);
  EXPECT_TRUE(HandledInput(s.process)) << "a refused password let it end";
  MouseMoveTo(kRestX + 60, kRestY + 60);
  EXPECT_EQ(LinesOnceThereAre(calls, 2), owner + owner);
  EXPECT_TRUE(HandledInput(s.process)) << "a refused password let it end";
  EXPECT_TRUE(s.process.Running());

  // Passed: the next input ends it.
  ASSERT_TRUE(WriteFileBytes(answer, "1"));
  PressKey(VK_SPACE);
  EXPECT_TRUE(s.process.WaitForExit(kCeiling));
  EXPECT_EQ(ReadFileBytes(calls).value_or(""), owner + owner + owner);
}

// Where the system has no password service there is nothing to check. A
// refusing password.cpl in the current directory is not taken for it.
TEST_F(SaverE2E, TheWindows95FamilyWithoutThePasswordServiceEndsOnInput) {
  SetWindowsVersionWin98(true);
  TempFolder elsewhere;
  ASSERT_TRUE(CopyFileW((DriverFolder() / L"password.cpl").c_str(),
                        (elsewhere.path / L"password.cpl").c_str(), FALSE));
  ASSERT_TRUE(WriteFileBytes(elsewhere.path / L"password_answer.txt", "0"));
  wchar_t previous[MAX_PATH * 2] = {};
  GetCurrentDirectoryW(MAX_PATH * 2, previous);
  ASSERT_TRUE(SetCurrentDirectoryW(elsewhere.path.c_str()));
  auto s = StartSaver(folder_, L"/s");
  SetCurrentDirectoryW(previous);
  ASSERT_TRUE(s.window);
  MouseDown(Button::kLeft);
  MouseUp(Button::kLeft);
  EXPECT_TRUE(s.process.WaitForExit(kCeiling));
  EXPECT_FALSE(std::filesystem::exists(elsewhere.path / L"password_calls.txt"));
}

TEST_F(SaverE2E, ASecondSaverOrDialogEndsAtOnceWhileItRuns) {
  auto s = StartSaver(folder_, L"/s");
  ASSERT_TRUE(s.window);
  for (const wchar_t* args : {L"/s", L"/c", L"/S", L""}) {
    auto second = ScrProcess::Start(folder_.scr, args);
    ASSERT_TRUE(second.Started());
    EXPECT_TRUE(second.WaitForExit(kCeiling)) << std::wstring(args).size();
  }
  EXPECT_TRUE(s.process.Running());
  EXPECT_EQ(SaverWindowCount(), 1);
}

}  // namespace
}  // namespace qx::e2e
