// The settings dialog as a user meets it: "/c" opens the skinned window at
// the centre of the screen, its scroll bars show the stored settings, Set
// saves them (into the user's own file where the program's folder cannot be
// written), Cancel, the close box and the system's close do not, a save that
// neither file can take is reported and nothing is lost, the title bar
// drags the window, and a second copy refuses to start beside it.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/e2e/harness.h"
#include "tools/bmp_file.h"

namespace qx::e2e {
namespace {

constexpr wchar_t kDialogTitle[] = L"Quendelrixの設定";
constexpr int kWidth = 479, kHeight = 302;
// 球の数 and ｲﾝﾀｰﾊﾞﾙ as the file stores them (Shift-JIS).
const std::string kKeyBalls = "\x8B\x85\x82\xCC\x90\x94";
const std::string kKeyInterval = "\xB2\xDD\xC0\xB0\xCA\xDE\xD9";

// Client-area points of the controls.
constexpr POINT kSetButton{405, 193};
constexpr POINT kCancelButton{405, 221};
constexpr POINT kCloseBox{463, 11};
constexpr POINT kTitleBar{200, 10};

std::string IniText(int balls, int interval) {
  return "[Section]\r\n" + kKeyBalls + "=" + std::to_string(balls) + "\r\n" +
         kKeyInterval + "=" + std::to_string(interval) + "\r\n";
}

// The number after "key=" in the file, blanks skipped; nullopt when absent.
std::optional<int> StoredNumber(const std::string& file, const std::string& key) {
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
void ExpectStored(const std::filesystem::path& ini, int balls, int interval) {
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

}  // namespace
}  // namespace qx::e2e

namespace qx::e2e {
namespace {

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

}  // namespace
}  // namespace qx::e2e

namespace qx::e2e {
namespace {

// Run by the code-page scenario as a child process: writes the code page
// the child was started with into the file QX_ACP_PROBE names.
TEST(DialogAcpProbe, Write) {
  wchar_t file[MAX_PATH * 2] = {};
  if (!GetEnvironmentVariableW(L"QX_ACP_PROBE", file, MAX_PATH * 2)) {
    GTEST_SKIP() << "only run as the code-page probe";
  }
  WriteFileBytes(file, std::to_string(GetACP()));
}

// Sets an environment variable of this process (inherited by the programs
// it starts) and puts the old value back when it goes.
class ScopedEnv {
 public:
  ScopedEnv(const wchar_t* name, const wchar_t* value) : name_(name) {
    wchar_t old[512];
    const DWORD n = GetEnvironmentVariableW(name, old, 512);
    if (n > 0 && n < 512) old_ = std::wstring(old, n);
    SetEnvironmentVariableW(name, value);
  }
  ~ScopedEnv() { SetEnvironmentVariableW(name_, old_ ? old_->c_str() : nullptr); }

 private:
  const wchar_t* name_;
  std::optional<std::wstring> old_;
};

// Run under Japanese, Chinese, Korean and Western locales by
// dialog_code_pages.sh, which names the code page it expects in
// QX_EXPECT_ACP; the file must come out the same, byte for byte.
TEST(DialogE2E, SetSavesTheSameFileWhateverTheCodePage) {
  if (const char* expect = std::getenv("QX_EXPECT_ACP")) {
    ASSERT_EQ(std::to_string(GetACP()), expect);
  }
  TempFolder folder(true);  // a Japanese folder name as well
  // The program under test runs under the driver's code page.
  {
    const auto probeFile = folder.path / L"acp.txt";
    ScopedEnv probe(L"QX_ACP_PROBE", probeFile.c_str());
    wchar_t self[MAX_PATH * 2] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH * 2);
    auto child = ScrProcess::StartCommandLine(std::wstring(L"\"") + self +
                                              L"\" --gtest_filter=DialogAcpProbe.Write");
    ASSERT_TRUE(child.WaitForExit(kCeiling));
    ASSERT_EQ(ReadFileBytes(probeFile), std::to_string(GetACP()));
  }

