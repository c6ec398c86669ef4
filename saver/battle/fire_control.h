#pragma once

// Every ship's weapons, once a frame: which phaser fires at whom and what the beam does on the
// shield or the hull, which launcher sends a torpedo, and how the weapons cool and reload. The
// phaser pass of the frame calls the fire control for each ship right before drawing its beams.

#include <cstdint>
#include <vector>

#include "saver/battle/battle_effects.h"

namespace ironwood {

class Roster;
class Ship;
class ShipGrid;
struct WeaponState;

// Phasers reach ten times the ship's radius, but never less than 18 units.
float PhaserRange(float radius);

// Aims and fires every phaser of `ship` at the first opponent in range and arc, damaging its
// shield or hull, and starts or stops the ship's phaser sound.
void PhaserFireControl(Ship& ship, const Roster& opponents, BattleEffects& effects);

// Launches from every ready launcher at the first opponent whose lead point is in reach and arc,
// and reloads the others.
void TorpedoFireControl(Ship& ship, const Roster& opponents, BattleEffects& effects);

// Indexes the opponents' lines of flight in their grid (which must be exact) for the torpedo
// search of `launchers`, every one of whom is in the box from `low` to `high`.
void IndexFlightLines(ShipGrid& opponents, const double low[3], const double high[3],
                      const std::vector<Ship*>& launchers);

// While a beam is drawn its charge drains by a random amount for the time since the phaser's
// last update (never below 0).
void DrainPhaserCharge(WeaponState& phaser, std::uint32_t now);

// After the beams are drawn every phaser of the ship, firing or not, is brought up to now.
void RefreshPhaserTimes(Ship& ship, std::uint32_t now);

}  // namespace ironwood
