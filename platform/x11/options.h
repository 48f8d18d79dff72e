// The command line of the Linux program: where it draws (a given window, the
// root or XScreenSaver's window, or a window of its own), the two settings
// with the settings dialog's ranges, and the one-shot commands.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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

// The arguments after the program's name. `xscreensaverWindow` is the value
// of $XSCREENSAVER_WINDOW (nullptr when unset): --root means that window
// when it is set. --window-id wins over --root. --wayland goes with none of
// --root, --window-id, --display and $XSCREENSAVER_WINDOW. Every option has a single-
// and a double-dash form; a value may also follow an '='.
ParseResult ParseOptions(std::span<const std::string_view> args,
                         const char* xscreensaverWindow);

// What --help and the manual page say, from one source each, so that the
// two cannot disagree: every option (which is also what the parser
// accepts), the environment variables and the exit statuses. A new option
// joins by one more row of OptionTable().
struct OptionHelp {
  enum class Group {
    kTarget,   // where it draws: one of them
    kSetting,  // how it draws
    kCommand,  // does one thing and ends
  };
  std::string_view name;   // without dashes: "window-id"
  std::string_view alias;  // another name, or empty
  std::string_view value;  // the value's name ("ID"), empty when it takes none
  Group group;
  std::string text;        // what it does, in sentences
};
struct TermHelp {
  std::string_view term;  // a variable's name, an exit status
  std::string text;
};
const std::vector<OptionHelp>& OptionTable();
const std::vector<TermHelp>& EnvironmentTable();
const std::vector<TermHelp>& ExitStatusTable();

// The options of `group` as the synopsis shows them, each written by
// `form`: "[a | b]" for the targets, "[a] [b]" for the settings, "a | b" for
// the commands.
std::string Synopsis(OptionHelp::Group group,
                     const std::function<std::string(const OptionHelp&)>& form);

// The --help text, ending in a newline.
std::string Usage();

}  // namespace qx::x11
