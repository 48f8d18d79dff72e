#include "common/utf8.h"

#include <gtest/gtest.h>

#include <string>

#include "startup/window_titles.h"

namespace qx {
namespace {

TEST(Utf8, EncodesEveryLengthAndReplacesLoneSurrogates) {
  const struct {
    const char* name;
    std::wstring text;
    std::string utf8;
  } cases[] = {
      {"empty", L"", ""},
      {"the saver's title", std::wstring(kSaverTitle), "Quendelrix(Main)"},
      {"the dialog's title", std::wstring(kDialogTitle),
       "Quendelrix\xE3\x81\xAE\xE8\xA8\xAD\xE5\xAE\x9A"},
      {"two bytes", L"\u00E9\u07FF", "\xC3\xA9\xDF\xBF"},
      {"half-width katakana", L"\uFF72\uFF9D", "\xEF\xBD\xB2\xEF\xBE\x9D"},
      {"four bytes", L"a\U0001F600b", "a\xF0\x9F\x98\x80" "b"},
      {"a lone high surrogate", std::wstring(1, static_cast<wchar_t>(0xD800)) + L"x",
       "\xEF\xBF\xBDx"},
      {"a lone low surrogate", std::wstring(1, static_cast<wchar_t>(0xDC00)),
       "\xEF\xBF\xBD"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Utf8(c.text), c.utf8);
  }
}

}  // namespace
}  // namespace qx
