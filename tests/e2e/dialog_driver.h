// What the settings dialog's scenarios share: the dialog of a started
// program with its controls' places, and the settings file as the dialog
// writes it.
#pragma once

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "startup/window_titles.h"
#include "tests/e2e/harness.h"

namespace qx::e2e {

inline constexpr int kWidth = 479, kHeight = 302;
// 球の数 and ｲﾝﾀｰﾊﾞﾙ as the file stores them (Shift-JIS).
inline const std::string kKeyBalls = "\x8B\x85\x82\xCC\x90\x94";
inline const std::string kKeyInterval = "\xB2\xDD\xC0\xB0\xCA\xDE\xD9";

// Client-area points of the controls.
inline constexpr POINT kSetButton{405, 193};
inline constexpr POINT kCancelButton{405, 221};
inline constexpr POINT kCloseBox{463, 11};
inline constexpr POINT kTitleBar{200, 10};
inline constexpr POINT kPictureArea{180, 140};

inline std::string IniText(int balls, int interval) {
  return "[Section]\r\n" + kKeyBalls + "=" + std::to_string(balls) + "\r\n" +
         kKeyInterval + "=" + std::to_string(interval) + "\r\n";
}

// The number after "key=" in the file, blanks skipped; nullopt when absent.
inline std::optional<int> StoredNumber(const std::string& file, const std::string& key) {
  const size_t section = file.find("[Section]");
  if (section == std::string::npos) return std::nullopt;
  const size_t at = file.find("\n" + key + "=", section);
  if (at == std::string::npos) return std::nullopt;
  size_t p = at + key.size() + 2;
  while (p < file.size() && file[p] == ' ') ++p;
  size_t end = p;
  while (end < file.size() && file[end] >= '0' && file[end] <= '9') ++end;
  if (end == p) return std::nullopt;
  return std::stoi(file.substr(p, end - p));
}

// The file holds both settings with these values.
inline void ExpectStored(const std::filesystem::path& ini, int balls, int interval) {
  const auto file = ReadFileBytes(ini);
  ASSERT_TRUE(file) << ini;
  EXPECT_EQ(StoredNumber(*file, kKeyBalls), balls);
  EXPECT_EQ(StoredNumber(*file, kKeyInterval), interval);
}

// The dialog of a started program, visible and animating.
class OpenDialog {
 public:
  explicit OpenDialog(TempFolder& folder, std::wstring_view args = L"/c")
      : process_(ScrProcess::Start(folder.scr, args)) {
    if (!process_.Started()) return;
    WaitUntil([&] {
      hwnd_ = FindTopWindow(kDialogTitle);
      return hwnd_ && IsWindowVisible(hwnd_);
    });
    // Past the opening zoom: the lens moves.
    if (hwnd_ && !WaitForChanges(Area(), 1, &process_)) hwnd_ = nullptr;
  }
  HWND hwnd() const { return hwnd_; }
  // The window on the screen.
  RECT Area() const {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    return r;
  }
  // The dialog has handled the input sent to it so far: its lens has moved
  // on since, and it goes through its messages between two steps of the
  // lens. False when it ended instead.
  bool Handled() {
    return WaitForChanges(Area(), kFramesPastInput, &process_) && process_.Running();
  }
  // A press has reached the dialog: it holds the mouse capture.
  bool Captured() const { return WaitUntil([&] { return CaptureOf(hwnd_) == hwnd_; }); }
  // The keyboard focus is on scroll bar `index`.
  bool Focused(int index) const {
    return WaitUntil([&] { return FocusOf(hwnd_) == Bars()[static_cast<size_t>(index)]; });
  }
  ScrProcess& process() { return process_; }
  POINT Screen(POINT client) const {
    POINT p = client;
    ClientToScreen(hwnd_, &p);
    return p;
  }
  void ClickAt(POINT client, Button button = Button::kLeft) {
    const POINT p = Screen(client);
    Click(p.x, p.y, button);
  }
  // The two scroll bars, top one (the number of balls) first.
  std::vector<HWND> Bars() const {
    std::vector<HWND> bars;
    EnumChildWindows(hwnd_, [](HWND child, LPARAM list) -> BOOL {
      wchar_t cls[32] = {};
      GetClassNameW(child, cls, 32);
      if (lstrcmpiW(cls, L"ScrollBar") == 0) {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
      }
      return TRUE;
    }, reinterpret_cast<LPARAM>(&bars));
    std::sort(bars.begin(), bars.end(), [](HWND a, HWND b) {
      RECT ra, rb;
      GetWindowRect(a, &ra);
      GetWindowRect(b, &rb);
      return ra.top < rb.top;
    });
    return bars;
  }
  int BarValue(int index) const {
    const auto bars = Bars();
    if (static_cast<size_t>(index) >= bars.size()) return -1;
    DWORD_PTR pos = 0;
    SendMessageTimeoutW(bars[static_cast<size_t>(index)], SBM_GETPOS, 0, 0,
                        SMTO_ABORTIFHUNG, 2000, &pos);
    return static_cast<int>(pos);
  }
  // The value of scroll bar `index` once it is `value` and no scroll bar
  // holds the mouse any more (a click on an arrow moves the bar when it is
  // pressed; until its release is handled, the bar takes every click);
  // another value when it does not get there.
  int BarOnceItIs(int index, int value) const {
    int now = -1;
    WaitUntil([&] { return (now = BarValue(index)) == value && CaptureOf(hwnd_) == nullptr; });
    return now;
  }
  // A point of a scroll bar in client coordinates: `fromRight` pixels left
  // of its right end, halfway down.
  POINT BarPoint(int index, int fromRight) const {
    RECT r;
    GetWindowRect(Bars()[static_cast<size_t>(index)], &r);
    POINT p{r.right - 1 - fromRight, (r.top + r.bottom) / 2};
    ScreenToClient(hwnd_, &p);
    return p;
  }
  bool Closed() { return process_.WaitForExit(kCeiling); }

 private:
  ScrProcess process_;
  HWND hwnd_ = nullptr;
};

// The cursor the system shows at a client point of the dialog, once the
// dialog has handled the move there.
inline HCURSOR CursorOver(OpenDialog& dialog, POINT client) {
  const POINT p = dialog.Screen(client);
  PlaceCursor(p.x, p.y);
  dialog.Handled();
  CURSORINFO ci{};
  ci.cbSize = sizeof ci;
  GetCursorInfo(&ci);
  return ci.hCursor;
}

}  // namespace qx::e2e