  ASSERT_TRUE(WriteFileBytes(folder.ini(), IniText(45, 150)));
  OpenDialog dialog(folder);
  ASSERT_TRUE(dialog.hwnd());
  EXPECT_EQ(dialog.BarValue(0), 45);
  EXPECT_EQ(dialog.BarValue(1), 150);
  dialog.ClickAt(dialog.BarPoint(0, 4));
  EXPECT_EQ(dialog.BarOnceItIs(0, 46), 46);
  dialog.ClickAt(kSetButton);
  EXPECT_TRUE(dialog.Closed());
  EXPECT_EQ(ReadFileBytes(folder.ini()),
            "[Section]\r\n" + kKeyBalls + "= 46\r\n" + kKeyInterval + "= 150\r\n");
}

}  // namespace
}  // namespace qx::e2e

namespace qx::e2e {
namespace {

// The cursor the system shows at a client point of the dialog, once the
// dialog has handled the move there.
HCURSOR CursorOver(OpenDialog& dialog, POINT client) {
  const POINT p = dialog.Screen(client);
  PlaceCursor(p.x, p.y);
  dialog.Handled();
  CURSORINFO ci{};
  ci.cbSize = sizeof ci;
  GetCursorInfo(&ci);
  return ci.hCursor;
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
  const HCURSOR arrow = CursorOver(dialog, {180, 140});
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

}  // namespace
}  // namespace qx::e2e

namespace qx::e2e {
namespace {

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

namespace qx::e2e {
namespace {

// Faces of the Set and Cancel buttons (client points of their left edges,
// where the captions do not reach) and the picture area.
constexpr int kFaceLeft = 367, kSetFaceTop = 181, kCancelFaceTop = 209,
              kFaceHeight = 22;
constexpr POINT kPictureArea{180, 140};

// True when the Cancel face looks like the released Set face, row by row.
bool CancelFaceReleased(HWND dialog) {
  POINT o{0, 0};
  ClientToScreen(dialog, &o);
  const Image screen = CaptureScreen();
  for (int dy = 0; dy < kFaceHeight; ++dy) {
    if (screen.At(o.x + kFaceLeft, o.y + kSetFaceTop + dy) !=
        screen.At(o.x + kFaceLeft, o.y + kCancelFaceTop + dy)) {
      return false;
    }
  }
  return true;
}

// A press whose mouse capture the system takes away is over: the release
// outside the window runs nothing and the next click on Set saves.
TEST(DialogCaptureE2E, ALostCaptureEndsThePressAndTheNextClickActsWhereItLands) {
  const struct {
    const char* name;
    bool drag;
    UINT loss;  // how the capture goes
  } ways[] = {
      {"Cancel pressed, the system cancels", false, WM_CANCELMODE},
      {"Cancel pressed, another window takes the mouse", false, WM_CAPTURECHANGED},
      {"title-bar drag, the system cancels", true, WM_CANCELMODE},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.name);
    const bool drag = way.drag;
    TempFolder folder;
    ASSERT_TRUE(WriteFileBytes(folder.ini(), IniText(42, 250)));
    OpenDialog dialog(folder);
    ASSERT_TRUE(dialog.hwnd());
    dialog.ClickAt(dialog.BarPoint(0, 4));  // 43: the value Set must save
    ASSERT_EQ(dialog.BarOnceItIs(0, 43), 43);

    const POINT press = dialog.Screen(drag ? kTitleBar : kCancelButton);
    PlaceCursor(press.x, press.y);
    MouseDown(Button::kLeft);
    ASSERT_TRUE(dialog.Captured());
    if (drag) {
      RECT start;
      GetWindowRect(dialog.hwnd(), &start);
      MouseMoveTo(press.x - 12, press.y + 8);
      EXPECT_TRUE(WaitUntil([&] {
        RECT now;
        GetWindowRect(dialog.hwnd(), &now);
        return now.left == start.left - 12 && now.top == start.top + 8;
      })) << "the drag did not start";
    } else {
      EXPECT_TRUE(WaitUntil([&] { return !CancelFaceReleased(dialog.hwnd()); }))
          << "no pressed face";
    }
    if (way.loss == WM_CANCELMODE) {
      PostMessageW(dialog.hwnd(), WM_CANCELMODE, 0, 0);
    } else {
      // What the dialog hears when a window of its thread takes the capture.
      PostMessageW(dialog.hwnd(), WM_CAPTURECHANGED, 0,
                   reinterpret_cast<LPARAM>(GetDesktopWindow()));
    }
    ASSERT_TRUE(dialog.Handled());
    RECT before, after;
    GetWindowRect(dialog.hwnd(), &before);
    EXPECT_TRUE(CancelFaceReleased(dialog.hwnd()));
    // Moves over the window no longer drag it; the release lands outside.
    for (int step = 1; step <= 3; ++step) {
      MouseMoveTo(press.x - 12 - 10 * step, press.y + 8 + 6 * step);
    }
    ASSERT_TRUE(dialog.Handled());
    GetWindowRect(dialog.hwnd(), &after);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    MouseMoveTo(before.left - 100, before.top + 10);
    MouseUp(Button::kLeft);
    ASSERT_TRUE(dialog.Handled()) << "the release ran Cancel";
    EXPECT_EQ(ReadFileBytes(folder.ini()), IniText(42, 250));

    dialog.ClickAt(kSetButton);
    EXPECT_TRUE(dialog.Closed());
    ExpectStored(folder.ini(), 43, 250);
  }
}

void PressShiftTab() {
  INPUT in[4] = {};
  for (INPUT& i : in) i.type = INPUT_KEYBOARD;
  in[0].ki.wVk = VK_SHIFT;
  in[1].ki.wVk = VK_TAB;
  in[2].ki.wVk = VK_TAB;
  in[2].ki.dwFlags = KEYEVENTF_KEYUP;
  in[3].ki.wVk = VK_SHIFT;
  in[3].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(4, in, sizeof in[0]);
}

// A window of the driver's own that takes the activation away.
class OtherWindow {
 public:
  OtherWindow() {
    hwnd_ = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"another program",
                            WS_POPUP | WS_VISIBLE | WS_BORDER, 0, 0, 120, 60,
                            nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  ~OtherWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
  }
  HWND hwnd() const { return hwnd_; }

