// Start-up as the system's screen-saver machinery drives it: the instance
// check, unknown switches, the preview placed into a pane and its end, and
// the password change of the Windows 95 family.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "startup/window_titles.h"
#include "tests/e2e/harness.h"
#include "tools/bmp_file.h"

namespace qx::e2e {
namespace {


// A top-level window with a given title, owned by the driver.
class TitledWindow {
 public:
  explicit TitledWindow(const wchar_t* title) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QxTestTitled";
    RegisterClassW(&wc);
    hwnd_ = CreateWindowExW(0, wc.lpszClassName, title, WS_POPUP | WS_VISIBLE, 0, 0,
                            50, 50, nullptr, nullptr, wc.hInstance, nullptr);
  }
  ~TitledWindow() { DestroyWindow(hwnd_); }
  HWND hwnd() const { return hwnd_; }

 private:
  HWND hwnd_;
};

std::wstring Handle(HWND hwnd) {
  return std::to_wstring(reinterpret_cast<uintptr_t>(hwnd));
}

HWND PreviewChildOf(HWND pane) {
  return FindWindowExW(pane, nullptr, nullptr, std::wstring(kPreviewTitle).c_str());
}

TEST(StartupE2E, AnOpenSaverOrDialogWindowEndsEveryModeAtOnce) {
  TempFolder folder;
  PaneWindow pane(152, 112);
  for (std::wstring_view title : {kSaverTitle, kDialogTitle}) {
    TitledWindow blocker(std::wstring(title).c_str());
    ASSERT_TRUE(blocker.hwnd());
    for (std::wstring args : {std::wstring(L"/s"), std::wstring(L"/c"), std::wstring(L""),
                              std::wstring(L"/a 1234"), L"/p " + Handle(pane.pane())}) {
      auto p = ScrProcess::Start(folder.scr, args);
      ASSERT_TRUE(p.Started());
      EXPECT_TRUE(p.WaitForExit(kCeiling)) << "mode " << std::string(args.begin(), args.end());
      EXPECT_EQ(PreviewChildOf(pane.pane()), nullptr);
    }
    // Nothing but the driver's own window carries the title.
    EXPECT_EQ(WindowPid(FindTopWindow(title)), GetCurrentProcessId());
  }
  EXPECT_FALSE(std::filesystem::exists(folder.ini()));
}

TEST(StartupE2E, UnknownSwitchesEndAtOnceWithoutAWindow) {
  TempFolder folder;
  std::wstring noise;
  for (int i = 0; i < 20000; ++i) noise += static_cast<wchar_t>(L'!' + (i * 7919) % 0x3000);
  for (const std::wstring args :
       {std::wstring(L"/x"), std::wstring(L"s"), std::wstring(L"/q 12"), std::wstring(L"-"),
        L"/x" + noise, L"/" + std::wstring(20000, L'9'), std::wstring(L"/設定")}) {
    auto p = ScrProcess::Start(folder.scr, args);
    ASSERT_TRUE(p.Started());
    EXPECT_TRUE(p.WaitForExit(kCeiling)) << args.size();
    EXPECT_EQ(FindTopWindow(kSaverTitle), nullptr);
    EXPECT_EQ(FindTopWindow(kDialogTitle), nullptr);
  }
}

struct PreviewCase {
  const wchar_t* separator;  // between "/p" and the handle
  const char* name;
};

class PreviewE2E : public testing::TestWithParam<PreviewCase> {};

TEST_P(PreviewE2E, HostCoversThePaneAndEndsWithIt) {
  TempFolder folder;
  PaneWindow pane(152, 112);
  auto p = ScrProcess::Start(folder.scr, std::wstring(L"/p") + GetParam().separator +
                                             Handle(pane.pane()));
  ASSERT_TRUE(p.Started());
  HWND child = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (child = PreviewChildOf(pane.pane())) != nullptr &&
                                     IsWindowVisible(child); }));
  EXPECT_EQ(GetParent(child), pane.pane());
  EXPECT_EQ(WindowPid(child), p.Pid());
  EXPECT_TRUE(GetWindowLongW(child, GWL_STYLE) & WS_CHILD);
  RECT paneRect, childRect;
  GetWindowRect(pane.pane(), &paneRect);
  GetWindowRect(child, &childRect);
  EXPECT_EQ(childRect.left, paneRect.left);
  EXPECT_EQ(childRect.top, paneRect.top);
  EXPECT_EQ(childRect.right - childRect.left, 152);
  EXPECT_EQ(childRect.bottom - childRect.top, 112);
  // The preview reads no settings file.
  EXPECT_FALSE(std::filesystem::exists(folder.ini()));
  EXPECT_TRUE(p.Running());

  pane.DestroyPane();
  EXPECT_TRUE(p.WaitForExit(kCeiling)) << "the preview outlived its pane";
}

