// X input events in the forms' input contract (common/form_input.h): X's
// buttons 1, 2 and 3 (left, middle, right) become the contract's button
// bits, its Shift, Control and Mod1 (Alt) masks the shift bits, KeySyms the
// virtual-key codes, and the event's window coordinates stay the pixels
// they are.
#pragma once

#include <X11/Xlib.h>

#include <optional>

#include "common/form_input.h"

namespace qx::x11 {

// A key press, a button press or release, or a pointer motion as the
// contract's event; nullopt for any other event. `keysym` is the key's
// KeySym at shift level 0 (XLookupKeysym(&event.xkey, 0)); only key events
// use it. A press of a button the contract has no bit for (the wheel, a side
// button) is a press of button 0.
std::optional<FormInput> FormInputFromXEvent(const XEvent& event, KeySym keysym);

// The virtual-key code of a KeySym; 0 for a key that has none.
int VirtualKeyFromKeySym(KeySym keysym);

}  // namespace qx::x11
