// Helpers of the Linux program's end-to-end scenarios:
//   window X Y W H        make and map a window as another client, print its
//                         id in hex, keep it until stdin closes or a signal
//   run STATUS PIDFILE PROGRAM ARGS...
//                         run PROGRAM, write its pid to PIDFILE, wait, and
//                         write how it ended to STATUS: "exit N" or
//                         "signal N"
//   close ID              send the window manager's close (WM_DELETE_WINDOW)
//   puts WINDOW LOG [PIDFILE AT EVERY]
//                         watch the drawing into WINDOW (an id, or "root")
//                         with X DAMAGE: "ready"
//                         into LOG once watching, then for each drawing
//                         request (one present of the program) "put N
//                         RECTS MINSIDE": its number, its rectangles and
//                         the shortest side among them. With PIDFILE, the
//                         process it names is stopped (SIGSTOP) at put AT
//                         and every EVERY puts after, and "stopped N" is
//                         logged with the number of puts it made before it
//                         stopped. Runs until the window goes or a signal.
//   ends PID SECONDS      wait up to SECONDS for process PID (not a child)
//                         to end; exit 1 when it is still running
//   frames W H COUNT INTERVAL SHOT.ppm X Y PUTS
//                         is the W x H area at (X, Y) of the screenshot what
//                         a window shows after PUTS presents of the saver
//                         form (or one more, a present on its way while the
//                         shot was taken)? Exit 0 when it is, 1 when not,
//                         3 when those presents are the melt's, whose
//                         pattern comes from the time of day
//   outside BEFORE.ppm AFTER.ppm X Y W H
//                         pixels outside the rectangle unchanged, and some
//                         non-black pixels inside it; exit 1 otherwise
//   balls SHOT.ppm X Y W H MINLIT MINBLACK
//                         the rectangle holds at least MINLIT per cent of
//                         lit pixels and MINBLACK per cent of black ones
//   title                 print the saver window's title (UTF-8)
// Screenshots are binary PPM (convert shot.png shot.ppm).
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "common/utf8.h"
#include "saver/quendelrix_s.h"
#include "saver/windowless_host.h"
#include "tests/linux/ppm.h"
#include "startup/window_titles.h"

namespace {

using qx::test::Ppm;
using qx::test::ReadPpm;

int MakeWindow(int x, int y, int w, int h) {
  Display* d = XOpenDisplay(nullptr);
  if (d == nullptr) return 1;
  XSetWindowAttributes a{};
  a.background_pixel = WhitePixel(d, DefaultScreen(d));
  a.override_redirect = True;
  const Window win = XCreateWindow(d, DefaultRootWindow(d), x, y, static_cast<unsigned>(w),
                                   static_cast<unsigned>(h), 0, CopyFromParent, InputOutput,
                                   CopyFromParent, CWBackPixel | CWOverrideRedirect, &a);
  XStoreName(d, win, "another client's window");
  XMapRaised(d, win);
  XSync(d, False);
  std::printf("0x%lx\n", win);
  std::fflush(stdout);
  // Held until stdin closes; the window goes with the connection.
  char c;
  while (read(0, &c, 1) > 0) {
  }
  XCloseDisplay(d);
  return 0;
}

int Run(const char* statusPath, const char* pidPath, char** argv) {
  const pid_t pid = fork();
  if (pid < 0) return 2;
  if (pid == 0) {
    execv(argv[0], argv);
    _exit(127);
  }
  if (FILE* f = std::fopen(pidPath, "w")) {
    std::fprintf(f, "%d\n", static_cast<int>(pid));
    std::fclose(f);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  FILE* f = std::fopen(statusPath, "w");
  if (f == nullptr) return 2;
  if (WIFSIGNALED(status)) std::fprintf(f, "signal %d\n", WTERMSIG(status));
  else std::fprintf(f, "exit %d\n", WEXITSTATUS(status));
  std::fclose(f);
  return 0;
}

int Close(const char* id) {
  Display* d = XOpenDisplay(nullptr);
  if (d == nullptr) return 1;
  const Window win = std::strtoul(id, nullptr, 0);
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = win;
  e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, win, False, NoEventMask, &e);
  XSync(d, False);
  XCloseDisplay(d);
  return 0;
}

// Counts the drawing requests into a window from its DAMAGE events: in raw
// mode the server reports each request's rectangles one by one, the last
// one without `more`.
class PutCounter {
 public:
  PutCounter(int damageEvent, FILE* log) : damageEvent_(damageEvent), log_(log) {}
  // Takes one event; true when it ended a put.
  bool Take(const XEvent& event) {
    if (event.type != damageEvent_) return false;
    const auto& damage = reinterpret_cast<const XDamageNotifyEvent&>(event);
    ++rects_;
    minSide_ = std::min({minSide_, static_cast<int>(damage.area.width),
                         static_cast<int>(damage.area.height)});
    if (damage.more) return false;
    ++puts_;
    std::fprintf(log_, "put %ld %d %d\n", puts_, rects_, minSide_);
    std::fflush(log_);
    rects_ = 0;
    minSide_ = INT_MAX;
    return true;
  }
  long Puts() const { return puts_; }

