// quendelrix: the saver as a display program for XScreenSaver, or in a
// window of its own for trying it out. See Usage() for the command line.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/x11/options.h"
#include "platform/x11/register_entry.h"
#include "platform/linux/signal_watch.h"
#include "platform/x11/version.h"
#include "platform/x11/x_display.h"
#include "platform/x11/x11_host.h"
#include "saver/quendelrix_s.h"
#ifdef QX_WAYLAND
#include "platform/wayland/wayland_host.h"
#endif

namespace {

std::filesystem::path OwnExecutable(const char* argv0) {
  std::error_code ec;
  auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) path = std::filesystem::absolute(argv0, ec);
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace qx::x11;
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  const ParseResult parsed = ParseOptions(args, std::getenv("XSCREENSAVER_WINDOW"));
  if (!parsed.options) {
    std::fprintf(stderr, "quendelrix: %s\n%s", parsed.error.c_str(), Usage().c_str());
    return 2;
  }
  const Options& options = *parsed.options;
  if (options.help) {
    std::fputs(Usage().c_str(), stdout);
    return 0;
  }
  if (options.version) {
    std::printf("quendelrix %s\n", kVersion);
    return 0;
  }
  if (options.registerProgram) {
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') {
      std::fputs("quendelrix: HOME is not set\n", stderr);
      return 1;
    }
    std::string message;
    const int status = RegisterProgram(home, OwnExecutable(argv[0]), message);
    std::fputs(message.c_str(), status == 0 ? stdout : stderr);
    return status;
  }

  SignalWatch signals;
  if (options.target == Target::kWayland) {
#ifdef QX_WAYLAND
    return qx::wayland::RunSaver(options.ballCount, options.interval, signals);
#else
    std::fputs("quendelrix: this build has no Wayland mode\n", stderr);
    return 1;
#endif
  }
  UniqueDisplay display = OpenDisplay(options.display);
  if (!display) {
    std::fprintf(stderr, "quendelrix: cannot open display %s\n",
                 XDisplayName(options.display.empty() ? nullptr : options.display.c_str()));
    return 1;
  }
  X11SaverHost host(std::move(display), signals);
  std::string error;
  if (const int status = host.Open(options, error); status != 0) {
    std::fprintf(stderr, "quendelrix: %s\n", error.c_str());
    return status;
  }

  qx::ModuleValues values;
  values.BallCount = static_cast<int16_t>(options.ballCount);
  values.Interval = static_cast<int16_t>(options.interval);
  // The saver runs as the Windows test run does: XScreenSaver locks the
  // screen and asks for the password itself and stops the program when the
  // user comes back, and in a window of its own the pointer may pass over
  // it. A click or a key in its own window still ends it.
  values.Args = qx::CommandLine::TestRun();
  qx::Quendelrix_S form(host, values);
  host.SetForm(&form);
  form.Form_Load();
  // The animation has stopped: a close of its own window ends the program;
  // otherwise the picture stays until a signal or the window's end.
  while (form.ExitFlag() == qx::kFalse16) host.WaitForMessages();
  return 0;
}
