#include "saver/render/weapon_step.h"

#include "platform/clock.h"
#include "saver/core/frame_split.h"
#include "saver/battle/battle_effects.h"
#include "saver/battle/fire_control.h"
#include "saver/battle/roster.h"
#include "saver/battle/ship.h"
#include "saver/battle/ship_class.h"
#include "saver/render/ship_passes.h"

namespace ironwood {

namespace {

void RunWeaponStep(Ship& ship, BattleEffects& effects, float beamScroll, bool drawBeams) {
  // A ship outside any battle's rosters has no one to fire at, but its weapons still cool.
  static const Roster kNoOpponents;
  const Roster& opponents = ship.GetRoster() != nullptr ? *ship.GetRoster() : kNoOpponents;
  {
    SimulationSpan simulation;
    PhaserFireControl(ship, opponents, effects);
    TorpedoFireControl(ship, opponents, effects);
  }
  if (ship.IsDead() || !ship.HullPresent()) return;

  for (WeaponState& phaser : ship.Phasers()) {
    if (!phaser.firing) continue;
    // Drawn before the drain: a phaser that runs empty this frame still shows its beam.
    if (drawBeams) DrawPhaserBeam(ship, phaser, beamScroll);
    DrainPhaserCharge(phaser, platform::TimeMilliseconds());
  }
  RefreshPhaserTimes(ship, platform::TimeMilliseconds());
}

}  // namespace

void WeaponStep(Ship& ship, BattleEffects& effects, float beamScroll) {
  RunWeaponStep(ship, effects, beamScroll, true);
}

void PhaserPass(const ShipClass& shipClass, BattleEffects& effects, float beamScroll,
                bool drawBeams) {
  const bool beams = drawBeams && effects.textures != nullptr &&
                     PhaserPassSetup(shipClass, effects.caps, *effects.textures);
  for (int i = 0; i < shipClass.shipCount(); ++i) {
    if (Ship* ship = shipClass.ships()[i]; ship != nullptr) {
      RunWeaponStep(*ship, effects, beamScroll, beams);
    }
  }
}

}  // namespace ironwood
