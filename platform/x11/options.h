// The command line of the Linux program: where it draws (a given window, the
// root or XScreenSaver's window, or a window of its own), the two settings
// with the settings dialog's ranges, and the one-shot commands.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "startup/setting_ranges.h"

namespace qx::x11 {

enum class Target {
  kOwnWindow,  // a resizable window of its own, for trying it out
  kRoot,       // the root window of the default screen
  kWindow,     // a window made by another client (windowId)
  kWayland,    // every output of a Wayland desktop, from a layer surface each
};

struct Options {
  Target target = Target::kOwnWindow;
  uint32_t windowId = 0;
  int ballCount = kDefaultBallCount;
  int interval = kDefaultInterval;
  std::string display;  // empty: $DISPLAY
  bool help = false;
  bool version = false;
  bool registerProgram = false;
  friend bool operator==(const Options&, const Options&) = default;
};

struct ParseResult {
  std::optional<Options> options;
  std::string error;  // one line saying what is wrong, when options is empty
};

// A window id as X clients print it: "0x" and hexadecimal digits, or
// decimal digits; nullopt for anything else, for 0 and for values past 32
// bits.
std::optional<uint32_t> ParseWindowId(std::string_view text);

// A whole number in decimal, an optional sign first; nullopt otherwise.
std::optional<long long> ParseWholeNumber(std::string_view text);

// The arguments after the program's name. `xscreensaverWindow` is the value
// of $XSCREENSAVER_WINDOW (nullptr when unset): --root means that window
// when it is set. --window-id wins over --root. --wayland goes with none of
// --root, --window-id, --display and $XSCREENSAVER_WINDOW. Every option has a single-
// and a double-dash form; a value may also follow an '='.
ParseResult ParseOptions(std::span<const std::string_view> args,
                         const char* xscreensaverWindow);

// The usage text, ending in a newline.
std::string Usage();

}  // namespace qx::x11
