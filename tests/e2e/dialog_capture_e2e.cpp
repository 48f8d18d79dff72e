// A press in the settings dialog whose mouse capture the system takes away
// is over: nothing runs at its release, and the next click acts.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/e2e/dialog_driver.h"

namespace qx::e2e {
namespace {

// Faces of the Set and Cancel buttons (client points of their left edges,
// where the captions do not reach).
constexpr int kFaceLeft = 367, kSetFaceTop = 181, kCancelFaceTop = 209,
              kFaceHeight = 22;

// True when the Cancel face looks like the released Set face, row by row.
bool CancelFaceReleased(HWND dialog) {
  POINT o{0, 0};
  ClientToScreen(dialog, &o);
  const Image screen = CaptureScreen();
  for (int dy = 0; dy < kFaceHeight; ++dy) {
    if (screen.At(o.x + kFaceLeft, o.y + kSetFaceTop + dy) !=
        screen.At(o.x + kFaceLeft, o.y + kCancelFaceTop + dy)) {
      return false;
    }
  }
  return true;
}

// A press whose mouse capture the system takes away is over: the release
// outside the window runs nothing and the next click on Set saves.
TEST(DialogCaptureE2E, ALostCaptureEndsThePressAndTheNextClickActsWhereItLands) {
  const struct {
    const char* name;
    bool drag;
    UINT loss;  // how the capture goes
  } ways[] = {
      {"Cancel pressed, the system cancels", false, WM_CANCELMODE},
      {"Cancel pressed, another window takes the mouse", false, WM_CAPTURECHANGED},
      {"title-bar drag, the system cancels", true, WM_CANCELMODE},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.name);
    const bool drag = way.drag;
    TempFolder folder;
    ASSERT_TRUE(WriteFileBytes(folder.ini(), IniText(42, 250)));
    OpenDialog dialog(folder);
    ASSERT_TRUE(dialog.hwnd());
    dialog.ClickAt(dialog.BarPoint(0, 4));  // 43: the value Set must save
    ASSERT_EQ(dialog.BarOnceItIs(0, 43), 43);

    const POINT press = dialog.Screen(drag ? kTitleBar : kCancelButton);
    PlaceCursor(press.x, press.y);
    MouseDown(Button::kLeft);
    ASSERT_TRUE(dialog.Captured());
    if (drag) {
      RECT start;
      GetWindowRect(dialog.hwnd(), &start);
      MouseMoveTo(press.x - 12, press.y + 8);
      EXPECT_TRUE(WaitUntil([&] {
        RECT now;
        GetWindowRect(dialog.hwnd(), &now);
        return now.left == start.left - 12 && now.top == start.top + 8;
      })) << "the drag did not start";
    } else {
      EXPECT_TRUE(WaitUntil([&] { return !CancelFaceReleased(dialog.hwnd()); }))
          << "no pressed face";
    }
    if (way.loss == WM_CANCELMODE) {
      PostMessageW(dialog.hwnd(), WM_CANCELMODE, 0, 0);
    } else {
      // What the dialog hears when a window of its thread takes the capture.
      PostMessageW(dialog.hwnd(), WM_CAPTURECHANGED, 0,
                   reinterpret_cast<LPARAM>(GetDesktopWindow()));
    }
    ASSERT_TRUE(dialog.Handled());
    RECT before, after;
    GetWindowRect(dialog.hwnd(), &before);
    EXPECT_TRUE(CancelFaceReleased(dialog.hwnd()));
    // Moves over the window no longer drag it; the release lands outside.
    for (int step = 1; step <= 3; ++step) {
      MouseMoveTo(press.x - 12 - 10 * step, press.y + 8 + 6 * step);
    }
    ASSERT_TRUE(dialog.Handled());
    GetWindowRect(dialog.hwnd(), &after);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    MouseMoveTo(before.left - 100, before.top + 10);
    MouseUp(Button::kLeft);
    ASSERT_TRUE(dialog.Handled()) << "the release ran Cancel";
    EXPECT_EQ(ReadFileBytes(folder.ini()), IniText(42, 250));

    dialog.ClickAt(kSetButton);
    EXPECT_TRUE(dialog.Closed());
    ExpectStored(folder.ini(), 43, 250);
  }
}

}  // namespace
}  // namespace qx::e2e
