#include "common/random.h"

#include <cstring>

namespace qx {

namespace {

// splitmix64 finaliser: spreads every seed bit over the whole state.
uint64_t Mix(uint64_t z) {
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

}  // namespace

float Random::Next() {
  // splitmix64 step: full period 2^64, passes the usual statistical batteries.
  state_ += 0x9E3779B97F4A7C15ULL;
  const uint64_t bits = Mix(state_);
  return static_cast<float>(bits >> 40) * (1.0f / 16777216.0f);
}

void Random::Reseed(float seed) {
  uint32_t raw;
  std::memcpy(&raw, &seed, sizeof raw);
  state_ = Mix(kInitialState ^ (static_cast<uint64_t>(raw) << 1));
}

}  // namespace qx
