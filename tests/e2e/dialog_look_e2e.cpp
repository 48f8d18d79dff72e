// The settings dialog in high contrast, as the real window paints it: the
// dialog over system calls that report high contrast and colours of the
// test's choosing (look.txt beside the program), switched while it is open
// with the messages the system sends.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/e2e/dialog_driver.h"

namespace qx::e2e {
namespace {

// window, window text, button face, button text, highlight, hot light
using Palette = std::array<Pixel, 6>;
constexpr Palette kBlack = {Rgb(0, 0, 0),     Rgb(255, 255, 255), Rgb(0, 0, 0),
                            Rgb(255, 255, 255), Rgb(26, 235, 255), Rgb(255, 255, 0)};
constexpr Palette kOther = {Rgb(16, 16, 16), Rgb(240, 240, 0),  Rgb(0, 0, 160),
                            Rgb(240, 240, 240), Rgb(0, 192, 192), Rgb(255, 128, 255)};

bool WriteLook(const std::filesystem::path& folder, bool on, const Palette& p) {
  std::string text = on ? "on" : "off";
  for (Pixel c : p) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%02x%02x%02x", RedOf(c), GreenOf(c), BlueOf(c));
    text += std::string(" ") + hex;
  }
  return WriteFileBytes(folder / L"look.txt", text + "\n");
}

// The dialog's client area as the screen shows it, read until `ready`
// holds for it.
struct Shot {
  Image screen;
  POINT origin{};
  Pixel At(int x, int y) const { return screen.At(origin.x + x, origin.y + y); }
  int Count(const RECT& r, Pixel color) const {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) n += At(x, y) == color;
    return n;
  }
};

template <typename F>
bool ShotOnce(HWND hwnd, Shot& shot, F ready) {
  return WaitUntil([&] {
    shot.origin = POINT{0, 0};
    ClientToScreen(hwnd, &shot.origin);
    shot.screen = CaptureScreen();
    return ready(shot);
  });
}

// The photograph is shown: few of its pixels are in any system colour.
bool PhotoShown(const Shot& s, const Palette& p) {
  int inPalette = 0;
  for (Pixel c : p) inPalette += s.Count(RECT{30, 50, 330, 230}, c);
  return inPalette < 300 * 180 / 10;
}

// Every place of the chrome in its system colour; the photograph its own.
void ExpectPainted(const Shot& s, const Palette& p) {
  const auto [window, text, face, buttonText, highlight, hot] = p;
  EXPECT_EQ(s.At(5, 151), window);         // the dialog's ground
  EXPECT_EQ(s.At(0, 151), text);           // its frame
  EXPECT_EQ(s.At(300, 21), text);          // the title bar's lower edge
  EXPECT_EQ(s.At(452, 140), window);       // the panel's ground
  EXPECT_EQ(s.At(356, 140), text);         // its frame
  EXPECT_EQ(s.At(367, 183), face);         // Set's face
  EXPECT_EQ(s.At(365, 190), buttonText);   // and its frame
  EXPECT_EQ(s.At(367, 211), face);         // Cancel's face
  EXPECT_EQ(s.At(458, 6), face);           // the close box
  EXPECT_EQ(s.At(456, 10), buttonText);
  EXPECT_EQ(s.At(363, 77), highlight);     // the focus around HS(0)
  EXPECT_EQ(s.At(447, 77), highlight);
  EXPECT_GT(s.Count(RECT{20, 272, 234, 285}, hot), 40) << "the link";
  EXPECT_GT(s.Count(RECT{365, 53, 420, 66}, text), 15) << "球の数";
  EXPECT_GT(s.Count(RECT{365, 185, 446, 202}, buttonText), 15) << "設定";
  EXPECT_GT(s.Count(RECT{20, 252, 200, 265}, text), 40) << "the version line";
  EXPECT_TRUE(PhotoShown(s, p)) << "the photograph is gone";
}

TEST(DialogLookE2E, HighContrastPaintsInTheSystemColoursAndFollowsItsChanges) {
  TempFolder folder;
  const std::filesystem::path host = folder.path / L"dialog_look.exe";
  ASSERT_TRUE(CopyFileW(FromUnixPath(QX_LOOK_HOST_PATH).c_str(), host.c_str(), FALSE));
  ASSERT_TRUE(WriteLook(folder.path, true, kBlack));
  auto process = ScrProcess::Start(host, L"");
  ASSERT_TRUE(process.Started());
  const HWND hwnd = WaitForWindow(kDialogTitle, kCeiling);
  ASSERT_TRUE(hwnd);
  ASSERT_TRUE(WaitUntil([&] { return FocusOf(hwnd) != nullptr; }));

  Shot shot;
  EXPECT_TRUE(ShotOnce(hwnd, shot, [&](const Shot& s) {
    return s.At(363, 77) == kBlack[4] && s.At(5, 151) == kBlack[0] && PhotoShown(s, kBlack);
  })) << "no high-contrast dialog with the focus on HS(0) and the photograph";
  ExpectPainted(shot, kBlack);
  if (const char* dir = std::getenv("QX_SCREENSHOT_DIR")) {
    Image picture(479, 302);
    for (int y = 0; y < 302; ++y)
      for (int x = 0; x < 479; ++x) picture.At(x, y) = shot.At(x, y);
    SaveBmp(picture, std::filesystem::path(dir) / "dialog-high-contrast.bmp");
  }

  // High contrast off, as the system announces it: the skin comes back.
  ASSERT_TRUE(WriteLook(folder.path, false, kBlack));
  DWORD_PTR answer = 0;
  SendMessageTimeoutW(hwnd, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0, SMTO_ABORTIFHUNG,
                      kCeiling, &answer);
  EXPECT_TRUE(ShotOnce(hwnd, shot, [](const Shot& s) {
    return s.At(5, 151) == Rgb(220, 220, 250) && s.At(452, 140) == Rgb(220, 220, 250);
  })) << "the skin did not come back";

  // On again with other colours, announced as a colour change.
  ASSERT_TRUE(WriteLook(folder.path, true, kOther));
  SendMessageTimeoutW(hwnd, WM_SYSCOLORCHANGE, 0, 0, SMTO_ABORTIFHUNG, kCeiling, &answer);
  EXPECT_TRUE(ShotOnce(hwnd, shot, [](const Shot& s) {
    return s.At(5, 151) == kOther[0] && s.At(367, 183) == kOther[2] && PhotoShown(s, kOther);
  })) << "the new colours were not painted";
  ExpectPainted(shot, kOther);

  // The keys work as ever: Esc closes without saving.
  SetForegroundWindow(hwnd);
  PressKey(VK_ESCAPE);
  EXPECT_TRUE(process.WaitForExit(kCeiling));
  EXPECT_FALSE(std::filesystem::exists(folder.path / L"Quendelrix.ini"));
}

}  // namespace
}  // namespace qx::e2e