 private:
  int damageEvent_;
  FILE* log_;
  long puts_ = 0;
  int rects_ = 0;
  int minSide_ = INT_MAX;
};

int WatchPuts(const char* id, const char* logPath, const char* pidPath, long at, long every) {
  Display* d = XOpenDisplay(nullptr);
  if (d == nullptr) return 2;
  int damageEvent = 0, damageError = 0;
  if (!XDamageQueryExtension(d, &damageEvent, &damageError)) {
    std::fputs("the X server has no DAMAGE extension\n", stderr);
    return 2;
  }
  FILE* log = std::fopen(logPath, "a");
  if (log == nullptr) return 2;
  const Window win =
      std::strcmp(id, "root") == 0 ? DefaultRootWindow(d) : std::strtoul(id, nullptr, 0);
  XSelectInput(d, win, StructureNotifyMask);
  XDamageCreate(d, win, XDamageReportRawRectangles);
  // The new damage object reports the whole window once: no put of anyone.
  XSync(d, False);
  while (XPending(d) > 0) {
    XEvent event;
    XNextEvent(d, &event);
  }
  std::fputs("ready\n", log);
  std::fflush(log);
  PutCounter counter(damageEvent + XDamageNotify, log);
  long nextStop = pidPath != nullptr ? at : -1;
  for (;;) {
    XEvent event;
    XNextEvent(d, &event);
    if (event.type == DestroyNotify && event.xdestroywindow.window == win) break;
    if (!counter.Take(event) || counter.Puts() != nextStop) continue;
    FILE* f = std::fopen(pidPath, "r");
    int pid = 0;
    if (f == nullptr || std::fscanf(f, "%d", &pid) != 1 || pid <= 0) return 2;
    std::fclose(f);
    kill(pid, SIGSTOP);
    // The server has taken every request the program sent before it
    // stopped once two round trips of ours are answered: their events are
    // then in our queue.
    XSync(d, False);
    XSync(d, False);
    while (XPending(d) > 0) {
      XNextEvent(d, &event);
      counter.Take(event);
    }
    std::fprintf(log, "stopped %ld\n", counter.Puts());
    std::fflush(log);
    nextStop = every > 0 ? nextStop + every * ((counter.Puts() - nextStop) / every + 1) : -1;
  }
  std::fclose(log);
  XCloseDisplay(d);
  return 0;
}

int Ends(int pid, int seconds) {
  // A descriptor that becomes readable when the process ends.
  const int fd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  if (fd < 0) return errno == ESRCH ? 0 : 2;
  pollfd p{fd, POLLIN, 0};
  int n;
  while ((n = poll(&p, 1, seconds * 1000)) < 0 && errno == EINTR) {
  }
  close(fd);
  return n > 0 ? 0 : 1;
}

int Frames(int w, int h, int count, int interval, const char* shotPath, int ox, int oy,
           long puts) {
  Ppm shot;
  if (!ReadPpm(shotPath, shot) || ox + w > shot.width || oy + h > shot.height || puts < 1) {
    std::fprintf(stderr, "cannot read %s or it is too small\n", shotPath);
    return 2;
  }
  // Present n (from 1) of a cycle of `interval` + 1 frames and the melt's
  // presents is a frame of the ball phase when it is among the first
  // `interval` + 1.
  const long cycle = interval + 1 + qx::kMeltCopies / qx::kMeltCopiesPerPresent;
  auto isFrame = [&](long n) { return (n - 1) % cycle <= interval; };
  if (!isFrame(puts) || !isFrame(puts + 1)) {
    std::printf("puts %ld and %ld are not both frames of a ball phase\n", puts, puts + 1);
    return 3;
  }
  long presents = 0, bestPresent = -1, bestDiffering = -1;
  struct Done {};
  qx::WindowlessSaverHost host(w, h);
  host.onPresent = [&](const qx::Image&, std::span<const qx::Rect>) {
    if (++presents < puts) return;
    const qx::Image& window = host.Window();
    long differing = 0;
    for (int y = 0; y < h; ++y) {
      const qx::Pixel* row = window.Row(y);
      for (int x = 0; x < w; ++x) differing += (row[x] & 0xFFFFFF) != shot.At(ox + x, oy + y);
    }
    if (bestDiffering < 0 || differing < bestDiffering) {
      bestDiffering = differing;
      bestPresent = presents;
    }
    if (differing == 0 || presents > puts) throw Done{};
  };
  qx::ModuleValues values;
  values.BallCount = static_cast<int16_t>(count);
  values.Interval = static_cast<int16_t>(interval);
  qx::Quendelrix_S form(host, values);
  try {
    form.Form_Load();
  } catch (const Done&) {
  }
  std::printf("after put %ld: closest present %ld, %ld pixels differ\n", puts, bestPresent,
              bestDiffering);
  return bestDiffering == 0 ? 0 : 1;
}

int Outside(const char* beforePath, const char* afterPath, int rx, int ry, int rw, int rh) {
  Ppm before, after;
  if (!ReadPpm(beforePath, before) || !ReadPpm(afterPath, after) ||
      before.width != after.width || before.height != after.height) {
    return 2;
  }
  long changedOutside = 0, litInside = 0;
  for (int y = 0; y < before.height; ++y) {
    for (int x = 0; x < before.width; ++x) {
      const bool inside = x >= rx && x < rx + rw && y >= ry && y < ry + rh;
      if (inside) litInside += after.At(x, y) != 0;
      else changedOutside += after.At(x, y) != before.At(x, y);
    }
  }
  std::printf("%ld pixels changed outside, %ld lit inside\n", changedOutside, litInside);
  return changedOutside == 0 && litInside > 0 ? 0 : 1;
}

int Balls(const char* path, int rx, int ry, int rw, int rh, int minLitPercent,
          int minBlackPercent) {
  Ppm shot;
  if (!ReadPpm(path, shot) || rx + rw > shot.width || ry + rh > shot.height) return 2;
  long lit = 0, black = 0;
  for (int y = ry; y < ry + rh; ++y)
    for (int x = rx; x < rx + rw; ++x) (shot.At(x, y) == 0 ? black : lit)++;
  const long all = static_cast<long>(rw) * rh;
  std::printf("%ld lit, %ld black of %ld\n", lit, black, all);
  return lit * 100 >= all * minLitPercent && black * 100 >= all * minBlackPercent ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string cmd = argc > 1 ? argv[1] : "";
  auto n = [&](int i) { return std::atoi(argv[i]); };
  if (cmd == "title" && argc == 2) {
    std::puts(qx::Utf8(qx::kSaverTitle).c_str());
    return 0;
  }
  if (cmd == "window" && argc == 6) return MakeWindow(n(2), n(3), n(4), n(5));
  if (cmd == "run" && argc >= 5) return Run(argv[2], argv[3], argv + 4);
  if (cmd == "close" && argc == 3) return Close(argv[2]);
  if (cmd == "puts" && argc == 4) return WatchPuts(argv[2], argv[3], nullptr, 0, 0);
  if (cmd == "puts" && argc == 7) return WatchPuts(argv[2], argv[3], argv[4], n(5), n(6));
  if (cmd == "ends" && argc == 4) return Ends(n(2), n(3));
  if (cmd == "frames" && argc == 10) {
    return Frames(n(2), n(3), n(4), n(5), argv[6], n(7), n(8), std::atol(argv[9]));
  }
  if (cmd == "outside" && argc == 8) return Outside(argv[2], argv[3], n(4), n(5), n(6), n(7));
  if (cmd == "balls" && argc == 9) return Balls(argv[2], n(3), n(4), n(5), n(6), n(7), n(8));
  std::fputs("usage: see the comment at the top of x11_e2e_tool.cpp\n", stderr);
  return 2;
}
