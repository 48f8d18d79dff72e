// The Windows layer's input in the forms' input contract, from real message
// parameters and the thread's real keyboard state.
#include "platform/win32/window_input.h"

#include <gtest/gtest.h>

#include <initializer_list>

#include "form_input_cases.h"

namespace qx::win32 {
namespace {

TEST(Win32Input, MessagesBecomeTheFormsContract) {
  using Kind = FormInput::Kind;
  const struct {
    const char* name;
    UINT msg;
    WPARAM w;
    LPARAM l;
    int shift;
    FormInput want;
  } cases[] = {
      {"left press", WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 200), 0,
       MouseInput(Kind::kMouseDown, kLeftButton, 0, 100, 200)},
      {"right press with Shift", WM_RBUTTONDOWN, MK_RBUTTON | MK_SHIFT, MAKELPARAM(5, 6),
       kShiftKey, MouseInput(Kind::kMouseDown, kRightButton, kShiftKey, 5, 6)},
      {"middle press", WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(0, 0), 0,
       MouseInput(Kind::kMouseDown, kMiddleButton, 0, 0, 0)},
      {"left release", WM_LBUTTONUP, 0, MAKELPARAM(1023, 767), kCtrlKey | kAltKey,
       MouseInput(Kind::kMouseUp, kLeftButton, kCtrlKey | kAltKey, 1023, 767)},
      {"right release, the left still held", WM_RBUTTONUP, MK_LBUTTON, MAKELPARAM(9, 9), 0,
       MouseInput(Kind::kMouseUp, kRightButton, 0, 9, 9)},
      {"middle release", WM_MBUTTONUP, 0, MAKELPARAM(3, 4), 0,
       MouseInput(Kind::kMouseUp, kMiddleButton, 0, 3, 4)},
      {"a move carries the held buttons", WM_MOUSEMOVE,
       MK_LBUTTON | MK_RBUTTON | MK_MBUTTON | MK_CONTROL, MAKELPARAM(640, 480), kCtrlKey,
       MouseInput(Kind::kMouseMove, kLeftButton | kRightButton | kMiddleButton, kCtrlKey, 640,
                  480)},
      {"the side buttons have no bit", WM_MOUSEMOVE, MK_XBUTTON1 | MK_XBUTTON2,
       MAKELPARAM(1, 2), 0, MouseInput(Kind::kMouseMove, 0, 0, 1, 2)},
      {"a captured move left of and above the window", WM_MOUSEMOVE, MK_LBUTTON,
       MAKELPARAM(-3, -1), 0, MouseInput(Kind::kMouseMove, kLeftButton, 0, -3, -1)},
      {"a key is its virtual-key code", WM_KEYDOWN, 'A', 0x001E0001, kShiftKey,
       KeyInput('A', kShiftKey)},
      {"Shift alone", WM_KEYDOWN, VK_SHIFT, 0x002A0001, kShiftKey, KeyInput(kKeyShift, kShiftKey)},
      {"a key with Alt", WM_SYSKEYDOWN, VK_F4, 0x203E0001, kAltKey, KeyInput(kKeyF1 + 3, kAltKey)},
      {"Esc", WM_KEYDOWN, VK_ESCAPE, 0x00010001, 0, KeyInput(kKeyEscape, 0)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto got = FormInputFromMessage(c.msg, c.w, c.l, c.shift);
    EXPECT_EQ(got, c.want);
  }
  for (UINT other : {WM_KEYUP, WM_CHAR, WM_MOUSEWHEEL, WM_XBUTTONDOWN, WM_PAINT}) {
    SCOPED_TRACE(other);
    EXPECT_FALSE(FormInputFromMessage(other, 0, 0, 0).has_value());
  }
}

// The virtual-key codes the contract names are the system's own.
TEST(Win32Input, TheContractsKeyCodesAreTheSystems) {
  const struct {
    int contract;
    int system;
  } codes[] = {
      {kKeyBack, VK_BACK},     {kKeyTab, VK_TAB},         {kKeyReturn, VK_RETURN},
      {kKeyShift, VK_SHIFT},   {kKeyControl, VK_CONTROL}, {kKeyMenu, VK_MENU},
      {kKeyPause, VK_PAUSE},   {kKeyCapital, VK_CAPITAL}, {kKeyEscape, VK_ESCAPE},
      {kKeySpace, VK_SPACE},   {kKeyPrior, VK_PRIOR},     {kKeyNext, VK_NEXT},
      {kKeyEnd, VK_END},       {kKeyHome, VK_HOME},       {kKeyLeft, VK_LEFT},
      {kKeyUp, VK_UP},         {kKeyRight, VK_RIGHT},     {kKeyDown, VK_DOWN},
      {kKeyInsert, VK_INSERT}, {kKeyDelete, VK_DELETE},   {kKeyLeftWindows, VK_LWIN},
      {kKeyRightWindows, VK_RWIN}, {kKeyApps, VK_APPS},   {kKeyNumpad0, VK_NUMPAD0},
      {kKeyMultiply, VK_MULTIPLY}, {kKeyAdd, VK_ADD},     {kKeySubtract, VK_SUBTRACT},
      {kKeyDecimal, VK_DECIMAL}, {kKeyDivide, VK_DIVIDE}, {kKeyF1, VK_F1},
      {kKeyF1 + 23, VK_F24},   {kKeyNumLock, VK_NUMLOCK}, {kKeyScrollLock, VK_SCROLL},
  };
  for (const auto& c : codes) {
    SCOPED_TRACE(c.system);
    EXPECT_EQ(c.contract, c.system);
  }
}

// The modifier bits come from the thread's keyboard state.
TEST(Win32Input, ShiftStateReadsShiftCtrlAndAlt) {
  BYTE saved[256];
  ASSERT_TRUE(GetKeyboardState(saved));
  const struct {
    const char* name;
    std::initializer_list<int> down;
    int want;
  } cases[] = {
      {"none", {}, 0},
      {"Shift", {VK_SHIFT}, kShiftKey},
      {"Ctrl", {VK_CONTROL}, kCtrlKey},
      {"Alt", {VK_MENU}, kAltKey},
      {"all three", {VK_SHIFT, VK_CONTROL, VK_MENU}, kShiftKey | kCtrlKey | kAltKey},
      {"Caps Lock is none of them", {VK_CAPITAL}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    BYTE state[256] = {};
    for (int vk : c.down) state[vk] = 0x80;
    ASSERT_TRUE(SetKeyboardState(state));
    EXPECT_EQ(ShiftState(), c.want);
  }
  SetKeyboardState(saved);
}

}  // namespace
}  // namespace qx::win32
