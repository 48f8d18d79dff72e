#include "startup/quendelrix_b.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "common/utf8.h"

namespace qx {
namespace {

// Records every call the start procedure makes of its host, in order.
class FakeHost final : public StartupHost, public SystemCalls {
 public:
  std::vector<std::string> calls;
  std::map<std::wstring, WindowHandle> windows;
  std::map<WindowHandle, Rect> rects;
  VersionAnswer version{1, kVerPlatformWin32Nt};
  int32_t cursorCounter = 0;
  std::string iniBallCount;  // value of 球の数 in the fake file
  PreviewPlacement preview;
  ModuleValues seenBySaver;

  WindowHandle FindTopLevelWindow(std::wstring_view title) override {
    calls.push_back(title == kSaverTitle ? "Find(Main)" : "Find(Dialog)");
    auto it = windows.find(std::wstring(title));
    return it == windows.end() ? 0 : it->second;
  }
  SystemCalls& System() override { return *this; }
  SettingsFiles& Files() override { return store_; }
  std::filesystem::path ProgramFolder() override { return "prog"; }
  char DecimalSeparator() override { return '.'; }
  void ChangePassword(std::string_view key, int32_t owner) override {
    calls.push_back("ChangePassword(" + std::string(key) + "," + std::to_string(owner) + ")");
  }
  int32_t ShowCursor(bool show) override {
    cursorCounter += show ? 1 : -1;
    calls.push_back(show ? "ShowCursor(TRUE)" : "ShowCursor(FALSE)");
    return cursorCounter;
  }
  float TwipsPerPixelX() override { return 15.0f; }
  float TwipsPerPixelY() override { return 15.0f; }
  void ShowSettingsDialog(ModuleValues&) override { calls.push_back("ShowSettingsDialog"); }
  void LoadSaver(ModuleValues& values) override {
    calls.push_back("LoadSaver");
    seenBySaver = values;
  }
  void LoadPreview(const PreviewPlacement& p) override {
    calls.push_back("LoadPreview");
    preview = p;
  }

  int SetSystemParameter(uint32_t, uint32_t, uint32_t) override { return 1; }
  VersionAnswer QueryVersion() override {
    calls.push_back("GetVersionEx");
    return version;
  }
  bool GetWindowRect(WindowHandle w, Rect& r) override {
    auto it = rects.find(w);
    if (it == rects.end()) return false;
    r = it->second;
    return true;
  }
  void DrawAnimatedRects(WindowHandle, int, const Rect&, const Rect&) override {}

 private:
  // The settings file beside the program, holding 球の数 when iniBallCount
  // is set; every read is recorded.
  class Store final : public SettingsFiles {
   public:
    explicit Store(FakeHost& host) : host_(host) {}
    Content Read(const std::filesystem::path& file) override {
      host_.calls.push_back("Read(" + file.generic_string() + ")");
      if (host_.iniBallCount.empty()) return {};
      return {ReadStatus::kRead, "[Section]\r\n" + std::string(kKeyBallCount) +
                                     "=" + host_.iniBallCount + "\r\n"};
    }
    bool IsFile(const std::filesystem::path&) override { return false; }
    std::optional<std::filesystem::path> WriteBeside(
        const std::filesystem::path&, std::string_view) override {
      host_.calls.push_back("Write");
      return std::nullopt;
    }
    bool Replace(const std::filesystem::path&,
                 const std::filesystem::path&) override { return false; }
    void Remove(const std::filesystem::path&) override {}
    bool CreateFolders(const std::filesystem::path&) override { return false; }
    std::filesystem::path UserDataFolder() override { return {}; }
    std::string InSystemCodePage(std::string_view key) override {
      return std::string(key);
    }

