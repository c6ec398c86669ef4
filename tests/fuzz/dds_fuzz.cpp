// S3TC-compressed DDS files as the sky box reads them, then uploaded. Input: the file.

#include "saver/assets/texture.h"
#include "tests/fuzz/fuzz_support.h"

namespace ironwood::fuzz {

void Dds(const std::uint8_t* data, std::size_t size) {
  NullGlScope nullGl;
  TextureNamePool pool(true);
  Texture texture;
  std::string why;
  if (!texture.DecodeDds(data, size, &why)) {
    Check(!why.empty(), "a refused DDS gives a reason");
    Check(texture.compressedLevelCount() == 0, "a refused DDS changes nothing");
    return;
  }
  const int w = texture.width(), h = texture.height();
  Check(w >= 1 && w <= Texture::kMaxDdsSide && h >= 1 && h <= Texture::kMaxDdsSide,
        "DDS sides within 1..4096");
  Check(texture.compressedLevelCount() >= 1, "a DDS keeps at least its first level");
  std::size_t total = 0;
  for (int i = 0; i < texture.compressedLevelCount(); ++i) {
    total += texture.compressedLevel(i).size();
  }
  Check(total + 128 <= size, "the kept blocks come from the file");
  texture.Bind(pool);
}

}  // namespace ironwood::fuzz

IRONWOOD_FUZZ_ENTRY(Dds)
