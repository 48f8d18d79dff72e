#include "startup/quendelrix_b.h"

#include <cwctype>
#include <string>

#include "common/numbers.h"

namespace qx {

namespace {

// Digits, signs, points and blanks survive; any other character becomes one
// that no number can contain, so the number rules see the same text.
std::string NarrowForNumber(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    out += (c > 0 && c < 0x80) ? static_cast<char>(c) : '\x7F';
  }
  return out;
}

}  // namespace

CommandLine CommandLine::FromFullCommandLine(std::wstring_view full) {
  size_t pos = 0;
  auto isBlank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
  while (pos < full.size() && isBlank(full[pos])) ++pos;
  if (pos < full.size() && full[pos] == L'"') {
    const size_t close = full.find(L'"', pos + 1);
    pos = close == std::wstring_view::npos ? full.size() : close + 1;
  } else {
    while (pos < full.size() && !isBlank(full[pos])) ++pos;
  }
  while (pos < full.size() && isBlank(full[pos])) ++pos;
  return CommandLine(std::wstring(full.substr(pos)));
}

wchar_t CommandLine::ModeLetter() const {
  if (text_.size() < 2) return 0;
  const wchar_t c = text_[1];
  return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

std::wstring CommandLine::HandleText() const {
  return text_.size() > 3 ? text_.substr(3) : std::wstring();
}

int32_t LenientHandle(std::wstring_view text) {
  return ToInt32(LenientNumber(NarrowForNumber(text))).value_or(0);
}

std::optional<int32_t> StrictHandle(std::wstring_view text) {
  const auto number = StrictNumber(NarrowForNumber(text));
  if (!number) return std::nullopt;
  return ToInt32(*number);
}

Quendelrix_B::Quendelrix_B(StartupHost& host, CommandLine args)
    : host_(host) {
  values_.Args = std::move(args);
}

PreviewPlacement Quendelrix_B::PlacePreview(std::wstring_view handleText,
                                            SystemCalls& sys,
                                            float twipsPerPixelX,
                                            float twipsPerPixelY) {
  PreviewPlacement p;
  // The pane named on the command line (a text that is no number names no
  // window); the host takes the pane's size at its top-left corner.
  p.pane = LenientHandle(handleText);
  Rect pane{};
  sys.GetWindowRect(p.pane, pane);
  p.leftTwips = 0;
  p.topTwips = 0;
  // The size in twips: each product rounded into 16 bits; a product that
  // does not fit leaves 0.
  if (auto w = CheckedSub<int32_t>(pane.right, pane.left)) {
    const float product = twipsPerPixelX * static_cast<float>(*w);
    if (auto t = ToInt16(product)) p.widthTwips = *t;
  }
  if (auto h = CheckedSub<int32_t>(pane.bottom, pane.top)) {
    const float product = twipsPerPixelY * static_cast<float>(*h);
    if (auto t = ToInt16(product)) p.heightTwips = *t;
  }
  // The picture control gets the pane's size in pixels.
  p.imageWidth = static_cast<float>(p.widthTwips) / twipsPerPixelX;
  p.imageHeight = static_cast<float>(p.heightTwips) / twipsPerPixelY;
  return p;
}

StartOutcome Quendelrix_B::Main() {
  const CommandLine& args = values_.Args;
  const wchar_t mode = args.ModeLetter();

  // A second copy ends at once while the saver or the dialog is open; both
  // titles are always looked up.
  const bool saverOpen = host_.FindTopLevelWindow(kSaverTitle) != 0;
  const bool dialogOpen = host_.FindTopLevelWindow(kDialogTitle) != 0;
  if (saverOpen || dialogOpen) return StartOutcome::kOtherInstance;

  // Preview: the settings file is not read.
  if (mode == L'P') {
    host_.LoadPreview(PlacePreview(args.HandleText(), host_.System(),
                                   host_.TwipsPerPixelX(),
                                   host_.TwipsPerPixelY()));
    return StartOutcome::kPreview;
  }

  // Every other mode reads the settings first.
  LoadSettings(values_, host_.Files(), host_.ProgramFolder(),
               host_.DecimalSeparator());

  // Password change: only the Windows 95 family has one to call.
  if (mode == L'A') {
    if (IsNTPlatform(host_.System()) == kTrue16) {
      return StartOutcome::kPasswordChange;
    }
    if (auto owner = StrictHandle(args.HandleText())) {
      host_.ChangePassword(kPasswordKeyName, *owner);
    }
    return StartOutcome::kPasswordChange;
  }

  // Settings dialog.
  if (mode == L'C') {
    host_.ShowSettingsDialog(values_);
    return StartOutcome::kSettings;
  }

  // Any other switch ends the program; only the saver's is left.
  if (!args.IsTestRun() && mode != L'S') return StartOutcome::kUnknownSwitch;

  // The saver hides the cursor; the test run (empty argument string) keeps
  // it visible.
  if (mode == L'S') values_.CursorCount = host_.ShowCursor(false);

  host_.LoadSaver(values_);
  return StartOutcome::kSaver;
}

}  // namespace qx
