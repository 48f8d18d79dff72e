// The saver window's presents and display-power reports through the real
// system calls: the changed parts of the surface reach the device in one
// call and nothing else does, and each power message is read as the display
// being off or on.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/win32/gdi_image.h"
#include "platform/win32/handles.h"
#include "platform/win32/saver_screen.h"

namespace qx::win32 {
namespace {

constexpr Pixel kUntouched = Rgb(1, 2, 3);

// A memory DC on a top-down 32-bit DIB section filled with kUntouched.
struct DibTarget {
  DibTarget(int w, int h) : width(w), height(h) {
    const BITMAPINFO info = DibInfoFor(w, h);
    bitmap.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    dc.reset(CreateCompatibleDC(nullptr));
    old = SelectObject(dc.get(), bitmap.get());
    for (int i = 0; i < w * h; ++i) static_cast<Pixel*>(bits)[i] = kUntouched;
  }
  ~DibTarget() { SelectObject(dc.get(), old); }
  Pixel At(int x, int y) const {
    GdiFlush();
    return static_cast<const Pixel*>(bits)[y * width + x] & 0x00FFFFFFu;
  }
  int width, height;
  void* bits = nullptr;
  UniqueBitmap bitmap;
  UniqueMemoryDC dc;
  HGDIOBJ old = nullptr;
};

Image Pattern(int w, int h) {
  Image img(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) img.At(x, y) = Rgb(x & 0xFF, y & 0xFF, 0x80 | (x + y) % 0x7F);
  return img;
}

bool Inside(const std::vector<Rect>& rects, int x, int y) {
  for (const Rect& r : rects) {
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
  }
  return false;
}

TEST(Win32SaverPresent, DrawsExactlyTheUnionOfTheChangedRectangles) {
  const struct {
    const char* name;
    std::vector<Rect> rects;
  } cases[] = {
      {"the whole surface", {{0, 0, 160, 120}}},
      {"one inner rectangle", {{13, 7, 50, 61}}},
      {"two apart, far corners", {{0, 0, 9, 5}, {150, 111, 160, 120}}},
      {"overlapping and nested", {{10, 10, 60, 40}, {30, 20, 90, 70}, {35, 25, 40, 30}}},
      {"an L whose box is not the union", {{20, 20, 100, 30}, {20, 30, 30, 100}}},
      {"sticking out of every edge", {{-20, -5, 15, 12}, {140, 100, 200, 300}}},
      {"empty and inverted rectangles only", {{5, 5, 5, 50}, {40, 40, 30, 60}}},
      {"none", {}},
      {"the same rectangle twice", {{64, 32, 96, 48}, {64, 32, 96, 48}}},
  };
  const Image surface = Pattern(160, 120);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DibTarget target(160, 120);
    DrawImageParts(target.dc.get(), surface, c.rects);
    int wrong = 0;
    for (int y = 0; y < 120; ++y) {
      for (int x = 0; x < 160; ++x) {
        const Pixel want = Inside(c.rects, x, y) ? surface.At(x, y) : kUntouched;
        wrong += target.At(x, y) != want;
      }
    }
    EXPECT_EQ(wrong, 0);
    // The DC is left without a clip region: a later whole repaint reaches
    // every pixel.
    UniqueGdi<HRGN> rgn(CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(GetClipRgn(target.dc.get(), rgn.get()), 0);
  }
}

// A POWERBROADCAST_SETTING carrying one DWORD.
struct PowerSetting {
  explicit PowerSetting(const GUID& guid, DWORD value, DWORD length = sizeof(DWORD)) {
    bytes.resize(offsetof(POWERBROADCAST_SETTING, Data) + sizeof(DWORD));
    auto* s = reinterpret_cast<POWERBROADCAST_SETTING*>(bytes.data());
    s->PowerSetting = guid;
    s->DataLength = length;
    std::memcpy(s->Data, &value, sizeof value);
  }
  LPARAM lparam() { return reinterpret_cast<LPARAM>(bytes.data()); }
  std::vector<unsigned char> bytes;
};

TEST(Win32DisplayPower, ReadsBothMessagesOnlyOffMeansOff) {
  PowerSetting off(GUID_CONSOLE_DISPLAY_STATE, 0), on(GUID_CONSOLE_DISPLAY_STATE, 1),
      dimmed(GUID_CONSOLE_DISPLAY_STATE, 2), otherSetting(GUID_ACDC_POWER_SOURCE, 0),
      truncated(GUID_CONSOLE_DISPLAY_STATE, 0, 0);
  enum Want { kOff, kOn, kNone };
  const struct {
    const char* name;
    UINT msg;
    WPARAM w;
    LPARAM l;
    Want want;
  } cases[] = {
      {"monitor power off", WM_SYSCOMMAND, SC_MONITORPOWER, 2, kOff},
      {"monitor low power", WM_SYSCOMMAND, SC_MONITORPOWER, 1, kOn},
      {"monitor power on", WM_SYSCOMMAND, SC_MONITORPOWER, -1, kOn},
      {"monitor power off, system bits set", WM_SYSCOMMAND, SC_MONITORPOWER | 0x2, 2, kOff},
      {"another system command", WM_SYSCOMMAND, SC_SCREENSAVE, 2, kNone},
      {"display state off", WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, off.lparam(), kOff},
      {"display state on", WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, on.lparam(), kOn},
      {"display state dimmed", WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, dimmed.lparam(), kOn},
      {"another power setting", WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, otherSetting.lparam(), kNone},
      {"a setting without its value", WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, truncated.lparam(), kNone},
      {"a suspend report", WM_POWERBROADCAST, PBT_APMSUSPEND, 0, kNone},
      {"a setting change without data", WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, 0, kNone},
      {"a key", WM_KEYDOWN, SC_MONITORPOWER, 2, kNone},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto report = DisplayOffReport(c.msg, c.w, c.l);
    if (c.want == kNone) {
      EXPECT_FALSE(report.has_value());
    } else {
      ASSERT_TRUE(report.has_value());
      EXPECT_EQ(*report, c.want == kOff);
    }
  }
}

}  // namespace
}  // namespace qx::win32
