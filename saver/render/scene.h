#pragma once

// What every frame draws, and the files it needs: the scenery and effect images loaded in the
// start-up order, the passes that draw them, and the battle they show. The shell owns the window,
// the loop and the order of start-up and shutdown; the frame itself is composed here.

#include <functional>

#include "saver/assets/mesh_drawing.h"
#include "saver/assets/texture.h"
#include "saver/battle/battle_effects.h"
#include "saver/battle/battle_manager.h"
#include "saver/battle/battle_tally.h"
#include "saver/battle/camera.h"
#include "saver/core/elapsed_timer.h"
#include "saver/core/log_sink.h"
#include "saver/render/background_pass.h"
#include "saver/render/scene_loading.h"

namespace ironwood {

class Scene {
 public:
  struct Settings {
    LoadSettings load;
    bool use3DCameraView = false;
    MeshDrawCaps caps;
    // Off only in the frame benchmark, to time the frame without the ship passes: no hulls,
    // beams or shields are drawn, while the ships fly, fire and their shields fade as ever.
    bool shipPasses = true;
  };

  // `battle` is the running battle, owned by the caller and outliving the scene; none draws
  // the scenery alone. The scene's camera follows every battle the manager starts.
  Scene(Settings settings, BattleManager* battle);
  ~Scene();
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  // The load list (the battle's catalogue and first battle, then every associated file), one log
  // line a step; false at the first failed step, and the scene then draws nothing.
  bool Load(const LogSink& log);
  bool Loaded() const { return loaded_; }

  // One frame's picture into the back buffer, and the battle's step: sky, the tunnel while the
  // followed ship warps in, the lens flare as the tunnel fades, the focus and camera choice; then
  // either the followed ship alone in its tunnel, or the battle: every ship's update and hull,
  // debris, weapons and beams, shields, flares, explosions, torpedoes, sparks and the dying
  // ships' effects; the camera's advance and the title overlays. `projection` is the projection
  // saved after OpenGL started.
  void Draw(const double projection[16], TextureNamePool& pool);

  // The picture took a new size (its window was resized): the lens flare and the title overlays
  // are placed for it from the next frame on.
  void Resize(int width, int height);

  // Called after each frame's ship updates (tests, the flight recorder).
  using ShipsObserver = std::function<void(const BattleManager& battle)>;
  void SetShipsObserver(ShipsObserver observer) { shipsObserver_ = std::move(observer); }
  // After the picture is presented: a battle whose one side is gone gives way to the next
  // scenario's, drawn from the next frame.
  void FinishFrame();

  // This frame's tunnel fade (1 before the first frame); the focus key acts only at 0.
  float TunnelFade() const { return tunnelFade_; }
  SceneAssets& Assets() { return assets_; }
  // What the weapons have done since the scene was made.
  const BattleTally& Tally() const { return tally_; }
  Camera& GetCamera() { return camera_; }

 private:
  Settings settings_;
  BattleManager* battle_;
  SceneAssets assets_;
  Camera camera_;
  BackgroundPass background_;
  void ChooseFocusAndCamera();
  void DrawTunnelBranch(TextureNamePool& pool);
  // `projection`: the battle's, as the renderer set it.
  void DrawBattleBranch(float frameStep, const double projection[16], TextureNamePool& pool);
  // The frame's length against a 60 Hz frame, for what advances a fixed amount a frame there.
  float FrameStep();
  template <typename Each>
  void ForEachShip(Each each);

  BattleEffects effects_;
  float tunnelFade_ = 1.0f;
  float beamScroll_ = 0.0f;
  std::uint32_t lastFrameTime_ = 0;
  bool anyFrame_ = false;
  bool loaded_ = false;
  // Every six seconds the camera picks between the overview and the chase of the focus ship.
  ElapsedTimer cameraChoice_;
  bool overview_ = false;
  ShipsObserver shipsObserver_;
  BattleTally tally_;
};

}  // namespace ironwood
