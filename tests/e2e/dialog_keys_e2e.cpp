// The settings dialog's keys: Tab moves between the scroll bars (and the
// focus comes back with the activation), Enter saves as Set does and Esc
// closes as Cancel does.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/e2e/dialog_driver.h"

namespace qx::e2e {
namespace {

void PressShiftTab() {
  INPUT in[4] = {};
  for (INPUT& i : in) i.type = INPUT_KEYBOARD;
  in[0].ki.wVk = VK_SHIFT;
  in[1].ki.wVk = VK_TAB;
  in[2].ki.wVk = VK_TAB;
  in[2].ki.dwFlags = KEYEVENTF_KEYUP;
  in[3].ki.wVk = VK_SHIFT;
  in[3].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(4, in, sizeof in[0]);
}

// A window of the driver's own that takes the activation away.
class OtherWindow {
 public:
  OtherWindow() {
    hwnd_ = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"another program",
                            WS_POPUP | WS_VISIBLE | WS_BORDER, 0, 0, 120, 60,
                            nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  ~OtherWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
  }
  HWND hwnd() const { return hwnd_; }

 private:
  HWND hwnd_ = nullptr;
};

TEST(DialogKeysE2E, TabMovesTheFocusBetweenTheBarsAndItComesBackOnActivation) {
  TempFolder folder;
  ASSERT_TRUE(WriteFileBytes(folder.ini(), IniText(60, 300)));
  OpenDialog dialog(folder);
  ASSERT_TRUE(dialog.hwnd());
  // The number of balls has the focus first. A key goes to the window that
  // has the focus when it is sent: each Tab is waited for.
  ASSERT_TRUE(dialog.Focused(0));
  PressKey(VK_RIGHT);
  EXPECT_EQ(dialog.BarOnceItIs(0, 61), 61);
  PressKey(VK_TAB);
  ASSERT_TRUE(dialog.Focused(1));
  PressKey(VK_RIGHT);
  EXPECT_EQ(dialog.BarOnceItIs(1, 301), 301);
  PressShiftTab();
  ASSERT_TRUE(dialog.Focused(0));
  PressKey(VK_RIGHT);
  EXPECT_EQ(dialog.BarOnceItIs(0, 62), 62);
  PressKey(VK_TAB);
  ASSERT_TRUE(dialog.Focused(1));

  // Another window takes the activation, then the dialog gets it back. The
  // other window lives on until the end: were it destroyed while the X
  // server still gave it the focus, the focus would fall back to the root
  // window and take the foreground from the dialog once more.
  OtherWindow other;
  ASSERT_TRUE(other.hwnd());
  SetForegroundWindow(other.hwnd());
  EXPECT_TRUE(WaitUntil([&] {
    return GetForegroundWindow() == other.hwnd() && GetFocus() == other.hwnd();
  }));
  // The X server's focus events of the other window can still reach Wine
  // after the dialog has been made the foreground window again, and take the
  // foreground from it; a key sent then goes to no window of the dialog. So
  // the dialog is brought back, and the key sent again, only when it has
  // been seen to lose the foreground: the press counts once.
  const auto lost = [&] { return GetForegroundWindow() != dialog.hwnd(); };
  bool cameBack = false;
  for (int attempt = 0; attempt < 3 && !cameBack; ++attempt) {
    SetForegroundWindow(dialog.hwnd());
    if (!WaitUntil([&] { return !lost(); })) continue;
    WaitUntil([&] { return lost() || FocusOf(dialog.hwnd()) == dialog.Bars()[1]; });
    if (lost()) continue;
    PressKey(VK_RIGHT);
    WaitUntil([&] { return dialog.BarValue(1) == 302 || lost(); });
    cameBack = dialog.BarValue(1) == 302 || !lost();
  }
  EXPECT_TRUE(dialog.Focused(1)) << "the focus did not come back to HS(1)";
  EXPECT_EQ(dialog.BarOnceItIs(1, 302), 302)
      << "the foreground window is " << (GetForegroundWindow() == dialog.hwnd() ? "" : "not ")
      << "the dialog";
  EXPECT_EQ(dialog.BarValue(0), 62);

  // Nothing of it was saved: Esc is Cancel.
  PressKey(VK_ESCAPE);
  EXPECT_TRUE(dialog.Closed());
  EXPECT_EQ(ReadFileBytes(folder.ini()), IniText(60, 300));
}

TEST(DialogKeysE2E, EnterSavesLikeSetAndEscClosesLikeCancelRepeatsDoNothing) {
  for (const WORD key : {WORD{VK_RETURN}, WORD{VK_ESCAPE}}) {
    SCOPED_TRACE(key == VK_RETURN ? "Enter" : "Esc");
    TempFolder folder;
    ASSERT_TRUE(WriteFileBytes(folder.ini(), IniText(60, 300)));
    OpenDialog dialog(folder);
    ASSERT_TRUE(dialog.hwnd());
    ASSERT_TRUE(dialog.Focused(0));
    PressKey(VK_RIGHT);
    ASSERT_EQ(dialog.BarOnceItIs(0, 61), 61);
    // An auto-repeated key press (previous-state bit set) is ignored.
    const HWND bar = dialog.Bars()[0];
    PostMessageW(bar, WM_KEYDOWN, key, (1 << 30) | 1);
    ASSERT_TRUE(dialog.Handled()) << "the repeated key closed it";
    EXPECT_EQ(ReadFileBytes(folder.ini()), IniText(60, 300));

    PressKey(key);
    EXPECT_TRUE(dialog.Closed());
    const auto file = ReadFileBytes(folder.ini());
    ASSERT_TRUE(file);
    if (key == VK_RETURN) {
      EXPECT_EQ(StoredNumber(*file, kKeyBalls), 61);
      EXPECT_EQ(StoredNumber(*file, kKeyInterval), 300);
    } else {
      EXPECT_EQ(*file, IniText(60, 300));
    }
  }
}

}  // namespace
}  // namespace qx::e2e
