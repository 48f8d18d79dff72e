// Window messages in the forms' input contract (common/form_input.h): the
// one place the Windows layer reads the modifier keys and the held buttons.
// The contract is the system's own convention, so the conversion only picks
// the values out of the messages.
#pragma once

#include <windows.h>

#include <optional>

#include "common/form_input.h"

namespace qx::win32 {

// The buttons a mouse message's wParam says are held (MK_LBUTTON,
// MK_RBUTTON, MK_MBUTTON), as the contract's bits.
int HeldButtons(WPARAM w);

// The modifier keys held as the message being handled was sent: Shift,
// Ctrl and Alt, from the thread's keyboard state.
int ShiftState();

// A mouse press, release or move of the three buttons, or a key press
// (WM_KEYDOWN, WM_SYSKEYDOWN), as the contract's event with the given
// modifier bits; the position in client pixels, signed. nullopt for any
// other message.
std::optional<FormInput> FormInputFromMessage(UINT msg, WPARAM w, LPARAM l, int shift);

}  // namespace qx::win32
