#include "saver/render/scene.h"

#include "glapi/gl_table.h"

namespace ironwood {

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
  return loaded_;
}

void Scene::Draw(const double projection[16], TextureNamePool& pool) {
  if (!loaded_) return;
  tunnelFade_ = battle_ ? battle_->FocusTunnelFade() : 1.0f;
  const bool use3DCameraView = settings_.use3DCameraView;
  if (battle_ && use3DCameraView && tunnelFade_ <= 0) battle_->ReplaceDeadFocusShip();
  // The sky turns with the camera but never moves with it.
  background_.Draw(assets_.sky, assets_.starTunnel, tunnelFade_, use3DCameraView,
                   [this] { camera_.Apply(false, true, false, false); }, settings_.caps, pool);
  assets_.lensFlare.UpdateProjection([this] { camera_.ApplyFull(false); }, projection);
  assets_.lensFlare.Draw(tunnelFade_, settings_.load.width, settings_.load.height,
                         assets_.uniBillboard.meshes.front(), settings_.caps, pool);
  // The camera moves on once a frame, for the next picture; the matrix itself is not kept.
  gl.glPushMatrix();
  camera_.ApplyFull(true);
  gl.glPopMatrix();
  assets_.titles.DrawTitles(pool);
}

void Scene::FinishFrame() {
  if (battle_ && loaded_) battle_->EndOfBattle();
}

}  // namespace ironwood
