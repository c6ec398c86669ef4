#pragma once

// The break-up of a ship whose damage has passed 100, called once a frame for every ship (each
// returns at once for an intact ship): the flash with its sound, the debris burst that ends the
// hull at 250 ms, the fireballs until 3500 ms when the ship is dead, and for about half the ships
// an expanding shock wave.

#include <cstdint>

#include "saver/battle/battle_effects.h"

namespace ironwood {

class Ship;

// The break-up's timings, from the first frame the damage passes 100.
inline constexpr std::uint32_t kDebrisBurstMilliseconds = 250;  // the hull goes after this
inline constexpr std::uint32_t kFlareMilliseconds = 500;        // flash and its sound
inline constexpr std::uint32_t kShockWaveMilliseconds = 2000;
inline constexpr std::uint32_t kDeathEndMilliseconds = 3500;  // then the ship is dead
// A ship torn apart by this much damage or more shows no shock wave.
inline constexpr float kShockWaveDamageLimit = 700.0f;
// The ship's sound that plays while it breaks up.
inline constexpr int kBreakUpSound = 3;

// Fireballs on the ship, rarer early on; past 3500 ms the ship is dead.
void DeathBurst(Ship& ship, BattleEffects& effects);

// The shock-wave disc, grown and faded over two seconds. `bound` is the frame's flag: the first
// ship that needs the texture binds it.
void DrawShockWave(Ship& ship, bool& bound, BattleEffects& effects);

// The pulsing flash of the first 500 ms with the break-up sound; at 250 ms it releases the
// debris burst.
void DeathFlare(Ship& ship, bool& bound, BattleEffects& effects);

// The ship's wreckage: truncate(radius + 5) fragments thrown along its travel; the hull is gone
// from then on.
void DebrisBurst(Ship& ship, BattleEffects& effects);

}  // namespace ironwood
