// The manual page quendelrix(6), made from the tables --help prints
// (options.h), so that the page and --help cannot disagree.
#pragma once

#include <string>
#include <string_view>

namespace qx::x11 {

// The page's roff source; `date` is the page's date (YYYY-MM-DD).
std::string ManualPage(std::string_view version, std::string_view date);

// `text` as roff body text: backslashes and dashes escaped, and a line that
// would start with a control character ('.' or '\'') made plain text.
std::string RoffText(std::string_view text);

}  // namespace qx::x11
