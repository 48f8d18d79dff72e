// The setup program as a user meets it, run silently under Wine: where the
// files, keys and Start-menu entries go for one user and for everyone, what
// the uninstaller gives back, which settings survive, and that the installed
// entries start the real program.
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "startup/window_titles.h"
#include "tests/e2e/harness.h"

namespace qx::e2e {
namespace {

namespace fs = std::filesystem;

constexpr wchar_t kUninstallKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quendelrix";
constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
// The user's saver before a copy for everyone replaced their own.
constexpr wchar_t kPreviousKey[] = L"Software\\Quendelrix";
constexpr wchar_t kSettingsEntry[] = L"Quendelrixの設定.lnk";
constexpr wchar_t kPrevious[] = L"C:\\windows\\system32\\previous.scr";
constexpr wchar_t kOther[] = L"C:\\savers\\other.scr";
// 球の数 and ｲﾝﾀｰﾊﾞﾙ as the settings file stores them (Shift-JIS).
const std::string kSettingsText =
    "[Section]\r\n\x8B\x85\x82\xCC\x90\x94=35\r\n\xB2\xDD\xC0\xB0\xCA\xDE\xD9=420\r\n";

fs::path SetupPath() { return FromUnixPath(QX_SETUP_PATH); }

fs::path KnownFolder(REFKNOWNFOLDERID id) {
  wchar_t* path = nullptr;
  fs::path result;
  if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path))) result = path;
  CoTaskMemFree(path);
  return result;
}

fs::path PerUserFolder() { return KnownFolder(FOLDERID_LocalAppData) / L"Programs" / L"Quendelrix"; }
fs::path AllUsersUninstallerFolder() { return KnownFolder(FOLDERID_ProgramFilesX64) / L"Quendelrix"; }
fs::path SystemFolder() { return KnownFolder(FOLDERID_System); }
fs::path UserMenu() { return KnownFolder(FOLDERID_Programs) / L"Quendelrix"; }
fs::path CommonMenu() { return KnownFolder(FOLDERID_CommonPrograms) / L"Quendelrix"; }
fs::path UserSettings() { return KnownFolder(FOLDERID_RoamingAppData) / L"Quendelrix" / L"Quendelrix.ini"; }

std::optional<std::wstring> ReadString(HKEY root, const wchar_t* key, const wchar_t* name) {
  DWORD bytes = 0;
  if (RegGetValueW(root, key, name, RRF_RT_REG_SZ, nullptr, nullptr, &bytes) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::wstring value(bytes / sizeof(wchar_t), L'\0');
  if (RegGetValueW(root, key, name, RRF_RT_REG_SZ, nullptr, value.data(), &bytes) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.resize(wcslen(value.c_str()));
  return value;
}

std::optional<DWORD> ReadDword(HKEY root, const wchar_t* key, const wchar_t* name) {
  DWORD value = 0, bytes = sizeof(value);
  if (RegGetValueW(root, key, name, RRF_RT_REG_DWORD, nullptr, &value, &bytes) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return value;
}

bool KeyExists(HKEY root, const wchar_t* key) {
  HKEY h = nullptr;
  if (RegOpenKeyExW(root, key, 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
  RegCloseKey(h);
  return true;
}

void SetDesktopValue(const wchar_t* name, std::optional<std::wstring> value) {
  if (value) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, name, REG_SZ, value->c_str(),
                    static_cast<DWORD>((value->size() + 1) * sizeof(wchar_t)));
  } else {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktopKey, name);
  }
}
std::optional<std::wstring> Saver() { return ReadString(HKEY_CURRENT_USER, kDesktopKey, L"SCRNSAVE.EXE"); }
std::optional<std::wstring> SaverActive() {
  return ReadString(HKEY_CURRENT_USER, kDesktopKey, L"ScreenSaveActive");
}

std::set<std::wstring> Entries(const fs::path& folder) {
  std::set<std::wstring> names;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec)) names.insert(e.path().filename().wstring());
  return names;
}

bool SameFile(const fs::path& a, const fs::path& b) {
  const auto x = ReadFileBytes(a), y = ReadFileBytes(b);
  return x && y && *x == *y;
}

