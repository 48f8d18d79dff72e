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
  ASSERT_TRUE(WriteIniValue(store, kIniSection, kBallCountKey, " 60", file));
  ASSERT_TRUE(WriteIniValue(store, kIniSection, kIntervalKey, " 300", file));
  EXPECT_EQ(Slurp(file), "[Section]\r\n" + std::string(kKeyBallCount) + "= 60\r\n" +
                             std::string(kKeyInterval) + "= 300\r\n");
  // Replacing a value keeps everything else in place.
  ASSERT_TRUE(WriteIniValue(store, kIniSection, kBallCountKey, " 100", file));
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
  ASSERT_TRUE(WriteIniValue(store, "S", SettingsKey(longKey), "1", file));
  EXPECT_EQ(Slurp(file), "[S]\r\n" + std::string(127, 'k') + "=1\r\n");
}

TEST(ReadIniValue, CutsTheValueTo255Characters) {
  TempDir dir;
  const fs::path file = dir.path() / "x.ini";
  Put(file, "[S]\r\nk=" + std::string(1000, '7') + "\r\n");
  PortableFiles store;
  EXPECT_EQ(ReadIniValue(store, "S", SettingsKey("k"), file), std::string(255, '7'));
}

TEST(WriteIniValue, AFileThatCannotBeWrittenIsReportedAndLeftAlone) {
  TempDir dir;
  PortableFiles store;
  // The settings "file" is a folder.
  fs::create_directories(dir.path() / "Quendelrix.ini");
  EXPECT_FALSE(WriteIniValue(store, kIniSection, kBallCountKey, " 60",
                             dir.path() / "Quendelrix.ini"));
  EXPECT_TRUE(fs::is_directory(dir.path() / "Quendelrix.ini"));
  // The folder does not exist.
  EXPECT_FALSE(WriteIniValue(store, kIniSection, kBallCountKey, " 60",
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

std::string ProgramFileText(std::string_view balls, std::string_view interval) {
  return "[Section]\r\n" + std::string(kKeyBallCount) + "=" + std::string(balls) +
         "\r\n" + std::string(kKeyInterval) + "=" + std::string(interval) + "\r\n";
}

TEST(SaveSettings, WritesWhereTheNextStartReads) {
  const std::string beside = "; beside\r\n" + ProgramFileText(" 30", " 150");
  const std::string users = ProgramFileText(" 80", " 450") + "[Mine]\r\nk=v\r\n";
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
      EXPECT_EQ(files.files[kProgramIni], "; beside\r\n" + ProgramFileText(" 42", " 250"));
      EXPECT_FALSE(files.folders.count(kUserIni.parent_path())) << c.name;
    }
    if (c.saved == kUser) {
      EXPECT_EQ(next.IniPath, kUserIni) << c.name;
      // A new user's file starts from the file beside the program.
      const std::string expected =
          c.userFile ? ProgramFileText(" 42", " 250") + "[Mine]\r\nk=v\r\n"
          : c.besideIsAFolder ? ProgramFileText(" 42", " 250")
                              : "; beside\r\n" + ProgramFileText(" 42", " 250");
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
  EXPECT_EQ(files.files[kProgramIni], ProgramFileText(" 46", " 160") + "[Other]\r\nx=1\r\n");

  // Where both spellings are there, the Shift-JIS key wins; under a code page
  // that keeps the bytes, the other spelling is just another key.
  files.files[kProgramIni] = "[Section]\r\n" + legacyInterval + "=111\r\n" +
                             std::string(kKeyInterval) + "=222\r\n";
  EXPECT_EQ(ReadIniValue(files, kIniSection, kIntervalKey, kProgramIni), "222");
  files.codePage = nullptr;
  files.files[kProgramIni] = legacy;
  EXPECT_EQ(ReadIniValue(files, kIniSection, kIntervalKey, kProgramIni), "");
}

// Files in the encodings people save them in load as the system's profile
// functions read them, and a save writes them back in their own encoding
// with every other line kept; a file that cannot be decoded is never
// written, and the save goes on to the user's own file.
TEST(SaveSettings, KeepsTheEncodingOfTheFileItReads) {
  for (const auto& v : testing_vectors::EncodingVectors()) {
    MemoryFiles files("/user");
    files.folders.insert("/prog");
    files.files[kProgramIni] = v.file;
    ModuleValues loaded;
    LoadSettings(loaded, files, "/prog");
    EXPECT_EQ(loaded.BallCount, v.ballCount) << v.name;
    EXPECT_EQ(loaded.Interval, v.interval) << v.name;

    const SaveResult result = SaveSettings(files, loaded, " 42", " 250");
    EXPECT_TRUE(result.saved) << v.name;
    EXPECT_EQ(result.file, v.saved.empty() ? kUserIni : kProgramIni) << v.name;
    EXPECT_EQ(files.files[kProgramIni], v.saved.empty() ? v.file : v.saved) << v.name;
    ModuleValues next;
    LoadSettings(next, files, "/prog");
    EXPECT_EQ(next.BallCount, 42) << v.name;
    EXPECT_EQ(next.Interval, 250) << v.name;

    // A user's file made from the file beside the program (the program's
    // folder may not be written) keeps that file's encoding.
    MemoryFiles standard("/user");
    standard.folders.insert("/prog");
    standard.readOnlyFolders.insert("/prog");
    standard.files[kProgramIni] = v.file;
    ASSERT_TRUE(SaveSettings(standard, loaded, " 42", " 250").saved) << v.name;
    EXPECT_EQ(standard.files[kProgramIni], v.file) << v.name;
    EXPECT_EQ(standard.files[kUserIni], v.saved.empty() ? ProgramFileText(" 42", " 250") : v.saved)
        << v.name;
  }
}

TEST(SettingsEncoding, DecodingThenEncodingGivesTheFileBack) {
  using testing_vectors::Utf16Le;
  const struct {
    const char* name;
    std::string bytes;
    TextEncoding encoding;
    std::string text;
  } cases[] = {
      {"Empty", "", TextEncoding::kBytes, ""},
      {"ShiftJis", "\x8B\x85=1", TextEncoding::kBytes, "\x8B\x85=1"},
      {"Utf8MarkOnly", "\xEF\xBB\xBF", TextEncoding::kUtf8, ""},
      {"Utf8KeepsBytesThatAreNoUtf8", "\xEF\xBB\xBF\xFF\xC3", TextEncoding::kUtf8, "\xFF\xC3"},
      {"Utf16MarkOnly", "\xFF\xFE", TextEncoding::kUtf16Le, ""},
      {"Utf16AllLengths", "\xFF\xFE" + Utf16Le(u"A\u00E9\u7403\U0001F600"), TextEncoding::kUtf16Le,
       "A\xC3\xA9\xE7\x90\x83\xF0\x9F\x98\x80"},
      {"Utf16NulUnit", "\xFF\xFE" + Utf16Le(std::u16string(u"a\0b", 3)), TextEncoding::kUtf16Le,
       std::string("a\0b", 3)},
      {"Utf16LoneSurrogates", "\xFF\xFE" + Utf16Le(u"\xDC00\xD800x\xD83D"), TextEncoding::kUtf16Le,
       "\xED\xB0\x80\xED\xA0\x80x\xED\xA0\xBD"},
  };
  for (const auto& c : cases) {
    const auto decoded = DecodeSettingsText(c.bytes);
    ASSERT_TRUE(decoded) << c.name;
    EXPECT_EQ(*decoded, (SettingsText{c.encoding, c.text})) << c.name;
    EXPECT_EQ(EncodeSettingsText(*decoded), c.bytes) << c.name;
  }
  // Bytes that are no UTF-8 cannot come from a UTF-16 file; written into
  // one, each becomes U+FFFD.
  EXPECT_EQ(EncodeSettingsText({TextEncoding::kUtf16Le, "a\xFF\xE7\x90"}),
            "\xFF\xFE" + Utf16Le(u"a\uFFFD\uFFFD\uFFFD"));
}

}  // namespace
}  // namespace qx
