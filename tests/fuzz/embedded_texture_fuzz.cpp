// One embedded texture record (packed 4-byte header, then the pixels) read from a stream, as a
// plug-in's records are, then given levels and uploaded. Input: the record's bytes.

#include <sstream>

#include "saver/assets/texture.h"
#include "tests/fuzz/fuzz_support.h"

namespace ironwood::fuzz {

void EmbeddedTexture(const std::uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  NullGlScope nullGl;
  TextureNamePool pool;
  Texture texture;
  std::string why;
  if (!texture.ReadEmbedded(in, &why)) {
    Check(!why.empty(), "a refused record gives a reason");
    Check(texture.width() == 0 && texture.pixels().empty(), "a refused record changes nothing");
    return;
  }
  const int w = texture.width(), h = texture.height();
  Check(w >= 1 && w <= Texture::kMaxLevelledSide && h >= 1 && h <= Texture::kMaxLevelledSide,
        "record sides within 1..511");
  Check(texture.pixels().size() == static_cast<std::size_t>(w) * static_cast<std::size_t>(h) *
                                       (texture.HasAlpha() ? 4 : 3),
        "record pixels fill the image exactly");
  Check(texture.BuildLevels(pool, size > 4 ? data[4] % 4 : 0), "a record takes levels");
  texture.BindInverse(pool);
}

}  // namespace ironwood::fuzz

IRONWOOD_FUZZ_ENTRY(EmbeddedTexture)