struct Shortcut {
  std::wstring target, arguments, folder;
};

std::optional<Shortcut> ReadShortcut(const fs::path& lnk) {
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link)))) {
    return std::nullopt;
  }
  std::optional<Shortcut> result;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    if (SUCCEEDED(file->Load(lnk.c_str(), STGM_READ))) {
      wchar_t target[MAX_PATH] = {}, args[1024] = {}, dir[MAX_PATH] = {};
      link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
      link->GetArguments(args, 1024);
      link->GetWorkingDirectory(dir, MAX_PATH);
      result = Shortcut{target, args, dir};
    }
    file->Release();
  }
  link->Release();
  return result;
}

// What the setup wrote to install.log in `folder` (UTF-16 with a mark).
std::wstring InstallLog(const fs::path& folder) {
  const auto bytes = ReadFileBytes(folder / L"install.log");
  if (!bytes || bytes->size() < 2 || bytes->compare(0, 2, "\xFF\xFE") != 0) return {};
  std::wstring text((bytes->size() - 2) / 2, L'\0');
  memcpy(text.data(), bytes->data() + 2, text.size() * 2);
  return text;
}

// The system's own text for an error code, as the setup quotes it (without
// its full stop).
std::wstring SystemMessage(DWORD error) {
  wchar_t text[512] = {};
  FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                 text, 512, nullptr);
  std::wstring message = text;
  while (!message.empty() && wcschr(L"\r\n .", message.back())) {
    message.pop_back();
  }
  return message;
}

// Starts the program as `commandLine` in `folder` (none: the driver's), waits
// for its settings dialog and returns the two scroll bars' positions, in
// ascending order, once they are `expected` (or whatever they were when the
// wait ended); then closes the dialog.
std::vector<int> SettingsTheDialogShows(const std::wstring& program, const std::wstring& args,
                                        const std::wstring& folder, std::vector<int> expected) {
  std::wstring commandLine = L"\"" + program + L"\" " + args;
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &si, &pi)) {
    ADD_FAILURE() << "cannot start " << fs::path(commandLine).string();
    return {};
  }
  std::vector<int> values;
  HWND dialog = WaitForWindow(kDialogTitle, kCeiling);
  EXPECT_TRUE(dialog) << fs::path(commandLine).string();
  if (dialog) {
    EXPECT_EQ(WindowPid(dialog), pi.dwProcessId);
    std::sort(expected.begin(), expected.end());
    WaitUntil([&] {
      std::vector<HWND> bars;
      EnumChildWindows(dialog, [](HWND child, LPARAM list) -> BOOL {
        wchar_t cls[32] = {};
        GetClassNameW(child, cls, 32);
        if (lstrcmpiW(cls, L"ScrollBar") == 0) reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
        return TRUE;
      }, reinterpret_cast<LPARAM>(&bars));
      values.clear();
      for (HWND bar : bars) {
        DWORD_PTR pos = 0;
        SendMessageTimeoutW(bar, SBM_GETPOS, 0, 0, SMTO_NORMAL, kCeiling, &pos);
        values.push_back(static_cast<int>(pos));
      }
      std::sort(values.begin(), values.end());
      return values == expected && IsWindowVisible(dialog);
    });
    PostMessageW(dialog, WM_CLOSE, 0, 0);
  }
  EXPECT_EQ(WaitForSingleObject(pi.hProcess, kCeiling), WAIT_OBJECT_0) << fs::path(commandLine).string();
  if (WaitForSingleObject(pi.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return values;
}

// The uninstaller copies itself to the temporary folder, starts that copy
// and returns; the copy does the work. Once the uninstaller has returned,
// its copy has started: waits until every copy has ended.
bool WaitForUninstallerCopies() {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return false;
  std::vector<HANDLE> copies;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL ok = Process32FirstW(snap, &entry); ok; ok = Process32NextW(snap, &entry)) {
    if (_wcsicmp(entry.szExeFile, L"Un.exe") != 0) continue;
    // One that has ended since the snapshot cannot be opened any more.
    if (HANDLE copy = OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID)) copies.push_back(copy);
  }
  CloseHandle(snap);
  bool ended = true;
  for (HANDLE copy : copies) {
    ended = ended && WaitForSingleObject(copy, kCeiling) == WAIT_OBJECT_0;
    CloseHandle(copy);
  }
  return ended;
}

