// SIGTERM and SIGINT as something the Linux hosts can wait on: the handler
// records the signal and writes to a pipe, so poll() on the pipe wakes at
// once and the flag is checked wherever the program can end.
#pragma once

#include <csignal>

namespace qx::linux_program {

class SignalWatch {
 public:
  // Installs the handlers for SIGTERM and SIGINT; one watch per process.
  SignalWatch();
  SignalWatch(const SignalWatch&) = delete;
  SignalWatch& operator=(const SignalWatch&) = delete;

  // The signal received, or 0.
  int Received() const;
  // The read end of the pipe, readable once a signal has arrived.
  int Fd() const;
  // Restores the default action of `sig` and raises it again, so the
  // process dies by the signal. Does not return.
  [[noreturn]] static void DieBy(int sig);
};

}  // namespace qx::linux_program
