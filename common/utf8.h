// Text in UTF-8, for the window systems whose titles and names take it. The
// program's own texts are wide strings (UTF-16 on Windows, UTF-32 elsewhere).
#pragma once

#include <string>
#include <string_view>

namespace qx {

// Each character in UTF-8; a surrogate without its partner becomes U+FFFD.
std::string Utf8(std::wstring_view text);

// Appends any value up to 0x10FFFF in its shortest UTF-8 form. A surrogate's
// value gets the three bytes of its range like any other, so that text which
// holds a lone UTF-16 unit can be carried through UTF-8 and back unchanged.
void AppendUtf8(std::string& out, char32_t c);

}  // namespace qx