// Runs a command line as the system would and returns its exit code.
std::optional<DWORD> RunCommand(const std::wstring& commandLine) {
  ScrProcess p = ScrProcess::StartCommandLine(commandLine);
  if (!p.Started() || !p.WaitForExit(kCeiling)) return std::nullopt;
  return p.ExitCode();
}

std::optional<DWORD> RunSetup(const std::wstring& args) {
  return RunCommand(L"\"" + SetupPath().wstring() + L"\" " + args);
}

// Runs an uninstall command as Apps & features does and waits for its work.
bool RunUninstall(const std::wstring& commandLine) {
  const auto code = RunCommand(commandLine);
  return code && *code == 0 && WaitForUninstallerCopies();
}

void RemoveEverything() {
  std::error_code ec;
  for (const fs::path& p : {PerUserFolder(), AllUsersUninstallerFolder(), UserMenu(), CommonMenu(),
                            UserSettings().parent_path()}) {
    fs::remove_all(p, ec);
  }
  fs::remove(SystemFolder() / L"Quendelrix.scr", ec);
  fs::remove(SystemFolder() / L"Quendelrix.ini", ec);
  RegDeleteTreeW(HKEY_CURRENT_USER, kUninstallKey);
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, kUninstallKey);
  RegDeleteTreeW(HKEY_CURRENT_USER, kPreviousKey);
}

class Installer : public testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ASSERT_TRUE(fs::exists(SetupPath())) << SetupPath();
    RemoveEverything();
  }
  void TearDown() override {
    RemoveEverything();
    SetDesktopValue(L"SCRNSAVE.EXE", std::nullopt);
    SetDesktopValue(L"ScreenSaveActive", std::nullopt);
    CoUninitialize();
  }

  // The Apps & features entry under `root`, checked value by value.
  void ExpectUninstallEntry(HKEY root, const fs::path& program, const fs::path& uninstallerFolder) {
    const fs::path uninstaller = uninstallerFolder / L"uninstall.exe";
    EXPECT_EQ(ReadString(root, kUninstallKey, L"DisplayName"), L"Quendelrix");
    EXPECT_EQ(ReadString(root, kUninstallKey, L"DisplayVersion"), L"1.01");
    EXPECT_EQ(ReadString(root, kUninstallKey, L"Publisher"), L"Quendelrix Project");
    EXPECT_EQ(ReadString(root, kUninstallKey, L"DisplayIcon"), program.wstring() + L",0");
    EXPECT_EQ(ReadString(root, kUninstallKey, L"InstallLocation"), uninstallerFolder.wstring());
    EXPECT_EQ(ReadString(root, kUninstallKey, L"UninstallString"), L"\"" + uninstaller.wstring() + L"\"");
    EXPECT_EQ(ReadString(root, kUninstallKey, L"QuietUninstallString"),
              L"\"" + uninstaller.wstring() + L"\" /S");
    EXPECT_EQ(ReadDword(root, kUninstallKey, L"NoModify"), 1u);
    EXPECT_EQ(ReadDword(root, kUninstallKey, L"NoRepair"), 1u);
    std::error_code ec;
    const auto kib = (fs::file_size(program, ec) + fs::file_size(uninstaller, ec)) / 1024;
    const auto size = ReadDword(root, kUninstallKey, L"EstimatedSize");
    ASSERT_TRUE(size);
    EXPECT_LE(*size, kib + 2);
    EXPECT_GE(*size + 2, kib);
  }

  // The two Start-menu entries: the settings dialog, started in the
  // program's folder, and the one that selects the saver again.
  Shortcut ExpectMenu(const fs::path& menu, const fs::path& program, const fs::path& uninstallerFolder) {
    const auto entries = Entries(menu);
    EXPECT_EQ(entries.size(), 2u);
    EXPECT_TRUE(entries.count(kSettingsEntry));
    const auto settings = ReadShortcut(menu / kSettingsEntry);
    EXPECT_TRUE(settings);
    if (settings) {
      EXPECT_EQ(settings->target, program.wstring());
      EXPECT_EQ(settings->arguments, L"/c");
      EXPECT_EQ(settings->folder, program.parent_path().wstring());
    }
    for (const auto& name : entries) {
      if (name == kSettingsEntry) continue;
      const auto select = ReadShortcut(menu / name);
      EXPECT_TRUE(select);
      if (!select) break;
      EXPECT_EQ(select->target, (uninstallerFolder / L"uninstall.exe").wstring());
      EXPECT_EQ(select->arguments, L"/Select _?=" + uninstallerFolder.wstring());
      return *select;
    }
    ADD_FAILURE() << "no entry that selects the saver";
    return {};
  }
};