 private:
  HWND hwnd_ = nullptr;
};

TEST(DialogKeysE2E, TabMovesTheFocusBetweenTheBarsAndItComesBackOnActivation) {
  TempFolder folder;
  ASSERT_TRUE(WriteFileBytes(folder.ini(), IniText(60, 300)));
  OpenDialog dialog(folder);
  ASSERT_TRUE(dialog.hwnd());
  // The number of balls has the focus first. A key goes to the window that
  // has the focus when it is sent: each Tab is waited for.
  ASSERT_TRUE(dialog.Focused(0));
  PressKey(VK_RIGHT);
  EXPECT_EQ(dialog.BarOnceItIs(0, 61), 61);
  PressKey(VK_TAB);
  ASSERT_TRUE(dialog.Focused(1));
  PressKey(VK_RIGHT);
  EXPECT_EQ(dialog.BarOnceItIs(1, 301), 301);
  PressShiftTab();
  ASSERT_TRUE(dialog.Focused(0));
  PressKey(VK_RIGHT);
  EXPECT_EQ(dialog.BarOnceItIs(0, 62), 62);
  PressKey(VK_TAB);
  ASSERT_TRUE(dialog.Focused(1));

  {  // Another window takes the activation, then the dialog gets it back.
    OtherWindow other;
    ASSERT_TRUE(other.hwnd());
    SetForegroundWindow(other.hwnd());
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == other.hwnd(); }));
  }
  SetForegroundWindow(dialog.hwnd());
  EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == dialog.hwnd(); }));
  ASSERT_TRUE(dialog.Focused(1)) << "the focus did not come back to HS(1)";
  PressKey(VK_RIGHT);
  EXPECT_EQ(dialog.BarOnceItIs(1, 302), 302);
  EXPECT_EQ(dialog.BarValue(0), 62);

  // Nothing of it was saved: Esc is Cancel.
  PressKey(VK_ESCAPE);
  EXPECT_TRUE(dialog.Closed());
  EXPECT_EQ(ReadFileBytes(folder.ini()), IniText(60, 300));
}