   private:
    FakeHost& host_;
  } store_{*this};
};

using Calls = std::vector<std::string>;
const Calls kChecks = {"Find(Main)", "Find(Dialog)"};
const Calls kLoad = {"Read(prog/Quendelrix.ini)", "Read(prog/Quendelrix.ini)"};

Calls Join(std::initializer_list<Calls> parts) {
  Calls all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

struct DispatchCase {
  std::wstring args;
  StartOutcome outcome;
  Calls calls;
};

TEST(Main, DispatchesEachSwitchInOrder) {
  const std::vector<DispatchCase> cases = {
      {L"/s", StartOutcome::kSaver, Join({kChecks, kLoad, {"ShowCursor(FALSE)", "LoadSaver"}})},
      {L"/S", StartOutcome::kSaver, Join({kChecks, kLoad, {"ShowCursor(FALSE)", "LoadSaver"}})},
      {L"-s", StartOutcome::kSaver, Join({kChecks, kLoad, {"ShowCursor(FALSE)", "LoadSaver"}})},
      {L"/sX", StartOutcome::kSaver, Join({kChecks, kLoad, {"ShowCursor(FALSE)", "LoadSaver"}})},
      {L"", StartOutcome::kSaver, Join({kChecks, kLoad, {"LoadSaver"}})},
      {L"s", StartOutcome::kUnknownSwitch, Join({kChecks, kLoad})},
      {L"/x", StartOutcome::kUnknownSwitch, Join({kChecks, kLoad})},
      {L" s", StartOutcome::kSaver, Join({kChecks, kLoad, {"ShowCursor(FALSE)", "LoadSaver"}})},
      {L"/c", StartOutcome::kSettings, Join({kChecks, kLoad, {"ShowSettingsDialog"}})},
      {L"/c:1234", StartOutcome::kSettings, Join({kChecks, kLoad, {"ShowSettingsDialog"}})},
      {L"/C 99", StartOutcome::kSettings, Join({kChecks, kLoad, {"ShowSettingsDialog"}})},
      {L"/p 1234", StartOutcome::kPreview, Join({kChecks, {"LoadPreview"}})},
      {L"/a 1234", StartOutcome::kPasswordChange, Join({kChecks, kLoad, {"GetVersionEx"}})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf8(c.args));
    FakeHost host;
    Quendelrix_B module(host, CommandLine(c.args));
    EXPECT_EQ(module.Main(), c.outcome);
    EXPECT_EQ(host.calls, c.calls);
  }
}

TEST(Main, AnOpenSaverOrDialogEndsEveryModeAfterBothLookups) {
  for (std::wstring_view title : {kSaverTitle, kDialogTitle}) {
    for (const wchar_t* args : {L"/s", L"", L"/c", L"/p 5", L"/a 5", L"/x"}) {
      SCOPED_TRACE(Utf8(title) + " open, arguments \"" + Utf8(args) + "\"");
      FakeHost host;
      host.windows[std::wstring(title)] = 77;
      Quendelrix_B module(host, CommandLine(args));
      EXPECT_EQ(module.Main(), StartOutcome::kOtherInstance);
      EXPECT_EQ(host.calls, kChecks);
    }
  }
}

TEST(Main, CursorCountHoldsTheCounterOnlyInSaverMode) {
  {
    FakeHost host;
    host.cursorCounter = 0;
    Quendelrix_B module(host, CommandLine(L"/s"));
    module.Main();
    EXPECT_EQ(module.Values().CursorCount, -1);
    EXPECT_EQ(host.seenBySaver.CursorCount, -1);
  }
  {
    FakeHost host;
    Quendelrix_B module(host, CommandLine(L""));
    module.Main();
    EXPECT_EQ(module.Values().CursorCount, 0);
  }
}

TEST(Main, TheSaverSeesTheLoadedSettings) {
  FakeHost host;
  host.iniBallCount = "35";
  Quendelrix_B module(host, CommandLine(L"/s"));
  module.Main();
  EXPECT_EQ(host.seenBySaver.BallCount, 35);
  EXPECT_EQ(host.seenBySaver.Interval, 300);
  EXPECT_EQ(host.seenBySaver.IniPath, IniPathFor("prog"));
  EXPECT_TRUE(host.seenBySaver.Args.IsSaverMode());
}

TEST(Main, PasswordChangeOnTheWindows95Family) {
  const struct {
    const wchar_t* args;
    const char* call;  // nullptr: the service is not called
  } cases[] = {
      {L"/a 1234", "ChangePassword(SCRSAVE,1234)"},
      {L"/a:1234", "ChangePassword(SCRSAVE,1234)"},
      {L"/a  1234  ", "ChangePassword(SCRSAVE,1234)"},
      {L"/a 12.5", "ChangePassword(SCRSAVE,12)"},
      {L"/a -7", "ChangePassword(SCRSAVE,-7)"},
      {L"/a 2147483647", "ChangePassword(SCRSAVE,2147483647)"},
      {L"/a 2147483648", nullptr},
      {L"/a abc", nullptr},
      {L"/a 12x", nullptr},
      {L"/a", nullptr},
      {L"/a1234", "ChangePassword(SCRSAVE,234)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf8(c.args));
    FakeHost host;
    host.version = {1, 1};  // Windows 98
    Quendelrix_B module(host, CommandLine(c.args));
    EXPECT_EQ(module.Main(), StartOutcome::kPasswordChange);
    Calls expected = Join({kChecks, kLoad, {"GetVersionEx"}});
    if (c.call) expected.push_back(c.call);
    EXPECT_EQ(host.calls, expected);
  }
}

TEST(Main, PasswordChangeEndsWhenTheVersionCannotBeRead) {
  FakeHost host;
  host.version = {0, kVerPlatformWin32Nt};  // call failed: not NT
  Quendelrix_B module(host, CommandLine(L"/a 5"));
  module.Main();
  EXPECT_EQ(host.calls.back(), "ChangePassword(SCRSAVE,5)");
}

TEST(CommandLine, SplitsOffTheProgramsPath) {
  const struct {
    const wchar_t* full;
    const wchar_t* args;
  } cases[] = {
      {L"\"C:\\Program Files\\Quendelrix.scr\" /s", L"/s"},
      {L"\"C:\\Program Files\\Quendelrix.scr\"   /p 1234", L"/p 1234"},
      {L"C:\\WINDOWS\\QUENDE~1.SCR /c:5", L"/c:5"},
      {L"Quendelrix.scr", L""},
      {L"\"Quendelrix.scr\"", L""},
      {L"  \"a b.scr\"\t/a 7 ", L"/a 7 "},
      {L"\"unterminated /s", L""},
      {L"", L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf8(c.full));
    EXPECT_EQ(CommandLine::FromFullCommandLine(c.full).Text(), c.args);
  }
}

TEST(CommandLine, ModeLetterAndHandleText) {
  EXPECT_EQ(CommandLine(L"/p 1234").ModeLetter(), L'P');
  EXPECT_EQ(CommandLine(L"xs").ModeLetter(), L'S');
  EXPECT_EQ(CommandLine(L"s").ModeLetter(), 0);
  EXPECT_EQ(CommandLine(L"").ModeLetter(), 0);
  EXPECT_EQ(CommandLine(L"/p 1234").HandleText(), L"1234");
  EXPECT_EQ(CommandLine(L"/p:1234").HandleText(), L"1234");
  EXPECT_EQ(CommandLine(L"/p1234").HandleText(), L"234");
  EXPECT_EQ(CommandLine(L"/p").HandleText(), L"");
  EXPECT_EQ(CommandLine(L"/p ").HandleText(), L"");
}

TEST(Preview, PlacementFromThePane) {
  FakeHost host;
  host.rects[1234] = Rect{300, 200, 452, 312};  // 152 x 112
  const auto p = Quendelrix_B::PlacePreview(L"1234", host, 15.0f, 15.0f);
  EXPECT_EQ(p, (PreviewPlacement{1234, 0, 0, 2280, 1680, 152.0f, 112.0f}));
  // The handle text is read leniently.
  EXPECT_EQ(Quendelrix_B::PlacePreview(L" 12 34", host, 15, 15).pane, 1234);
  EXPECT_EQ(Quendelrix_B::PlacePreview(L"1234abc", host, 15, 15).widthTwips, 2280);
  EXPECT_EQ(Quendelrix_B::PlacePreview(L"abc", host, 15, 15).pane, 0);
  EXPECT_EQ(Quendelrix_B::PlacePreview(L"1233.5", host, 15, 15).pane, 1234);
  EXPECT_EQ(Quendelrix_B::PlacePreview(L"99999999999", host, 15, 15).pane, 0);
}

TEST(Preview, PanesTooLargeForSixteenBitTwipsGetNoSize) {
  FakeHost host;
  host.rects[1] = Rect{0, 0, 2184, 2185};  // 32760 twips fit, 32775 do not
  const auto p = Quendelrix_B::PlacePreview(L"1", host, 15, 15);
  EXPECT_EQ(p.widthTwips, 32760);
  EXPECT_EQ(p.heightTwips, 0);
  EXPECT_EQ(p.imageHeight, 0.0f);
  // A window that does not exist leaves the rectangle all zero.
  EXPECT_EQ(Quendelrix_B::PlacePreview(L"42", host, 15, 15),
            (PreviewPlacement{42, 0, 0, 0, 0, 0.0f, 0.0f}));
  // A rectangle whose width overflows 32 bits is skipped, not wrapped.
  host.rects[2] = Rect{-2147483647, 0, 2147483647, 10};
  EXPECT_EQ(Quendelrix_B::PlacePreview(L"2", host, 15, 15).widthTwips, 0);
}

}  // namespace
}  // namespace qx
