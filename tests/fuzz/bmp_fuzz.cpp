// BMP images as the saver pairs them: a colour image alone, or with an opacity image whose blue
// channel becomes alpha. Input: a flag byte (bit 0: with opacity; bits 1-2: levels to skip), a
// 4-byte length, the colour file, then the opacity file.

#include "saver/assets/texture.h"
#include "tests/fuzz/fuzz_support.h"

namespace ironwood::fuzz {

void Bmp(const std::uint8_t* data, std::size_t size) {
  const TwoParts parts = SplitTwo(data, size);
  const bool withOpacity = (parts.flags & 1) != 0;
  NullGlScope nullGl;
  TextureNamePool pool;
  Texture texture;
  std::string why;
  if (!texture.DecodeBmpImages(withOpacity, parts.first, parts.second, &why)) {
    Check(!why.empty(), "a refused BMP gives a reason");
    Check(texture.width() == 0 && texture.pixels().empty(), "a refused BMP changes nothing");
    return;
  }
  const int w = texture.width(), h = texture.height();
  Check(w >= 1 && w <= Texture::kMaxBmpSide && h >= 1 && h <= Texture::kMaxBmpSide,
        "BMP sides within 1..8192");
  Check(texture.HasAlpha() == withOpacity, "alpha exactly with an opacity image");
  Check(texture.pixels().size() ==
            static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * (withOpacity ? 4 : 3),
        "BMP pixels fill the image exactly");
  if (w <= Texture::kMaxLevelledSide && h <= Texture::kMaxLevelledSide) {
    Check(texture.BuildLevels(pool, (parts.flags >> 1) & 3), "a small image takes levels");
    texture.BindInverse(pool);
  } else {
    texture.Bind(pool);
  }
}

}  // namespace ironwood::fuzz

IRONWOOD_FUZZ_ENTRY(Bmp)
