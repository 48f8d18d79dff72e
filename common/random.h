// The program's uniform random generator: 32-bit floats in [0, 1), starting
// from the same fixed state in every process so that a scene built before the
// first reseed is the same at every start, and reseedable from a number.
#pragma once

#include <cstdint>

namespace qx {

class Random {
 public:
  Random() = default;

  // Next value: a multiple of 2^-24 in [0, 1), exact as a 32-bit float.
  float Next();

  // Restarts the sequence from a state derived from `seed` (the saver passes
  // the seconds since midnight). Equal seeds give equal sequences.
  void Reseed(float seed);

 private:
  static constexpr uint64_t kInitialState = 0x853C49E6748FEA9BULL;
  uint64_t state_ = kInitialState;
};

}  // namespace qx
