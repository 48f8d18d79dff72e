// The saver on every output of a Wayland desktop: a full-screen surface on
// the overlay layer of each output (the layer shell of the wlroots
// desktops), all of them showing one scene that spans the outputs' layout.
#pragma once

#include "platform/linux/signal_watch.h"

namespace qx::wayland {

// Runs the saver as the full-screen saver: the first pointer motion only
// records the position, input ends it with status 0, and so do the
// compositor's end and the animation's. Returns the exit status when it
// cannot start: 1 without a Wayland display or the layer shell; 0 when
// another one already runs on this display. Otherwise the process ends
// here.
int RunSaver(int ballCount, int interval, const linux_program::SignalWatch& signals);

}  // namespace qx::wayland