// Drawing into a pane of another process cannot be read back here, so the
// test takes the host out of the pane onto the desktop and looks at it there.
TEST(PreviewPixelsE2E, TheHostShowsTheStillPictureAtItsNaturalSize) {
  TempFolder folder;
  PaneWindow pane(160, 120);  // larger than the picture: black shows around it
  auto p = ScrProcess::Start(folder.scr, L"/p " + Handle(pane.pane()));
  HWND child = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (child = PreviewChildOf(pane.pane())) != nullptr &&
                                     IsWindowVisible(child); }));
  SetParent(child, nullptr);
  SetWindowLongW(child, GWL_STYLE, (GetWindowLongW(child, GWL_STYLE) & ~WS_CHILD) | WS_POPUP);
  SetWindowPos(child, HWND_TOPMOST, 0, 0, 160, 120, SWP_SHOWWINDOW | SWP_FRAMECHANGED);
  InvalidateRect(child, nullptr, TRUE);

  const auto bytes = ReadFileBytes(SourcePath("resources/preview.bmp"));
  ASSERT_TRUE(bytes);
  const auto still = tools::DecodeBmp(*bytes);
  ASSERT_TRUE(still);
  // Repainted where it now stands: the still, black around it.
  Image screen;
  auto wrongPixels = [&] {
    int wrong = 0;
    for (int y = 0; y < 120; ++y) {
      for (int x = 0; x < 160; ++x) {
        const Pixel want = (x < still->Width() && y < still->Height()) ? still->At(x, y) : 0;
        wrong += screen.At(x, y) != want;
      }
    }
    return wrong;
  };
  int wrong = 0;
  WaitUntil([&] {
    screen = CaptureScreen();
    return (wrong = wrongPixels()) == 0;
  });
  for (int y = 0, shown = 0; y < 120 && wrong; ++y) {
    for (int x = 0; x < 160; ++x) {
      const Pixel want = (x < still->Width() && y < still->Height()) ? still->At(x, y) : 0;
      if (screen.At(x, y) != want && shown++ < 5) {
        ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex << screen.At(x, y)
                      << ", expected " << want;
      }
    }
  }
  EXPECT_EQ(wrong, 0);
  if (wrong) SaveBmp(screen, folder.path.parent_path() / L"qx-preview-failure.bmp");
}

