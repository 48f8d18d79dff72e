// The settings dialog with a user's look of the test's choosing: the real
// window and form, whose system calls answer the high-contrast question and
// the system colours from look.txt beside this program, read afresh each
// time the window asks. Wine cannot switch high contrast on, so this is how
// the window's high-contrast painting and its repaint on a change are seen.
//
// look.txt: "on" or "off", then six colours as RRGGBB in the order window,
// window text, button face, button text, highlight, hot light. Without the
// file the system's own answers count.
#include <windows.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "platform/win32/forms.h"
#include "platform/win32/win32_system.h"

namespace {

std::filesystem::path ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::filesystem::path(path).parent_path();
}

struct Look {
  bool on = false;
  std::array<qx::Pixel, 6> colors{};
};

std::optional<Look> ReadLook() {
  std::ifstream in(ProgramFolder() / L"look.txt");
  std::string state;
  if (!(in >> state)) return std::nullopt;
  Look look;
  look.on = state == "on";
  for (qx::Pixel& c : look.colors) {
    std::string hex;
    if (!(in >> hex)) return std::nullopt;
    const unsigned long v = std::stoul(hex, nullptr, 16);
    c = qx::Rgb(static_cast<int>((v >> 16) & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                static_cast<int>(v & 0xFF));
  }
  return look;
}

class ChosenLook final : public qx::win32::Win32SystemCalls {
 public:
  bool HighContrastOn() override {
    const auto look = ReadLook();
    return look ? look->on : Win32SystemCalls::HighContrastOn();
  }
  qx::Pixel SystemColor(int index) override {
    const auto look = ReadLook();
    if (!look) return Win32SystemCalls::SystemColor(index);
    switch (index) {
      case qx::kColorWindow: return look->colors[0];
      case qx::kColorWindowText: return look->colors[1];
      case qx::kColorButtonFace: return look->colors[2];
      case qx::kColorButtonText: return look->colors[3];
      case qx::kColorHighlight: return look->colors[4];
      case qx::kColorHotLight: return look->colors[5];
      default: return Win32SystemCalls::SystemColor(index);
    }
  }
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  qx::ModuleValues values;
  values.BallCount = 60;
  values.Interval = 300;
  values.IniPath = values.ProgramIniPath = ProgramFolder() / L"Quendelrix.ini";
  ChosenLook system;
  qx::win32::ShowSettingsDialog(values, system);
  return 0;
}
