#pragma once

// What the battle needs besides the battle itself: billboard, background, tunnel and debris
// models, the sky box, title overlays, lens flare and the effect images and pools, loaded in the
// start-up order with one log line per step.

#include <string>

#include "saver/assets/ase_model.h"
#include "saver/render/sky_box.h"
#include "saver/render/title_overlays.h"
#include "saver/battle/battle_manager.h"
#include "saver/effects/debris.h"
#include "saver/effects/explosions.h"
#include "saver/effects/lens_flare.h"
#include "saver/effects/phaser_flare.h"
#include "saver/core/log_sink.h"

namespace ironwood {

struct SceneAssets {
  AseModel uniBillboard;
  AseModel triBillboard;
  PhaserFlarePool phaserFlares;
  SkyBox sky;  // with the "Background.ase" model
  TitleOverlays titles;
  LensFlare lensFlare;
  ExplosionSystem explosions;
  SparkSystem sparks;
  DebrisSystem debris;
  AseModel starTunnel;
};

struct LoadSettings {
  std::string installation;  // ends with a separator
  bool compressedTextures = false;
  int width = 0;   // the screen the overlays and flare are laid out for
  int height = 0;
};

// With a battle manager, first its scenario catalogue ("Attempting to initalize scenario
// files...") and the first battle ("Attempting to Load First Scenario File..."). Then loads the
// files associated with the battle, writing "    Attempting ..." before each step
// and "Success\n" or "Failed\n" after it, between the "BEGIN LOADING ASSOCIATED FILES" and
// "END LOADING ASSOCIATED FILES" headings, then the tunnel model and the death-effect images
// (which may be missing). Stops at the first failed step. A failed step is followed by one
// indented line saying why; what a successful step had to leave out (an unusable object, a map
// that did not load) follows it the same way.
bool LoadAssociatedFiles(const LoadSettings& settings, const LogSink& log,
                         BattleManager* battle, SceneAssets* assets);

}  // namespace ironwood
