#include "platform/x11/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/x11/manual_page.h"

namespace qx::x11 {
namespace {

ParseResult Parse(std::vector<std::string_view> args, const char* env = nullptr) {
  return ParseOptions(args, env);
}

// The arguments as a command line would show them.
std::string Joined(const std::vector<std::string_view>& args) {
  std::string line;
  for (std::string_view a : args) line += (line.empty() ? "" : " ") + std::string(a);
  return line;
}

TEST(X11Options, WindowIds) {
  struct Case {
    std::string_view text;
    std::optional<uint32_t> id;
  };
  const Case cases[] = {
      {"0x1a00007", 0x1a00007},  {"0X1A00007", 0x1a00007}, {"27262983", 27262983},
      {"0xffffffff", 0xffffffffu}, {"4294967295", 4294967295u},
      {"0x100000000", std::nullopt},  // past 32 bits
      {"4294967296", std::nullopt},   {"0", std::nullopt}, {"0x0", std::nullopt},
      {"0x", std::nullopt},           {"", std::nullopt},  {"-5", std::nullopt},
      {"+5", std::nullopt},           {"12ab", std::nullopt}, {"0x12g", std::nullopt},
      {" 12", std::nullopt},          {"1a", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseWindowId(c.text), c.id);
  }
}

TEST(X11Options, TargetsAndSettings) {
  struct Case {
    std::vector<std::string_view> args;
    const char* env;
    Target target;
    uint32_t windowId;
    int count, interval;
  };
  const Case cases[] = {
      {{}, nullptr, Target::kOwnWindow, 0, 60, 300},
      // $XSCREENSAVER_WINDOW counts only with --root.
      {{}, "0x400001", Target::kOwnWindow, 0, 60, 300},
      {{"--root"}, nullptr, Target::kRoot, 0, 60, 300},
      {{"-root"}, "", Target::kRoot, 0, 60, 300},
      {{"--root"}, "0x400001", Target::kWindow, 0x400001, 60, 300},
      {{"-root"}, "4194305", Target::kWindow, 4194305, 60, 300},
      {{"--window-id", "0x2c00003"}, nullptr, Target::kWindow, 0x2c00003, 60, 300},
      {{"-window-id", "46137347"}, nullptr, Target::kWindow, 46137347, 60, 300},
      {{"--window-id=0x10"}, nullptr, Target::kWindow, 16, 60, 300},
      // The settings preview appends --window-id after --root: the id wins,
      // over the environment too.
      {{"--root", "--count", "20", "--window-id", "0x2c00003"}, "0x400001", Target::kWindow,
       0x2c00003, 20, 300},
      {{"-count", "100", "-interval", "100"}, nullptr, Target::kOwnWindow, 0, 100, 100},
      {{"--interval=500", "--count=+42"}, nullptr, Target::kOwnWindow, 0, 42, 500},
      {{"--count", "30", "--count", "40"}, nullptr, Target::kOwnWindow, 0, 40, 300},
      {{"--wayland"}, nullptr, Target::kWayland, 0, 60, 300},
      {{"-wayland", "--count", "25", "--interval=500"}, "", Target::kWayland, 0, 25, 500},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Joined(c.args));
    const ParseResult r = Parse(c.args, c.env);
    ASSERT_TRUE(r.options) << r.error;
    EXPECT_EQ(r.options->target, c.target);
    EXPECT_EQ(r.options->windowId, c.windowId);
    EXPECT_EQ(r.options->ballCount, c.count);
    EXPECT_EQ(r.options->interval, c.interval);
    EXPECT_FALSE(r.options->help || r.options->version || r.options->registerProgram);
  }
}

TEST(X11Options, CommandsAndDisplay) {
  auto r = Parse({"--help"});
  ASSERT_TRUE(r.options);
  EXPECT_TRUE(r.options->help);
  r = Parse({"-version"});
  ASSERT_TRUE(r.options);
  EXPECT_TRUE(r.options->version);
  r = Parse({"--register"});
  ASSERT_TRUE(r.options);
  EXPECT_TRUE(r.options->registerProgram);
  r = Parse({"-display", ":7", "--root"});
  ASSERT_TRUE(r.options);
  EXPECT_EQ(r.options->display, ":7");
  EXPECT_EQ(r.options->target, Target::kRoot);
}

TEST(X11Options, RefusedWithOneLineSayingWhy) {
  struct Case {
    std::vector<std::string_view> args;
    const char* env;
    std::string_view says;
  };
  const Case cases[] = {
      {{"--count", "19"}, nullptr, "--count 19 is outside 20 to 100"},
      {{"--count", "101"}, nullptr, "outside 20 to 100"},
      {{"--interval", "99"}, nullptr, "--interval 99 is outside 100 to 500"},
      {{"-interval", "501"}, nullptr, "outside 100 to 500"},
      {{"--count", "-60"}, nullptr, "outside"},
      {{"--count", "99999999999999999999"}, nullptr, "not a whole number"},
      {{"--count", "60.5"}, nullptr, "\"60.5\" is not a whole number"},
      {{"--count", "6O"}, nullptr, "not a whole number"},
      {{"--count", ""}, nullptr, "not a whole number"},
      {{"--count", "++6"}, nullptr, "not a whole number"},
      {{"--interval"}, nullptr, "needs a value"},
      {{"--window-id"}, nullptr, "needs a value"},
      {{"--window-id", "0xzz"}, nullptr, "bad window id \"0xzz\""},
      {{"--window-id", "0"}, nullptr, "bad window id"},
      {{"--root"}, "window", "bad XSCREENSAVER_WINDOW \"window\""},
      {{"--fps"}, nullptr, "unknown option \"--fps\""},
      {{"--"}, nullptr, "unexpected argument \"--\""},
      {{"root"}, nullptr, "unexpected argument \"root\""},
      {{"--root=1"}, nullptr, "takes no value"},
      {{"--wayland", "--root"}, nullptr, "--wayland cannot be used with --root"},
      {{"--window-id", "0x10", "--wayland"}, nullptr, "--wayland cannot be used with --window-id"},
      {{"--wayland"}, "0x400001", "--wayland cannot be used with $XSCREENSAVER_WINDOW"},
      {{"--wayland", "--display", ":1"}, nullptr, "--wayland cannot be used with --display"},
      {{"--wayland=1"}, nullptr, "takes no value"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Joined(c.args));
    const ParseResult r = Parse(c.args, c.env);
    EXPECT_FALSE(r.options);
    EXPECT_NE(r.error.find(c.says), std::string::npos) << r.error;
    EXPECT_EQ(r.error.find('\n'), std::string::npos) << r.error;
  }
}

// --help and the manual page both name every option, the ranges, the
// environment variables and the exit statuses; --help fits 79 columns.
TEST(X11Options, HelpAndManualPageNameEveryOptionVariableAndStatus) {
  const std::string usage = Usage();
  // The page's text with its font changes and escaped dashes undone.
  std::string page;
  const std::string roff = ManualPage("1.01", "2026-12-07");
  for (size_t i = 0; i < roff.size(); ++i) {
    if (roff.compare(i, 2, "\\f") == 0) {
      i += 2;
    } else if (roff.compare(i, 2, "\\-") == 0) {
      page += '-';
      ++i;
    } else {
      page += roff[i];
    }
  }
  for (std::string_view word : {"--root", "--window-id ID", "--wayland", "--count N", "--interval N",
                                "--display NAME", "--register", "--help", "-h", "--version",
                                "20 to 100", "100 to 500", "default 60", "default 300",
                                "XSCREENSAVER_WINDOW", "DISPLAY", "HOME", "SIGTERM",
                                "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR"}) {
    EXPECT_NE(usage.find(word), std::string::npos) << word;
    EXPECT_NE(page.find(word), std::string::npos) << word;
  }
  EXPECT_NE(page.find(".TH QUENDELRIX 6 \"2026-12-07\" \"Quendelrix 1.01\""), std::string::npos);
  for (const auto& status : ExitStatusTable()) {
    EXPECT_NE(usage.find("  " + std::string(status.term) + "  "), std::string::npos) << status.term;
    EXPECT_NE(page.find(".TP\n" + std::string(status.term) + "\n"), std::string::npos) << status.term;
  }
  EXPECT_EQ(usage.back(), '\n');
  for (size_t start = 0, end; (end = usage.find('\n', start)) != std::string::npos; start = end + 1) {
    EXPECT_LE(end - start, 79u) << usage.substr(start, end - start);
  }
  ASSERT_TRUE(Parse({"-h"}).options);
  EXPECT_TRUE(Parse({"-h"}).options->help);
}

TEST(X11Options, RoffTextIsPlainText) {
  const struct {
    std::string_view text;
    std::string_view roff;
  } cases[] = {
      {"--count=40", "\\-\\-count=40"},
      {"a\\b", "a\\eb"},
      {".xscreensaver\n'quoted'", "\\&.xscreensaver\n\\&'quoted'"},
      {"it's ~/.x", "it's ~/.x"},
  };
  for (const auto& c : cases) EXPECT_EQ(RoffText(c.text), c.roff) << c.text;
}

}  // namespace
}  // namespace qx::x11
