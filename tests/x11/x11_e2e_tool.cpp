// Helpers of the Linux program's end-to-end scenarios:
//   window X Y W H        make and map a window as another client, print its
//                         id in hex, keep it until stdin closes or a signal
//   run STATUS PIDFILE PROGRAM ARGS...
//                         run PROGRAM, write its pid to PIDFILE, wait, and
//                         write how it ended to STATUS: "exit N" or
//                         "signal N"
//   close ID              send the window manager's close (WM_DELETE_WINDOW)
//   frames W H COUNT INTERVAL SHOT.ppm [X Y]
//                         is the W x H area at (X, Y) of the screenshot one
//                         of the first ball phase's frames of the saver form?
//                         prints the frame's number; exit 1 when none
//   outside BEFORE.ppm AFTER.ppm X Y W H
//                         pixels outside the rectangle unchanged, and some
//                         non-black pixels inside it; exit 1 otherwise
//   balls SHOT.ppm X Y W H MINLIT MINBLACK
//                         the rectangle holds at least MINLIT per cent of
//                         lit pixels and MINBLACK per cent of black ones
// Screenshots are binary PPM (convert shot.png shot.ppm).
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "saver/quendelrix_s.h"
#include "saver/windowless_host.h"

namespace {

struct Ppm {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
  qx::Pixel At(int x, int y) const {
    const uint8_t* p = &rgb[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3];
    return qx::Rgb(p[0], p[1], p[2]);
  }
};

bool ReadPpm(const char* path, Ppm& out) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maxval = 0;
  in >> magic >> out.width >> out.height >> maxval;
  if (!in || magic != "P6" || maxval != 255) return false;
  in.get();
  out.rgb.resize(static_cast<size_t>(out.width) * static_cast<size_t>(out.height) * 3);
  in.read(reinterpret_cast<char*>(out.rgb.data()), static_cast<std::streamsize>(out.rgb.size()));
  return static_cast<bool>(in);
}

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

int Frames(int w, int h, int count, int interval, const char* shotPath, int ox, int oy) {
  Ppm shot;
  if (!ReadPpm(shotPath, shot) || ox + w > shot.width || oy + h > shot.height) {
    std::fprintf(stderr, "cannot read %s or it is too small\n", shotPath);
    return 2;
  }
  qx::Image wanted(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) wanted.At(x, y) = shot.At(ox + x, oy + y);
  int frameNo = 0, bestFrame = -1;
  long bestDiffering = -1;
  struct Done {};
  qx::WindowlessSaverHost host(w, h);
  host.onPresent = [&](const qx::Image& frame, std::span<const qx::Rect>) {
    long differing = 0;
    for (int y = 0; y < h; ++y) {
      const qx::Pixel* row = frame.Row(y);
      const qx::Pixel* seen = wanted.Row(y);
      for (int x = 0; x < w; ++x) differing += (row[x] & 0xFFFFFF) != seen[x];
    }
    if (bestDiffering < 0 || differing < bestDiffering) {
      bestDiffering = differing;
      bestFrame = frameNo;
    }
    // The ball phase's frames 0 to `interval`; an exact one ends the search.
    if (differing == 0 || ++frameNo > interval) throw Done{};
  };
  qx::ModuleValues values;
  values.BallCount = static_cast<int16_t>(count);
  values.Interval = static_cast<int16_t>(interval);
  qx::Quendelrix_S form(host, values);
  try {
    form.Form_Load();
  } catch (const Done&) {
  }
  std::printf("closest frame %d, %ld pixels differ\n", bestFrame, bestDiffering);
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
  if (cmd == "window" && argc == 6) return MakeWindow(n(2), n(3), n(4), n(5));
  if (cmd == "run" && argc >= 5) return Run(argv[2], argv[3], argv + 4);
  if (cmd == "close" && argc == 3) return Close(argv[2]);
  if (cmd == "frames" && (argc == 7 || argc == 9)) {
    return Frames(n(2), n(3), n(4), n(5), argv[6], argc == 9 ? n(7) : 0, argc == 9 ? n(8) : 0);
  }
  if (cmd == "outside" && argc == 8) return Outside(argv[2], argv[3], n(4), n(5), n(6), n(7));
  if (cmd == "balls" && argc == 9) return Balls(argv[2], n(3), n(4), n(5), n(6), n(7), n(8));
  std::fputs("usage: see the comment at the top of x11_e2e_tool.cpp\n", stderr);
  return 2;
}
