// The settings dialog as a user meets it: "/c" opens the skinned window at
// the centre of the screen, its scroll bars show the stored settings, Set
// saves them (into the user's own file where the program's folder cannot be
// written), Cancel, the close box and the system's close do not, a save that
// neither file can take is reported and nothing is lost, the title bar
// drags the window, and a second copy refuses to start beside it.
// It also carries its icon and hand cursor, shows the hand over the
// controls and a tooltip on the close box, and opens the home page without
// stopping.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/e2e/dialog_driver.h"

namespace qx::e2e {
namespace {

TEST(DialogE2E, OpensCentredBorderlessAndEndsWhenClosed) {
  TempFolder folder;
  for (const wchar_t* args : {L"/c", L"/c:1234", L"/C"}) {
    OpenDialog dialog(folder, args);
    ASSERT_TRUE(dialog.hwnd()) << "no dialog for " << args;
    EXPECT_EQ(WindowTitle(dialog.hwnd()), kDialogTitle);
    EXPECT_EQ(WindowPid(dialog.hwnd()), dialog.process().Pid());
    RECT client, window;
    GetClientRect(dialog.hwnd(), &client);
    GetWindowRect(dialog.hwnd(), &window);
    EXPECT_EQ(client.right, kWidth);
    EXPECT_EQ(client.bottom, kHeight);
    EXPECT_EQ(window.right - window.left, kWidth);  // no border, no caption
    EXPECT_EQ(window.bottom - window.top, kHeight);
    EXPECT_EQ(window.left, (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2);
    EXPECT_EQ(window.top, (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2);
    const LONG style = GetWindowLongW(dialog.hwnd(), GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME), 0);

    PostMessageW(dialog.hwnd(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(dialog.Closed()) << args;
  }
  EXPECT_FALSE(std::filesystem::exists(folder.ini()));
}

TEST(DialogE2E, ScrollBarsShowStoredSettingsWithinTheirRanges) {
  const struct { std::string file; int balls, interval; } cases[] = {
      {"", 60, 300},
      {IniText(35, 420), 35, 420},
      {IniText(100, 500), 100, 500},
      {IniText(150, 50), 20, 100},   // out of range: the bars keep 20 and 100
      {IniText(10, -5), 20, 100},
  };
  for (const auto& c : cases) {
    TempFolder folder;
    if (!c.file.empty()) {
      ASSERT_TRUE(WriteFileBytes(folder.ini(), c.file));
    }
    OpenDialog dialog(folder);
    ASSERT_TRUE(dialog.hwnd());
    ASSERT_EQ(dialog.Bars().size(), 2u);
    EXPECT_EQ(dialog.BarValue(0), c.balls) << c.file;
    EXPECT_EQ(dialog.BarValue(1), c.interval) << c.file;
    PostMessageW(dialog.hwnd(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(dialog.Closed());
  }
}

size_t EntriesIn(const std::filesystem::path& folder) {
  std::error_code ec;
  size_t n = 0;
  for (auto it = std::filesystem::directory_iterator(folder, ec);
       !ec && it != std::filesystem::directory_iterator(); ++it) {
    ++n;
  }
  return n;
}

TEST(DialogE2E, SetSavesBothSettingsAndKeepsTheRestOfTheFile) {
  TempFolder folder;
  const std::string comment = "; Quendelrix\r\n[Other]\r\na=1\r\n\r\n";
  const std::string last = "\r\n[Last]\nb=2";
  ASSERT_TRUE(WriteFileBytes(folder.ini(), comment + IniText(42, 250) + last));
  OpenDialog dialog(folder);
  ASSERT_TRUE(dialog.hwnd());
  EXPECT_EQ(dialog.BarValue(0), 42);
  dialog.ClickAt(kSetButton);
  EXPECT_TRUE(dialog.Closed());
  EXPECT_EQ(ReadFileBytes(folder.ini()),
            comment + "[Section]\r\n" + kKeyBalls + "= 42\r\n" + kKeyInterval +
                "= 250\r\n" + last);
  EXPECT_EQ(EntriesIn(folder.path), 2u);  // the program and its file, no temp
  EXPECT_FALSE(std::filesystem::exists(UserIniPath()));
}

TEST(DialogE2E, AnUnwritableProgramFolderSavesIntoTheUsersFileAndTheNextStartReadsIt) {
  TempFolder folder;
  std::filesystem::create_directory(folder.ini());  // writes beside it fail
  {
    OpenDialog dialog(folder);
    ASSERT_TRUE(dialog.hwnd());
    dialog.ClickAt(dialog.BarPoint(0, 4));
    ASSERT_EQ(dialog.BarOnceItIs(0, 61), 61);
    dialog.ClickAt(kSetButton);
    EXPECT_TRUE(dialog.Closed()) << "closes without a message";
  }
  EXPECT_EQ(ReadFileBytes(UserIniPath()),
            "[Section]\r\n" + kKeyBalls + "= 61\r\n" + kKeyInterval + "= 300\r\n");
  EXPECT_TRUE(std::filesystem::is_directory(folder.ini()));
  EXPECT_EQ(EntriesIn(folder.path), 2u);
  EXPECT_EQ(EntriesIn(UserIniPath().parent_path()), 1u);

  OpenDialog next(folder);
  ASSERT_TRUE(next.hwnd());
  EXPECT_EQ(next.BarValue(0), 61);
  EXPECT_EQ(next.BarValue(1), 300);
  PostMessageW(next.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(next.Closed());
}

TEST(DialogE2E, ArrowsTroughAndKeysMoveTheBarsAndSetSavesThem) {
  TempFolder folder;
  ASSERT_TRUE(WriteFileBytes(folder.ini(), IniText(60, 300)));
  OpenDialog dialog(folder);
  ASSERT_TRUE(dialog.hwnd());
  // HS(1): one click on the right arrow (1), one in the trough right of the
  // thumb (10).
  dialog.ClickAt(dialog.BarPoint(1, 4));
  EXPECT_EQ(dialog.BarOnceItIs(1, 301), 301);
  dialog.ClickAt(dialog.BarPoint(1, 22));
  EXPECT_EQ(dialog.BarOnceItIs(1, 311), 311);
  // HS(0) to its end with the keyboard: it has the focus.
  dialog.ClickAt(dialog.BarPoint(0, 4));
  EXPECT_EQ(dialog.BarOnceItIs(0, 61), 61);
  ASSERT_TRUE(dialog.Focused(0));
  PressKey(VK_END);
  EXPECT_EQ(dialog.BarOnceItIs(0, 100), 100);
  // Press Set, move off the button, release: still saves.
  const POINT set = dialog.Screen(kSetButton);
  PlaceCursor(set.x, set.y);
  MouseDown(Button::kLeft);
  ASSERT_TRUE(dialog.Captured());
  MouseMoveTo(set.x - 300, set.y + 40);
  MouseUp(Button::kLeft);
  EXPECT_TRUE(dialog.Closed());
  ExpectStored(folder.ini(), 100, 311);
}

TEST(DialogE2E, CancelCloseBoxAndSystemCloseLeaveTheFileAlone) {
  const std::string before = IniText(42, 250) + "; kept as it is\r\n";
  for (int way = 0; way < 4; ++way) {
    TempFolder folder;
    ASSERT_TRUE(WriteFileBytes(folder.ini(), before));
    OpenDialog dialog(folder);
    ASSERT_TRUE(dialog.hwnd());
    dialog.ClickAt(dialog.BarPoint(0, 4));  // a change that must not be saved
    ASSERT_EQ(dialog.BarOnceItIs(0, 43), 43);
    switch (way) {
      case 0: dialog.ClickAt(kCancelButton); break;
      case 1: dialog.ClickAt(kCancelButton, Button::kRight); break;
      case 2: dialog.ClickAt(kCloseBox); break;
      case 3: PostMessageW(dialog.hwnd(), WM_CLOSE, 0, 0); break;
    }
    EXPECT_TRUE(dialog.Closed()) << "way " << way;
    EXPECT_EQ(ReadFileBytes(folder.ini()), before) << "way " << way;
  }
}

// The message box the dialog shows, and the texts of its controls.
HWND FindMessageBox(DWORD pid) {
  struct Search { DWORD pid; HWND found; } s{pid, nullptr};
  EnumWindows([](HWND w, LPARAM p) -> BOOL {
    auto* s = reinterpret_cast<Search*>(p);
    wchar_t cls[16] = {};
    GetClassNameW(w, cls, 16);
    if (WindowPid(w) == s->pid && lstrcmpW(cls, L"#32770") == 0 && IsWindowVisible(w)) {
      s->found = w;
      return FALSE;
    }
    return TRUE;
  }, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

std::wstring AllTexts(HWND box) {
  std::wstring all = WindowTitle(box);
  EnumChildWindows(box, [](HWND child, LPARAM p) -> BOOL {
    *reinterpret_cast<std::wstring*>(p) += L"\n" + WindowTitle(child);
    return TRUE;
  }, reinterpret_cast<LPARAM>(&all));
  return all;
}

TEST(DialogE2E, AFileThatCannotBeWrittenIsReportedAndTheDialogStaysOpen) {
  TempFolder folder;
  // Neither the file beside the program nor the user's file can be written.
  std::filesystem::create_directory(folder.ini());
  std::filesystem::create_directories(UserIniPath());
  OpenDialog dialog(folder);
  ASSERT_TRUE(dialog.hwnd());
  dialog.ClickAt(dialog.BarPoint(0, 4));
  ASSERT_EQ(dialog.BarOnceItIs(0, 61), 61);
  dialog.ClickAt(kSetButton);
  HWND box = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (box = FindMessageBox(dialog.process().Pid())); }));
  const std::wstring texts = AllTexts(box);
  EXPECT_NE(texts.find(L"保存できませんでした"), std::wstring::npos);
  // It names the file tried last: the user's.
  EXPECT_NE(texts.find(UserIniPath().wstring()), std::wstring::npos);
  EXPECT_TRUE(dialog.process().Running());
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); })) << "the message box stays";
  EXPECT_TRUE(dialog.Handled()) << "the dialog closed with the message";
  EXPECT_TRUE(IsWindow(dialog.hwnd()));
  EXPECT_EQ(dialog.BarValue(0), 61);  // the user's value is still there
  EXPECT_TRUE(std::filesystem::is_directory(folder.ini()));
  EXPECT_TRUE(std::filesystem::is_directory(UserIniPath()));
  // No temporary file beside either of them.
  EXPECT_EQ(EntriesIn(folder.path), 2u);
  EXPECT_EQ(EntriesIn(UserIniPath().parent_path()), 1u);
  PostMessageW(dialog.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(dialog.Closed());
}

TEST(DialogE2E, DraggingTheTitleBarMovesTheWindow) {
  TempFolder folder;
  OpenDialog dialog(folder);
  ASSERT_TRUE(dialog.hwnd());
  RECT before, after;
  GetWindowRect(dialog.hwnd(), &before);
  const POINT grab = dialog.Screen(kTitleBar);
  // The right button does not drag.
  PlaceCursor(grab.x, grab.y);
  MouseDown(Button::kRight);
  ASSERT_TRUE(dialog.Captured());
  MouseMoveTo(grab.x + 30, grab.y + 30);
  MouseUp(Button::kRight);
  ASSERT_TRUE(dialog.Handled());
  GetWindowRect(dialog.hwnd(), &after);
  EXPECT_EQ(after.left, before.left);
  EXPECT_EQ(after.top, before.top);
  // The left button does, one pixel for one pixel.
  PlaceCursor(grab.x, grab.y);
  MouseDown(Button::kLeft);
  ASSERT_TRUE(dialog.Captured());
  for (int step = 1; step <= 5; ++step) MouseMoveTo(grab.x - 12 * step, grab.y + 8 * step);
  MouseUp(Button::kLeft);
  EXPECT_TRUE(WaitUntil([&] {
    GetWindowRect(dialog.hwnd(), &after);
    return after.left == before.left - 60 && after.top == before.top + 40;
  })) << "moved to " << after.left << "," << after.top << " from " << before.left << ","
      << before.top;
  PostMessageW(dialog.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(dialog.Closed());
}

TEST(DialogE2E, ASecondCopyEndsAtOnceWhileTheDialogIsOpen) {
  TempFolder folder;
  OpenDialog dialog(folder);
  ASSERT_TRUE(dialog.hwnd());
  for (const wchar_t* args : {L"/c", L"/s"}) {
    auto second = ScrProcess::Start(folder.scr, args);
    ASSERT_TRUE(second.Started());
    EXPECT_TRUE(second.WaitForExit(kCeiling)) << args;
  }
  EXPECT_TRUE(dialog.process().Running());
  PostMessageW(dialog.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(dialog.Closed());
}

int Luma(Pixel p) { return (RedOf(p) * 3 + GreenOf(p) * 6 + BlueOf(p)) / 10; }

TEST(DialogE2E, ShowsItsSkinAndAnimatesTheLens) {
  TempFolder folder;
  OpenDialog dialog(folder);
  ASSERT_TRUE(dialog.hwnd());
  const POINT o = dialog.Screen({0, 0});
  const Image first = CaptureScreen();
  auto at = [&](const Image& img, int x, int y) { return img.At(o.x + x, o.y + y); };
  // The lens moves over the photograph; the skin does not.
  Image second;
  int changed = 0;
  EXPECT_TRUE(WaitUntil([&] {
    second = CaptureScreen();
    changed = 0;
    for (int y = 40; y < 240; ++y)
      for (int x = 20; x < 340; ++x) changed += at(first, x, y) != at(second, x, y);
    return changed > 200;
  })) << changed << " pixels of the photograph changed";
  // Gradient: pale lavender in the middle rows, dark blue at the bottom.
  EXPECT_EQ(at(first, 5, 151), Rgb(220, 220, 250));
  EXPECT_EQ(at(first, 5, 301), Rgb(2, 2, 32));
  // Title bar: dark blue; the panel's gradient inside its frame.
  const Pixel bar = at(first, 300, 12);
  EXPECT_GT(BlueOf(bar), RedOf(bar) + 30);
  EXPECT_LT(Luma(bar), 90);
  EXPECT_EQ(at(first, 357 + 95, 41 + 99), Rgb(220, 220, 250));
  // The photograph: sky above, flowers below.
  const Pixel sky = at(first, 20 + 300, 40 + 10);
  EXPECT_GT(BlueOf(sky), RedOf(sky) + 40);
  for (int y = 0; y < kHeight; y += 3) {
    EXPECT_EQ(at(first, 460, y), at(second, 460, y)) << y;
  }
  if (const char* dir = std::getenv("QX_SCREENSHOT_DIR")) {
    Image shot(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) shot.At(x, y) = at(first, x, y);
    SaveBmp(shot, std::filesystem::path(dir) / "dialog.bmp");
  }
  PostMessageW(dialog.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(dialog.Closed());
}

TEST(DialogE2E, ProgramCarriesTheIconAndTheHandCursor) {
  HMODULE scr = LoadLibraryExW(ScrPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_TRUE(scr);
  EXPECT_TRUE(LoadIconW(scr, MAKEINTRESOURCEW(1)));
  HICON icon = static_cast<HICON>(LoadImageW(scr, MAKEINTRESOURCEW(1), IMAGE_ICON, 32, 32, 0));
  ASSERT_TRUE(icon);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(icon, &info));
  BITMAP bm{};
  GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidth, 32);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  DestroyIcon(icon);

  HCURSOR hand = static_cast<HCURSOR>(LoadImageW(scr, MAKEINTRESOURCEW(2), IMAGE_CURSOR, 0, 0, 0));
  ASSERT_TRUE(hand);
  ICONINFO ci{};
  ASSERT_TRUE(GetIconInfo(hand, &ci));
  EXPECT_FALSE(ci.fIcon);
  EXPECT_EQ(ci.xHotspot, 12u);
  EXPECT_EQ(ci.yHotspot, 10u);
  DeleteObject(ci.hbmColor);
  DeleteObject(ci.hbmMask);
  DestroyCursor(hand);
  FreeLibrary(scr);
}

bool TooltipShown(DWORD pid) {
  struct Search { DWORD pid; bool shown; } s{pid, false};
  EnumWindows([](HWND w, LPARAM p) -> BOOL {
    auto* s = reinterpret_cast<Search*>(p);
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    if (WindowPid(w) == s->pid && lstrcmpiW(cls, TOOLTIPS_CLASSW) == 0 &&
        IsWindowVisible(w)) {
      s->shown = true;
    }
    return TRUE;
  }, reinterpret_cast<LPARAM>(&s));
  return s.shown;
}

TEST(DialogE2E, HandCursorOnTheControlsAndTooltipOnTheCloseBox) {
  TempFolder folder;
  OpenDialog dialog(folder);
  ASSERT_TRUE(dialog.hwnd());
  // The program's arrow: what the picture area shows.
  const HCURSOR arrow = CursorOver(dialog, kPictureArea);
  ASSERT_NE(arrow, nullptr);
  const POINT handPlaces[] = {kSetButton, kCancelButton, kCloseBox, {25, 278},
                              dialog.BarPoint(0, 40), dialog.BarPoint(1, 40)};
  for (const POINT& p : handPlaces) {
    const HCURSOR c = CursorOver(dialog, p);
    EXPECT_NE(c, arrow) << p.x << "," << p.y;
    EXPECT_NE(c, nullptr);
  }
  for (const POINT& p : {POINT{200, 10}, POINT{380, 60}, POINT{100, 258}}) {
    EXPECT_EQ(CursorOver(dialog, p), arrow) << p.x << "," << p.y;
  }
  // Rest the mouse on the close box, nudging it now and then as a hand does.
  const POINT box = dialog.Screen(kCloseBox);
  int nudge = 0;
  EXPECT_TRUE(WaitUntil([&] {
    if (TooltipShown(dialog.process().Pid())) return true;
    if (++nudge % 40 == 1) MouseMoveTo(box.x + (nudge / 40) % 2, box.y);
    return false;
  }));
  PostMessageW(dialog.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(dialog.Closed());
}

// Wine hands web addresses to the browsers listed under this key; for the
// test the list is a program that does nothing, so no browser opens.
class NoBrowser {
 public:
  NoBrowser() {
    RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                    nullptr, &key_, nullptr);
    wchar_t old[512] = {};
    DWORD size = sizeof old;
    if (RegQueryValueExW(key_, L"Browsers", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(old), &size) == ERROR_SUCCESS) {
      old_ = old;
    }
    Set(L"true");
  }
  ~NoBrowser() {
    if (old_) {
      Set(old_->c_str());
    } else {
      RegDeleteValueW(key_, L"Browsers");
    }
    RegCloseKey(key_);
  }

 private:
  static constexpr wchar_t kKey[] = L"Software\\Wine\\WineBrowser";
  void Set(const wchar_t* value) {
    RegSetValueExW(key_, L"Browsers", 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                   static_cast<DWORD>((lstrlenW(value) + 1) * sizeof(wchar_t)));
  }
  HKEY key_ = nullptr;
  std::optional<std::wstring> old_;
};

TEST(DialogE2E, TheHomePageLabelLeavesTheDialogOpenAndAnimating) {
  NoBrowser noBrowser;
  TempFolder folder;
  OpenDialog dialog(folder);
  ASSERT_TRUE(dialog.hwnd());
  dialog.ClickAt({40, 278});
  // The lens goes on: the dialog has been through its messages since.
  ASSERT_TRUE(dialog.Handled()) << "the dialog closed or stopped";
  ASSERT_TRUE(IsWindow(dialog.hwnd()));
  PostMessageW(dialog.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(dialog.Closed());
}

}  // namespace
}  // namespace qx::e2e