TEST(DialogKeysE2E, EnterSavesLikeSetAndEscClosesLikeCancelRepeatsDoNothing) {
  for (const WORD key : {WORD{VK_RETURN}, WORD{VK_ESCAPE}}) {
    SCOPED_TRACE(key == VK_RETURN ? "Enter" : "Esc");
    TempFolder folder;
    ASSERT_TRUE(WriteFileBytes(folder.ini(), IniText(60, 300)));
    OpenDialog dialog(folder);
    ASSERT_TRUE(dialog.hwnd());
    ASSERT_TRUE(dialog.Focused(0));
    PressKey(VK_RIGHT);
    ASSERT_EQ(dialog.BarOnceItIs(0, 61), 61);
    // An auto-repeated key press (previous-state bit set) is ignored.
    const HWND bar = dialog.Bars()[0];
    PostMessageW(bar, WM_KEYDOWN, key, (1 << 30) | 1);
    ASSERT_TRUE(dialog.Handled()) << "the repeated key closed it";
    EXPECT_EQ(ReadFileBytes(folder.ini()), IniText(60, 300));

    PressKey(key);
    EXPECT_TRUE(dialog.Closed());
    const auto file = ReadFileBytes(folder.ini());
    ASSERT_TRUE(file);
    if (key == VK_RETURN) {
      EXPECT_EQ(StoredNumber(*file, kKeyBalls), 61);
      EXPECT_EQ(StoredNumber(*file, kKeyInterval), 300);
    } else {
      EXPECT_EQ(*file, IniText(60, 300));
    }
  }
}

