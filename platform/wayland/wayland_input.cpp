#include "platform/wayland/wayland_input.h"

#include <linux/input-event-codes.h>

namespace qx::wayland {

namespace {

// xkb's standard modifier masks.
constexpr uint32_t kXkbShift = 1u << 0;
constexpr uint32_t kXkbControl = 1u << 2;
constexpr uint32_t kXkbMod1 = 1u << 3;

struct KeyName {
  uint32_t code;
  int vk;
};

constexpr KeyName kKeys[] = {
    {KEY_ESC, kKeyEscape}, {KEY_BACKSPACE, kKeyBack}, {KEY_TAB, kKeyTab},
    {KEY_ENTER, kKeyReturn}, {KEY_KPENTER, kKeyReturn}, {KEY_SPACE, kKeySpace},
    {KEY_LEFTSHIFT, kKeyShift}, {KEY_RIGHTSHIFT, kKeyShift},
    {KEY_LEFTCTRL, kKeyControl}, {KEY_RIGHTCTRL, kKeyControl},
    {KEY_LEFTALT, kKeyMenu}, {KEY_RIGHTALT, kKeyMenu},
    {KEY_LEFTMETA, kKeyLeftWindows}, {KEY_RIGHTMETA, kKeyRightWindows},
    {KEY_COMPOSE, kKeyApps}, {KEY_PAUSE, kKeyPause}, {KEY_CAPSLOCK, kKeyCapital},
    {KEY_NUMLOCK, kKeyNumLock}, {KEY_SCROLLLOCK, kKeyScrollLock},
    {KEY_PAGEUP, kKeyPrior}, {KEY_PAGEDOWN, kKeyNext}, {KEY_END, kKeyEnd},
    {KEY_HOME, kKeyHome}, {KEY_LEFT, kKeyLeft}, {KEY_UP, kKeyUp},
    {KEY_RIGHT, kKeyRight}, {KEY_DOWN, kKeyDown}, {KEY_INSERT, kKeyInsert},
    {KEY_DELETE, kKeyDelete}, {KEY_KPASTERISK, kKeyMultiply}, {KEY_KPPLUS, kKeyAdd},
    {KEY_KPMINUS, kKeySubtract}, {KEY_KPDOT, kKeyDecimal}, {KEY_KPSLASH, kKeyDivide},
    {KEY_KP0, kKeyNumpad0}, {KEY_KP1, kKeyNumpad0 + 1}, {KEY_KP2, kKeyNumpad0 + 2},
    {KEY_KP3, kKeyNumpad0 + 3}, {KEY_KP4, kKeyNumpad0 + 4}, {KEY_KP5, kKeyNumpad0 + 5},
    {KEY_KP6, kKeyNumpad0 + 6}, {KEY_KP7, kKeyNumpad0 + 7}, {KEY_KP8, kKeyNumpad0 + 8},
    {KEY_KP9, kKeyNumpad0 + 9},
    {KEY_F11, kKeyF1 + 10}, {KEY_F12, kKeyF1 + 11},
};

// The letters of the three letter rows, in evdev order.
constexpr struct {
  uint32_t first;
  const char* letters;
} kLetterRows[] = {{KEY_Q, "QWERTYUIOP"}, {KEY_A, "ASDFGHJKL"}, {KEY_Z, "ZXCVBNM"}};

}  // namespace

int VirtualKeyFromEvdev(uint32_t code) {
  if (code >= KEY_1 && code <= KEY_9) return '1' + static_cast<int>(code - KEY_1);
  if (code == KEY_0) return '0';
  for (const auto& row : kLetterRows) {
    for (uint32_t i = 0; row.letters[i] != '\0'; ++i) {
      if (code == row.first + i) return row.letters[i];
    }
  }
  if (code >= KEY_F1 && code <= KEY_F10) return kKeyF1 + static_cast<int>(code - KEY_F1);
  if (code >= KEY_F13 && code <= KEY_F24) return kKeyF1 + 12 + static_cast<int>(code - KEY_F13);
  for (const KeyName& key : kKeys) {
    if (key.code == code) return key.vk;
  }
  return 0;
}

int ShiftFromModifiers(uint32_t depressed) {
  return ((depressed & kXkbShift) != 0 ? kShiftKey : 0) |
         ((depressed & kXkbControl) != 0 ? kCtrlKey : 0) |
         ((depressed & kXkbMod1) != 0 ? kAltKey : 0);
}

int ButtonFromEvdev(uint32_t code) {
  switch (code) {
    case BTN_LEFT: return kLeftButton;
    case BTN_RIGHT: return kRightButton;
    case BTN_MIDDLE: return kMiddleButton;
    default: return 0;
  }
}

}  // namespace qx::wayland
