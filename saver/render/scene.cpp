#include "saver/render/scene.h"

#include "glapi/gl_table.h"
#include "saver/core/random.h"

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
  // The sky turns with the camera but never moves with it.
  background_.Draw(assets_.sky, assets_.starTunnel, tunnelFade_, use3DCameraView,
                   [this] { camera_.Apply(false, true, false, false); }, settings_.caps, pool);
  assets_.lensFlare.UpdateProjection([this] { camera_.ApplyFull(false); }, projection);
  assets_.lensFlare.Draw(tunnelFade_, settings_.load.width, settings_.load.height,
                         assets_.uniBillboard.meshes.front(), settings_.caps, pool);
  if (use3DCameraView && tunnelFade_ <= 0) ChooseFocusAndCamera();
  // While the followed ship is in the tunnel the battle waits and only that ship is seen; then
  // every ship moves.
  if (use3DCameraView && tunnelFade_ > 0) {
    if (battle_ != nullptr && battle_->FocusShip() != nullptr) {
      const std::array<float, 3> eye = camera_.EyeOffset();
      battle_->FocusShip()->UpdateVisibility(Vector3(eye[0], eye[1], eye[2]));
    }
  } else {
    UpdateShips();
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

void Scene::UpdateShips() {
  if (battle_ == nullptr) return;
  const std::array<float, 3> eye = camera_.EyeOffset();
  const Vector3 eyeOffset(eye[0], eye[1], eye[2]);
  // Alliance 1 in list order, then alliance 2; each ship's hull pass will follow its alliance.
  for (const int alliance : {1, 2}) {
    for (int i = 0; i < battle_->ShipCount(alliance); ++i) battle_->ShipAt(alliance, i)->Update(eyeOffset);
  }
  if (shipsObserver_) shipsObserver_(*battle_);
}

void Scene::FinishFrame() {
  if (battle_ && loaded_) battle_->EndOfBattle();
}

}  // namespace ironwood
