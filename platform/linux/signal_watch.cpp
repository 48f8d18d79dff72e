#include "platform/linux/signal_watch.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

namespace qx::linux_program {

namespace {

// The handler can reach only these; one watch per process.
volatile std::sig_atomic_t g_received = 0;
int g_pipe[2] = {-1, -1};

extern "C" void OnSignal(int sig) {
  g_received = sig;
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = write(g_pipe[1], &byte, 1);
}

}  // namespace

SignalWatch::SignalWatch() {
  if (pipe(g_pipe) == 0) {
    for (int fd : g_pipe) {
      fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
      fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
  }
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
}

int SignalWatch::Received() const { return g_received; }

int SignalWatch::Fd() const { return g_pipe[0]; }

void SignalWatch::DieBy(int sig) {
  signal(sig, SIG_DFL);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, sig);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
  raise(sig);
  std::_Exit(128 + sig);
}

}  // namespace qx::linux_program
