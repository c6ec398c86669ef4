#include "saver/core/random.h"

namespace ironwood {

RandomGenerator& SaverRandom() {
  static RandomGenerator generator;
  return generator;
}

void SeedSaverRandom(std::uint32_t secondsSinceEpoch) {
  RandomGenerator& generator = SaverRandom();
  generator.Seed(secondsSinceEpoch);
  for (int i = 0; i < 3; ++i) generator.Next();
}

int RandomRange(RandomGenerator& generator, int a, int b) {
  const int r = generator.Next();
  // The span is taken in double precision so that far-apart bounds cannot overflow; for a == b
  // the scale is infinite and r / q is 0, which gives a.
  const double q = 32768.0 / (static_cast<double>(b) - static_cast<double>(a));
  const double v = r / q + a;
  // v lies between a and b (inclusive) for every r, so the truncation stays within int range.
  int result = static_cast<int>(v);
  if (result > b) {
    result = b;
  } else if (result < a) {
    result = a;
  }
  return result;
}

int RandomRange(int a, int b) {
  return RandomRange(SaverRandom(), a, b);
}

}  // namespace ironwood
