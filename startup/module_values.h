// The process-wide values of the start-up module. Main owns one object of
// this type and hands it to the forms; nothing else is global.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace qx {

// The argument string: the text of the command line after the program's own
// path and the blanks that follow it.
class CommandLine {
 public:
  CommandLine() = default;
  explicit CommandLine(std::wstring text) : text_(std::move(text)) {}

  // Splits a whole command line (as the system hands it over) into the
  // program's path, quoted or not, and the argument string after it.
  static CommandLine FromFullCommandLine(std::wstring_view full);

  // The argument string of a test run of the saver: an empty one. The saver
  // then keeps the cursor visible, asks for no password and ignores the
  // pointer; a click or a key still ends it.
  static CommandLine TestRun() { return CommandLine(); }

  const std::wstring& Text() const { return text_; }
  bool IsTestRun() const { return text_.empty(); }
  // Second character, upper-cased; 0 when the text is shorter than two.
  wchar_t ModeLetter() const;
  // Everything from the fourth character on (the third is skipped).
  std::wstring HandleText() const;
  // The mode letter is "S" (saver mode proper, not the test run).
  bool IsSaverMode() const { return ModeLetter() == L'S'; }

 private:
  std::wstring text_;
};

struct ModuleValues {
  int16_t BallCount = 0;
  int16_t Interval = 0;
  std::filesystem::path IniPath;         // the settings file read
  std::filesystem::path ProgramIniPath;  // the one beside the program
  std::filesystem::path UserIniPath;     // the user's own; empty if none
  std::string IniKey;    // bytes as stored in the file (Shift-JIS)
  std::string IniValue;  // value text read or about to be written
  int32_t CursorCount = 0;
  CommandLine Args;
};

}  // namespace qx
