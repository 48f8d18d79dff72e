#include "tests/e2e/harness.h"

#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

namespace qx::e2e {

namespace {

std::wstring WidenUtf8(std::string_view s) {
  if (s.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
  return out;
}

}  // namespace

std::filesystem::path FromUnixPath(std::string_view unixPath) {
  std::wstring w = WidenUtf8(unixPath);
  if (!w.empty() && w[0] == L'/') {
    for (auto& c : w) {
      if (c == L'/') c = L'\\';
    }
    w = L"Z:" + w;
  }
  return std::filesystem::path(w);
}

namespace {

constexpr wchar_t kAppKey[] = L"Software\\Wine\\AppDefaults\\Quendelrix.scr";

}  // namespace

std::filesystem::path ScrPath() { return FromUnixPath(QX_SCR_PATH); }

std::filesystem::path SourcePath(std::string_view relative) {
  return FromUnixPath(std::string(QX_SOURCE_DIR) + "/" + std::string(relative));
}

std::filesystem::path DriverFolder() {
  wchar_t buffer[MAX_PATH * 2] = {};
  GetModuleFileNameW(nullptr, buffer, MAX_PATH * 2);
  return std::filesystem::path(buffer).parent_path();
}

std::filesystem::path UserIniPath() {
  PWSTR roaming = nullptr;
  std::filesystem::path file;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &roaming))) {
    file = std::filesystem::path(roaming) / L"Quendelrix" / L"Quendelrix.ini";
  }
  CoTaskMemFree(roaming);
  return file;
}

void RemoveUserSettings() {
  const auto file = UserIniPath();
  std::error_code ec;
  if (!file.empty()) std::filesystem::remove_all(file.parent_path(), ec);
}

TempFolder::TempFolder(bool nonAscii) {
  RemoveUserSettings();
  static std::atomic<int> counter{0};
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  std::wstring name = L"qx-e2e-" + std::to_wstring(GetCurrentProcessId()) +
                      L"-" + std::to_wstring(counter++);
  if (nonAscii) name += L"-設定テスト-Äöü";
  path = std::filesystem::path(temp) / name;
  std::error_code ec;
  std::filesystem::remove_all(path, ec);
  std::filesystem::create_directories(path);
  scr = path / L"Quendelrix.scr";
  CopyFileW(ScrPath().c_str(), scr.c_str(), FALSE);
}

TempFolder::~TempFolder() {
  std::error_code ec;
  std::filesystem::remove_all(path, ec);
  RemoveUserSettings();
}

ScrProcess ScrProcess::Start(const std::filesystem::path& scr,
                             std::wstring_view args) {
  std::wstring cmd = L"\"" + scr.wstring() + L"\"";
  if (!args.empty()) cmd += L" " + std::wstring(args);
  return StartCommandLine(std::move(cmd));
}

ScrProcess ScrProcess::StartCommandLine(std::wstring commandLine) {
  ScrProcess p;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back(L'\0');
  if (CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0,
                     nullptr, nullptr, &si, &pi)) {
    CloseHandle(pi.hThread);
    p.process_ = pi.hProcess;
    p.pid_ = pi.dwProcessId;
  }
  return p;
}

ScrProcess::ScrProcess(ScrProcess&& other) noexcept
    : process_(std::exchange(other.process_, nullptr)),
      pid_(std::exchange(other.pid_, 0)) {}

ScrProcess::~ScrProcess() {
  if (!process_) return;
  if (Running()) Kill();
  CloseHandle(process_);
}

bool ScrProcess::WaitForExit(DWORD ms) {
  if (!process_) return true;
  const ULONGLONG end = GetTickCount64() + ms;
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    const DWORD left = now >= end ? 0 : static_cast<DWORD>(end - now);
    const DWORD r = MsgWaitForMultipleObjects(1, &process_, FALSE, left, QS_ALLINPUT);
    if (r == WAIT_OBJECT_0) return true;
    if (r == WAIT_OBJECT_0 + 1) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
      continue;
    }
    return WaitForSingleObject(process_, 0) == WAIT_OBJECT_0;
  }
}

bool ScrProcess::Running() const {
  return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> ScrProcess::ExitCode() const {
  DWORD code = 0;
  if (!process_ || Running() || !GetExitCodeProcess(process_, &code)) return std::nullopt;
  return code;
}

void ScrProcess::Kill() {
  if (!process_) return;
  TerminateProcess(process_, 1);
  WaitForSingleObject(process_, kCeiling);
}

void PumpFor(DWORD ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    const ULONGLONG now = GetTickCount64();
    if (now >= end) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
  }
}