// The user's saver before the install, given back at uninstall; a second
// install of the same version keeps the record and the settings; settings
// are kept unless asked otherwise.
TEST_F(Installer, ForMeSelectsTheSaverAndUninstallGivesThePreviousBack) {
  SetDesktopValue(L"SCRNSAVE.EXE", kPrevious);
  SetDesktopValue(L"ScreenSaveActive", L"0");

  ASSERT_EQ(RunSetup(L"/S"), 0u);
  const fs::path program = PerUserFolder() / L"Quendelrix.scr";
  ASSERT_TRUE(SameFile(program, ScrPath()));
  EXPECT_EQ(Entries(PerUserFolder()),
            (std::set<std::wstring>{L"Quendelrix.scr", L"install.log", L"uninstall.exe"}));
  EXPECT_NE(InstallLog(PerUserFolder()).find(program.wstring()), std::wstring::npos);
  EXPECT_EQ(Saver(), program.wstring());
  EXPECT_EQ(SaverActive(), L"1");
  ExpectUninstallEntry(HKEY_CURRENT_USER, program, PerUserFolder());
  ExpectMenu(UserMenu(), program, PerUserFolder());
  EXPECT_FALSE(fs::exists(SystemFolder() / L"Quendelrix.scr"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));

  // Installing again over itself: settings kept, the previous saver still known.
  ASSERT_TRUE(WriteFileBytes(PerUserFolder() / L"Quendelrix.ini", kSettingsText));
  ASSERT_EQ(RunSetup(L"/S"), 0u);
  EXPECT_EQ(ReadFileBytes(PerUserFolder() / L"Quendelrix.ini"), kSettingsText);
  EXPECT_EQ(Saver(), program.wstring());

  std::error_code ec;
  fs::create_directories(UserSettings().parent_path(), ec);
  ASSERT_TRUE(WriteFileBytes(UserSettings(), kSettingsText));
  const auto quiet = ReadString(HKEY_CURRENT_USER, kUninstallKey, L"QuietUninstallString");
  ASSERT_TRUE(quiet);
  ASSERT_TRUE(RunUninstall(*quiet));
  EXPECT_EQ(Saver(), kPrevious);
  EXPECT_EQ(SaverActive(), L"0");
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUninstallKey));
  EXPECT_FALSE(fs::exists(UserMenu()));
  EXPECT_EQ(Entries(PerUserFolder()), std::set<std::wstring>{L"Quendelrix.ini"});
  EXPECT_EQ(ReadFileBytes(UserSettings()), kSettingsText);

  // Asked to remove settings: both files and the folders go.
  ASSERT_EQ(RunSetup(L"/S"), 0u);
  EXPECT_EQ(ReadFileBytes(PerUserFolder() / L"Quendelrix.ini"), kSettingsText);
  ASSERT_TRUE(RunUninstall(*quiet + L" /RemoveSettings"));
  EXPECT_FALSE(fs::exists(PerUserFolder()));
  EXPECT_FALSE(fs::exists(UserSettings().parent_path()));
  EXPECT_EQ(Saver(), kPrevious);
}

