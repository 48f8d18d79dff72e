// Text in UTF-8, for the window systems whose titles and names take it. The
// program's own texts are wide strings (UTF-16 on Windows, UTF-32 elsewhere).
#pragma once

#include <string>
#include <string_view>

namespace qx {

// Each character in UTF-8; a surrogate without its partner becomes U+FFFD.
std::string Utf8(std::wstring_view text);

}  // namespace qx
