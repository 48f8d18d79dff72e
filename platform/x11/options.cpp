#include "platform/x11/options.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <utility>

#include "common/numbers.h"

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

const OptionHelp* FindOption(std::string_view name) {
  for (const OptionHelp& option : OptionTable()) {
    if (option.name == name || (!option.alias.empty() && option.alias == name)) return &option;
  }
  return nullptr;
}

std::string Range(int low, int high, int byDefault) {
  return std::to_string(low) + " to " + std::to_string(high) + " (default " +
         std::to_string(byDefault) + ")";
}

}  // namespace

const std::vector<OptionHelp>& OptionTable() {
  using Group = OptionHelp::Group;
  static const std::vector<OptionHelp> table = {
      {"root", "", "", Group::kTarget,
       "Draw into the window named by $XSCREENSAVER_WINDOW when it is set, else into the root "
       "window. XScreenSaver starts display programs so."},
      {"window-id", "", "ID", Group::kTarget,
       "Draw into the window ID, hexadecimal (0x...) or decimal, as XScreenSaver's settings "
       "preview does; it wins over --root. With neither option the program opens a resizable "
       "window of its own, \"Quendelrix(Main)\", which a key, a click or closing it ends."},
      {"wayland", "", "", Group::kTarget,
       "Cover every output of a Wayland desktop whose compositor offers the layer shell (sway "
       "and the other wlroots desktops; not GNOME), all outputs showing one scene, as the idle "
       "daemon's program: swayidle timeout 300 'quendelrix --wayland'. A key, a button or "
       "pointer motion ends it (the first motion only records the position); a second one on "
       "the same display ends at once. It goes with none of --root, --window-id and --display, "
       "nor under XScreenSaver."},
      {"count", "", "N", Group::kSetting,
       "Number of balls, " + Range(kMinBallCount, kMaxBallCount, kDefaultBallCount) + "."},
      {"interval", "", "N", Group::kSetting,
       "Length of the ball phase in frames, " + Range(kMinInterval, kMaxInterval, kDefaultInterval) +
           "; then the picture melts for a moment."},
      {"display", "", "NAME", Group::kSetting, "The X display to draw on, instead of $DISPLAY."},
      {"register", "", "", Group::kCommand,
       "Add Quendelrix at the end of the list of display programs in ~/.xscreensaver, keeping "
       "the old file as ~/.xscreensaver.bak, and end. Nothing else of the file changes (CRLF "
       "line ends become LF ones, the only ones XScreenSaver reads a list over)."},
      {"help", "h", "", Group::kCommand,
       "Print the options, environment variables and exit statuses, and end."},
      {"version", "", "", Group::kCommand, "Print the version and end."},
  };
  return table;
}

const std::vector<TermHelp>& EnvironmentTable() {
  static const std::vector<TermHelp> table = {
      {"XSCREENSAVER_WINDOW",
       "The window --root draws into, hexadecimal (0x...) or decimal. XScreenSaver sets it."},
      {"DISPLAY", "The X display, unless --display names one."},
      {"WAYLAND_DISPLAY", "The Wayland display --wayland connects to (wayland-0 when unset)."},
      {"XDG_RUNTIME_DIR",
       "The folder of the Wayland display's socket, and of the lock that keeps --wayland to one "
       "saver per display."},
      {"HOME", "The folder whose .xscreensaver --register edits."},
  };
  return table;
}

