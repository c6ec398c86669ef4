#pragma once

// The decision step every ship runs once a frame before it flies: pick an enemy and chase it,
// break away when too close (or now and then at random), return when it strays from the battle,
// and keep its distance from the ships around it. Its only output is the flight model's goal.

#include "saver/core/random.h"
#include "saver/core/vector3.h"

namespace ironwood {

class Ship;

// The arena's radius around the battle centre: wider when the moving camera shows the battle.
inline constexpr double kArenaRadius3DCamera = 170.0;
inline constexpr double kArenaRadiusFixedCamera = 80.0;

// One decision step for `ship` (its `ShipAI` record, its flight model and its roster), with the
// battle centre and the arena radius. Random draws come from `random` in a fixed order (target
// pick, then the break-off draw, then the return draw). The break-off and return are tried once
// for each 16 ms since the ship's previous step (once at its first), so the odds are the same
// at any frame rate. A state change (break off, return)
// steers from the following frame; in the frame of the change the ship keeps its last goal.
void RunShipAI(Ship& ship, const Vector3& centre, double arenaRadius,
               RandomGenerator& random = SaverRandom());

}  // namespace ironwood
