#pragma once

// The start of every frame: the sky box turned with the camera but never moved by it, and, while
// the followed ship is still in its warp-in, the star tunnel around it.

#include <functional>

#include "saver/assets/ase_model.h"
#include "saver/assets/mesh_drawing.h"
#include "saver/render/sky_box.h"
#include "saver/assets/texture.h"

namespace ironwood {

class BackgroundPass {
 public:
  // `applyRotation` multiplies the camera's rotation (no translation) onto the modelview matrix.
  // `tunnelFade` is the frame's tunnel fade: the tunnel is drawn only with the 3D camera view on
  // and the fade above 0, squeezed along its axis by the fade and as transparent as it.
  // `frameStep` is the frame's length in 60 Hz frames: the tunnel scrolls by 0.0075 x fade x
  // frameStep.
  void Draw(SkyBox& sky, AseModel& tunnel, float tunnelFade, bool use3DCameraView,
            const std::function<void()>& applyRotation, const MeshDrawCaps& caps,
            TextureNamePool& pool, float frameStep = 1.0f);

  // The tunnel texture's offset along the tube, advanced by 0.0075 x fade each 60 Hz frame and
  // wrapped into (0, 1].
  float tunnelScroll() const { return tunnelScroll_; }
  void SetTunnelScroll(float scroll) { tunnelScroll_ = scroll; }

 private:
  float tunnelScroll_ = 0;
};

}  // namespace ironwood