const std::vector<TermHelp>& ExitStatusTable() {
  static const std::vector<TermHelp> table = {
      {"0",
       "Ended normally: the window it drew into went away, a key, a click or a close ended its "
       "own window, input or the compositor's end ended --wayland (or another one ran on that "
       "display), or --register, --help or --version did what they do."},
      {"1",
       "It could not run: no X display, a window it cannot draw into, no Wayland display or "
       "layer shell for --wayland, or a ~/.xscreensaver that "
       "--register cannot read, has no list yet or cannot write."},
      {"2", "A wrong command line: an unknown option or a bad value (a message says which)."},
      {"SIGTERM, SIGINT", "It ends at once, by the signal, as XScreenSaver stops it."},
  };
  return table;
}

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
    const OptionHelp* option = FindOption(*name);
    if (option == nullptr) return fail("unknown option " + Quoted(arg));
    *name = option->name;
    const bool takesValue = !option->value.empty();
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
      const auto n = WholeNumber(value);
      if (!n) return fail("--" + std::string(*name) + " " + Quoted(value) + " is not a whole number");
      if (*n < low || *n > high) {
        return fail("--" + std::string(*name) + " " + std::string(value) + " is outside " +
                    std::to_string(low) + " to " + std::to_string(high));
      }
      (count ? o.ballCount : o.interval) = static_cast<int>(*n);
    } else if (*name == "display") {
      o.display = std::string(value);
    } else if (*name == "help") {
      o.help = true;
    } else if (*name == "version") {
      o.version = true;
    } else if (*name == "register") {
      o.registerProgram = true;
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

std::string Synopsis(OptionHelp::Group group,
                     const std::function<std::string(const OptionHelp&)>& form) {
  std::string out;
  for (const OptionHelp& option : OptionTable()) {
    if (option.group != group) continue;
    if (!out.empty()) out += group == OptionHelp::Group::kSetting ? " " : " | ";
    out += group == OptionHelp::Group::kSetting ? "[" + form(option) + "]" : form(option);
  }
  return group == OptionHelp::Group::kTarget ? "[" + out + "]" : out;
}

namespace {

std::string PlainForm(const OptionHelp& option) {
  std::string form = "--" + std::string(option.name);
  if (!option.value.empty()) form += " " + std::string(option.value);
  return form;
}

// `text` broken into lines of at most `width` characters at blanks: the first
// after `first`, the others after `indent` blanks.
std::string Wrapped(std::string_view first, std::string_view text, size_t indent,
                    size_t width = 79) {
  std::string out(first);
  size_t column = out.size();
  bool lineEmpty = true;
  while (!text.empty()) {
    const size_t blank = text.find(' ');
    const std::string_view word = text.substr(0, blank);
    text = blank == std::string_view::npos ? std::string_view{} : text.substr(blank + 1);
    if (!lineEmpty && column + 1 + word.size() > width) {
      out += "\n" + std::string(indent, ' ');
      column = indent;
      lineEmpty = true;
    }
    if (!lineEmpty) {
      out += ' ';
      ++column;
    }
    out += word;
    column += word.size();
    lineEmpty = false;
  }
  return out + "\n";
}

// Terms in a column, each followed by its text.
std::string Terms(const std::vector<std::pair<std::string, std::string>>& terms) {
  size_t column = 0;
  for (const auto& [term, text] : terms) column = std::max(column, term.size());
  std::string out;
  for (const auto& [term, text] : terms) {
    out += Wrapped("  " + term + std::string(column + 2 - term.size(), ' '), text, column + 4);
  }
  return out;
}

std::vector<std::pair<std::string, std::string>> Terms(const std::vector<TermHelp>& table) {
  std::vector<std::pair<std::string, std::string>> terms;
  for (const TermHelp& t : table) terms.emplace_back(t.term, t.text);
  return terms;
}

}  // namespace

std::string Usage() {
  using Group = OptionHelp::Group;
  std::string out = Wrapped("usage: quendelrix ",
                            Synopsis(Group::kTarget, PlainForm) + " " +
                                Synopsis(Group::kSetting, PlainForm),
                            18);
  out += "       quendelrix " + Synopsis(Group::kCommand, PlainForm) + "\n";
  std::vector<std::pair<std::string, std::string>> options;
  for (const OptionHelp& option : OptionTable()) {
    std::string term = PlainForm(option);
    if (!option.alias.empty()) term += ", -" + std::string(option.alias);
    options.emplace_back(term, option.text);
  }
  out += "\nOptions (each may also be written with one dash; a value may also follow '='):\n" +
         Terms(options);
  out += "\nEnvironment:\n" + Terms(Terms(EnvironmentTable()));
  out += "\nExit status:\n" + Terms(Terms(ExitStatusTable()));
  return out;
}

}  // namespace qx::x11
