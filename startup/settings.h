// The settings file Quendelrix.ini, section "Section", keys 球の数 (number of
// balls) and ｲﾝﾀｰﾊﾞﾙ (interval). Two files may hold it: the user's own
// (Quendelrix\Quendelrix.ini in the roaming application data) and the one
// beside the program; the user's file wins when it exists. The program's
// files have no byte-order mark and store the keys as their Shift-JIS bytes
// whatever the system's code page, so a file written on a Japanese system
// reads the same anywhere, and the reverse. A file a user saved as UTF-16LE
// or UTF-8 with a byte-order mark holds the keys in that encoding, and a save
// keeps it so (settings_encoding.h).
#pragma once

#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "startup/module_values.h"
#include "startup/setting_ranges.h"
#include "startup/settings_encoding.h"

namespace qx {

inline constexpr std::string_view kIniSection = "Section";

// A key as each kind of file spells it: its Shift-JIS bytes in a file
// without a byte-order mark, its UTF-8 text in a Unicode file (which the
// reader works on; settings_encoding.h). An ASCII key is the same in both.
struct SettingsKey {
  constexpr explicit SettingsKey(std::string_view ascii) : shiftJis(ascii), utf8(ascii) {}
  constexpr SettingsKey(std::string_view shiftJisBytes, std::string_view utf8Text)
      : shiftJis(shiftJisBytes), utf8(utf8Text) {}
  std::string_view In(TextEncoding encoding) const {
    return encoding == TextEncoding::kBytes ? shiftJis : utf8;
  }
  std::string_view shiftJis;
  std::string_view utf8;
};
// 球の数.
inline constexpr SettingsKey kBallCountKey{"\x8B\x85\x82\xCC\x90\x94",
                                      "\xE7\x90\x83\xE3\x81\xAE\xE6\x95\xB0"};
// ｲﾝﾀｰﾊﾞﾙ (half-width katakana).
inline constexpr SettingsKey kIntervalKey{
    "\xB2\xDD\xC0\xB0\xCA\xDE\xD9",
    "\xEF\xBD\xB2\xEF\xBE\x9D\xEF\xBE\x80\xEF\xBD\xB0\xEF\xBE\x8A\xEF\xBE\x9E\xEF\xBE\x99"};
// The keys as the program's own files store them.
inline constexpr std::string_view kKeyBallCount = kBallCountKey.shiftJis;
inline constexpr std::string_view kKeyInterval = kIntervalKey.shiftJis;
inline constexpr std::wstring_view kIniFileName = L"Quendelrix.ini";
inline constexpr std::wstring_view kUserIniFolderName = L"Quendelrix";

// What the settings file needs of the file system. The Windows layer
// implements it with the system's file functions, PortableFiles with the
// standard library; reading and writing the INI text is done here, the same
// on every system.
class SettingsFiles {
 public:
  enum class ReadStatus {
    kRead,
    kMissing,     // nothing at the path
    kUnreadable,  // a folder, or a file that cannot be opened or read
  };
  struct Content {
    ReadStatus status = ReadStatus::kMissing;
    std::string bytes;
  };

  virtual ~SettingsFiles() = default;
  virtual Content Read(const std::filesystem::path& file) = 0;
  // A regular file is at the path.
  virtual bool IsFile(const std::filesystem::path& file) = 0;
  // Writes `bytes` to a new temporary file beside `file` and flushes it to
  // the disk; its path, or nullopt when it could not be written in full (no
  // temporary file is left then).
  virtual std::optional<std::filesystem::path> WriteBeside(
      const std::filesystem::path& file, std::string_view bytes) = 0;
  // Puts `temp` in the place of `file` in one step, whether or not `file`
  // exists. False leaves both as they were.
  virtual bool Replace(const std::filesystem::path& temp,
                       const std::filesystem::path& file) = 0;
  virtual void Remove(const std::filesystem::path& file) = 0;
  // Creates the folder and its parents; true when it exists afterwards.
  virtual bool CreateFolders(const std::filesystem::path& folder) = 0;
  // The folder that holds the user's own application data (the roaming
  // folder on Windows); empty when the system has none.
  virtual std::filesystem::path UserDataFolder() = 0;
  // A key as the system's ANSI profile functions stored it: its bytes turned
  // into text through the system's code page and back. Code pages that cannot
  // pair all the Shift-JIS bytes lose some of them (936 and 949 drop the
  // interval key's last byte); elsewhere the bytes come back unchanged.
  virtual std::string InSystemCodePage(std::string_view key) = 0;
};

// SettingsFiles through the standard library: the temporary file is the
// file's name + ".tmp" (its stream flushed, not synced to the disk), the
// replace a rename. The user's data folder is the one given (none by
// default); keys are kept as they are.
class PortableFiles final : public SettingsFiles {
 public:
  explicit PortableFiles(std::filesystem::path userDataFolder = {})
      : userDataFolder_(std::move(userDataFolder)) {}
  Content Read(const std::filesystem::path& file) override;
  bool IsFile(const std::filesystem::path& file) override;
  std::optional<std::filesystem::path> WriteBeside(
      const std::filesystem::path& file, std::string_view bytes) override;
  bool Replace(const std::filesystem::path& temp,
               const std::filesystem::path& file) override;
  void Remove(const std::filesystem::path& file) override;
  bool CreateFolders(const std::filesystem::path& folder) override;
  std::filesystem::path UserDataFolder() override { return userDataFolder_; }
  std::string InSystemCodePage(std::string_view key) override {
    return std::string(key);
  }

