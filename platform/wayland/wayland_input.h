// Wayland input events in the forms' input contract (common/form_input.h).
// wl_keyboard gives evdev key codes and a keymap; the program reads no
// keymap (a saver only needs to know that a key was pressed), so keys map
// to virtual-key codes by their place on a US keyboard. The modifier masks
// are the standard ones every keymap compositors send uses (Shift, Control,
// Mod1 for Alt); buttons are evdev's BTN_LEFT, BTN_RIGHT and BTN_MIDDLE.
#pragma once

#include <cstdint>

#include "common/form_input.h"

namespace qx::wayland {

// The virtual-key code of an evdev key code; 0 for a key that has none.
int VirtualKeyFromEvdev(uint32_t code);

// The contract's shift bits of wl_keyboard.modifiers' depressed mask.
int ShiftFromModifiers(uint32_t depressed);

// The contract's button bit of an evdev button code; 0 for any other
// button (a side button).
int ButtonFromEvdev(uint32_t code);

}  // namespace qx::wayland
