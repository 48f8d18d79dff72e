#include "startup/settings.h"

#include <gtest/gtest.h>

#include "tests/unit/settings_vectors.h"
#include "tests/unit/test_files.h"

namespace qx {
namespace {

namespace fs = std::filesystem;
using testing_vectors::SettingsVectors;

using testing_files::Put;
using testing_files::Slurp;
using testing_files::TempDir;

TEST(LoadSettings, FilesOnDiskLoadAsTheSystemReadsThem) {
  for (const auto& v : SettingsVectors()) {
    TempDir dir;
    if (v.content != "<none>") Put(dir.path() / "Quendelrix.ini", v.content);
    IniFileStore store;
    ModuleValues values;
    LoadSettings(values, store, dir.path());
    EXPECT_EQ(values.BallCount, v.ballCount) << v.name;
    EXPECT_EQ(values.Interval, v.interval) << v.name;
    EXPECT_EQ(values.IniPath, IniPathFor(dir.path())) << v.name;
    EXPECT_EQ(values.IniKey, kKeyInterval) << v.name;
  }
}

TEST(LoadSettings, AFailedValueKeepsWhatTheSettingHeld) {
  TempDir dir;
  Put(dir.path() / "Quendelrix.ini",
      "[Section]\r\n" + std::string(kKeyBallCount) + "=abc\r\n" +
          std::string(kKeyInterval) + "=99999\r\n");
  IniFileStore store;
  ModuleValues values;
  values.BallCount = 7;
  values.Interval = -4;
  LoadSettings(values, store, dir.path());
  EXPECT_EQ(values.BallCount, 7);
  EXPECT_EQ(values.Interval, -4);
  EXPECT_EQ(values.IniValue, "99999");  // the last value read stays
}

TEST(LoadSettings, LocaleDecimalSeparator) {
  TempDir dir;
  Put(dir.path() / "Quendelrix.ini",
      "[Section]\r\n" + std::string(kKeyBallCount) + "=60,7\r\n");
  IniFileStore store;
  ModuleValues values;
  LoadSettings(values, store, dir.path(), ',');
  EXPECT_EQ(values.BallCount, 60);
  LoadSettings(values, store, dir.path(), '.');
  EXPECT_EQ(values.BallCount, 60);  // "60,7" is no number here: unchanged
}

TEST(IniPath, AlwaysAddsOneSeparator) {
#ifdef _WIN32
  EXPECT_EQ(IniPathFor(L"C:\\Apps\\Saver").wstring(), L"C:\\Apps\\Saver\\Quendelrix.ini");
  EXPECT_EQ(IniPathFor(L"D:\\").wstring(), L"D:\\\\Quendelrix.ini");
#else
  EXPECT_EQ(IniPathFor("/opt/saver").string(), "/opt/saver/Quendelrix.ini");
#endif
}

TEST(WriteIniValue, WritesTheLayoutOfTheSystemsProfileFiles) {
  TempDir dir;
  const fs::path file = dir.path() / "Quendelrix.ini";
  IniFileStore store;
  ASSERT_TRUE(WriteIniValue(store, kIniSection, kKeyBallCount, " 60", file));
  ASSERT_TRUE(WriteIniValue(store, kIniSection, kKeyInterval, " 300", file));
  EXPECT_EQ(Slurp(file), "[Section]\r\n" + std::string(kKeyBallCount) + "= 60\r\n" +
                             std::string(kKeyInterval) + "= 300\r\n");
  // Replacing a value keeps everything else in place.
  ASSERT_TRUE(WriteIniValue(store, kIniSection, kKeyBallCount, " 100", file));
  EXPECT_EQ(Slurp(file), "[Section]\r\n" + std::string(kKeyBallCount) + "= 100\r\n" +
                             std::string(kKeyInterval) + "= 300\r\n");
  ModuleValues values;
  LoadSettings(values, store, dir.path());
  EXPECT_EQ(values.BallCount, 100);
  EXPECT_EQ(values.Interval, 300);
}

TEST(WriteIniValue, KeepsOtherSectionsAndKeys) {
  const std::string before =
      "; kept\r\n[Other]\r\na=1\r\n\r\n[Section]\r\nx=2\r\n\r\n[Last]\r\nb=3";
  const std::string after = IniUpdate(before, "Section", "y", "4");
  EXPECT_EQ(after, "; kept\r\n[Other]\r\na=1\r\n\r\n[Section]\r\nx=2\r\ny=4\r\n\r\n[Last]\r\nb=3");
  EXPECT_EQ(IniUpdate("[Last]\r\nb=3", "New", "k", "v"), "[Last]\r\nb=3\r\n\r\n[New]\r\nk=v\r\n");
  EXPECT_EQ(IniUpdate("[Section]\r\nx=2", "Section", "y", "4"), "[Section]\r\nx=2\r\ny=4\r\n");
  EXPECT_EQ(IniLookup(after, "section", "Y"), "4");
  EXPECT_EQ(IniLookup(after, "Other", "a"), "1");
}

TEST(WriteIniValue, CutsSectionAndKeyTo127Characters) {
  TempDir dir;
  const fs::path file = dir.path() / "x.ini";
  IniFileStore store;
  const std::string longKey(300, 'k');
  ASSERT_TRUE(WriteIniValue(store, "S", longKey, "1", file));
  EXPECT_EQ(Slurp(file), "[S]\r\n" + std::string(127, 'k') + "=1\r\n");
}

TEST(ReadIniValue, CutsTheValueTo255Characters) {
  TempDir dir;
  const fs::path file = dir.path() / "x.ini";
  Put(file, "[S]\r\nk=" + std::string(1000, '7') + "\r\n");
  IniFileStore store;
  EXPECT_EQ(ReadIniValue(store, "S", "k", file), std::string(255, '7'));
}

TEST(WriteIniValue, AFileThatCannotBeWrittenIsReportedAndLeftAlone) {
  TempDir dir;
  IniFileStore store;
  // The settings "file" is a folder.
  fs::create_directories(dir.path() / "Quendelrix.ini");
  EXPECT_FALSE(WriteIniValue(store, kIniSection, kKeyBallCount, " 60",
                             dir.path() / "Quendelrix.ini"));
  EXPECT_TRUE(fs::is_directory(dir.path() / "Quendelrix.ini"));
  // The folder does not exist.
  EXPECT_FALSE(WriteIniValue(store, kIniSection, kKeyBallCount, " 60",
                             dir.path() / "missing" / "Quendelrix.ini"));
  EXPECT_FALSE(fs::exists(dir.path() / "missing"));
}

TEST(ReadIniValue, HugeFilesAndLongLinesAreRead) {
  std::string content = "[Filler]\r\n";
  for (int i = 0; i < 20000; ++i) content += "key" + std::to_string(i) + "=value\r\n";
  content += "[Section]\r\n" + std::string(kKeyInterval) + "=450\r\n";
  EXPECT_EQ(IniLookup(content, kIniSection, kKeyInterval), "450");
  EXPECT_EQ(IniLookup(std::string(1 << 20, '['), kIniSection, kKeyInterval), "");
}

}  // namespace
}  // namespace qx
