#include "saver/effects/phaser_flare.h"

#include "platform/paths.h"

namespace ironwood {

bool PhaserFlarePool::Load(const std::string& installation, std::string* why) {
  return texture_.LoadBmp(true,
                          platform::InstallationFile(installation, "Gfx", "PhaserFlareColor.bmp"),
                          platform::InstallationFile(installation, "Gfx", "PhaserFlare.bmp"), why);
}

}  // namespace ironwood
