#include "platform/win32/startup_host.h"

#include <string>

#include "platform/win32/forms.h"
#include "platform/win32/handles.h"
#include "platform/win32/preview_window.h"
#include "platform/win32/screen_dpi.h"

namespace qx::win32 {

WindowHandle Win32StartupHost::FindTopLevelWindow(std::wstring_view title) {
  const std::wstring text(title);
  return FromHwnd(FindWindowW(nullptr, text.c_str()));
}

std::filesystem::path Win32StartupHost::ProgramFolder() {
  return win32::ProgramFolder();
}

char Win32StartupHost::DecimalSeparator() { return LocaleDecimalSeparator(); }

void Win32StartupHost::ChangePassword(std::string_view key, int32_t owner) {
  // Only the Windows 95 family has this service: load it at run time and
  // skip the call where it does not exist.
  using ChangeFn = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, DWORD);
  UniqueLibrary mpr(LoadLibraryW(L"mpr.dll"));
  if (!mpr) return;
  auto change = reinterpret_cast<ChangeFn>(
      reinterpret_cast<void*>(GetProcAddress(mpr.get(), "PwdChangePasswordA")));
  if (!change) return;
  const std::string keyText(key);
  change(keyText.c_str(), ToHwnd(static_cast<WindowHandle>(owner)), 0, 0);
}

int32_t Win32StartupHost::ShowCursor(bool show) {
  return ::ShowCursor(show ? TRUE : FALSE);
}

float Win32StartupHost::TwipsPerPixelX() { return TwipsPerPixel(LOGPIXELSX); }
float Win32StartupHost::TwipsPerPixelY() { return TwipsPerPixel(LOGPIXELSY); }

void Win32StartupHost::ShowSettingsDialog(ModuleValues& values) {
  win32::ShowSettingsDialog(values);
}

void Win32StartupHost::LoadSaver(ModuleValues& values) {
  RunSaverForm(values);
}

void Win32StartupHost::LoadPreview(const PreviewPlacement& placement) {
  RunPreview(placement, TwipsPerPixelX(), TwipsPerPixelY());
}

int RunProgram(std::wstring_view fullCommandLine) {
  Win32StartupHost host;
  Quendelrix_B module(host, CommandLine::FromFullCommandLine(fullCommandLine));
  module.Main();
  return 0;
}

}  // namespace qx::win32