TEST(DialogFrameE2E, ThePictureAreaFrameAndThePhotographJustInside) {
  const auto bytes = ReadFileBytes(SourcePath("resources/dialog_photo.bmp"));
  ASSERT_TRUE(bytes);
  const auto photo = tools::DecodeBmp(*bytes);
  ASSERT_TRUE(photo);
  ASSERT_EQ(photo->Width(), 320);
  TempFolder folder;
  OpenDialog dialog(folder);
  ASSERT_TRUE(dialog.hwnd());
  const POINT o = dialog.Screen({0, 0});
  Image shot;
  auto at = [&](int x, int y) { return shot.At(o.x + x, o.y + y); };
  // The lens passes over the corners now and then: wait for a frame in
  // which it is away from both.
  const bool clear = WaitUntil([&] {
    shot = CaptureScreen();
    return at(21, 41) == photo->At(0, 0) && at(22, 41) == photo->At(1, 0) &&
           at(21, 42) == photo->At(0, 1) && at(340, 240) == photo->At(319, 199);
  });
  EXPECT_TRUE(clear) << "the photograph does not start at (21, 41)";
  const Pixel shadow = Rgb(40, 40, 64), light = Rgb(236, 236, 255);
  EXPECT_EQ(at(20, 40), shadow);
  EXPECT_EQ(at(180, 40), shadow);
  EXPECT_EQ(at(20, 140), shadow);
  EXPECT_EQ(at(341, 40), shadow);
  EXPECT_EQ(at(341, 41), light);
  EXPECT_EQ(at(341, 241), light);
  EXPECT_EQ(at(180, 241), light);
  EXPECT_NE(at(19, 39), shadow);  // the gradient just outside
  EXPECT_NE(at(342, 242), light);
  PostMessageW(dialog.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(dialog.Closed());
}

// A unit edge of the 96 DPI dialog at another DPI: rounded, halves up.
int Scaled(int units, int dpi) { return (2 * units * dpi + 96) / 192; }

// Sends WM_DPICHANGED as the system does, with the suggested rectangle in
// the receiving process's memory (a pointer into ours would mean nothing
// there).
bool SendDpiChanged(HWND hwnd, DWORD pid, int dpi, const RECT& suggested) {
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid);
  if (!process) return false;
  void* remote = VirtualAllocEx(process, nullptr, sizeof suggested,
                                MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  bool ok = remote && WriteProcessMemory(process, remote, &suggested, sizeof suggested, nullptr);
  DWORD_PTR result = 0;
  ok = ok && SendMessageTimeoutW(hwnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                                 reinterpret_cast<LPARAM>(remote), SMTO_NORMAL, kCeiling,
                                 &result);
  CloseHandle(process);  // the few bytes go with the process
  return ok;
}

RECT ClientRectOf(HWND dialog, HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// The scroll bars sit where the 96 DPI layout puts them, scaled.
void ExpectBarsScaled(OpenDialog& dialog, int dpi) {
  const auto bars = dialog.Bars();
  ASSERT_EQ(bars.size(), 2u);
  const RECT units[2] = {{365, 69, 446, 86}, {365, 129, 446, 146}};
  for (int i = 0; i < 2; ++i) {
    const RECT r = ClientRectOf(dialog.hwnd(), bars[static_cast<size_t>(i)]);
    EXPECT_EQ(r.left, Scaled(units[i].left, dpi)) << "HS(" << i << ") at " << dpi;
    EXPECT_EQ(r.top, Scaled(units[i].top, dpi)) << "HS(" << i << ") at " << dpi;
    EXPECT_EQ(r.right, Scaled(units[i].right, dpi)) << "HS(" << i << ") at " << dpi;
    EXPECT_EQ(r.bottom, Scaled(units[i].bottom, dpi)) << "HS(" << i << ") at " << dpi;
  }
}

POINT ScaledPoint(POINT p, int dpi) { return {Scaled(p.x, dpi), Scaled(p.y, dpi)}; }

// The dialog started at a DPI: its size and layout, its labels, and the
// scaled Set button.
void ExpectScaledDialog(int dpi, int width, int height) {
  ScopedLogPixels scale(static_cast<DWORD>(dpi));
  TempFolder folder;
  OpenDialog dialog(folder);
  ASSERT_TRUE(dialog.hwnd());
  RECT client, window;
  GetClientRect(dialog.hwnd(), &client);
  GetWindowRect(dialog.hwnd(), &window);
  EXPECT_EQ(client.right, width);
  EXPECT_EQ(client.bottom, height);
  EXPECT_EQ(window.right - window.left, width);  // no border, no caption
  EXPECT_EQ(window.left, (GetSystemMetrics(SM_CXSCREEN) - client.right) / 2);
  EXPECT_EQ(window.top, (GetSystemMetrics(SM_CYSCREEN) - client.bottom) / 2);
  ExpectBarsScaled(dialog, dpi);

  // Every label of the panel inside it, clear of the scroll bars: the ink
  // of the cream and the blue labels, looked for in the panel and beyond
  // its right edge.
  const Image shot = CaptureScreen();
  const POINT o = dialog.Screen({0, 0});
  const RECT panel{Scaled(357, dpi), Scaled(41, dpi), Scaled(456, dpi), Scaled(240, dpi)};
  const RECT faces{Scaled(365, dpi), Scaled(181, dpi), Scaled(446, dpi), Scaled(231, dpi)};
  const auto bars = dialog.Bars();
  const RECT bar0 = ClientRectOf(dialog.hwnd(), bars[0]);
  const RECT bar1 = ClientRectOf(dialog.hwnd(), bars[1]);
  int cream = 0, blue = 0;
  RECT creamBox{INT_MAX, INT_MAX, INT_MIN, INT_MIN}, blueBox = creamBox;
  auto grow = [](RECT& box, int x, int y) {
    box.left = std::min<LONG>(box.left, x);
    box.top = std::min<LONG>(box.top, y);
    box.right = std::max<LONG>(box.right, x + 1);
    box.bottom = std::max<LONG>(box.bottom, y + 1);
  };
  for (int y = panel.top; y < faces.top; ++y) {
    for (int x = panel.left; x < client.right; ++x) {
      const POINT p{x, y};
      if (PtInRect(&bar0, p) || PtInRect(&bar1, p)) continue;
      const Pixel px = shot.At(o.x + x, o.y + y);
      if (RedOf(px) - BlueOf(px) >= 24 && RedOf(px) > 120) {
        ++cream;
        grow(creamBox, x, y);
        EXPECT_NE(y, bar0.top - 1) << "the label runs into HS(0) at x " << x;
      }
      if (BlueOf(px) - RedOf(px) >= 70) {
        ++blue;
        grow(blueBox, x, y);
        EXPECT_NE(y, bar1.top - 1) << "the label runs into HS(1) at x " << x;
      }
    }
  }
  EXPECT_GT(cream, 60);  // 球の数 and the number of balls
  EXPECT_GT(blue, 60);   // ﾌﾞﾚｽｲﾝﾀｰﾊﾞﾙ and the interval
  for (const RECT& box : {creamBox, blueBox}) {
    EXPECT_GE(box.left, panel.left);
    EXPECT_LE(box.right, panel.right) << "a label runs past the panel";
  }
  const char* dir = std::getenv("QX_SCREENSHOT_DIR");
  if (dir && dpi == 144) {
    Image picture(client.right, client.bottom);
    for (int y = 0; y < client.bottom; ++y)
      for (int x = 0; x < client.right; ++x) picture.At(x, y) = shot.At(o.x + x, o.y + y);
    SaveBmp(picture, std::filesystem::path(dir) / "dialog-144dpi.bmp");
  }

  // The scaled bar and the scaled Set button work as at 100 %.
  dialog.ClickAt(dialog.BarPoint(0, 5));
  EXPECT_EQ(dialog.BarOnceItIs(0, 61), 61);
  dialog.ClickAt(ScaledPoint(kSetButton, dpi));
  EXPECT_TRUE(dialog.Closed());
  ExpectStored(folder.ini(), 61, 300);
}

// At 125, 150 and 200 % the dialog is the 100 % dialog scaled as one piece.
TEST(DialogScaleE2E, AtEveryScaleTheDialogIsScaledAsOnePieceAndSetSaves) {
  const struct { int dpi, width, height; } cases[] = {
      {120, 599, 378}, {144, 719, 453}, {192, 958, 604}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dpi);
    ExpectScaledDialog(c.dpi, c.width, c.height);
  }
}

TEST(DialogScaleE2E, ADpiChangeTakesTheSuggestedRectangleAndTheNewScale) {
  TempFolder folder;
  OpenDialog dialog(folder);
  ASSERT_TRUE(dialog.hwnd());
  const RECT suggested{40, 60, 40 + 958, 60 + 604};
  ASSERT_TRUE(SendDpiChanged(dialog.hwnd(), dialog.process().Pid(), 192, suggested));
  RECT window;
  EXPECT_TRUE(WaitUntil([&] {
    GetWindowRect(dialog.hwnd(), &window);
    return EqualRect(&window, &suggested);
  }))
      << window.left << "," << window.top << "," << window.right << "," << window.bottom;
  ExpectBarsScaled(dialog, 192);
  // The hot areas moved with the controls: the hand is on the scaled close
  // box, not where it was at 100 %.
  const HCURSOR arrow = CursorOver(dialog, ScaledPoint(kPictureArea, 192));
  EXPECT_NE(CursorOver(dialog, ScaledPoint(kCloseBox, 192)), arrow);
  EXPECT_EQ(CursorOver(dialog, kCloseBox), arrow);
  dialog.ClickAt(ScaledPoint(kSetButton, 192));
  EXPECT_TRUE(dialog.Closed());
  const auto file = ReadFileBytes(folder.ini());
  ASSERT_TRUE(file);
  EXPECT_EQ(StoredNumber(*file, kKeyBalls), 60);
}

TEST(DialogScaleE2E, DuringATitleBarDragADpiChangeKeepsTheGrabPointUnderTheCursor) {
  TempFolder folder;
  OpenDialog dialog(folder);
  ASSERT_TRUE(dialog.hwnd());
  RECT start;
  GetWindowRect(dialog.hwnd(), &start);
  const POINT grab = dialog.Screen(kTitleBar);  // the point (200, 10) of the dialog
  PlaceCursor(grab.x, grab.y);
  MouseDown(Button::kLeft);
  ASSERT_TRUE(dialog.Captured());
  MouseMoveTo(grab.x + 20, grab.y + 10);
  RECT window;
  ASSERT_TRUE(WaitUntil([&] {
    GetWindowRect(dialog.hwnd(), &window);
    return window.left == start.left + 20 && window.top == start.top + 10;
  })) << "the drag did not start";
  const RECT suggested{start.left + 20, start.top + 10, start.left + 20 + 719,
                       start.top + 10 + 453};
  ASSERT_TRUE(SendDpiChanged(dialog.hwnd(), dialog.process().Pid(), 144, suggested));
  MouseMoveTo(grab.x + 30, grab.y + 16);
  // The grab point, (200, 10) of the dialog, is (300, 15) at 150 %.
  EXPECT_TRUE(WaitUntil([&] {
    GetWindowRect(dialog.hwnd(), &window);
    return window.left == grab.x + 30 - 300 && window.top == grab.y + 16 - 15;
  })) << "at " << window.left << "," << window.top;
  EXPECT_EQ(window.right - window.left, 719);
  EXPECT_EQ(window.bottom - window.top, 453);
  MouseUp(Button::kLeft);
  PostMessageW(dialog.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(dialog.Closed());
}

TEST(DialogScaleE2E, TheManifestAsksForPerMonitorAwarenessVersionTwo) {
  const std::wstring scr = ScrPath().wstring();
  ACTCTXW ctx{};
  ctx.cbSize = sizeof ctx;
  ctx.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  ctx.lpSource = scr.c_str();
  ctx.lpResourceName = MAKEINTRESOURCEW(1);
  HANDLE actCtx = CreateActCtxW(&ctx);
  ASSERT_NE(actCtx, INVALID_HANDLE_VALUE);
  auto setting = [&](const wchar_t* ns, const wchar_t* name) {
    wchar_t buffer[128] = {};
    SIZE_T written = 0;
    if (!QueryActCtxSettingsW(0, actCtx, ns, name, buffer, 128, &written)) return std::wstring();
    return std::wstring(buffer);
  };
  const std::wstring awareness =
      setting(L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness");
  const std::wstring aware =
      setting(L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware");
  ReleaseActCtx(actCtx);
  // Version 2 first, then the older per-monitor form; systems that know
  // neither read "true/pm".
  EXPECT_EQ(awareness.substr(0, awareness.find(L',')), L"PerMonitorV2");
  EXPECT_NE(awareness.find(L"PerMonitor", awareness.find(L',')), std::wstring::npos);
  EXPECT_EQ(aware, L"true/pm");
}

TEST(PreviewScaleE2E, At144DpiThePreviewCoversItsPaneInPhysicalPixels) {
  ScopedLogPixels scale(144);
  TempFolder folder;
  PaneWindow pane(152, 112);
  auto p = ScrProcess::Start(folder.scr, L"/p " + std::to_wstring(
                                             reinterpret_cast<uintptr_t>(pane.pane())));
  ASSERT_TRUE(p.Started());
  HWND child = nullptr;
  ASSERT_TRUE(WaitUntil([&] {
    child = FindWindowExW(pane.pane(), nullptr, nullptr, L"Preview Window");
    return child && IsWindowVisible(child);
  }));
  RECT paneRect, childRect;
  GetWindowRect(pane.pane(), &paneRect);
  GetWindowRect(child, &childRect);
  EXPECT_TRUE(EqualRect(&paneRect, &childRect));
  pane.DestroyPane();
  EXPECT_TRUE(p.WaitForExit(kCeiling));
}

}  // namespace
}  // namespace qx::e2e
