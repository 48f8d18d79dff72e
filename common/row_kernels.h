// The inner loops of the raster operations: one row of pixels at a time.
// Each has a plain scalar form, an SSE2 form (every x86-64 processor has it)
// and an AVX2 form that is used only when the processor and the system
// support it. The best available form is picked once, at start-up.
#pragma once

#include <cstddef>

#include "common/image.h"

namespace qx {

enum class SimdLevel { kScalar = 0, kSse2 = 1, kAvx2 = 2 };

// The best level this processor supports.
SimdLevel BestSimdLevel();
// The level the row loops use now.
SimdLevel ActiveSimdLevel();
// Makes the row loops use `level`, or the best supported level below it.
// Returns the level now in use. Tests use it to check every form.
SimdLevel UseSimdLevel(SimdLevel level);

// d[i] = color for i in [0, n).
void FillRow(Pixel* d, size_t n, Pixel color);
// d[i] |= s[i] for i in [0, n); the two rows do not overlap.
void OrRow(Pixel* d, const Pixel* s, size_t n);

}  // namespace qx
