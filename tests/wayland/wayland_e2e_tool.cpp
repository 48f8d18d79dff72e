// Helpers of the Wayland scenarios:
//   pointer               hold a virtual pointer on the compositor and send
//                         what stdin asks, one command a line: "at X Y W H"
//                         (absolute motion to X, Y of a W x H layout),
//                         "click" (left button down and up), "quit". Prints
//                         "ready" once the pointer exists and "done" after
//                         each command has reached the compositor.
//   match COUNT INTERVAL OUTPUTS SHOT.ppm...
//                         does each screenshot show its output's part of one
//                         frame of the saver form's ball phase? OUTPUTS is
//                         "x,y,w,h,scale;..." (logical places, integer
//                         scales), one per screenshot, which has the
//                         output's physical size. Exit 0 when every shot
//                         equals its part of some frame (each may be at a
//                         frame of its own), 1 when not.
//   covered SHOT.ppm      the output shows balls on black and nothing of the
//                         desktop's background (#00ff00): at least 1 % lit
//                         pixels, 20 % black ones, no green one
// Screenshots are binary PPM (convert shot.png shot.ppm).
#include <wayland-client.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/wayland/scene_layout.h"
#include "saver/quendelrix_s.h"
#include "saver/windowless_host.h"
#include "tests/linux/ppm.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace {

using qx::test::Ppm;
using qx::test::ReadPpm;

zwlr_virtual_pointer_manager_v1* g_manager = nullptr;
wl_seat* g_seat = nullptr;

void OnGlobal(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
  if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0) {
    g_manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
        wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
  } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && g_seat == nullptr) {
    g_seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
  }
}
void OnGlobalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener kRegistry = {OnGlobal, OnGlobalRemove};

int Pointer() {
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) return 2;
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &kRegistry, nullptr);
  wl_display_roundtrip(display);
  if (g_manager == nullptr) return 2;
  zwlr_virtual_pointer_v1* pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(g_manager, g_seat);
  wl_display_roundtrip(display);
  std::puts("ready");
  std::fflush(stdout);
  uint32_t time = 1;
  std::string line;
  while (std::getline(std::cin, line)) {
    std::istringstream words(line);
    std::string command;
    words >> command;
    if (command == "at") {
      unsigned x = 0, y = 0, w = 0, h = 0;
      words >> x >> y >> w >> h;
      zwlr_virtual_pointer_v1_motion_absolute(pointer, time++, x, y, w, h);
      zwlr_virtual_pointer_v1_frame(pointer);
    } else if (command == "click") {
      zwlr_virtual_pointer_v1_button(pointer, time++, 0x110, WL_POINTER_BUTTON_STATE_PRESSED);
      zwlr_virtual_pointer_v1_frame(pointer);
      zwlr_virtual_pointer_v1_button(pointer, time++, 0x110, WL_POINTER_BUTTON_STATE_RELEASED);
      zwlr_virtual_pointer_v1_frame(pointer);
    } else if (command == "quit") {
      break;
    }
    if (wl_display_roundtrip(display) < 0) return 1;
    std::puts("done");
    std::fflush(stdout);
  }
  zwlr_virtual_pointer_v1_destroy(pointer);
  wl_display_roundtrip(display);
  wl_display_disconnect(display);
  return 0;
}

