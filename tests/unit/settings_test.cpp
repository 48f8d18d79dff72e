#include "startup/settings.h"

#include <gtest/gtest.h>

#include "tests/unit/memory_files.h"
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
    SCOPED_TRACE(v.name);
    TempDir dir;
    if (v.content != "<none>") Put(dir.path() / "Quendelrix.ini", v.content);
    PortableFiles store;
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
  PortableFiles store;
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
  PortableFiles store;
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
  PortableFiles store;
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
  PortableFiles store;
  const std::string longKey(300, 'k');
  ASSERT_TRUE(WriteIniValue(store, "S", longKey, "1", file));
  EXPECT_EQ(Slurp(file), "[S]\r\n" + std::string(127, 'k') + "=1\r\n");
}

TEST(ReadIniValue, CutsTheValueTo255Characters) {
  TempDir dir;
  const fs::path file = dir.path() / "x.ini";
  Put(file, "[S]\r\nk=" + std::string(1000, '7') + "\r\n");
  PortableFiles store;
  EXPECT_EQ(ReadIniValue(store, "S", "k", file), std::string(255, '7'));
}

TEST(WriteIniValue, AFileThatCannotBeWrittenIsReportedAndLeftAlone) {
  TempDir dir;
  PortableFiles store;
  // The settings "file" is a folder.
  fs::create_directories(dir.path() / "Quendelrix.ini");
  EXPECT_FALSE(WriteIniValue(store, kIniSection, kKeyBallCount, " 60",
                             dir.path() / "Quendelrix.ini"));
  EXPECT_TRUE(fs::is_directory(dir.path() / "Quendelrix.ini"));
  // The folder does not exist.
  EXPECT_FALSE(WriteIniValue(store, kIniSection, kKeyBallCount, " 60",
                             dir.path() / "missing" / "Quendelrix.ini"));
  EXPECT_FALSE(fs::exists(dir.path() / "missing"));
  // The temporary file was written beside the folder and is gone again.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(ReadIniValue, HugeFilesAndLongLinesAreRead) {
  std::string content = "[Filler]\r\n";
  for (int i = 0; i < 20000; ++i) content += "key" + std::to_string(i) + "=value\r\n";
  content += "[Section]\r\n" + std::string(kKeyInterval) + "=450\r\n";
  EXPECT_EQ(IniLookup(content, kIniSection, kKeyInterval), "450");
  EXPECT_EQ(IniLookup(std::string(1 << 20, '['), kIniSection, kKeyInterval), "");
}

using testing_files::MemoryFiles;

// The two places of the settings file in the in-memory file system: the
// program in /prog, the user's data in /user.
const fs::path kProgramIni = IniPathFor("/prog");
const fs::path kUserIni = UserIniPathFor("/user");

std::string SettingsText(std::string_view balls, std::string_view interval) {
  return "[Section]\r\n" + std::string(kKeyBallCount) + "=" + std::string(balls) +
         "\r\n" + std::string(kKeyInterval) + "=" + std::string(interval) + "\r\n";
}

TEST(SaveSettings, WritesWhereTheNextStartReads) {
  const std::string beside = "; beside\r\n" + SettingsText(" 30", " 150");
  const std::string users = SettingsText(" 80", " 450") + "[Mine]\r\nk=v\r\n";
  enum Place { kNowhere, kBeside, kUser };
  const struct {
    const char* name;
    bool userFile;           // the user's file exists
    bool programWritable;    // the program's folder may be written
    bool userDataWritable;   // the user's data folder may be written
    bool userData = true;    // the system has a user's data folder
    bool besideIsAFolder = false;
    Place saved;             // where the values end up (kNowhere: failed)
    fs::path named;          // the file the result names
  } cases[] = {
      {"OwnCopy", false, true, true, true, false, kBeside, kProgramIni},
      {"SystemFolder", false, false, true, true, false, kUser, kUserIni},
      {"BesideIsAFolder", false, true, true, true, true, kUser, kUserIni},
      {"UserFileWins", true, true, true, true, false, kUser, kUserIni},
      {"UserFileCannotBeWritten", true, true, false, true, false, kNowhere, kUserIni},
      {"NeitherCanBeWritten", false, false, false, true, false, kNowhere, kUserIni},
      {"NoUserDataFolder", false, false, false, false, false, kNowhere, kProgramIni},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryFiles files(c.userData ? "/user" : "");
    files.folders.insert("/prog");
    if (c.besideIsAFolder) {
      files.folders.insert(kProgramIni);
    } else {
      files.files[kProgramIni] = beside;
    }
    if (c.userFile) {
      files.folders.insert(kUserIni.parent_path());
      files.files[kUserIni] = users;
    }
    if (!c.programWritable) files.readOnlyFolders.insert("/prog");
    if (!c.userDataWritable) {
      files.readOnlyFolders.insert("/user");
      files.readOnlyFolders.insert(kUserIni.parent_path());
    }
    ModuleValues loaded;
    LoadSettings(loaded, files, "/prog");
    EXPECT_EQ(loaded.IniPath, c.userFile ? kUserIni : kProgramIni) << c.name;
    const auto before = files.files;

    const SaveResult result = SaveSettings(files, loaded, " 42", " 250");
    EXPECT_EQ(result.saved, c.saved != kNowhere) << c.name;
    EXPECT_EQ(result.file, c.named) << c.name;

    // The next start reads what was saved, or what was there before.
    ModuleValues next;
    LoadSettings(next, files, "/prog");
    const int16_t balls = c.saved != kNowhere ? 42 : loaded.BallCount;
    EXPECT_EQ(next.BallCount, balls) << c.name;
    EXPECT_EQ(next.Interval, c.saved != kNowhere ? 250 : loaded.Interval) << c.name;
    if (c.saved == kNowhere) {
      EXPECT_EQ(files.files, before) << c.name;  // nothing changed, no temp
    }
    if (c.saved == kBeside) {
      EXPECT_EQ(files.files[kProgramIni], "; beside\r\n" + SettingsText(" 42", " 250"));
      EXPECT_FALSE(files.folders.count(kUserIni.parent_path())) << c.name;
    }
    if (c.saved == kUser) {
      EXPECT_EQ(next.IniPath, kUserIni) << c.name;
      // A new user's file starts from the file beside the program.
      const std::string expected =
          c.userFile ? SettingsText(" 42", " 250") + "[Mine]\r\nk=v\r\n"
          : c.besideIsAFolder ? SettingsText(" 42", " 250")
                              : "; beside\r\n" + SettingsText(" 42", " 250");
      EXPECT_EQ(files.files[kUserIni], expected) << c.name;
      if (!c.besideIsAFolder) {
        EXPECT_EQ(files.files[kProgramIni], beside) << c.name;
      }
    }
  }
}

