#include "saver/render/scene.h"

namespace ironwood {

bool Scene::Load(const LogSink& log) {
  loaded_ = LoadAssociatedFiles(settings_.load, log, battle_, &assets_);
  return loaded_;
}

void Scene::Draw(const double projection[16], TextureNamePool& pool) {
  if (!loaded_) return;
  // Until the camera and the ship passes exist, the view is the camera's starting one (no turn).
  tunnelFade_ = battle_ ? battle_->FocusTunnelFade() : 1.0f;
  const bool use3DCameraView = settings_.use3DCameraView;
  if (battle_ && use3DCameraView && tunnelFade_ <= 0) battle_->ReplaceDeadFocusShip();
  const auto camera = [] {};
  background_.Draw(assets_.sky, assets_.starTunnel, tunnelFade_, use3DCameraView, camera,
                   settings_.caps, pool);
  assets_.lensFlare.UpdateProjection(camera, projection);
  assets_.lensFlare.Draw(tunnelFade_, settings_.load.width, settings_.load.height,
                         assets_.uniBillboard.meshes.front(), settings_.caps, pool);
  assets_.titles.DrawTitles(pool);
}

void Scene::FinishFrame() {
  if (battle_ && loaded_) battle_->EndOfBattle();
}

}  // namespace ironwood
