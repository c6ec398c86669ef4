#include "tests/fuzz/fuzz_support.h"

namespace ironwood::fuzz {

const std::vector<Target>& Targets() {
  static const std::vector<Target> targets = {
      {"bmp", Bmp},           {"embedded_texture", EmbeddedTexture},
      {"dds", Dds},           {"ase", Ase},
      {"plugin", Plugin},     {"scenario", Scenario},
      {"lens_flare", LensFlare}, {"wave", Wave},
      {"reg_text", RegText},  {"description", Description},
      {"model_import", ModelImport},
  };
  return targets;
}

}  // namespace ironwood::fuzz