// No saver before: uninstall leaves none and removes every trace.
TEST_F(Installer, UninstallWithNoPreviousSaverLeavesNone) {
  SetDesktopValue(L"SCRNSAVE.EXE", std::nullopt);
  SetDesktopValue(L"ScreenSaveActive", std::nullopt);
  ASSERT_EQ(RunSetup(L"/S"), 0u);
  EXPECT_EQ(Saver(), (PerUserFolder() / L"Quendelrix.scr").wstring());
  EXPECT_EQ(SaverActive(), L"1");
  ASSERT_TRUE(RunUninstall(L"\"" + (PerUserFolder() / L"uninstall.exe").wstring() + L"\" /S"));
  EXPECT_EQ(Saver(), std::nullopt);
  EXPECT_EQ(SaverActive(), std::nullopt);
  EXPECT_FALSE(fs::exists(PerUserFolder()));
  EXPECT_FALSE(fs::exists(UserMenu()));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUninstallKey));
}

// The user picks another saver, selects Quendelrix again from the Start
// menu, then picks the other one once more: the uninstaller leaves the
// user's last choice alone.
TEST_F(Installer, SelectAgainEntryAndUninstallAfterTheUserChoseAnother) {
  SetDesktopValue(L"SCRNSAVE.EXE", kPrevious);
  SetDesktopValue(L"ScreenSaveActive", L"1");
  ASSERT_EQ(RunSetup(L"/S"), 0u);
  const fs::path program = PerUserFolder() / L"Quendelrix.scr";
  const Shortcut select = ExpectMenu(UserMenu(), program, PerUserFolder());

  SetDesktopValue(L"SCRNSAVE.EXE", kOther);
  SetDesktopValue(L"ScreenSaveActive", L"0");
  ASSERT_EQ(RunCommand(L"\"" + select.target + L"\" " + select.arguments), 0u);
  EXPECT_EQ(Saver(), program.wstring());
  EXPECT_EQ(SaverActive(), L"1");
  EXPECT_TRUE(fs::exists(PerUserFolder() / L"uninstall.exe"));  // selecting removes nothing

  SetDesktopValue(L"SCRNSAVE.EXE", kOther);
  ASSERT_TRUE(RunUninstall(L"\"" + (PerUserFolder() / L"uninstall.exe").wstring() + L"\" /S"));
  EXPECT_EQ(Saver(), kOther);
  EXPECT_EQ(SaverActive(), L"1");
  EXPECT_FALSE(fs::exists(PerUserFolder()));
}

// The program is found and finds its settings however it is started: by
// the settings entry exactly as the shortcut says, by the selected value,
// and by that value's short name (as the system starts savers at idle).
TEST_F(Installer, InstalledEntriesStartTheProgramWithItsSettings) {
  ASSERT_EQ(RunSetup(L"/S"), 0u);
  const fs::path program = PerUserFolder() / L"Quendelrix.scr";
  ASSERT_TRUE(WriteFileBytes(PerUserFolder() / L"Quendelrix.ini", kSettingsText));
  const auto entry = ReadShortcut(UserMenu() / kSettingsEntry);
  ASSERT_TRUE(entry);
  const auto selected = Saver();
  ASSERT_TRUE(selected);
  wchar_t shortName[MAX_PATH] = {};
  ASSERT_GT(GetShortPathNameW(selected->c_str(), shortName, MAX_PATH), 0u);

  struct Start {
    std::wstring program, args, folder;
  };
  const Start starts[] = {
      {entry->target, entry->arguments, entry->folder},
      {*selected, L"/c", L""},
      {shortName, L"/c", L""},
  };
  for (const auto& s : starts) {
    EXPECT_EQ(SettingsTheDialogShows(s.program, s.args, s.folder, {35, 420}),
              (std::vector<int>{35, 420}))
        << fs::path(s.program).string();
  }
}

