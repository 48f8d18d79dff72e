// The end-to-end driver's toolbox: starts Quendelrix.scr the way the system
// does, makes panes, finds windows, sends real input, reads files and the
// screen, and waits for processes with a time bound.
#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "common/image.h"

namespace qx::e2e {

// The Quendelrix.scr that the build made.
std::filesystem::path ScrPath();
// A file of the source tree (the driver runs on the machine that built it).
std::filesystem::path SourcePath(std::string_view relative);
// A Linux path as Wine's Z: drive names it (other paths unchanged).
std::filesystem::path FromUnixPath(std::string_view unixPath);
// The folder of the driver program (stand-in libraries are built there).
std::filesystem::path DriverFolder();

// A fresh folder holding a copy of Quendelrix.scr; removed with everything in
// it when the object goes. `nonAscii` puts Japanese and accented letters into
// the folder's name.
class TempFolder {
 public:
  explicit TempFolder(bool nonAscii = false);
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::filesystem::path path;
  std::filesystem::path scr;  // path / "Quendelrix.scr"
  std::filesystem::path ini() const { return path / L"Quendelrix.ini"; }
};

// The user's own settings file (Quendelrix\Quendelrix.ini in the roaming
// application data), which the program prefers to the one beside it.
// TempFolder removes its folder when it is made and when it goes, so every
// scenario starts without one.
std::filesystem::path UserIniPath();
void RemoveUserSettings();

// A started program; killed on destruction if it still runs.
class ScrProcess {
 public:
  // CreateProcessW with the command line "\"<scr>\" <args>" (or just the
  // quoted path when args is empty).
  static ScrProcess Start(const std::filesystem::path& scr,
                          std::wstring_view args);
  // Any command line, as given.
  static ScrProcess StartCommandLine(std::wstring commandLine);

  ScrProcess(ScrProcess&& other) noexcept;
  ScrProcess& operator=(ScrProcess&&) = delete;
  ~ScrProcess();

  bool Started() const { return process_ != nullptr; }
  // Pumps this thread's messages while waiting; true when it ended in time.
  bool WaitForExit(DWORD ms);
  bool Running() const;
  DWORD Pid() const { return pid_; }
  std::optional<DWORD> ExitCode() const;
  void Kill();

 private:
  ScrProcess() = default;
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
};

// The longest a test waits for something the program does. A wait ends as
// soon as it happens, so the ceiling leaves a busy machine all the time it
// needs; only a program that never does it meets it.
constexpr DWORD kCeiling = 60000;

// Dispatches this thread's messages for `ms` milliseconds.
void PumpFor(DWORD ms);
// Waits (pumping) until `condition` holds or `ms` pass; its last answer.
template <typename F>
bool WaitUntil(F condition, DWORD ms = kCeiling) {
  const ULONGLONG end = GetTickCount64() + ms;
  for (;;) {
    if (condition()) return true;
    if (GetTickCount64() >= end) return false;
    PumpFor(15);
  }
}
// A top-level window with exactly this title, waited for up to `ms`.
HWND WaitForWindow(std::wstring_view title, DWORD ms);
HWND FindTopWindow(std::wstring_view title);
std::wstring WindowTitle(HWND hwnd);
// The process that owns a window.
DWORD WindowPid(HWND hwnd);

// Real input through SendInput, in screen pixels.
void MouseMoveTo(int x, int y);
// Moves the cursor and waits until the system has it there.
bool PlaceCursor(int x, int y);
// The same anywhere on the virtual screen (every monitor); x and y may be
// negative left of or above the primary monitor.
void MouseMoveToVirtual(int x, int y);
enum class Button { kLeft, kRight, kMiddle };
void MouseDown(Button button);
void MouseUp(Button button);
// The cursor is moved there first; the press and the release then reach
// the system together, so that a busy machine cannot hold the button down
// longer than a click.
void Click(int x, int y, Button button = Button::kLeft);
void PressKey(WORD vk);

// The whole screen, read back through the screen DC.
Image CaptureScreen();
// The rectangle `area` of the virtual screen (its coordinates may be
// negative), read back the same way.
Image CaptureScreenArea(const RECT& area);
// The virtual screen: every monitor's bounding rectangle.
RECT VirtualScreenRect();
// Waits until the rectangle `area` of the virtual screen has changed
// `times` times, each time against the picture before; false when it
// stands still until `ms` pass, or when `program` (if given) ends first. A
// program that animates has then shown at least that many new frames.
bool WaitForChanges(const RECT& area, int times, const ScrProcess* program = nullptr,
                    DWORD ms = kCeiling);
// Waits until `area` stays the same for `quietMs` on end; false when it
// still changes after `ms`.
bool WaitForStill(const RECT& area, DWORD quietMs, DWORD ms = kCeiling);
// A program that animates goes through its message queue between two of
// its frames. Once it has shown this many new frames after input was sent
// to it, it has handled that input, whatever the input did: the window's
// surface and the X server may each still show the frame before.
constexpr int kFramesPastInput = 3;
// The thread that owns `window`: its mouse capture and keyboard focus
// (nullptr when it has none).
HWND CaptureOf(HWND window);
HWND FocusOf(HWND window);
// Saves an image as a 24-bit BMP (for looking at a failure).
bool SaveBmp(const Image& img, const std::filesystem::path& file);

// A host window with a child pane of the given size, as a display control
// panel makes for a preview.
class PaneWindow {
 public:
  PaneWindow(int width, int height);
  ~PaneWindow();
  PaneWindow(const PaneWindow&) = delete;
  PaneWindow& operator=(const PaneWindow&) = delete;
  HWND host() const { return host_; }
  HWND pane() const { return pane_; }
  void DestroyPane();

 private:
  HWND host_ = nullptr;
  HWND pane_ = nullptr;
};

// A settings file beside the folder's program with the given ball count and
// interval, its keys in Shift-JIS as the program writes them.
bool WriteSaverSettings(const TempFolder& folder, int balls, int interval);

std::optional<std::string> ReadFileBytes(const std::filesystem::path& file);
bool WriteFileBytes(const std::filesystem::path& file, std::string_view bytes);

// Per-program settings of Wine for Quendelrix.scr: the reported Windows
// version ("win98" makes it a Windows 95 family system) and DLL overrides.
// The display scale that programs started from now on see: LogPixels of
// the user's desktop settings, put back as it was when the object goes.
class ScopedLogPixels {
 public:
  explicit ScopedLogPixels(DWORD dpi);
  ~ScopedLogPixels();
  ScopedLogPixels(const ScopedLogPixels&) = delete;
  ScopedLogPixels& operator=(const ScopedLogPixels&) = delete;

 private:
  DWORD old_ = 0;
  bool had_ = false;
};

void SetWindowsVersionWin98(bool win98);
void SetDllOverride(std::wstring_view dll, std::wstring_view mode);
void ClearDllOverride(std::wstring_view dll);

}  // namespace qx::e2e
