// One lens frame of the settings dialog against the physical limit: a copy
// of the same 256,000-byte buffer. Report the ratio Lens / Memcpy.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "effects/pic_effect.h"

namespace {

qx::Image Photo() {
  qx::Image img(320, 200);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 320; ++x) img.At(x, y) = qx::Rgb(x, y, x ^ y);
  return img;
}

void BM_Memcpy256000(benchmark::State& state) {
  const qx::Image src = Photo();
  std::vector<qx::Pixel> dst(src.PixelCount());
  for (auto _ : state) {
    std::memcpy(dst.data(), src.Data(), src.ByteCount());
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(src.ByteCount()));
}
BENCHMARK(BM_Memcpy256000);

// The dialog's arguments: lens size 0.15, strength 75, a centre that walks
// along the lens's path so that clipped and whole discs both occur.
void BM_LensDialogFrame(benchmark::State& state) {
  qx::cPicEffect effect;
  effect.Bits(Photo());
  int frame = 0;
  for (auto _ : state) {
    const int x = (frame * 3) % 320, y = (frame * 2) % 200;
    qx::Image out = effect.Lens(static_cast<float>(x / 320.0),
                                static_cast<float>(y / 200.0), 0.15f, 75);
    benchmark::DoNotOptimize(out.Data());
    ++frame;
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 256000);
}
BENCHMARK(BM_LensDialogFrame);

// The lens centred in the picture: the whole disc of 5,400 offsets is drawn.
void BM_LensCentred(benchmark::State& state) {
  qx::cPicEffect effect;
  effect.Bits(Photo());
  for (auto _ : state) {
    qx::Image out = effect.Lens(0.5f, 0.5f, 0.15f, 75);
    benchmark::DoNotOptimize(out.Data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 256000);
}
BENCHMARK(BM_LensCentred);

}  // namespace

BENCHMARK_MAIN();
