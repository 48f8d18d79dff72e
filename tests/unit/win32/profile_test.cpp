// The settings file through the system's file functions, run under Wine with
// the Japanese (932), Chinese (936, 950), Korean (949) and Western (1252)
// code pages by locale_runs.sh.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>

#include "platform/win32/win32_system.h"
#include "startup/settings.h"
#include "tests/unit/memory_files.h"
#include "tests/unit/settings_vectors.h"
#include "tests/unit/test_files.h"

namespace qx {
namespace {

namespace fs = std::filesystem;

using testing_files::Put;
using testing_files::Slurp;
using testing_files::TempDir;

// The system's file functions with the user's data in a folder of the test's
// own, so that a settings file a user saved never changes what a test reads.
class TestFiles {
 public:
  explicit TestFiles(fs::path userData = {}) : files(real, std::move(userData)) {}
  operator SettingsFiles&() { return files; }
  win32::Win32SettingsFiles real;
  testing_files::ForwardingFiles files;
};

std::string FixedFile() {
  return Slurp(fs::path(QX_SOURCE_DIR) / "tests/unit/win32/shift_jis_settings.ini");
}

size_t EntriesIn(const fs::path& folder) {
  return static_cast<size_t>(
      std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(Win32Profile, SettingsVectorsLoadAsThePortableReaderLoadsThem) {
  for (const auto& v : testing_vectors::SettingsVectors()) {
    SCOPED_TRACE(v.name);
    TempDir dir;
    if (v.content != "<none>") Put(dir.path() / L"Quendelrix.ini", v.content);
    TestFiles files;
    ModuleValues values;
    LoadSettings(values, files, dir.path());
    EXPECT_EQ(values.BallCount, v.ballCount) << v.name;
    EXPECT_EQ(values.Interval, v.interval) << v.name;
  }
}

TEST(Win32Profile, SavesShiftJisKeysWhateverTheCodePageAndFolderName) {
  ASSERT_EQ(FixedFile().size(), 37u);
  for (const std::wstring& suffix : {std::wstring(), std::wstring(L"-設定-Ωé")}) {
    TempDir dir(suffix);
    TestFiles files;
    ModuleValues values;
    LoadSettings(values, files, dir.path());
    EXPECT_EQ(values.IniPath, IniPathFor(dir.path()));
    EXPECT_FALSE(fs::exists(values.IniPath));  // no file: the defaults
    EXPECT_EQ(values.BallCount, 60);
    EXPECT_EQ(values.Interval, 300);
    ASSERT_TRUE(SaveSettings(files, values, " 60", " 300").saved);
    EXPECT_EQ(Slurp(values.IniPath), FixedFile()) << "code page " << GetACP();
    EXPECT_EQ(EntriesIn(dir.path()), 1u);  // no temporary file left
  }
}

// A file the program wrote before it had its own writer: the system's ANSI
// profile functions re-encoded the keys through the code page.
TEST(Win32Profile, FilesTheSystemsAnsiFunctionsWroteStillRead) {
  TempDir dir;
  const fs::path file = IniPathFor(dir.path());
  const std::string path = file.string();  // the temporary folder is ASCII
  const std::string section(kIniSection);
  ASSERT_TRUE(WritePrivateProfileStringA(section.c_str(), std::string(kKeyBallCount).c_str(),
                                         " 45", path.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringA(section.c_str(), std::string(kKeyInterval).c_str(),
                                         " 150", path.c_str()));
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());  // flush
  ASSERT_TRUE(WritePrivateProfileStringA("Other", "k", "v", path.c_str()));
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
  TestFiles files;
  ModuleValues values;
  LoadSettings(values, files, dir.path());
  EXPECT_EQ(values.BallCount, 45) << "code page " << GetACP();
  EXPECT_EQ(values.Interval, 150) << "code page " << GetACP();

  // Saving writes the Shift-JIS keys only, on the lines the old ones held.
  ASSERT_TRUE(SaveSettings(files, values, " 60", " 300").saved);
  const std::string saved = Slurp(file);
  EXPECT_EQ(saved.substr(0, FixedFile().size()), FixedFile()) << "code page " << GetACP();
  EXPECT_EQ(IniLookup(saved, "Other", "k"), "v");
  EXPECT_EQ(std::count(saved.begin(), saved.end(), '='), 3);
}

// What the system's wide profile functions read for a key, or `fallback`.
int SystemNumber(const fs::path& file, const wchar_t* key, int fallback) {
  return static_cast<int>(GetPrivateProfileIntW(L"Section", key, fallback, file.c_str()));
}

// The settings file in each encoding people save it in, through the system's
// file functions: where the system's own profile functions read a file, they
// read the same numbers as the program, from the file before the save and
// from the one the program wrote; a file the program cannot decode stays as
// it is and the save goes to the user's file.
TEST(Win32Profile, EachEncodingReadsAsTheSystemReadsItAndSavesInItsOwn) {
  for (const auto& v : testing_vectors::EncodingVectors()) {
    TempDir program;
    TempDir user;
    const fs::path file = IniPathFor(program.path());
    Put(file, v.file);
    if (v.systemReads) {
      EXPECT_EQ(SystemNumber(file, L"球の数", 60), v.ballCount) << v.name;
      EXPECT_EQ(SystemNumber(file, L"ｲﾝﾀｰﾊﾞﾙ", 300), v.interval) << v.name;
    }
    TestFiles files(user.path());
    ModuleValues values;
    LoadSettings(values, files, program.path());
    EXPECT_EQ(values.BallCount, v.ballCount) << v.name;
    EXPECT_EQ(values.Interval, v.interval) << v.name;

    const SaveResult result = SaveSettings(files, values, " 42", " 250");
    ASSERT_TRUE(result.saved) << v.name;
    if (v.saved.empty()) {
      EXPECT_EQ(Slurp(file), v.file) << v.name;
      EXPECT_EQ(result.file, user.path() / L"Quendelrix" / L"Quendelrix.ini") << v.name;
      continue;
    }
    EXPECT_EQ(result.file, file) << v.name;
    EXPECT_EQ(Slurp(file), v.saved) << v.name;
    EXPECT_EQ(EntriesIn(program.path()), 1u) << v.name;
    if (v.systemReads) {
      EXPECT_EQ(SystemNumber(file, L"球の数", 60), 42) << v.name;
      EXPECT_EQ(SystemNumber(file, L"ｲﾝﾀｰﾊﾞﾙ", 300), 250) << v.name;
    }
  }
}

TEST(Win32Profile, AFailedSaveLeavesTheFileAndNoTemporaryFile) {
  TempDir dir;
  const fs::path file = IniPathFor(dir.path());
  const std::string before = "; mine\r\n[Section]\r\n" + std::string(kKeyBallCount) + "=33\r\n";
  Put(file, before);
  TestFiles files;
  ModuleValues values;
  LoadSettings(values, files, dir.path());
  files.files.failReplace = true;  // after the temporary file is written
  const SaveResult result = SaveSettings(files, values, " 60", " 300");
  EXPECT_FALSE(result.saved);
  EXPECT_EQ(result.file, file);
  ASSERT_TRUE(files.files.tempWritten);
  EXPECT_FALSE(fs::exists(*files.files.temp));
  EXPECT_EQ(Slurp(file), before);
  EXPECT_EQ(EntriesIn(dir.path()), 1u);
  // A settings "file" that is a folder cannot be replaced.
  fs::remove(file);
  fs::create_directory(file);
  files.files.failReplace = false;
  EXPECT_FALSE(SaveSettings(files, values, " 60", " 300").saved);
  EXPECT_TRUE(fs::is_directory(file));
  EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST(Win32Profile, AnUnwritableProgramFolderSavesIntoTheUsersFile) {
  TempDir program;
  TempDir user(L"-ユーザー");
  fs::create_directory(IniPathFor(program.path()));  // cannot be written
  TestFiles files(user.path());
  ModuleValues values;
  LoadSettings(values, files, program.path());
  const SaveResult result = SaveSettings(files, values, " 60", " 300");
  EXPECT_TRUE(result.saved);
  EXPECT_EQ(result.file, user.path() / L"Quendelrix" / L"Quendelrix.ini");
  EXPECT_EQ(Slurp(result.file), FixedFile());
  ModuleValues next;
  LoadSettings(next, files, program.path());
  EXPECT_EQ(next.IniPath, result.file);
}

TEST(Win32Profile, TheProgramAndTheUsersDataFolderExist) {
  win32::Win32SettingsFiles files;
  EXPECT_TRUE(fs::exists(win32::ProgramFolder() / L"qx_unit_tests.exe"));
  const fs::path roaming = files.UserDataFolder();
  EXPECT_TRUE(fs::is_directory(roaming)) << roaming.string();
  EXPECT_FALSE(files.IsFile(roaming));
}

// One process writes under its code page, the next one reads under another;
// locale_runs.sh chains them through QX_CROSS_IN and QX_CROSS_OUT and names
// the code page it expects in QX_EXPECT_ACP.
std::optional<fs::path> EnvPath(const wchar_t* name) {
  wchar_t path[MAX_PATH] = {};
  if (!GetEnvironmentVariableW(name, path, MAX_PATH)) return std::nullopt;
  return fs::path(path);
}

TEST(Win32ProfileCrossLocale, WriteThenReadUnderAnotherCodePage) {
  const auto in = EnvPath(L"QX_CROSS_IN");
  const auto out = EnvPath(L"QX_CROSS_OUT");
  if (!in && !out) GTEST_SKIP() << "run by locale_runs.sh";
  if (const auto expect = EnvPath(L"QX_EXPECT_ACP")) {
    ASSERT_EQ(std::to_wstring(GetACP()), expect->wstring());
  }
  TestFiles files;
  if (in) {
    ASSERT_EQ(Slurp(*in), FixedFile());
    ModuleValues values;
    LoadSettings(values, files, in->parent_path());
    EXPECT_EQ(values.BallCount, 60);
    EXPECT_EQ(values.Interval, 300);
  }
  if (out) {
    std::error_code ec;
    fs::remove(*out, ec);
    ModuleValues values;
    LoadSettings(values, files, out->parent_path());
    const SaveResult result = SaveSettings(files, values, " 60", " 300");
    ASSERT_TRUE(result.saved) << result.file.string();
    EXPECT_EQ(Slurp(*out), FixedFile());
  }
}

}  // namespace
}  // namespace qx
