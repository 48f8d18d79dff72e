// The titles of the program's windows. The saver's and the settings
// dialog's are how a second copy finds a running one, on every system the
// program runs on; the preview host's is how a display control panel (and a
// test) finds the host in its pane.
#pragma once

#include <string_view>

namespace qx {

inline constexpr std::wstring_view kSaverTitle = L"Quendelrix(Main)";
inline constexpr std::wstring_view kDialogTitle = L"Quendelrixの設定";
inline constexpr std::wstring_view kPreviewTitle = L"Preview Window";

}  // namespace qx