// The pages a user clicks through with the default answers: for me, the
// proposed folder, Install, Finish. The window's buttons are pressed as a
// click does (BM_CLICK), page by page.
TEST_F(Installer, PagesWithTheDefaultAnswersInstallForMe) {
  SetDesktopValue(L"SCRNSAVE.EXE", kPrevious);
  ScrProcess setup = ScrProcess::StartCommandLine(L"\"" + SetupPath().wstring() + L"\"");
  ASSERT_TRUE(setup.Started());
  HWND window = nullptr;
  ASSERT_TRUE(WaitUntil([&] {
    window = FindWindowW(L"#32770", nullptr);
    return window && WindowPid(window) == setup.Pid() && IsWindowVisible(window);
  }));
  const std::wstring title = WindowTitle(window);
  EXPECT_TRUE(title == L"Quendelrix Setup" || title == L"Quendelrix セットアップ") << title;
  // Next (mode page, "for me" preselected), Install (folder page), Finish.
  // Each page is a child dialog of its own: a click on Next has been taken
  // once another one shows. The finish page is the one with a check box.
  auto page = [&] { return FindWindowExW(window, nullptr, L"#32770", nullptr); };
  auto checkBoxes = [&] {
    std::vector<HWND> boxes;
    EnumChildWindows(window, [](HWND child, LPARAM list) -> BOOL {
      wchar_t cls[32] = {};
      GetClassNameW(child, cls, 32);
      if (lstrcmpiW(cls, L"Button") == 0 &&
          (GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK) == BS_AUTOCHECKBOX) {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
      }
      return TRUE;
    }, reinterpret_cast<LPARAM>(&boxes));
    return boxes;
  };
  for (int n = 0; n < 3 && setup.Running(); ++n) {
    HWND next = GetDlgItem(window, 1);
    HWND shown = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
      return next && IsWindowEnabled(next) && (shown = page()) && (n < 2 || !checkBoxes().empty());
    })) << "page " << n;
    if (n == 2) {
      // The finish page offers the Screen Saver settings; Wine has none.
      EXPECT_TRUE(fs::exists(PerUserFolder() / L"Quendelrix.scr"));
      for (HWND box : checkBoxes()) SendMessageW(box, BM_SETCHECK, BST_UNCHECKED, 0);
    }
    PostMessageW(next, BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !setup.Running() || page() != shown; }))
        << "page " << n << " stays";
  }
  ASSERT_TRUE(setup.WaitForExit(kCeiling));
  EXPECT_EQ(setup.ExitCode(), 0u);
  EXPECT_TRUE(SameFile(PerUserFolder() / L"Quendelrix.scr", ScrPath()));
  EXPECT_EQ(Saver(), (PerUserFolder() / L"Quendelrix.scr").wstring());
  EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kUninstallKey, L"PreviousScreenSaver"), kPrevious);
  EXPECT_FALSE(fs::exists(SystemFolder() / L"Quendelrix.scr"));
}

// Japanese pages and entry names on a Japanese system, English elsewhere;
// the uninstaller removes the entries whatever language it runs in.
// QX_EXPECT_LANGUAGE ("ja" or "en") makes sure the run got the system
// language it was started for.
TEST_F(Installer, EntriesFollowTheSystemLanguage) {
  const bool japanese = PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE;
  if (const char* expected = std::getenv("QX_EXPECT_LANGUAGE")) {
    ASSERT_EQ(japanese, std::string(expected) == "ja");
  }
  ASSERT_EQ(RunSetup(L"/S"), 0u);
  const std::wstring select = japanese ? L"Quendelrixをスクリーン セーバーにする.lnk"
                                       : L"Make Quendelrix the screen saver.lnk";
  EXPECT_EQ(Entries(UserMenu()), (std::set<std::wstring>{kSettingsEntry, select}));
  EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kUninstallKey, L"SelectShortcut"),
            select.substr(0, select.size() - 4));
  ASSERT_TRUE(RunUninstall(L"\"" + (PerUserFolder() / L"uninstall.exe").wstring() + L"\" /S"));
  EXPECT_FALSE(fs::exists(UserMenu()));
}

