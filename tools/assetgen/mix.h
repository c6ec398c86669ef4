#pragma once

#include <cstdint>

namespace ironwood::assetgen {

// The finishing rounds of our integer hash: every input bit reaches every output bit. Images and
// sounds draw all their "randomness" from it, so the same inputs give the same files anywhere.
inline std::uint32_t Mix32(std::uint32_t x) {
  x ^= x >> 16;
  x *= 0x7FEB352Du;
  x ^= x >> 15;
  x *= 0x846CA68Bu;
  x ^= x >> 16;
  return x;
}

}  // namespace ironwood::assetgen
