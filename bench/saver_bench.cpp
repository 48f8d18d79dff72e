// The saver's hot paths against the physical limit of the same bytes,
// measured in the same run:
//   frame: clearing the balls' old squares + OR copies into their new
//          squares + the copy of the presented rectangles to the window,
//          against memset of the old squares + per-row memcpy of the new
//          squares + per-row memcpy of the same presented rectangles;
//   melt:  6000 overlapping 256 x 256 block moves, against 6000 contiguous
//          memmoves of 256 KiB;
//   the OR copies alone at each SIMD level, against per-row memcpy.
// At the end a table gives each measurement as a share of its limit's speed
// (limit time / our time), and the process's resident memory with the saver
// at 1920 x 1080.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "common/raster.h"
#include "common/row_kernels.h"
#include "saver/quendelrix_s.h"
#include "saver/windowless_host.h"

namespace qx {
namespace {

struct Scene {
  Scene(int w, int h) : host(w, h), form(host, values), window(w, h) {
    values.BallCount = 60;
    values.Interval = 300;
    values.Args = CommandLine(L"/s");
    form.SetUpScene();
  }
  // The ball squares of the current positions, clipped to the screen.
  std::vector<Rect> BallRects() const {
    std::vector<Rect> rects;
    const Image& d = form.Display();
    for (const BallRec& b : form.Balls()) {
      const int x = static_cast<int>(b.X), y = static_cast<int>(b.Y);
      Rect r{std::max(x, 0), std::max(y, 0), std::min(x + b.Size, d.Width()),
             std::min(y + b.Size, d.Height())};
      if (r.left < r.right && r.top < r.bottom) rects.push_back(r);
    }
    return rects;
  }
  WindowlessSaverHost host;
  ModuleValues values;
  Quendelrix_S form;
  Image window;  // stands for the window the frame is presented to
};

// One frame as the saver runs it: composed, then presented to the window.
void FrameAndPresent(Scene& scene) {
  scene.form.DrawFrame();
  scene.host.Present(scene.form.Display(), scene.form.Changed());
}

void BM_Frame(benchmark::State& state) {
  Scene scene(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  FrameAndPresent(scene);  // the first frame of a ball phase is whole
  long long presented = 0;
  for (auto _ : state) {
    FrameAndPresent(scene);
    for (const Rect& r : scene.form.Changed()) presented += Area(r);
    benchmark::DoNotOptimize(scene.host.Window().Data());
    benchmark::ClobberMemory();
  }
  // The presented pixels per frame, as a share of the screen.
  state.counters["presented"] = benchmark::Counter(
      static_cast<double>(presented) /
      (static_cast<double>(state.iterations()) * state.range(0) * state.range(1)));
}

void SetRows(Image& img, const Rect& r) {
  const size_t bytes = static_cast<size_t>(r.right - r.left) * sizeof(Pixel);
  for (int y = r.top; y < r.bottom; ++y) std::memset(img.Row(y) + r.left, 0, bytes);
}
void CopyRows(Image& dst, const Image& src, int sx, int sy, const Rect& r) {
  const size_t bytes = static_cast<size_t>(r.right - r.left) * sizeof(Pixel);
  for (int y = r.top; y < r.bottom; ++y) {
    std::memcpy(dst.Row(y) + r.left, src.Row(y - r.top + sy) + sx, bytes);
  }
}

void BM_FrameLimit(benchmark::State& state) {
  Scene scene(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  // The squares and presented rectangles of one frame in the middle of a
  // ball phase.
  FrameAndPresent(scene);
  const std::vector<Rect> before = scene.BallRects();
  FrameAndPresent(scene);
  const std::vector<Rect> after = scene.BallRects();
  const std::span<const Rect> changed = scene.form.Changed();
  const std::vector<Rect> presented(changed.begin(), changed.end());
  Image frame(scene.window.Width(), scene.window.Height());
  const Image ball(kLargeBall, kLargeBall, 0x00102030);
  for (auto _ : state) {
    for (const Rect& r : before) SetRows(frame, r);
    for (const Rect& r : after) CopyRows(frame, ball, 0, 0, r);
    for (const Rect& r : presented) CopyRows(scene.window, frame, r.left, r.top, r);
    benchmark::DoNotOptimize(scene.window.Data());
    benchmark::ClobberMemory();
  }
}

void BM_Melt(benchmark::State& state) {
  Scene scene(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  scene.form.DrawFrame();
  for (auto _ : state) {
    scene.form.Melt();
    benchmark::DoNotOptimize(scene.form.Display().Data());
    benchmark::ClobberMemory();
  }
}

void BM_MeltLimit(benchmark::State& state) {
  constexpr size_t kBlockBytes = 256 * 1024;
  std::vector<unsigned char> buffer(kBlockBytes + 8192);
  for (auto _ : state) {
    for (int i = 0; i < kMeltCopies; ++i) {
      // Shifted by a pixel one way or the other, as the melt's rows are.
      const size_t src = 4096, dst = (i & 1) ? 4100 : 4092;
      std::memmove(buffer.data() + dst, buffer.data() + src, kBlockBytes);
    }
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
}

// The OR copies of one frame alone, at one SIMD level (0 scalar, 1 SSE2,
// 2 AVX2), on a frame that stays in the cache.
void BM_OrBalls(benchmark::State& state) {
  const auto level = static_cast<SimdLevel>(state.range(0));
  if (UseSimdLevel(level) != level) {
    state.SkipWithError("processor lacks this level");
    return;
  }
  Scene scene(1920, 1080);
  const std::vector<Rect> rects = scene.BallRects();
  const Image ball(kLargeBall, kLargeBall, 0x00102030);
  Image& frame = scene.form.Display();
  for (auto _ : state) {
    for (const Rect& r : rects) {
      OrBlock(frame, r.left, r.top, r.right - r.left, r.bottom - r.top, ball, 0, 0);
    }
    benchmark::DoNotOptimize(frame.Data());
    benchmark::ClobberMemory();
  }
  UseSimdLevel(BestSimdLevel());
}

void BM_OrBallsLimit(benchmark::State& state) {
  Scene scene(1920, 1080);
  const std::vector<Rect> rects = scene.BallRects();
  const Image ball(kLargeBall, kLargeBall, 0x00102030);
  Image& frame = scene.form.Display();
  for (auto _ : state) {
    for (const Rect& r : rects) {
      const size_t bytes = static_cast<size_t>(r.right - r.left) * sizeof(Pixel);
      for (int y = r.top; y < r.bottom; ++y) {
        std::memcpy(frame.Row(y) + r.left, ball.Row(y - r.top), bytes);
      }
    }
    benchmark::DoNotOptimize(frame.Data());
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_Frame)->Args({1024, 768})->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameLimit)->Args({1024, 768})->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);
// Smaller screens show how the melt's speed depends on whether the frame
// fits the processor's caches.
BENCHMARK(BM_Melt)->Args({1920, 1080})->Args({1024, 768})->Args({640, 480})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MeltLimit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OrBalls)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OrBallsLimit)->Unit(benchmark::kMicrosecond);

// Resident memory of this process, in MiB (Linux; 0 elsewhere).
double ResidentMiB() {
  std::ifstream statm("/proc/self/statm");
  long long pages = 0, resident = 0;
  if (!(statm >> pages >> resident)) return 0;
  return static_cast<double>(resident) * 4096.0 / (1024.0 * 1024.0);
}

// Prints each measurement beside its limit once the runs are done.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    // The processor time of each run, so that other programs on a busy
    // machine count less; with repetitions, their median.
    for (const Run& run : runs) {
      if (run.error_occurred || run.iterations == 0) continue;
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      seconds_[run.run_name.str()] =
          run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    const struct { const char* label; const char* ours; const char* limit; } pairs[] = {
        {"frame 1024x768", "BM_Frame/1024/768", "BM_FrameLimit/1024/768"},
        {"frame 1920x1080", "BM_Frame/1920/1080", "BM_FrameLimit/1920/1080"},
        {"frame 3840x2160", "BM_Frame/3840/2160", "BM_FrameLimit/3840/2160"},
        {"melt 1920x1080", "BM_Melt/1920/1080", "BM_MeltLimit"},
        {"melt 1024x768", "BM_Melt/1024/768", "BM_MeltLimit"},
        {"melt 640x480", "BM_Melt/640/480", "BM_MeltLimit"},
        {"OR copies, scalar", "BM_OrBalls/0", "BM_OrBallsLimit"},
        {"OR copies, SSE2", "BM_OrBalls/1", "BM_OrBallsLimit"},
        {"OR copies, AVX2", "BM_OrBalls/2", "BM_OrBallsLimit"},
    };
    std::printf("\n%-20s %14s %14s %10s\n", "", "ours (ms cpu)", "limit (ms cpu)",
                "of limit");
    for (const auto& p : pairs) {
      const auto ours = seconds_.find(p.ours), limit = seconds_.find(p.limit);
      if (ours == seconds_.end() || limit == seconds_.end()) continue;
      std::printf("%-20s %14.3f %14.3f %9.0f%%\n", p.label, ours->second * 1e3,
                  limit->second * 1e3, 100.0 * limit->second / ours->second);
    }
    // A frame should cost what moves, not what the screen holds.
    const auto large = seconds_.find("BM_Frame/3840/2160");
    for (const char* smaller : {"BM_Frame/1920/1080", "BM_Frame/1024/768"}) {
      const auto small = seconds_.find(smaller);
      if (large == seconds_.end() || small == seconds_.end()) continue;
      std::printf("frame 3840x2160 costs %.2f x %s\n", large->second / small->second,
                  smaller + 9);
    }
  }

 private:
  std::map<std::string, double> seconds_;
};

}  // namespace
}  // namespace qx

int main(int argc, char** argv) {
  // The saver's working set: the process with one 1920 x 1080 scene built,
  // one frame drawn and one melt done, before any benchmark runs.
  double residentMiB = 0;
  {
    qx::Scene scene(1920, 1080);
    scene.form.DrawFrame();
    scene.form.Melt();
    residentMiB = qx::ResidentMiB();
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  qx::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  std::printf("resident memory with the saver at 1920x1080: %.1f MiB\n",
              residentMiB);
  return 0;
}