// For everyone: the program in System32, its uninstaller in Program Files,
// the entry in HKLM and the common Start menu. The user's own copy goes; its
// settings move to the user's roaming file, which the System32 copy reads,
// and since it was the selected saver the System32 copy is selected instead.
// A later install for one user leaves the all-users one in place.
TEST_F(Installer, ForEveryoneReplacesTheUsersOwnCopyKeepingSettingsAndChoice) {
  SetDesktopValue(L"SCRNSAVE.EXE", kPrevious);
  SetDesktopValue(L"ScreenSaveActive", L"1");
  ASSERT_EQ(RunSetup(L"/S"), 0u);
  ASSERT_TRUE(WriteFileBytes(PerUserFolder() / L"Quendelrix.ini", kSettingsText));

  ASSERT_EQ(RunSetup(L"/S /AllUsers"), 0u);
  const fs::path program = SystemFolder() / L"Quendelrix.scr";
  ASSERT_TRUE(SameFile(program, ScrPath()));
  EXPECT_EQ(Entries(AllUsersUninstallerFolder()), (std::set<std::wstring>{L"install.log", L"uninstall.exe"}));
  ExpectUninstallEntry(HKEY_LOCAL_MACHINE, program, AllUsersUninstallerFolder());
  const Shortcut select = ExpectMenu(CommonMenu(), program, AllUsersUninstallerFolder());
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUninstallKey));
  EXPECT_FALSE(fs::exists(UserMenu()));
  EXPECT_FALSE(fs::exists(PerUserFolder()));
  EXPECT_EQ(ReadFileBytes(UserSettings()), kSettingsText);
  EXPECT_EQ(Saver(), program.wstring());
  EXPECT_EQ(SaverActive(), L"1");
  const std::wstring log = InstallLog(AllUsersUninstallerFolder());
  EXPECT_NE(log.find((PerUserFolder() / L"Quendelrix.ini").wstring()), std::wstring::npos);
  EXPECT_NE(log.find(UserSettings().wstring()), std::wstring::npos);
  // The saver the system now starts shows the user's settings.
  EXPECT_EQ(SettingsTheDialogShows(program, L"/c", L"", {35, 420}), (std::vector<int>{35, 420}));

  // A user's own install beside it leaves it alone, and so does its removal.
  SetDesktopValue(L"SCRNSAVE.EXE", kPrevious);
  ASSERT_EQ(RunSetup(L"/S"), 0u);
  EXPECT_TRUE(fs::exists(PerUserFolder() / L"Quendelrix.scr"));
  EXPECT_EQ(Saver(), (PerUserFolder() / L"Quendelrix.scr").wstring());
  ASSERT_TRUE(RunUninstall(L"\"" + (PerUserFolder() / L"uninstall.exe").wstring() + L"\" /S"));
  EXPECT_EQ(Saver(), kPrevious);
  EXPECT_TRUE(SameFile(program, ScrPath()));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));

  // The select entry works for every user from the common menu; the saver
  // the user had before the copy for everyone replaced their own comes back
  // when it is uninstalled.
  SetDesktopValue(L"ScreenSaveActive", L"0");
  ASSERT_EQ(RunCommand(L"\"" + select.target + L"\" " + select.arguments), 0u);
  EXPECT_EQ(Saver(), program.wstring());
  EXPECT_EQ(SaverActive(), L"1");
  ASSERT_TRUE(WriteFileBytes(SystemFolder() / L"Quendelrix.ini", kSettingsText));
  const auto quiet = ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, L"QuietUninstallString");
  ASSERT_TRUE(quiet);
  ASSERT_TRUE(RunUninstall(*quiet));
  EXPECT_FALSE(fs::exists(program));
  EXPECT_EQ(ReadFileBytes(SystemFolder() / L"Quendelrix.ini"), kSettingsText);
  EXPECT_EQ(ReadFileBytes(UserSettings()), kSettingsText);
  EXPECT_FALSE(fs::exists(AllUsersUninstallerFolder()));
  EXPECT_FALSE(fs::exists(CommonMenu()));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kPreviousKey));
  EXPECT_EQ(Saver(), kPrevious);
  EXPECT_EQ(SaverActive(), L"1");
}

