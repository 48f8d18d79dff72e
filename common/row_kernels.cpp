#include "common/row_kernels.h"

#include <atomic>
#include <cstring>

#if defined(__x86_64__) || defined(_M_X64)
#define QX_X86_64 1
#include <immintrin.h>
#if defined(_MSC_VER) && !defined(__clang__)
#include <intrin.h>
#define QX_TARGET_AVX2
#else
#define QX_TARGET_AVX2 __attribute__((target("avx2")))
#endif
#endif

namespace qx {

namespace {

void FillRowScalar(Pixel* d, size_t n, Pixel color) {
  for (size_t i = 0; i < n; ++i) d[i] = color;
}

void OrRowScalar(Pixel* d, const Pixel* s, size_t n) {
  for (size_t i = 0; i < n; ++i) d[i] |= s[i];
}

#if QX_X86_64

void FillRowSse2(Pixel* d, size_t n, Pixel color) {
  const __m128i v = _mm_set1_epi32(static_cast<int>(color));
  size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), v);
  }
  for (; i < n; ++i) d[i] = color;
}

void OrRowSse2(Pixel* d, const Pixel* s, size_t n) {
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    auto* dp = reinterpret_cast<__m128i*>(d + i);
    const auto* sp = reinterpret_cast<const __m128i*>(s + i);
    const __m128i a = _mm_or_si128(_mm_loadu_si128(dp), _mm_loadu_si128(sp));
    const __m128i b =
        _mm_or_si128(_mm_loadu_si128(dp + 1), _mm_loadu_si128(sp + 1));
    _mm_storeu_si128(dp, a);
    _mm_storeu_si128(dp + 1, b);
  }
  for (; i + 4 <= n; i += 4) {
    auto* dp = reinterpret_cast<__m128i*>(d + i);
    _mm_storeu_si128(dp, _mm_or_si128(_mm_loadu_si128(dp),
                                      _mm_loadu_si128(
                                          reinterpret_cast<const __m128i*>(s + i))));
  }
  for (; i < n; ++i) d[i] |= s[i];
}

QX_TARGET_AVX2 void FillRowAvx2(Pixel* d, size_t n, Pixel color) {
  const __m256i v = _mm256_set1_epi32(static_cast<int>(color));
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), v);
  }
  for (; i < n; ++i) d[i] = color;
}

QX_TARGET_AVX2 void OrRowAvx2(Pixel* d, const Pixel* s, size_t n) {
  size_t i = 0;
  for (; i + 16 <= n; i += 16) {
    auto* dp = reinterpret_cast<__m256i*>(d + i);
    const auto* sp = reinterpret_cast<const __m256i*>(s + i);
    const __m256i a =
        _mm256_or_si256(_mm256_loadu_si256(dp), _mm256_loadu_si256(sp));
    const __m256i b =
        _mm256_or_si256(_mm256_loadu_si256(dp + 1), _mm256_loadu_si256(sp + 1));
    _mm256_storeu_si256(dp, a);
    _mm256_storeu_si256(dp + 1, b);
  }
  for (; i + 8 <= n; i += 8) {
    auto* dp = reinterpret_cast<__m256i*>(d + i);
    _mm256_storeu_si256(
        dp, _mm256_or_si256(_mm256_loadu_si256(dp),
                            _mm256_loadu_si256(
                                reinterpret_cast<const __m256i*>(s + i))));
  }
  // The last 0 to 7 pixels: one SSE2 step and single pixels.
  for (; i + 4 <= n; i += 4) {
    auto* dp = reinterpret_cast<__m128i*>(d + i);
    _mm_storeu_si128(dp, _mm_or_si128(_mm_loadu_si128(dp),
                                      _mm_loadu_si128(
                                          reinterpret_cast<const __m128i*>(s + i))));
  }
  for (; i < n; ++i) d[i] |= s[i];
}

bool ProcessorHasAvx2() {
#if defined(_MSC_VER) && !defined(__clang__)
  int info[4];
  __cpuid(info, 0);
  if (info[0] < 7) return false;
  __cpuid(info, 1);
  const bool osxsave = (info[2] & (1 << 27)) != 0;
  const bool avx = (info[2] & (1 << 28)) != 0;
  if (!osxsave || !avx) return false;
  // The system must save the YMM registers on a task switch.
  if ((_xgetbv(0) & 0x6) != 0x6) return false;
  __cpuidex(info, 7, 0);
  return (info[1] & (1 << 5)) != 0;
#else
  // Checks the processor bit and the system's support for the YMM state.
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
#endif
}

#endif  // QX_X86_64

SimdLevel DetectBest() {
#if QX_X86_64
  return ProcessorHasAvx2() ? SimdLevel::kAvx2 : SimdLevel::kSse2;
#else
  return SimdLevel::kScalar;
#endif
}

const SimdLevel kBest = DetectBest();
std::atomic<SimdLevel> g_active{kBest};

}  // namespace

SimdLevel BestSimdLevel() { return kBest; }

SimdLevel ActiveSimdLevel() { return g_active.load(std::memory_order_relaxed); }

SimdLevel UseSimdLevel(SimdLevel level) {
  if (static_cast<int>(level) > static_cast<int>(kBest)) level = kBest;
  g_active.store(level, std::memory_order_relaxed);
  return level;
}

void FillRow(Pixel* d, size_t n, Pixel color) {
  // A colour whose four bytes are equal (black, white) is a byte fill.
  const Pixel low = color & 0xFF;
  if (color == low * 0x01010101u) {
    std::memset(d, static_cast<int>(low), n * sizeof(Pixel));
    return;
  }
  switch (ActiveSimdLevel()) {
#if QX_X86_64
    case SimdLevel::kAvx2:
      return FillRowAvx2(d, n, color);
    case SimdLevel::kSse2:
      return FillRowSse2(d, n, color);
#endif
    default:
      return FillRowScalar(d, n, color);
  }
}

void OrRow(Pixel* d, const Pixel* s, size_t n) {
  switch (ActiveSimdLevel()) {
#if QX_X86_64
    case SimdLevel::kAvx2:
      return OrRowAvx2(d, s, n);
    case SimdLevel::kSse2:
      return OrRowSse2(d, s, n);
#endif
    default:
      return OrRowScalar(d, s, n);
  }
}

}  // namespace qx
