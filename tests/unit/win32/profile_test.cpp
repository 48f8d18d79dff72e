// The settings file through the system's own profile functions, run under
// Wine with both a Japanese (932) and a Western (1252) code page.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>

#include "platform/win32/win32_system.h"
#include "startup/settings.h"
#include "tests/unit/settings_vectors.h"
#include "tests/unit/test_files.h"

namespace qx {
namespace {

namespace fs = std::filesystem;

using testing_files::Slurp;
using testing_files::TempDir;

const std::string kExpectedFile = "[Section]\r\n" + std::string(kKeyBallCount) + "=" +
                                  "60\r\n" + std::string(kKeyInterval) + "=300\r\n";

// Wine drops the blank before a written value; Windows keeps it. Both read
// back as the same number, so compare with the blank taken out.
std::string WithoutBlankAfterEquals(std::string s) {
  for (size_t at = s.find("= "); at != std::string::npos; at = s.find("= ", at)) {
    s.erase(at + 1, 1);
  }
  return s;
}

TEST(Win32Profile, SettingsVectorsLoadAsThePortableReaderLoadsThem) {
  for (const auto& v : testing_vectors::SettingsVectors()) {
    // The system's reader stops at a NUL byte; the noise vector is checked
    // by the portable reader only.
    if (std::string(v.name) == "BinaryNoise") continue;
    TempDir dir;
    if (v.content != "<none>") {
      std::ofstream(dir.path() / L"Quendelrix.ini", std::ios::binary) << v.content;
    }
    win32::Win32ProfileStore store;
    ModuleValues values;
    LoadSettings(values, store, dir.path());
    EXPECT_EQ(values.BallCount, v.ballCount) << v.name;
    EXPECT_EQ(values.Interval, v.interval) << v.name;
  }
}

TEST(Win32Profile, WritesShiftJisKeysWhateverTheCodePage) {
  for (const std::wstring suffix : {std::wstring(), std::wstring(L"-設定-Ωé")}) {
    TempDir dir(suffix);
    win32::Win32ProfileStore store;
    const fs::path file = IniPathFor(dir.path());
    ASSERT_TRUE(WriteIniValue(store, kIniSection, kKeyBallCount, " 60", file));
    ASSERT_TRUE(WriteIniValue(store, kIniSection, kKeyInterval, " 300", file));
    EXPECT_EQ(WithoutBlankAfterEquals(Slurp(file)), kExpectedFile) << "code page " << GetACP();
    ModuleValues values;
    LoadSettings(values, store, dir.path());
    EXPECT_EQ(values.BallCount, 60);
    EXPECT_EQ(values.Interval, 300);
  }
}

TEST(Win32Profile, NoFileGivesTheDefaults) {
  TempDir dir(L"-ディレクトリ");
  win32::Win32ProfileStore store;
  ModuleValues values;
  LoadSettings(values, store, dir.path());
  EXPECT_EQ(values.BallCount, 60);
  EXPECT_EQ(values.Interval, 300);
  EXPECT_FALSE(fs::exists(dir.path() / L"Quendelrix.ini"));
}

TEST(Win32Profile, AFileThatCannotBeWrittenIsReported) {
  TempDir dir;
  win32::Win32ProfileStore store;
  fs::create_directories(dir.path() / L"Quendelrix.ini");
  EXPECT_FALSE(WriteIniValue(store, kIniSection, kKeyBallCount, " 60",
                             dir.path() / L"Quendelrix.ini"));
  EXPECT_FALSE(WriteIniValue(store, kIniSection, kKeyBallCount, " 60",
                             dir.path() / L"missing" / L"Quendelrix.ini"));
}

TEST(Win32Profile, ProgramFolderNamesTheRunningProgram) {
  const fs::path folder = win32::ProgramFolder();
  EXPECT_TRUE(fs::exists(folder / L"qx_unit_tests.exe")) << folder.string();
}

// Written by one process and read by another under the other code page; the
// test script runs these with QX_CROSS_INI set, in both orders.
TEST(Win32ProfileCrossLocale, Write) {
  wchar_t path[MAX_PATH] = {};
  if (!GetEnvironmentVariableW(L"QX_CROSS_INI", path, MAX_PATH)) GTEST_SKIP();
  win32::Win32ProfileStore store;
  std::error_code ec;
  fs::remove(path, ec);
  ASSERT_TRUE(WriteIniValue(store, kIniSection, kKeyBallCount, " 60", path));
  ASSERT_TRUE(WriteIniValue(store, kIniSection, kKeyInterval, " 300", path));
  EXPECT_EQ(WithoutBlankAfterEquals(Slurp(path)), kExpectedFile);
}

TEST(Win32ProfileCrossLocale, Read) {
  wchar_t path[MAX_PATH] = {};
  if (!GetEnvironmentVariableW(L"QX_CROSS_INI", path, MAX_PATH)) GTEST_SKIP();
  win32::Win32ProfileStore store;
  ModuleValues values;
  LoadSettings(values, store, fs::path(path).parent_path());
  EXPECT_EQ(values.BallCount, 60);
  EXPECT_EQ(values.Interval, 300);
}

}  // namespace
}  // namespace qx