// What an install for everyone does with the user's own copy, case by case:
// where the settings end up, what stays in the copy's folder, which saver
// is selected afterwards and what the setup's log says.
TEST_F(Installer, ForEveryoneAndTheUsersOwnCopy) {
  const std::string mine =
      "[Section]\r\n\x8B\x85\x82\xCC\x90\x94=80\r\n\xB2\xDD\xC0\xB0\xCA\xDE\xD9=150\r\n";
  const fs::path ownProgram = PerUserFolder() / L"Quendelrix.scr";
  const fs::path ownSettings = PerUserFolder() / L"Quendelrix.ini";
  const fs::path program = SystemFolder() / L"Quendelrix.scr";
  const std::wstring otherUser = L"C:\\users\\someone else\\AppData\\Roaming";
  enum class Arrange { kNothing, kUsersFileThere, kUsersFolderIsAFile, kOtherSaverChosen };
  const struct Case {
    const char* name;
    Arrange arrange;
    std::wstring args;
    std::set<std::wstring> left;                 // in the own copy's folder
    std::optional<std::string> usersFile;        // the roaming settings file
    std::wstring saver;                          // selected afterwards
    std::vector<std::wstring> logNames;          // the log names these
  } cases[] = {
      {"SettingsMove", Arrange::kNothing, L"", {}, kSettingsText, program.wstring(),
       {ownSettings.wstring(), UserSettings().wstring()}},
      {"UsersFileWins", Arrange::kUsersFileThere, L"", {L"Quendelrix.ini"}, mine,
       program.wstring(), {ownSettings.wstring(), UserSettings().wstring()}},
      {"MoveFails", Arrange::kUsersFolderIsAFile, L"", {L"Quendelrix.ini"}, std::nullopt,
       program.wstring(),
       {ownSettings.wstring(), UserSettings().wstring(), SystemMessage(ERROR_PATH_NOT_FOUND)}},
      {"AnotherUsersChoiceStays", Arrange::kOtherSaverChosen, L"", {}, kSettingsText, kOther,
       {ownSettings.wstring()}},
      {"ElevatedAsAnotherAccount", Arrange::kNothing, L" /UserAppData=\"" + otherUser + L"\"",
       {L"Quendelrix.ini", L"Quendelrix.scr", L"install.log", L"uninstall.exe"}, std::nullopt,
       ownProgram.wstring(), {otherUser}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RemoveEverything();
    SetDesktopValue(L"SCRNSAVE.EXE", kPrevious);
    SetDesktopValue(L"ScreenSaveActive", L"1");
    ASSERT_EQ(RunSetup(L"/S"), 0u);
    ASSERT_TRUE(WriteFileBytes(ownSettings, kSettingsText));
    std::error_code ec;
    switch (c.arrange) {
      case Arrange::kUsersFileThere:
        fs::create_directories(UserSettings().parent_path(), ec);
        ASSERT_TRUE(WriteFileBytes(UserSettings(), mine));
        break;
      case Arrange::kUsersFolderIsAFile:
        ASSERT_TRUE(WriteFileBytes(UserSettings().parent_path(), "not a folder"));
        break;
      case Arrange::kOtherSaverChosen:
        SetDesktopValue(L"SCRNSAVE.EXE", kOther);
        break;
      case Arrange::kNothing:
        break;
    }

    ASSERT_EQ(RunSetup(L"/S /AllUsers" + c.args), 0u);
    EXPECT_TRUE(SameFile(program, ScrPath()));
    EXPECT_EQ(Entries(PerUserFolder()), c.left);
    EXPECT_EQ(fs::exists(PerUserFolder()), !c.left.empty());
    if (c.left.count(L"Quendelrix.ini")) {
      EXPECT_EQ(ReadFileBytes(ownSettings), kSettingsText);
    }
    EXPECT_EQ(KeyExists(HKEY_CURRENT_USER, kUninstallKey), c.left.count(L"uninstall.exe") > 0);
    if (c.arrange != Arrange::kUsersFolderIsAFile) {
      EXPECT_EQ(ReadFileBytes(UserSettings()), c.usersFile);
    }
    EXPECT_EQ(Saver(), c.saver);
    EXPECT_EQ(SaverActive(), L"1");
    const std::wstring log = InstallLog(AllUsersUninstallerFolder());
    for (const std::wstring& name : c.logNames) {
      EXPECT_NE(log.find(name), std::wstring::npos) << fs::path(name).string() << " not in the log";
    }
    fs::remove(UserSettings().parent_path(), ec);
  }
}

}  // namespace
}  // namespace qx::e2e
