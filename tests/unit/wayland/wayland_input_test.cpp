#include "platform/wayland/wayland_input.h"

#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

namespace qx::wayland {
namespace {

TEST(WaylandInput, KeysButtonsAndModifiersInTheFormsTerms) {
  const struct {
    uint32_t code;
    int vk;
  } keys[] = {
      {KEY_A, 'A'}, {KEY_Q, 'Q'}, {KEY_P, 'P'}, {KEY_L, 'L'}, {KEY_Z, 'Z'}, {KEY_M, 'M'},
      {KEY_1, '1'}, {KEY_9, '9'}, {KEY_0, '0'}, {KEY_ESC, kKeyEscape}, {KEY_SPACE, kKeySpace},
      {KEY_ENTER, kKeyReturn}, {KEY_KPENTER, kKeyReturn}, {KEY_F1, kKeyF1},
      {KEY_F10, kKeyF1 + 9}, {KEY_F11, kKeyF1 + 10}, {KEY_F12, kKeyF1 + 11},
      {KEY_F13, kKeyF1 + 12}, {KEY_F24, kKeyF1 + 23}, {KEY_RIGHTSHIFT, kKeyShift},
      {KEY_LEFTALT, kKeyMenu}, {KEY_KP7, kKeyNumpad0 + 7}, {KEY_DOWN, kKeyDown},
      // Keys with no virtual-key code: still a key press, code 0.
      {KEY_MINUS, 0}, {KEY_SEMICOLON, 0}, {KEY_MUTE, 0}, {0, 0},
  };
  for (const auto& k : keys) EXPECT_EQ(VirtualKeyFromEvdev(k.code), k.vk) << k.code;

  EXPECT_EQ(ButtonFromEvdev(BTN_LEFT), kLeftButton);
  EXPECT_EQ(ButtonFromEvdev(BTN_RIGHT), kRightButton);
  EXPECT_EQ(ButtonFromEvdev(BTN_MIDDLE), kMiddleButton);
  EXPECT_EQ(ButtonFromEvdev(BTN_SIDE), 0);

  EXPECT_EQ(ShiftFromModifiers(0), 0);
  EXPECT_EQ(ShiftFromModifiers(1), kShiftKey);
  EXPECT_EQ(ShiftFromModifiers(1 | 2 | 4 | 8), kShiftKey | kCtrlKey | kAltKey);  // Caps Lock (2) is none
  EXPECT_EQ(ShiftFromModifiers(0x40), 0);  // Mod4, the logo key
}

}  // namespace
}  // namespace qx::wayland
