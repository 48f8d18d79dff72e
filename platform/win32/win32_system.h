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

// The settings file's primitives through the system's file functions: the
// temporary file is the file's name + ".tmp", the replace is MoveFileExW with
// MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH, the user's data folder
// the roaming application data (FOLDERID_RoamingAppData).
class Win32SettingsFiles final : public SettingsFiles {
 public:
  Content Read(const std::filesystem::path& file) override;
  bool IsFile(const std::filesystem::path& file) override;
  std::optional<std::filesystem::path> WriteBeside(
      const std::filesystem::path& file, std::string_view bytes) override;
  bool Replace(const std::filesystem::path& temp,
               const std::filesystem::path& file) override;
  void Remove(const std::filesystem::path& file) override;
  bool CreateFolders(const std::filesystem::path& folder) override;
  std::filesystem::path UserDataFolder() override;
  std::string InSystemCodePage(std::string_view key) override;
};

class Win32SystemCalls : public SystemCalls {
 public:
  int SetSystemParameter(uint32_t action, uint32_t uiParam,
                           uint32_t flags) override;
  VersionAnswer QueryVersion() override;
  bool GetWindowRect(WindowHandle window, Rect& rect) override;
  void DrawAnimatedRects(WindowHandle window, int animation, const Rect& from,
                         const Rect& to) override;
  bool HighContrastOn() override;
  Pixel SystemColor(int index) override;
};

// The locale's decimal separator (one ASCII character; '.' otherwise).
char LocaleDecimalSeparator();

}  // namespace qx::win32