HWND FindTopWindow(std::wstring_view title) {
  const std::wstring t(title);
  return FindWindowW(nullptr, t.c_str());
}

HWND WaitForWindow(std::wstring_view title, DWORD ms) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindTopWindow(title)) != nullptr; }, ms);
  return found;
}

std::wstring WindowTitle(HWND hwnd) {
  wchar_t buffer[512] = {};
  GetWindowTextW(hwnd, buffer, 512);
  return buffer;
}

DWORD WindowPid(HWND hwnd) {
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  return pid;
}

namespace {
INPUT AbsoluteMove(int x, int y) {
  const int cx = GetSystemMetrics(SM_CXSCREEN);
  const int cy = GetSystemMetrics(SM_CYSCREEN);
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = static_cast<LONG>((static_cast<long long>(x) * 65535) / (cx - 1));
  in.mi.dy = static_cast<LONG>((static_cast<long long>(y) * 65535) / (cy - 1));
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  return in;
}
}  // namespace

void MouseMoveTo(int x, int y) {
  INPUT in = AbsoluteMove(x, y);
  SendInput(1, &in, sizeof in);
}

bool PlaceCursor(int x, int y) {
  MouseMoveTo(x, y);
  return WaitUntil([&] {
    POINT at{};
    return GetCursorPos(&at) && at.x == x && at.y == y;
  });
}

void MouseMoveToVirtual(int x, int y) {
  const RECT v = VirtualScreenRect();
  const long long cx = v.right - v.left, cy = v.bottom - v.top;
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = static_cast<LONG>((static_cast<long long>(x - v.left) * 65535) / (cx - 1));
  in.mi.dy = static_cast<LONG>((static_cast<long long>(y - v.top) * 65535) / (cy - 1));
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
  SendInput(1, &in, sizeof in);
}

namespace {
INPUT ButtonInput(Button button, bool down) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  switch (button) {
    case Button::kLeft: in.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP; break;
    case Button::kRight: in.mi.dwFlags = down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP; break;
    case Button::kMiddle: in.mi.dwFlags = down ? MOUSEEVENTF_MIDDLEDOWN : MOUSEEVENTF_MIDDLEUP; break;
  }
  return in;
}
void SendButton(Button button, bool down) {
  INPUT in = ButtonInput(button, down);
  SendInput(1, &in, sizeof in);
}
}  // namespace

void MouseDown(Button button) { SendButton(button, true); }
void MouseUp(Button button) { SendButton(button, false); }

void Click(int x, int y, Button button) {
  PlaceCursor(x, y);
  INPUT in[2] = {ButtonInput(button, true), ButtonInput(button, false)};
  SendInput(2, in, sizeof in[0]);
}

void PressKey(WORD vk) {
  INPUT in[2] = {};
  in[0].type = INPUT_KEYBOARD;
  in[0].ki.wVk = vk;
  in[1].type = INPUT_KEYBOARD;
  in[1].ki.wVk = vk;
  in[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, in, sizeof in[0]);
}

