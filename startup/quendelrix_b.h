// The start procedure: refuses to run beside an open saver or settings
// window, reads the switch and starts exactly one of the four modes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "startup/module_values.h"
#include "startup/settings.h"
#include "startup/system_helpers.h"
#include "startup/window_titles.h"

namespace qx {

inline constexpr std::string_view kPasswordKeyName = "SCRSAVE";

// Where the preview host goes (the pane named on the command line) and how
// large it is there: the pane's size, in twips and in pixels.
struct PreviewPlacement {
  WindowHandle pane = 0;
  int16_t leftTwips = 0;
  int16_t topTwips = 0;
  int16_t widthTwips = 0;
  int16_t heightTwips = 0;
  float imageWidth = 0;   // pixels
  float imageHeight = 0;  // pixels
  friend bool operator==(const PreviewPlacement&,
                         const PreviewPlacement&) = default;
};

class StartupHost {
 public:
  virtual ~StartupHost() = default;
  // A top-level window with exactly this title, or 0.
  virtual WindowHandle FindTopLevelWindow(std::wstring_view title) = 0;
  virtual SystemCalls& System() = 0;
  virtual SettingsFiles& Files() = 0;
  virtual std::filesystem::path ProgramFolder() = 0;
  // The locale's decimal separator for reading the settings.
  virtual char DecimalSeparator() = 0;
  // PwdChangePasswordA(key, owner, 0, 0) where the system has it.
  virtual void ChangePassword(std::string_view key, int32_t owner) = 0;
  // ShowCursor; returns the new display counter.
  virtual int32_t ShowCursor(bool show) = 0;
  virtual float TwipsPerPixelX() = 0;
  virtual float TwipsPerPixelY() = 0;
  // Shows the settings dialog modal and returns when it has closed.
  virtual void ShowSettingsDialog(ModuleValues& values) = 0;
  // Loads the saver form; returns when the program is to end.
  virtual void LoadSaver(ModuleValues& values) = 0;
  // Loads the preview host into the pane; returns when it is gone.
  virtual void LoadPreview(const PreviewPlacement& placement) = 0;
};

// What Main did; the process ends when Main returns in every case.
enum class StartOutcome {
  kOtherInstance,   // a saver or settings window exists
  kPreview,
  kPasswordChange,  // mode "A", whether or not the dialog was called
  kSettings,
  kUnknownSwitch,
  kSaver,
};

class Quendelrix_B {
 public:
  Quendelrix_B(StartupHost& host, CommandLine args);

  StartOutcome Main();

  ModuleValues& Values() { return values_; }

  // The preview's placement: the pane's handle from the handle text, the
  // host size in twips from the pane's rectangle.
  static PreviewPlacement PlacePreview(std::wstring_view handleText,
                                       SystemCalls& sys, float twipsPerPixelX,
                                       float twipsPerPixelY);

 private:
  StartupHost& host_;
  ModuleValues values_;
};

// The handle text as the preview reads it: blanks skipped, leading number
// taken, rounded half to even; 0 when it is no number or does not fit.
int32_t LenientHandle(std::wstring_view text);
// The handle text as the password change reads it: the whole text must be a
// number that rounds into 32 bits.
std::optional<int32_t> StrictHandle(std::wstring_view text);

}  // namespace qx