int Match(int count, int interval, const char* outputsText, char** shots, int shotCount) {
  std::vector<qx::wayland::OutputGeometry> outputs;
  std::istringstream list(outputsText);
  std::string item;
  while (std::getline(list, item, ';')) {
    qx::wayland::OutputGeometry o;
    if (std::sscanf(item.c_str(), "%d,%d,%d,%d,%d", &o.x, &o.y, &o.width, &o.height, &o.scale) != 5) return 2;
    outputs.push_back(o);
  }
  if (static_cast<int>(outputs.size()) != shotCount) return 2;
  const qx::wayland::SceneLayout layout = qx::wayland::LayOut(outputs);
  std::vector<Ppm> ppm(outputs.size());
  for (size_t i = 0; i < outputs.size(); ++i) {
    if (!ReadPpm(shots[i], ppm[i]) || ppm[i].width != layout.parts[i].bufferWidth ||
        ppm[i].height != layout.parts[i].bufferHeight) {
      std::printf("%s: unreadable or not %d x %d\n", shots[i], layout.parts[i].bufferWidth,
                  layout.parts[i].bufferHeight);
      return 1;
    }
  }
  std::vector<long> matched(outputs.size(), 0);
  std::vector<long> fewest(outputs.size(), -1);
  long presents = 0;
  struct Done {};
  qx::WindowlessSaverHost host(layout.width, layout.height);
  std::vector<qx::Pixel> buffer;
  host.onPresent = [&](const qx::Image&, std::span<const qx::Rect>) {
    ++presents;
    bool all = true;
    for (size_t i = 0; i < outputs.size(); ++i) {
      if (matched[i] != 0) continue;
      const qx::wayland::OutputPart& part = layout.parts[i];
      buffer.assign(static_cast<size_t>(part.bufferWidth) * static_cast<size_t>(part.bufferHeight), 0);
      const qx::linux_program::PixelTarget target{reinterpret_cast<uint8_t*>(buffer.data()),
                                                  part.bufferWidth, part.bufferHeight,
                                                  part.bufferWidth * 4};
      const qx::Rect whole{0, 0, part.bufferWidth, part.bufferHeight};
      qx::wayland::CopyPart(host.Window(), layout.scale, part, std::span(&whole, 1), target);
      long differing = 0;
      for (int y = 0; y < part.bufferHeight; ++y) {
        for (int x = 0; x < part.bufferWidth; ++x) {
          differing += (buffer[static_cast<size_t>(y * part.bufferWidth + x)] & 0xFFFFFF) != ppm[i].At(x, y);
        }
      }
      if (fewest[i] < 0 || differing < fewest[i]) fewest[i] = differing;
      if (differing == 0) matched[i] = presents;
      all = all && matched[i] != 0;
    }
    if (all || presents > interval) throw Done{};
  };
  qx::ModuleValues values;
  values.BallCount = static_cast<int16_t>(count);
  values.Interval = static_cast<int16_t>(interval);
  values.Args = qx::CommandLine(L"/s");
  qx::Quendelrix_S form(host, values);
  try {
    form.Form_Load();
  } catch (const Done&) {
  }
  bool ok = true;
  for (size_t i = 0; i < outputs.size(); ++i) {
    std::printf("%s: %s (fewest differing pixels %ld)\n", shots[i],
                matched[i] != 0 ? ("frame " + std::to_string(matched[i])).c_str() : "no frame",
                fewest[i]);
    ok = ok && matched[i] != 0;
  }
  return ok ? 0 : 1;
}

int Covered(const char* path) {
  Ppm shot;
  if (!ReadPpm(path, shot)) return 2;
  long lit = 0, black = 0, green = 0;
  for (int y = 0; y < shot.height; ++y) {
    for (int x = 0; x < shot.width; ++x) {
      const qx::Pixel p = shot.At(x, y);
      if (p == 0) ++black;
      else ++lit;
      if (p == qx::Rgb(0, 255, 0)) ++green;
    }
  }
  const long all = static_cast<long>(shot.width) * shot.height;
  std::printf("%s: %ld lit, %ld black, %ld background of %ld\n", path, lit, black, green, all);
  return green == 0 && lit * 100 >= all && black * 100 >= all * 20 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "pointer") return Pointer();
  if (command == "covered" && argc == 3) return Covered(argv[2]);
  if (command == "match" && argc >= 6) {
    return Match(std::atoi(argv[2]), std::atoi(argv[3]), argv[4], argv + 5, argc - 5);
  }
  std::fprintf(stderr, "usage: see the comment at the top of wayland_e2e_tool.cpp\n");
  return 2;
}
