#include "saver/render/scene.h"

#include <algorithm>
#include <cmath>

#include "glapi/gl_table.h"
#include "platform/clock.h"
#include "saver/battle/ship_death.h"
#include "saver/core/frame_split.h"
#include "saver/core/random.h"
#include "saver/render/ship_passes.h"
#include "saver/render/weapon_step.h"

namespace ironwood {

namespace {

// The per-frame steps (tunnel and beam scroll) were made for 60 frames a second; a frame of
// another length advances them in proportion, so a fast display does not race them.
constexpr double kReferenceFrameMilliseconds = 1000.0 / 60.0;
// A stall (the machine busy, a debugger) advances them by at most this many reference frames.
constexpr double kMaxFrameStep = 15.0;

}  // namespace

Scene::Scene(Settings settings, BattleManager* battle)
    : settings_(std::move(settings)), battle_(battle) {
  if (battle_ == nullptr) return;
  // Every battle start puts the camera back into the battle orbit round the new focus ship.
  battle_->SetCameraReset([this](float distance, bool use3D) {
    camera_.Reset(distance, use3D);
    camera_.SetMode(Camera::kBattleOrbit, battle_->FocusShip());
  });
  battle_->SetCameraFollow([this](Ship* focus) {
    camera_.SetMode(Camera::kBattleOrbit, focus);
    camera_.SetLookAt(0, 0, 0);
  });
}

Scene::~Scene() {
  // The manager may outlive the scene: it must not call into a camera that is gone.
  if (battle_ == nullptr) return;
  battle_->SetCameraReset(nullptr);
  battle_->SetCameraFollow(nullptr);
}

bool Scene::Load(const LogSink& log) {
  loaded_ = LoadAssociatedFiles(settings_.load, log, battle_, &assets_);
  if (!loaded_) return false;
  effects_.explosions = &assets_.explosions;
  effects_.sparks = &assets_.sparks;
  effects_.debris = &assets_.debris;
  effects_.phaserFlares = &assets_.phaserFlares;
  effects_.uniBillboard =
      assets_.uniBillboard.meshes.empty() ? nullptr : &assets_.uniBillboard.meshes.front();
  effects_.triBillboard =
      assets_.triBillboard.meshes.empty() ? nullptr : &assets_.triBillboard.meshes.front();
  effects_.camera = &camera_;
  effects_.caps = settings_.caps;
  effects_.tally = &tally_;
  assets_.phaserFlares.SetMesh(effects_.uniBillboard);
  return true;
}

float Scene::FrameStep() {
  const std::uint32_t now = platform::TimeMilliseconds();
  double step = 1.0;
  if (anyFrame_) {
    step = std::clamp(static_cast<double>(now - lastFrameTime_) / kReferenceFrameMilliseconds,
                      0.0, kMaxFrameStep);
  }
  anyFrame_ = true;
  lastFrameTime_ = now;
  return static_cast<float>(step);
}

void Scene::Resize(int width, int height) {
  settings_.load.width = width;
  settings_.load.height = height;
  assets_.titles.Place(width, height);
}

void Scene::Draw(const double projection[16], TextureNamePool& pool) {
  if (!loaded_) return;
  const float frameStep = FrameStep();
  tunnelFade_ = battle_ ? battle_->FocusTunnelFade() : 1.0f;
  const bool use3DCameraView = settings_.use3DCameraView;
  // The sky turns with the camera but never moves with it.
  background_.Draw(assets_.sky, assets_.starTunnel, tunnelFade_, use3DCameraView,
                   [this] { camera_.Apply(false, true, false, false); }, settings_.caps, pool,
                   frameStep);
  assets_.lensFlare.UpdateProjection([this] { camera_.ApplyFull(false); }, projection);
  assets_.lensFlare.Draw(tunnelFade_, settings_.load.width, settings_.load.height,
                         assets_.uniBillboard.meshes.front(), settings_.caps, pool);
  if (use3DCameraView && tunnelFade_ <= 0) ChooseFocusAndCamera();
  // While the followed ship is in the tunnel the battle waits and only that ship is seen.
  if (use3DCameraView && tunnelFade_ > 0) {
    DrawTunnelBranch(pool);
  } else {
    DrawBattleBranch(frameStep, projection, pool);
  }
  // The camera moves on once a frame, for the next picture; the matrix itself is not kept.
  gl.glPushMatrix();
  camera_.ApplyFull(true);
  gl.glPopMatrix();
  assets_.titles.DrawTitles(pool);
}

void Scene::ChooseFocusAndCamera() {
  if (battle_ == nullptr) return;
  battle_->ReplaceDeadFocusShip();
  Ship* focus = battle_->FocusShip();
  if (focus == nullptr) return;
  if (cameraChoice_.Elapsed() > 6000) {
    cameraChoice_.Reset();
    cameraChoice_.Elapsed();
    overview_ = RandomRange(0, 1000) > 500;
  }
  if (overview_) {
    const Vector3 at = focus->Position();
    camera_.SetLookAt(static_cast<float>(at.x()), static_cast<float>(at.y()),
                      static_cast<float>(at.z()));
    camera_.SetMode(Camera::kShipOrbit, focus);
  } else {
    camera_.SetMode(Camera::kFlyby, focus);
  }
}

void Scene::DrawTunnelBranch(TextureNamePool& pool) {
  gl.glPushMatrix();
  camera_.ApplyFull(false);
  if (battle_ != nullptr && battle_->FocusShip() != nullptr) {
    const std::array<float, 3> eye = camera_.EyeOffset();
    TunnelFocusDraw(*battle_->FocusShip(), Vector3(eye[0], eye[1], eye[2]), settings_.caps,
                    pool);
  }
  gl.glPopMatrix();
}

// Alliance 1 in list order, then alliance 2.
template <typename Each>
void Scene::ForEachShip(Each each) {
  for (const int alliance : {1, 2}) {
    for (int i = 0; i < battle_->ShipCount(alliance); ++i) each(*battle_->ShipAt(alliance, i));
  }
}

void Scene::DrawBattleBranch(float frameStep, const double projection[16], TextureNamePool& pool) {
  if (battle_ == nullptr) return;
  effects_.textures = &pool;
  effects_.soundEffects = battle_->services().soundEffects;
  const MeshDrawCaps& caps = settings_.caps;

  // Ships move, then their hulls are drawn, alliance by alliance.
  gl.glPushMatrix();
  camera_.ApplyFull(false);
  const std::array<float, 3> eye = camera_.EyeOffset();
  const Vector3 eyeOffset(eye[0], eye[1], eye[2]);
  const bool shipPasses = settings_.shipPasses;
  // What the camera sees this frame: ships wholly outside it are not drawn.
  double modelview[16];
  gl.glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
  const ViewVolume view = ViewVolume::FromMatrices(projection, modelview);
  for (const int alliance : {1, 2}) {
    {
      SimulationSpan simulation;
      battle_->UpdateShips(alliance, eyeOffset);
    }
    if (!shipPasses) continue;
    for (int c = 0; c < battle_->ClassCount(alliance); ++c) {
      HullPass(*battle_->Class(alliance, c), caps, pool, view);
    }
  }
  if (shipsObserver_) shipsObserver_(*battle_);
  gl.glPopMatrix();

  // Everything else is blended, seen from both sides, and mostly leaves the depth buffer alone.
  gl.glPushMatrix();
  camera_.ApplyFull(false);
  gl.glEnable(GL_BLEND);
  gl.glDisable(GL_CULL_FACE);
  {
    SimulationSpan simulation;
    assets_.debris.UpdateDebris(assets_.explosions, effects_.uniBillboard);
  }
  assets_.debris.DrawDebris(caps, pool);
  gl.glDepthMask(GL_FALSE);
  // Only the fraction of a texture offset shows; kept below 1 it keeps its precision over a
  // night's run.
  beamScroll_ = std::fmod(beamScroll_ + 0.1f * frameStep, 1.0f);
  {
    SimulationSpan simulation;
    battle_->BeginWeapons();
  }
  for (const int alliance : {1, 2}) {
    for (int c = 0; c < battle_->ClassCount(alliance); ++c) {
      PhaserPass(*battle_->Class(alliance, c), effects_, beamScroll_, shipPasses);
    }
  }
  battle_->EndWeapons();
  gl.glDisableClientState(GL_NORMAL_ARRAY);
  gl.glDisableClientState(GL_VERTEX_ARRAY);
  gl.glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  for (const int alliance : {1, 2}) {
    for (int c = 0; c < battle_->ClassCount(alliance); ++c) {
      ShieldPassForClass(*battle_->Class(alliance, c), caps, pool, shipPasses, view);
    }
  }
  gl.glEnableClientState(GL_NORMAL_ARRAY);
  gl.glEnableClientState(GL_VERTEX_ARRAY);
  gl.glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  gl.glColor4f(1, 1, 1, 1);
  assets_.phaserFlares.DrawAndClear(caps, pool);
  assets_.explosions.DrawExplosions(eye, caps, pool, view);
  for (const int alliance : {1, 2}) {
    for (int c = 0; c < battle_->ClassCount(alliance); ++c) {
      ShipClass& shipClass = *battle_->Class(alliance, c);
      {
        SimulationSpan simulation;
        shipClass.torpedoes().Update(effects_);
      }
      shipClass.torpedoes().Draw(shipClass.torpedoModel(), shipClass.torpedoTexture(), caps,
                                 pool, view);
    }
  }
  assets_.sparks.DrawSparks();
  {
    SimulationSpan simulation;
    ForEachShip([this](Ship& ship) { DeathBurst(ship, effects_); });
  }
  if (caps.multitexture) gl.glActiveTextureARB(GL_TEXTURE0_ARB);
  bool bound = false;
  ForEachShip([&](Ship& ship) { DrawShockWave(ship, bound, effects_); });
  gl.glDisable(GL_DEPTH_TEST);
  bound = false;
  ForEachShip([&](Ship& ship) { DeathFlare(ship, bound, effects_); });
  gl.glEnable(GL_DEPTH_TEST);
  gl.glEnable(GL_CULL_FACE);
  gl.glDisable(GL_BLEND);
  gl.glDepthMask(GL_TRUE);
  gl.glPopMatrix();
}

void Scene::FinishFrame() {
  if (battle_ && loaded_) battle_->EndOfBattle();
}

}  // namespace ironwood