RECT VirtualScreenRect() {
  const int x = GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int y = GetSystemMetrics(SM_YVIRTUALSCREEN);
  return RECT{x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN),
              y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

Image CaptureScreen() {
  return CaptureScreenArea(
      RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
}

Image CaptureScreenArea(const RECT& area) {
  const int w = area.right - area.left;
  const int h = area.bottom - area.top;
  Image img(w, h);
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(mem, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (dib && bits) {
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, w, h, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    const auto* src = static_cast<const Pixel*>(bits);
    for (size_t i = 0; i < img.PixelCount(); ++i) img.Data()[i] = src[i] & 0x00FFFFFFu;
    SelectObject(mem, old);
  }
  if (dib) DeleteObject(dib);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return img;
}

bool WaitForChanges(const RECT& area, int times, const ScrProcess* program, DWORD ms) {
  Image last = CaptureScreenArea(area);
  int seen = 0;
  bool ended = false;
  WaitUntil([&] {
    if (program && !program->Running()) return ended = true;
    Image now = CaptureScreenArea(area);
    if (!(now == last)) {
      ++seen;
      last = std::move(now);
    }
    return seen >= times;
  }, ms);
  return !ended && seen >= times;
}

bool WaitForStill(const RECT& area, DWORD quietMs, DWORD ms) {
  Image last = CaptureScreenArea(area);
  ULONGLONG since = GetTickCount64();
  return WaitUntil([&] {
    Image now = CaptureScreenArea(area);
    if (!(now == last)) {
      last = std::move(now);
      since = GetTickCount64();
    }
    return GetTickCount64() - since >= quietMs;
  }, ms);
}

namespace {
GUITHREADINFO ThreadInfoOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
  return info;
}
}  // namespace

HWND CaptureOf(HWND window) { return ThreadInfoOf(window).hwndCapture; }
HWND FocusOf(HWND window) { return ThreadInfoOf(window).hwndFocus; }

bool SaveBmp(const Image& img, const std::filesystem::path& file) {
  const uint32_t w = static_cast<uint32_t>(img.Width()), h = static_cast<uint32_t>(img.Height());
  BITMAPFILEHEADER fh{};
  BITMAPINFOHEADER ih{};
  ih.biSize = sizeof ih;
  ih.biWidth = static_cast<LONG>(w);
  ih.biHeight = -static_cast<LONG>(h);
  ih.biPlanes = 1;
  ih.biBitCount = 32;
  ih.biSizeImage = w * h * 4;
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof ih;
  fh.bfSize = fh.bfOffBits + ih.biSizeImage;
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&fh), sizeof fh);
  out.write(reinterpret_cast<const char*>(&ih), sizeof ih);
  out.write(reinterpret_cast<const char*>(img.Data()), static_cast<std::streamsize>(img.ByteCount()));
  return static_cast<bool>(out);
}

namespace {
LRESULT CALLBACK PaneProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  return DefWindowProcW(hwnd, msg, w, l);
}
}  // namespace

PaneWindow::PaneWindow(int width, int height) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = PaneProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
  wc.lpszClassName = L"QxTestPaneHost";
  RegisterClassW(&wc);
  host_ = CreateWindowExW(0, wc.lpszClassName, L"Display Properties Test Host",
                          WS_POPUP | WS_VISIBLE, 100, 100, width + 40, height + 40,
                          nullptr, nullptr, wc.hInstance, nullptr);
  pane_ = CreateWindowExW(0, wc.lpszClassName, L"Preview Pane",
                          WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 20, 20, width, height,
                          host_, nullptr, wc.hInstance, nullptr);
  PumpFor(50);
}

PaneWindow::~PaneWindow() {
  if (host_ && IsWindow(host_)) DestroyWindow(host_);
  PumpFor(20);
}

void PaneWindow::DestroyPane() {
  if (pane_ && IsWindow(pane_)) DestroyWindow(pane_);
}

std::optional<std::string> ReadFileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool WriteFileBytes(const std::filesystem::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

bool WriteSaverSettings(const TempFolder& folder, int balls, int interval) {
  const std::string text = "[Section]\r\n\x8B\x85\x82\xCC\x90\x94=" +
                           std::to_string(balls) +
                           "\r\n\xB2\xDD\xC0\xB0\xCA\xDE\xD9=" +
                           std::to_string(interval) + "\r\n";
  return WriteFileBytes(folder.ini(), text);
}

void SetWindowsVersionWin98(bool win98) {
  if (win98) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kAppKey, L"Version", REG_SZ, L"win98",
                    sizeof(L"win98"));
  } else {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kAppKey, L"Version");
  }
}

void SetDllOverride(std::wstring_view dll, std::wstring_view mode) {
  const std::wstring key = std::wstring(kAppKey) + L"\\DllOverrides";
  const std::wstring name(dll), value(mode);
  RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), REG_SZ, value.c_str(),
                  static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void ClearDllOverride(std::wstring_view dll) {
  const std::wstring key = std::wstring(kAppKey) + L"\\DllOverrides";
  const std::wstring name(dll);
  RegDeleteKeyValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str());
}

namespace {
constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
}  // namespace

ScopedLogPixels::ScopedLogPixels(DWORD dpi) {
  DWORD size = sizeof old_;
  had_ = RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", RRF_RT_REG_DWORD,
                      nullptr, &old_, &size) == ERROR_SUCCESS;
  RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", REG_DWORD, &dpi, sizeof dpi);
}

ScopedLogPixels::~ScopedLogPixels() {
  if (had_) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", REG_DWORD, &old_, sizeof old_);
  } else {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels");
  }
}

}  // namespace qx::e2e
