#include "platform/win32/win32_system.h"

#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
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

namespace {

// Closes a kernel file handle when it goes.
class FileHandle {
 public:
  explicit FileHandle(HANDLE h) : h_(h) {}
  ~FileHandle() {
    if (valid()) CloseHandle(h_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};

}  // namespace

SettingsFiles::Content Win32SettingsFiles::Read(
    const std::filesystem::path& file) {
  FileHandle h(CreateFileW(file.c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.valid()) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return {};
    return {ReadStatus::kUnreadable, {}};
  }
  Content content{ReadStatus::kRead, {}};
  char buffer[16384];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(h.get(), buffer, sizeof buffer, &got, nullptr)) {
      return {ReadStatus::kUnreadable, {}};
    }
    if (got == 0) break;
    content.bytes.append(buffer, got);
  }
  return content;
}

bool Win32SettingsFiles::IsFile(const std::filesystem::path& file) {
  const DWORD attributes = GetFileAttributesW(file.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::optional<std::filesystem::path> Win32SettingsFiles::WriteBeside(
    const std::filesystem::path& file, std::string_view bytes) {
  std::filesystem::path temp = file;
  temp += L".tmp";
  bool written = false;
  {
    FileHandle h(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.valid()) return std::nullopt;
    written = true;
    size_t at = 0;
    while (written && at < bytes.size()) {
      DWORD put = 0;
      const DWORD chunk =
          static_cast<DWORD>(std::min<size_t>(bytes.size() - at, 1u << 20));
      written = WriteFile(h.get(), bytes.data() + at, chunk, &put, nullptr) &&
                put == chunk;
      at += put;
    }
    written = written && FlushFileBuffers(h.get());
  }
  if (!written) {
    DeleteFileW(temp.c_str());
    return std::nullopt;
  }
  return temp;
}

bool Win32SettingsFiles::Replace(const std::filesystem::path& temp,
                                 const std::filesystem::path& file) {
  return MoveFileExW(temp.c_str(), file.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

void Win32SettingsFiles::Remove(const std::filesystem::path& file) {
  DeleteFileW(file.c_str());
}

bool Win32SettingsFiles::CreateFolders(const std::filesystem::path& folder) {
  const int result = SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
  if (result == ERROR_SUCCESS) return true;
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::filesystem::path Win32SettingsFiles::UserDataFolder() {
  PWSTR path = nullptr;
  std::filesystem::path folder;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &path)) &&
      path) {
    folder = path;
  }
  CoTaskMemFree(path);
  return folder;
}

std::string Win32SettingsFiles::InSystemCodePage(std::string_view key) {
  // The ANSI profile functions turn their arguments into text with the
  // system's own conversion (RtlMultiByteToUnicodeN), which makes a lead
  // byte without its second byte a NUL that ends the key, and write the
  // file's text back through the code page.
  using ToText = LONG(WINAPI*)(PWCH, ULONG, PULONG, const CHAR*, ULONG);
  static const auto toText = reinterpret_cast<ToText>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlMultiByteToUnicodeN")));
  if (key.empty() || !toText) return std::string(key);
  std::wstring text(key.size(), L'\0');
  ULONG bytes = 0;
  if (toText(text.data(), static_cast<ULONG>(text.size() * sizeof(wchar_t)),
             &bytes, key.data(), static_cast<ULONG>(key.size())) < 0) {
    return std::string(key);
  }
  text.resize(bytes / sizeof(wchar_t));
  text.resize(std::min(text.size(), text.find(L'\0')));
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_ACP, 0, text.data(),
                                    static_cast<int>(text.size()), nullptr, 0,
                                    nullptr, nullptr);
  if (n <= 0) return std::string(key);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                      out.data(), n, nullptr, nullptr);
  return out;
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

bool Win32SystemCalls::HighContrastOn() {
  HIGHCONTRASTW hc{};
  hc.cbSize = sizeof hc;
  return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof hc, &hc, 0) &&
         (hc.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

Pixel Win32SystemCalls::SystemColor(int index) {
  const COLORREF c = GetSysColor(index);
  return Rgb(GetRValue(c), GetGValue(c), GetBValue(c));
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
