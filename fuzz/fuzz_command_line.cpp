// Any command line: splitting it, reading the mode letter and both handle
// conversions must never crash, and the preview's placement stays in range.
#include <cstddef>
#include <cstdint>
#include <string>

#include "startup/quendelrix_b.h"

namespace {

class NoWindows final : public qx::SystemCalls {
 public:
  int SetSystemParameter(uint32_t, uint32_t, uint32_t) override { return 1; }
  qx::VersionAnswer QueryVersion() override { return {1, 2}; }
  bool GetWindowRect(qx::WindowHandle h, qx::Rect& r) override {
    // Derive an arbitrary (even absurd) pane from the handle.
    r = qx::Rect{static_cast<int>(h), -static_cast<int>(h),
                 static_cast<int>(h * 7), static_cast<int>(h ^ 0x7FFFFFFF)};
    return true;
  }
  void DrawAnimatedRects(qx::WindowHandle, int, const qx::Rect&,
                         const qx::Rect&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::wstring text;
  for (size_t i = 0; i + 1 < size; i += 2) {
    text += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
  }
  const auto args = qx::CommandLine::FromFullCommandLine(text);
  (void)args.ModeLetter();
  const std::wstring handle = args.HandleText();
  (void)qx::StrictHandle(handle);
  NoWindows sys;
  const auto p = qx::Quendelrix_B::PlacePreview(handle, sys, 15.0f, 15.0f);
  if (p.imageWidth != static_cast<float>(p.widthTwips) / 15.0f) __builtin_trap();
  return 0;
}
