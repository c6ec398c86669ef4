#include "saver/effects/explosions.h"

#include <cstdio>

#include "platform/paths.h"

namespace ironwood {

bool ExplosionSystem::LoadExplosionMaps(const std::string& installation, std::string* why) {
  std::vector<Texture> frames(kFrameCount);
  for (int k = 0; k < kFrameCount; ++k) {
    char colour[32], opacity[32];
    std::snprintf(colour, sizeof colour, "Explosion%02dColor.bmp", k + 1);
    std::snprintf(opacity, sizeof opacity, "Explosion%02dAlpha.bmp", k + 1);
    if (!frames[k].LoadBmp(true, platform::InstallationFile(installation, "Gfx", colour),
                           platform::InstallationFile(installation, "Gfx", opacity), why)) {
      return false;
    }
  }
  frames_ = std::move(frames);
  pool_.assign(kInitialPool, Explosion{});
  return true;
}

void ExplosionSystem::LoadDeathImages(const std::string& installation) {
  auto file = [&](const char* name) {
    return platform::InstallationFile(installation, "Gfx", name);
  };
  explosionFlare_.LoadBmp(true, file("explosionflarecolor.bmp"), file("explosionflareopacity.bmp"));
  shockWave_.LoadBmp(true, file("ShockWaveColor.bmp"), file("ShockWaveOpacity.bmp"));
}

}  // namespace ironwood