 private:
  std::filesystem::path userDataFolder_;
};

// Pure text forms of reading and writing one key. Reading follows the rules
// of the system's profile functions: section and key names match without
// regard to ASCII case, blanks around names and values are dropped, the first
// of duplicate sections or keys wins, lines without '=' are ignored.
// IniFind tells a missing key (nullopt) from an empty value.
std::optional<std::string> IniFind(std::string_view content,
                                   std::string_view section,
                                   std::string_view key);
std::string IniLookup(std::string_view content, std::string_view section,
                      std::string_view key);
// Sets key=value in the section, adding the section or the key as needed;
// every other line keeps its bytes and place. Where `key` is missing but
// `formerKey` is there, that line becomes the key's.
std::string IniUpdate(std::string_view content, std::string_view section,
                      std::string_view key, std::string_view value,
                      std::string_view formerKey = {});

// The settings file beside the program: the program's folder +
// "\Quendelrix.ini" (the separator is always added, so a drive root gives two
// in a row).
std::filesystem::path IniPathFor(const std::filesystem::path& programFolder);
// The user's settings file: <user data>\Quendelrix\Quendelrix.ini; empty when
// there is no user data folder.
std::filesystem::path UserIniPathFor(const std::filesystem::path& userDataFolder);

// What a settings file holds, decoded. kUnreadable also stands for a file
// the reader cannot decode, which is never written.
struct SettingsFileText {
  SettingsFiles::ReadStatus status = SettingsFiles::ReadStatus::kMissing;
  SettingsText content;
};
SettingsFileText ReadSettingsFile(SettingsFiles& files,
                                  const std::filesystem::path& file);

// At most 255 characters of the stored value (bytes of the file's text);
// empty when there is none. Where the key's Shift-JIS bytes are not in a
// file without a byte-order mark, the key as the system's code page stored
// it is read instead.
std::string ReadIniValue(SettingsFiles& files, std::string_view section,
                         const SettingsKey& key, const std::filesystem::path& file);

struct IniEntry {
  SettingsKey key;
  std::string_view value;
};
// Sets every entry in the section with one replace of the file: the whole
// new text goes to a temporary file beside it, which then takes the old
// file's place, so the entries change together or not at all. The file
// keeps its encoding. Section and keys are cut to 127 characters. A file
// that does not exist yet starts as the file whose bytes are `newFileText`
// (empty when those cannot be decoded). False when the file could not be
// written or cannot be decoded; the old file is then as it was and no
// temporary file remains.
bool WriteIniValues(SettingsFiles& files, std::string_view section,
                    std::initializer_list<IniEntry> entries,
                    const std::filesystem::path& file,
                    std::string_view newFileText = {});
bool WriteIniValue(SettingsFiles& files, std::string_view section,
                   const SettingsKey& key, std::string_view value,
                   const std::filesystem::path& file);

// The file the settings are read from: the user's file when it exists, else
// the one beside the program.
std::filesystem::path SettingsFileToRead(SettingsFiles& files,
                                         const std::filesystem::path& programIni,
                                         const std::filesystem::path& userIni);

// Fills ProgramIniPath, UserIniPath, IniPath (the file read), BallCount and
// Interval (and leaves IniKey and IniValue holding the last key and value
// read). A value that is no number or does not fit 16 bits leaves its
// setting unchanged.
void LoadSettings(ModuleValues& values, SettingsFiles& files,
                  const std::filesystem::path& programFolder,
                  char decimalSeparator = '.');

struct SaveResult {
  bool saved = false;
  std::filesystem::path file;  // the file written, or the one tried last
};
// Writes both settings where the next start will read them: into the user's
// file when it exists; otherwise beside the program, and where that fails
// for any reason (a folder a standard user may not write), into the user's
// file, creating its folder. A new user's file starts as a copy of the file
// beside the program, in its encoding, so nothing that file held is lost.
SaveResult SaveSettings(SettingsFiles& files, const ModuleValues& values,
                        std::string_view ballCountText,
                        std::string_view intervalText);

}  // namespace qx
