// XScreenSaver's settings description of the program: its sliders must give
// the program exactly the values its command line accepts.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "platform/x11/options.h"
#include "startup/setting_ranges.h"
#include "test_files.h"

namespace qx::x11 {
namespace {

TEST(X11SettingsDescription, SlidersMatchTheCommandLine) {
  const std::string xml =
      testing_files::Slurp(std::string(QX_SOURCE_DIR) + "/packaging/xscreensaver/quendelrix.xml");
  ASSERT_FALSE(xml.empty());
  EXPECT_NE(xml.find("<screensaver name=\"quendelrix\""), std::string::npos);
  EXPECT_NE(xml.find("<command arg=\"--root\"/>"), std::string::npos);
  EXPECT_NE(xml.find("<_description>"), std::string::npos);

  struct Slider {
    const char* arg;
    const char* label;
    int low, high, def;
  };
  const Slider sliders[] = {
      {"--count %", "球の数", kMinBallCount, kMaxBallCount, kDefaultBallCount},
      {"--interval %", "ﾌﾞﾚｽｲﾝﾀｰﾊﾞﾙ", kMinInterval, kMaxInterval, kDefaultInterval},
  };
  const std::regex number("<number ([^>]*)/>");
  int found = 0;
  for (auto it = std::sregex_iterator(xml.begin(), xml.end(), number); it != std::sregex_iterator();
       ++it) {
    const std::string attributes = (*it)[1];
    for (const Slider& s : sliders) {
      SCOPED_TRACE(s.arg);
      if (attributes.find(std::string("arg=\"") + s.arg + "\"") == std::string::npos) continue;
      ++found;
      EXPECT_NE(attributes.find(std::string("_label=\"") + s.label + "\""), std::string::npos);
      EXPECT_NE(attributes.find("low=\"" + std::to_string(s.low) + "\""), std::string::npos);
      EXPECT_NE(attributes.find("high=\"" + std::to_string(s.high) + "\""), std::string::npos);
      EXPECT_NE(attributes.find("default=\"" + std::to_string(s.def) + "\""), std::string::npos);
      // What the slider passes at both ends and by default starts the program.
      for (int value : {s.low, s.high, s.def}) {
        std::string arg = s.arg;
        arg.replace(arg.find('%'), 1, std::to_string(value));
        const std::string_view args[] = {std::string_view(arg).substr(0, arg.find(' ')),
                                         std::string_view(arg).substr(arg.find(' ') + 1)};
        EXPECT_TRUE(ParseOptions(args, nullptr).options) << arg;
      }
    }
  }
  EXPECT_EQ(found, 2);
}

}  // namespace
}  // namespace qx::x11
