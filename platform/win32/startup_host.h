// The Windows host of the start procedure.
#pragma once

#include <string_view>

#include "startup/quendelrix_b.h"
#include "platform/win32/win32_system.h"

namespace qx::win32 {

class Win32StartupHost final : public StartupHost {
 public:
  WindowHandle FindTopLevelWindow(std::wstring_view title) override;
  SystemCalls& System() override { return system_; }
  SettingsFiles& Files() override { return files_; }
  std::filesystem::path ProgramFolder() override;
  char DecimalSeparator() override;
  void ChangePassword(std::string_view key, int32_t owner) override;
  int32_t ShowCursor(bool show) override;
  float TwipsPerPixelX() override;
  float TwipsPerPixelY() override;
  void ShowSettingsDialog(ModuleValues& values) override;
  void LoadSaver(ModuleValues& values) override;
  void LoadPreview(const PreviewPlacement& placement) override;

 private:
  Win32SystemCalls system_;
  Win32SettingsFiles files_;
};

// Runs the start procedure on a whole command line; the process's exit code.
int RunProgram(std::wstring_view fullCommandLine);

}  // namespace qx::win32
