// The Windows implementations of the portable code's system interfaces.
#pragma once

#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "startup/settings.h"
#include "startup/system_helpers.h"

namespace qx::win32 {

inline HWND ToHwnd(WindowHandle h) { return reinterpret_cast<HWND>(h); }
inline WindowHandle FromHwnd(HWND h) { return reinterpret_cast<WindowHandle>(h); }

// UTF-16 <-> UTF-8 for texts that cross into portable code.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view text);

// The folder that holds the running program file.
std::filesystem::path ProgramFolder();

// The system's profile functions (the A forms: the keys go to the file as the
// Shift-JIS bytes they are, whatever the code page). A path that the code
// page cannot spell is reached through the current directory instead.
class Win32ProfileStore final : public ProfileStore {
 public:
  std::string Read(std::string_view section, std::string_view key,
                   const std::filesystem::path& file) override;
  bool Write(std::string_view section, std::string_view key,
             std::string_view value,
             const std::filesystem::path& file) override;
};

class Win32SystemCalls final : public SystemCalls {
 public:
  int SetSystemParameter(uint32_t action, uint32_t uiParam,
                           uint32_t flags) override;
  VersionAnswer QueryVersion() override;
  bool GetWindowRect(WindowHandle window, Rect& rect) override;
  void DrawAnimatedRects(WindowHandle window, int animation, const Rect& from,
                         const Rect& to) override;
};

// The locale's decimal separator (one ASCII character; '.' otherwise).
char LocaleDecimalSeparator();

// A text as an ANSI (A-function) argument that names the same file: the
// path itself where the code page can spell it, else nullopt.
std::optional<std::string> AnsiPath(const std::filesystem::path& path);

}  // namespace qx::win32