TEST(SaveSettings, ReplacesTheFileInOneStepKeepingEveryOtherLine) {
  TempDir dir;
  const fs::path file = IniPathFor(dir.path());
  // Comments, other sections and keys, blank lines, LF-only line ends and a
  // last line without an end: all of it stays byte for byte.
  const std::string before =
      "; Quendelrix\r\n[Other]\na=1\r\n\r\n[Section]\r\n  ; note\r\n" +
      std::string(kKeyInterval) + " = 120\r\nextra=yes\r\n" +
      std::string(kKeyBallCount) + "=33\r\n\r\n[Last]\r\nb=2";
  Put(file, before);
  ModuleValues values;
  PortableFiles files;
  LoadSettings(values, files, dir.path());
  ASSERT_EQ(values.BallCount, 33);
  ASSERT_EQ(values.Interval, 120);

  // The replace fails after the temporary file was written, as a full disk
  // or a file held open by another program would make it.
  testing_files::ForwardingFiles failing(files);
  failing.failReplace = true;
  const SaveResult failed = SaveSettings(failing, values, " 99", " 400");
  EXPECT_FALSE(failed.saved);
  EXPECT_EQ(failed.file, file);
  EXPECT_TRUE(failing.tempWritten) << "the failure comes after the temporary file";
  EXPECT_EQ(failing.replaces, 1);
  EXPECT_EQ(Slurp(file), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1)
      << "a temporary file was left behind";

  const SaveResult saved = SaveSettings(files, values, " 99", " 400");
  EXPECT_TRUE(saved.saved);
  EXPECT_EQ(Slurp(file),
            "; Quendelrix\r\n[Other]\na=1\r\n\r\n[Section]\r\n  ; note\r\n" +
                std::string(kKeyInterval) + "= 400\r\nextra=yes\r\n" +
                std::string(kKeyBallCount) + "= 99\r\n\r\n[Last]\r\nb=2");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(ReadIniValue, KeysTheSystemsCodePageStoredDifferentlyAreStillRead) {
  // Code pages 936 and 949 pair the interval key's bytes and lose the last
  // one; the ball-count key survives.
  const std::string legacyInterval(kKeyInterval.substr(0, kKeyInterval.size() - 1));
  MemoryFiles files;
  files.folders.insert("/prog");
  files.codePage = [&](std::string_view key) {
    return key == kKeyInterval ? legacyInterval : std::string(key);
  };
  const std::string legacy = "[Section]\r\n" + std::string(kKeyBallCount) + "=45\r\n" +
                             legacyInterval + "=150\r\n[Other]\r\nx=1\r\n";
  files.files[kProgramIni] = legacy;
  ModuleValues values;
  LoadSettings(values, files, "/prog");
  EXPECT_EQ(values.BallCount, 45);
  EXPECT_EQ(values.Interval, 150);

  // Saving writes only the Shift-JIS key, on the line the old one held.
  ASSERT_TRUE(SaveSettings(files, values, " 46", " 160").saved);
  EXPECT_EQ(files.files[kProgramIni], SettingsText(" 46", " 160") + "[Other]\r\nx=1\r\n");

  // Where both spellings are there, the Shift-JIS key wins; under a code page
  // that keeps the bytes, the other spelling is just another key.
  files.files[kProgramIni] = "[Section]\r\n" + legacyInterval + "=111\r\n" +
                             std::string(kKeyInterval) + "=222\r\n";
  EXPECT_EQ(ReadIniValue(files, kIniSection, kKeyInterval, kProgramIni), "222");
  files.codePage = nullptr;
  files.files[kProgramIni] = legacy;
  EXPECT_EQ(ReadIniValue(files, kIniSection, kKeyInterval, kProgramIni), "");
}

}  // namespace
}  // namespace qx
