#pragma once

// The weapons' turn in the frame: each ship's fire control, then its phaser beams. It runs
// inside the phaser pass, right where the beams are drawn, so every ship aims and fires exactly
// once a frame, class by class.

namespace ironwood {

class Ship;
class ShipClass;
struct BattleEffects;

// Phaser, then torpedo fire control against the ship's enemies; then, for a ship still alive
// with its hull, every firing phaser's beam, each draining its charge, and every phaser brought
// up to now. The beams draw from the arrays PhaserPassSetup set for the ship's class.
void WeaponStep(Ship& ship, BattleEffects& effects, float beamScroll);

// The class's beam mesh and image once, then the weapon step of every ship of its list. A class
// without beams still fires (its phasers draining as if drawn); it only draws nothing. The frame
// benchmark turns `drawBeams` off to time the frame without the ship passes; the weapons fire
// and drain all the same.
void PhaserPass(const ShipClass& shipClass, BattleEffects& effects, float beamScroll,
                bool drawBeams = true);

}  // namespace ironwood
