#include "platform/web/page_settings.h"

#include <gtest/gtest.h>

namespace qx::web {
namespace {

TEST(WebPageSettings, CountAndIntervalInRangeOrTheDefault) {
  struct Case {
    std::string_view text;
    int16_t count, interval;  // what it gives as a count and as an interval
  };
  const Case cases[] = {
      {"", 60, 300},       // absent
      {"20", 20, 300},     {"19", 60, 300},   {"100", 100, 100}, {"101", 60, 101},
      {"99", 99, 300},     {"500", 60, 500},  {"501", 60, 300},  {"+42", 42, 300},
      {"-20", 60, 300},    {"0", 60, 300},    {"060", 60, 300},  {"250", 60, 250},
      // Not a whole number.
      {"42.0", 60, 300},   {"4e1", 60, 300},  {" 42", 60, 300},  {"42 ", 60, 300},
      {"0x20", 60, 300},   {"++42", 60, 300}, {"+", 60, 300},    {"abc", 60, 300},
      {"99999999999999999999", 60, 300},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text));
    EXPECT_EQ(PageSettingsFrom(c.text, "", "").ballCount, c.count);
    EXPECT_EQ(PageSettingsFrom("", c.text, "").interval, c.interval);
  }
}

TEST(WebPageSettings, SeedReadOrIgnored) {
  struct Case {
    std::string_view text;
    std::optional<float> seed;
  };
  const Case cases[] = {
      {"", std::nullopt},          {"0", 0.0f},
      {"4711", 4711.0f},           {"-3", -3.0f},
      {"+86399", 86399.0f},        {"16777216", 16777216.0f},
      {"-16777216", -16777216.0f},
      // Past 2^24 two seeds could be one float: not read.
      {"16777217", std::nullopt},  {"-16777217", std::nullopt},
      {"1.5", std::nullopt},       {"seven", std::nullopt},
      {"12abc", std::nullopt},     {" 5", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text));
    EXPECT_EQ(PageSettingsFrom("", "", c.text).seed, c.seed);
  }
}

TEST(WebPageSettings, EachValueOnItsOwn) {
  // An unreadable value changes none of the others.
  EXPECT_EQ(PageSettingsFrom("100", "x", "7"), (PageSettings{100, 300, 7.0f}));
  EXPECT_EQ(PageSettingsFrom("x", "100", "y"), (PageSettings{60, 100, std::nullopt}));
}

}  // namespace
}  // namespace qx::web
