#pragma once

#include <cstdint>

namespace ironwood {

// What the weapons did in the running battle, for the battle statistics of offscreen runs.
struct BattleTally {
  std::uint64_t torpedoesLaunched = 0;
  std::uint64_t torpedoHits = 0;  // on a shield or on a hull
  std::uint64_t phaserHitMilliseconds = 0;  // beam time on targets, summed over phasers
};

}  // namespace ironwood