INSTANTIATE_TEST_SUITE_P(Switches, PreviewE2E,
                         testing::Values(PreviewCase{L" ", "Blank"}, PreviewCase{L":", "Colon"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PreviewLifeE2E, EndsWhenThePaneOwnersProcessDies) {
  TempFolder folder;
  const auto handleFile = folder.path / L"pane.txt";
  auto owner = ScrProcess::StartCommandLine(L"\"" + (DriverFolder() / L"qx_e2e_tests.exe").wstring() +
                                            L"\" --pane-owner \"" + handleFile.wstring() + L"\"");
  ASSERT_TRUE(owner.Started());
  std::optional<std::string> text;
  ASSERT_TRUE(WaitUntil([&] { return (text = ReadFileBytes(handleFile)) && !text->empty(); }));
  HWND paneHwnd = reinterpret_cast<HWND>(std::stoull(*text));
  ASSERT_TRUE(IsWindow(paneHwnd));

  auto p = ScrProcess::Start(folder.scr, L"/p " + std::wstring(text->begin(), text->end()));
  ASSERT_TRUE(WaitUntil([&] { return PreviewChildOf(paneHwnd) != nullptr; }));

  owner.Kill();  // no window of the owner is destroyed on the way
  EXPECT_TRUE(p.WaitForExit(kCeiling)) << "the preview outlived its pane's process";
}

TEST(PreviewLifeE2E, ClosingTheHostEndsTheProcess) {
  TempFolder folder;
  PaneWindow pane(152, 112);
  auto p = ScrProcess::Start(folder.scr, L"/p " + Handle(pane.pane()));
  HWND child = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (child = PreviewChildOf(pane.pane())) != nullptr; }));
  PostMessageW(child, WM_CLOSE, 0, 0);
  EXPECT_TRUE(p.WaitForExit(kCeiling));
  EXPECT_TRUE(IsWindow(pane.pane()));
}

TEST(PreviewLifeE2E, APaneThatNamesNoWindowEndsAtOnce) {
  TempFolder folder;
  for (const std::wstring args :
       {std::wstring(L"/p 0"), std::wstring(L"/p"), std::wstring(L"/p abc"),
        std::wstring(L"/p 99999999"), std::wstring(L"/p 1e30"), L"/p " + std::wstring(20000, L'7')}) {
    auto p = ScrProcess::Start(folder.scr, args);
    EXPECT_TRUE(p.WaitForExit(kCeiling)) << std::string(args.begin(), args.begin() + 8);
  }
}

class PasswordChangeE2E : public testing::Test {
 protected:
  void SetUp() override {
    log_ = folder_.path / L"calls.log";
    SetEnvironmentVariableW(L"QX_STANDIN_LOG", log_.c_str());
    CopyFileW((DriverFolder() / L"mpr.dll").c_str(), (folder_.path / L"mpr.dll").c_str(), FALSE);
    SetDllOverride(L"mpr", L"native,builtin");
  }
  void TearDown() override {
    SetWindowsVersionWin98(false);
    ClearDllOverride(L"mpr");
    SetEnvironmentVariableW(L"QX_STANDIN_LOG", nullptr);
  }
  std::string Calls() { return ReadFileBytes(log_).value_or(""); }

  TempFolder folder_;
  std::filesystem::path log_;
};

TEST_F(PasswordChangeE2E, NTFamilyEndsAtOnceWithoutTheService) {
  auto p = ScrProcess::Start(folder_.scr, L"/a 1234");
  EXPECT_TRUE(p.WaitForExit(kCeiling));
  EXPECT_EQ(Calls(), "");
}

TEST_F(PasswordChangeE2E, Windows95FamilyCallsTheServiceWithTheOwner) {
  SetWindowsVersionWin98(true);
  for (const wchar_t* args : {L"/a 1234", L"/A:1234", L"-a  4321 "}) {
    auto p = ScrProcess::Start(folder_.scr, args);
    EXPECT_TRUE(p.WaitForExit(kCeiling)) << args;
  }
  EXPECT_EQ(Calls(),
            "PwdChangePasswordA|SCRSAVE|1234|0|0\n"
            "PwdChangePasswordA|SCRSAVE|1234|0|0\n"
            "PwdChangePasswordA|SCRSAVE|4321|0|0\n");
}

TEST_F(PasswordChangeE2E, AHandleThatIsNoNumberSkipsTheService) {
  SetWindowsVersionWin98(true);
  for (const wchar_t* args : {L"/a", L"/a abc", L"/a 12x", L"/a 99999999999"}) {
    auto p = ScrProcess::Start(folder_.scr, args);
    EXPECT_TRUE(p.WaitForExit(kCeiling)) << args;
  }
  EXPECT_EQ(Calls(), "");
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
    child = PreviewChildOf(pane.pane());
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
