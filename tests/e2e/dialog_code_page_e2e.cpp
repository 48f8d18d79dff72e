// The settings dialog saves the same file, byte for byte, whatever the
// system's code page (dialog_code_pages.sh runs it under five of them).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "tests/e2e/dialog_driver.h"

namespace qx::e2e {
namespace {

// Run by the code-page scenario as a child process: writes the code page
// the child was started with into the file QX_ACP_PROBE names.
TEST(DialogCodePageE2E, ProbeWritesTheCodePage) {
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
TEST(DialogCodePageE2E, SetSavesTheSameFileWhateverTheCodePage) {
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
                                              L"\" --gtest_filter=DialogCodePageE2E.ProbeWritesTheCodePage");
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
