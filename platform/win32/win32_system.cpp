#include "platform/win32/win32_system.h"

#include <vector>

namespace qx::win32 {

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(),
                                    static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                      out.data(), n);
  return out;
}

std::string Narrow(std::wstring_view text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(),
                                    static_cast<int>(text.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                      out.data(), n, nullptr, nullptr);
  return out;
}

std::filesystem::path ProgramFolder() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(),
                                       static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) {
      buffer.resize(n);
      break;
    }
    buffer.resize(buffer.size() * 2);
  }
  std::filesystem::path folder = std::filesystem::path(buffer).parent_path();
  // A drive root keeps its separator ("C:\"); other folders have none.
  std::wstring text = folder.wstring();
  if (text.size() > 3 && (text.back() == L'\\' || text.back() == L'/')) {
    text.pop_back();
  }
  return std::filesystem::path(text);
}

std::optional<std::string> AnsiPath(const std::filesystem::path& path) {
  const std::wstring wide = path.wstring();
  if (wide.empty()) return std::string();
  BOOL usedDefault = FALSE;
  const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(),
                                    static_cast<int>(wide.size()), nullptr, 0,
                                    nullptr, &usedDefault);
  if (n <= 0 || usedDefault) return std::nullopt;
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(),
                      static_cast<int>(wide.size()), out.data(), n, nullptr,
                      &usedDefault);
  if (usedDefault) return std::nullopt;
  // The round trip must give the same path (no lossy mapping).
  const int back = MultiByteToWideChar(CP_ACP, 0, out.data(),
                                       static_cast<int>(out.size()), nullptr, 0);
  std::wstring check(static_cast<size_t>(back), L'\0');
  MultiByteToWideChar(CP_ACP, 0, out.data(), static_cast<int>(out.size()),
                      check.data(), back);
  if (check != wide) return std::nullopt;
  return out;
}

namespace {

// The file argument for the profile functions. Where the code page cannot
// spell the path (a folder named in another script), the file is named
// relative to its folder, which becomes the current directory: the system
// resolves a name with a separator against it.
std::optional<std::string> ProfileFileArgument(const std::filesystem::path& file) {
  if (auto ansi = AnsiPath(file)) return ansi;
  const std::filesystem::path folder = file.parent_path();
  auto name = AnsiPath(file.filename());
  if (!name || !SetCurrentDirectoryW(folder.c_str())) return std::nullopt;
  return ".\\" + *name;
}

std::string NulTerminated(std::string_view s) { return std::string(s); }

}  // namespace

std::string Win32ProfileStore::Read(std::string_view section,
                                    std::string_view key,
                                    const std::filesystem::path& file) {
  const auto path = ProfileFileArgument(file);
  if (!path) return {};
  std::vector<char> buffer(256, '\0');
  GetPrivateProfileStringA(NulTerminated(section).c_str(),
                           NulTerminated(key).c_str(), "", buffer.data(),
                           static_cast<DWORD>(buffer.size()), path->c_str());
  return std::string(buffer.data());
}

bool Win32ProfileStore::Write(std::string_view section, std::string_view key,
                              std::string_view value,
                              const std::filesystem::path& file) {
  const auto path = ProfileFileArgument(file);
  if (!path) return false;
  return WritePrivateProfileStringA(NulTerminated(section).c_str(),
                                    NulTerminated(key).c_str(),
                                    NulTerminated(value).c_str(),
                                    path->c_str()) != FALSE;
}

int Win32SystemCalls::SetSystemParameter(uint32_t action, uint32_t uiParam,
                                           uint32_t flags) {
  return SystemParametersInfoA(action, uiParam, nullptr, flags);
}

VersionAnswer Win32SystemCalls::QueryVersion() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;  // 148 bytes
  VersionAnswer answer;
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
  answer.result = ::GetVersionExA(&info);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
  answer.platformId = info.dwPlatformId;
  return answer;
}

bool Win32SystemCalls::GetWindowRect(WindowHandle window, Rect& rect) {
  RECT r;
  if (!::GetWindowRect(ToHwnd(window), &r)) return false;
  rect = Rect{r.left, r.top, r.right, r.bottom};
  return true;
}

void Win32SystemCalls::DrawAnimatedRects(WindowHandle window, int animation,
                                         const Rect& from, const Rect& to) {
  const RECT a{from.left, from.top, from.right, from.bottom};
  const RECT b{to.left, to.top, to.right, to.bottom};
  ::DrawAnimatedRects(ToHwnd(window), animation, &a, &b);
}

char LocaleDecimalSeparator() {
  wchar_t sep[8] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, sep, 8) > 0 &&
      sep[0] > 0 && sep[0] < 0x80 && sep[1] == 0) {
    return static_cast<char>(sep[0]);
  }
  return '.';
}

}  // namespace qx::win32
