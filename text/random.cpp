// The program's random source: a 15-bit linear congruential generator.
#include <bit>
#include <climits>

#include "platform/clock/clock.h"
#include "text/text.h"

namespace {

std::uint32_t state = 1;
std::uint32_t seedAccumulator = 0;

// Next 15-bit output (0..32767).
std::uint32_t NextBits() {
  state = state * 214013u + 2531011u;
  return (state >> 16) & 0x7FFF;
}

// Uniform draw from 0..values-1 for values >= 1: enough 15-bit outputs to cover the span, the
// excess bits masked off, and draws past the end thrown back so no value is favoured.
std::uint32_t UniformBelow(std::uint32_t values) {
  const int bits = std::bit_width(values - 1);
  const std::uint64_t mask = (std::uint64_t{1} << bits) - 1;
  for (;;) {
    std::uint64_t draw = 0;
    for (int have = 0; have < bits; have += 15) draw = (draw << 15) | NextBits();
    draw &= mask;
    if (draw < values) return static_cast<std::uint32_t>(draw);
  }
}

}  // namespace

void SeedRandom(std::optional<int> seed) {
  if (seed) {
    state = static_cast<std::uint32_t>(*seed);
    return;
  }
  std::uint32_t sum = GetTickCount() + seedAccumulator;
  state = sum;
  seedAccumulator += sum % 256 + 100;
}

int RandomInRange(std::optional<int> lo, std::optional<int> hi) {
  int low = std::max(lo.value_or(0), 0);
  int high = std::max(hi.value_or(INT_MAX), 0);
  if (low > high) std::swap(low, high);
  if (low == high) return low;
  std::uint32_t span = std::min<std::uint32_t>(high - low, INT_MAX - 1);
  return low + static_cast<int>(UniformBelow(span + 1));
}
