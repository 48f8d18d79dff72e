// The native form as the web page runs it, for comparison with the
// WebAssembly build:
//   web_parity_tool WIDTH HEIGHT COUNT INTERVAL SEED PRESENTS
// runs the form on a windowless screen of WIDTH x HEIGHT pixels with the
// settings the page takes from the address values COUNT, INTERVAL and SEED
// (SEED must be readable), and prints, for each of the first PRESENTS
// presents, the hash of what the window shows (see RgbHash), one a line in
// hexadecimal.
//   web_parity_tool ... PRESENTS --picture
// prints instead the picture after the last of them as RGB bytes, row after
// row.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/web/page_settings.h"
#include "saver/quendelrix_s.h"
#include "saver/windowless_host.h"

namespace {

struct Done {};

// FNV-1a over the red, green and blue bytes of every pixel, row after row.
uint32_t RgbHash(const qx::Image& image) {
  uint32_t h = 2166136261u;
  const auto add = [&h](int byte) { h = (h ^ static_cast<uint32_t>(byte)) * 16777619u; };
  for (int y = 0; y < image.Height(); ++y) {
    for (int x = 0; x < image.Width(); ++x) {
      const qx::Pixel p = image.At(x, y);
      add(qx::RedOf(p));
      add(qx::GreenOf(p));
      add(qx::BlueOf(p));
    }
  }
  return h;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 7 && !(argc == 8 && std::string_view(argv[7]) == "--picture")) {
    std::fputs("usage: web_parity_tool WIDTH HEIGHT COUNT INTERVAL SEED PRESENTS [--picture]\n", stderr);
    return 2;
  }
  const int width = std::atoi(argv[1]), height = std::atoi(argv[2]);
  const qx::web::PageSettings settings = qx::web::PageSettingsFrom(argv[3], argv[4], argv[5]);
  const long presents = std::atol(argv[6]);
  const bool picture = argc == 8;
  if (!settings.seed || presents < 1) {
    std::fputs("web_parity_tool: the seed must be readable and PRESENTS at least 1\n", stderr);
    return 2;
  }

  qx::ModuleValues values;
  values.BallCount = settings.ballCount;
  values.Interval = settings.interval;
  qx::WindowlessSaverHost host(width, height);
  host.secondsSinceMidnight = *settings.seed;
  long seen = 0;
  host.onPresent = [&](const qx::Image&, std::span<const qx::Rect>) {
    ++seen;
    if (!picture) std::printf("%08x\n", RgbHash(host.Window()));
    if (seen == presents) throw Done{};
  };
  qx::Quendelrix_S form(host, values);
  try {
    form.Form_Load();
  } catch (const Done&) {
  }
  if (seen != presents) return 1;
  if (picture) {
    const qx::Image& window = host.Window();
    for (int y = 0; y < window.Height(); ++y) {
      for (int x = 0; x < window.Width(); ++x) {
        const qx::Pixel p = window.At(x, y);
        std::putchar(qx::RedOf(p));
        std::putchar(qx::GreenOf(p));
        std::putchar(qx::BlueOf(p));
      }
    }
  }
  return 0;
}
