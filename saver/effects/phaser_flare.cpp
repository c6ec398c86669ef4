#include "saver/effects/phaser_flare.h"

#include "glapi/gl_table.h"
#include "platform/paths.h"
#include "saver/core/random.h"

namespace ironwood {

bool PhaserFlarePool::Load(const std::string& installation, std::string* why) {
  return texture_.LoadBmp(true,
                          platform::InstallationFile(installation, "Gfx", "PhaserFlareColor.bmp"),
                          platform::InstallationFile(installation, "Gfx", "PhaserFlare.bmp"), why);
}

void PhaserFlarePool::Add(const Vector3& view, const Vector3& position) {
  if (lastUsed_ + 1 >= kPerFrame) return;
  BillboardInstance& flare = flares_[static_cast<std::size_t>(++lastUsed_)];
  flare = BillboardInstance{};
  flare.mesh = mesh_;
  flare.placement[0] = static_cast<float>(position.x());
  flare.placement[1] = static_cast<float>(position.y());
  flare.placement[2] = static_cast<float>(position.z());
  SetBillboardDirection(flare, view);
  flare.scale = {kScale, kScale, kScale};
  flare.roll = static_cast<float>(RandomRange(0, 360));
}

void PhaserFlarePool::DrawAndClear(const MeshDrawCaps& caps, TextureNamePool& pool) {
  if (lastUsed_ >= 0) {
    if (caps.multitexture && gl.glActiveTextureARB != nullptr) {
      gl.glActiveTextureARB(GL_TEXTURE0_ARB);
    }
    texture_.Bind(pool);
    BillboardRun run(caps);
    for (int slot = lastUsed_; slot >= 0; --slot) run.Draw(flares_[static_cast<std::size_t>(slot)]);
  }
  lastUsed_ = -1;
}

}  // namespace ironwood
