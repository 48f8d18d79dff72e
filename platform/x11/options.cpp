#include "platform/x11/options.h"

#include <charconv>
#include <limits>


namespace qx::x11 {

namespace {

// "--name" and "-name" are one option; returns the name without dashes, or
// nullopt when `arg` is no option at all.
std::optional<std::string_view> OptionName(std::string_view arg) {
  if (arg.starts_with("--")) arg.remove_prefix(2);
  else if (arg.starts_with("-")) arg.remove_prefix(1);
  else return std::nullopt;
  if (arg.empty()) return std::nullopt;
  return arg;
}

std::string Quoted(std::string_view text) {
  return "\"" + std::string(text) + "\"";
}

}  // namespace

std::optional<uint32_t> ParseWindowId(std::string_view text) {
  int base = 10;
  if (text.starts_with("0x") || text.starts_with("0X")) {
    text.remove_prefix(2);
    base = 16;
  }
  if (text.empty()) return std::nullopt;
  uint32_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (ec != std::errc{} || end != text.data() + text.size() || value == 0) {
    return std::nullopt;
  }
  return value;
}

std::optional<long long> ParseWholeNumber(std::string_view text) {
  if (text.starts_with("+")) text.remove_prefix(1);
  if (text.empty() || text.starts_with("+")) return std::nullopt;
  long long value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

ParseResult ParseOptions(std::span<const std::string_view> args,
                         const char* xscreensaverWindow) {
  Options o;
  bool root = false;
  bool windowGiven = false;
  bool wayland = false;
  auto fail = [](std::string message) { return ParseResult{std::nullopt, std::move(message)}; };

  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    auto name = OptionName(arg);
    if (!name) return fail("unexpected argument " + Quoted(arg));
    std::optional<std::string_view> inlineValue;
    if (const size_t eq = name->find('='); eq != std::string_view::npos) {
      inlineValue = name->substr(eq + 1);
      *name = name->substr(0, eq);
    }
    const bool takesValue = *name == "window-id" || *name == "count" ||
                            *name == "interval" || *name == "display";
    if (inlineValue && !takesValue) return fail("option " + Quoted(arg) + " takes no value");
    std::string_view value;
    if (takesValue) {
      if (inlineValue) {
        value = *inlineValue;
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        return fail("option --" + std::string(*name) + " needs a value");
      }
    }

    if (*name == "window-id") {
      const auto id = ParseWindowId(value);
      if (!id) return fail("bad window id " + Quoted(value) + " (hexadecimal 0x... or decimal)");
      o.windowId = *id;
      windowGiven = true;
    } else if (*name == "root") {
      root = true;
    } else if (*name == "wayland") {
      wayland = true;
    } else if (*name == "count" || *name == "interval") {
      const bool count = *name == "count";
      const int low = count ? kMinBallCount : kMinInterval;
      const int high = count ? kMaxBallCount : kMaxInterval;
      const auto n = ParseWholeNumber(value);
      if (!n) return fail("--" + std::string(*name) + " " + Quoted(value) + " is not a whole number");
      if (*n < low || *n > high) {
        return fail("--" + std::string(*name) + " " + std::string(value) + " is outside " +
                    std::to_string(low) + " to " + std::to_string(high));
      }
      (count ? o.ballCount : o.interval) = static_cast<int>(*n);
    } else if (*name == "display") {
      o.display = std::string(value);
    } else if (*name == "help" || *name == "h") {
      o.help = true;
    } else if (*name == "version") {
      o.version = true;
    } else if (*name == "register") {
      o.registerProgram = true;
    } else {
      return fail("unknown option " + Quoted(arg));
    }
  }

  if (wayland) {
    const bool xscreensaver = xscreensaverWindow != nullptr && *xscreensaverWindow != '\0';
    if (windowGiven || root || !o.display.empty() || xscreensaver) {
      return fail(std::string("--wayland cannot be used with ") +
                  (windowGiven ? "--window-id" : root ? "--root" : !o.display.empty() ? "--display" :
                   "$XSCREENSAVER_WINDOW (XScreenSaver runs X11 programs)"));
    }
    o.target = Target::kWayland;
  } else if (windowGiven) {
    o.target = Target::kWindow;
  } else if (root) {
    if (xscreensaverWindow != nullptr && *xscreensaverWindow != '\0') {
      const auto id = ParseWindowId(xscreensaverWindow);
      if (!id) return fail("bad XSCREENSAVER_WINDOW " + Quoted(xscreensaverWindow));
      o.target = Target::kWindow;
      o.windowId = *id;
    } else {
      o.target = Target::kRoot;
    }
  }
  return ParseResult{o, {}};
}

std::string Usage() {
  return "usage: quendelrix [--root | --window-id ID | --wayland] [--count N] [--interval N]\n"
         "                  [--display NAME] | --register | --help | --version\n"
         "  --root          draw into $XSCREENSAVER_WINDOW when set, else the root window\n"
         "  --window-id ID  draw into the window ID (hexadecimal 0x... or decimal)\n"
         "                  (with neither, it opens a window of its own)\n"
         "  --wayland       cover every output of a Wayland desktop that offers the\n"
         "                  layer shell (sway and its relatives), as the idle daemon's\n"
         "                  program: swayidle timeout 300 'quendelrix --wayland'\n"
         "  --count N       number of balls, " + std::to_string(kMinBallCount) + " to " +
         std::to_string(kMaxBallCount) + " (default " + std::to_string(kDefaultBallCount) + ")\n"
         "  --interval N    length of the ball phase in frames, " + std::to_string(kMinInterval) + " to " +
         std::to_string(kMaxInterval) + " (default " + std::to_string(kDefaultInterval) + ")\n"
         "  --register      add Quendelrix to the programs of ~/.xscreensaver\n"
         "Every option may also be written with one dash.\n";
}

}  // namespace qx::x11
