// The settings file: Quendelrix.ini beside the program, section "Section",
// keys 球の数 (number of balls) and ｲﾝﾀｰﾊﾞﾙ (interval). The keys are stored as
// their Shift-JIS bytes whatever the system's code page, so a file written on
// a Japanese system reads the same anywhere, and the reverse.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "startup/module_values.h"

namespace qx {

inline constexpr std::string_view kIniSection = "Section";
// 球の数 in Shift-JIS.
inline constexpr std::string_view kKeyBallCount = "\x8B\x85\x82\xCC\x90\x94";
// ｲﾝﾀｰﾊﾞﾙ (half-width katakana) in Shift-JIS.
inline constexpr std::string_view kKeyInterval = "\xB2\xDD\xC0\xB0\xCA\xDE\xD9";
inline constexpr std::wstring_view kIniFileName = L"Quendelrix.ini";
inline constexpr int16_t kDefaultBallCount = 60;
inline constexpr int16_t kDefaultInterval = 300;

// Access to profile (INI) files. Section, key and value are byte strings as
// they appear in the file. On Windows this is the system's profile functions;
// the portable implementation below reads and writes the same layout.
class ProfileStore {
 public:
  virtual ~ProfileStore() = default;
  // The value text, or empty when the file, section or key is missing.
  virtual std::string Read(std::string_view section, std::string_view key,
                           const std::filesystem::path& file) = 0;
  // Creates the file, section and key as needed; false when nothing could be
  // written.
  virtual bool Write(std::string_view section, std::string_view key,
                     std::string_view value,
                     const std::filesystem::path& file) = 0;
};

// The portable profile file: "[Section]\r\n", then "key=value\r\n" lines.
// Reading follows the system's rules: section and key names match without
// regard to ASCII case, blanks around names and values are dropped, the first
// of duplicate sections or keys wins, lines without '=' are ignored.
class IniFileStore final : public ProfileStore {
 public:
  std::string Read(std::string_view section, std::string_view key,
                   const std::filesystem::path& file) override;
  bool Write(std::string_view section, std::string_view key,
             std::string_view value,
             const std::filesystem::path& file) override;
};

// Pure text forms of the two operations, shared by IniFileStore and tests.
std::string IniLookup(std::string_view content, std::string_view section,
                      std::string_view key);
std::string IniUpdate(std::string_view content, std::string_view section,
                      std::string_view key, std::string_view value);

// The settings file's path: the program's folder + "\Quendelrix.ini" (the
// separator is always added, so a drive root gives two in a row).
std::filesystem::path IniPathFor(const std::filesystem::path& programFolder);

// At most 255 characters of the stored value.
std::string ReadIniValue(ProfileStore& store, std::string_view section,
                         std::string_view key,
                         const std::filesystem::path& file);
// Section and key are cut to 127 characters. Returns whether the write
// succeeded (the dialog reports a failed save instead of losing it).
bool WriteIniValue(ProfileStore& store, std::string_view section,
                   std::string_view key, std::string_view value,
                   const std::filesystem::path& file);

// Fills IniPath, BallCount and Interval (and leaves IniKey and IniValue
// holding the last key and value read). A value that is no number or does not
// fit 16 bits leaves its setting unchanged.
void LoadSettings(ModuleValues& values, ProfileStore& store,
                  const std::filesystem::path& programFolder,
                  char decimalSeparator = '.');

}  // namespace qx
