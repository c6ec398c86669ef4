#pragma once

#include <cstdint>

namespace ironwood {

// The C runtime's linear congruential generator, reproduced so that every platform and compiler
// draws the same sequence from the same seed: state = state * 214013 + 2531011 (mod 2^32),
// draw = (state >> 16) & 0x7FFF.
class RandomGenerator {
 public:
  static constexpr int kMax = 0x7FFF;

  void Seed(std::uint32_t seed) { state_ = seed; }
  int Next() {
    state_ = state_ * 214013u + 2531011u;
    return static_cast<int>((state_ >> 16) & 0x7FFFu);
  }

 private:
  std::uint32_t state_ = 1;  // the runtime's state before any seeding
};

// The saver's one generator, seeded once at start-up.
RandomGenerator& SaverRandom();

// Seeds the saver's generator from the calendar time in seconds and throws away three draws.
void SeedSaverRandom(std::uint32_t secondsSinceEpoch);

// A draw scaled from 0..32767 onto [a, b) and truncated toward zero, then clamped: above b
// gives b, below a gives a. For 0 <= a < b the result is a..b-1; RandomRange(a, a) is a.
int RandomRange(int a, int b);
int RandomRange(RandomGenerator& generator, int a, int b);

}  // namespace ironwood
