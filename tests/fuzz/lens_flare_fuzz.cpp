// The lens-flare description ("LensFlare.lsf"). Its textures come from a loader that makes a
// one-pixel image, or refuses when the colour file's name starts with '!', so no file is read.
// Input: the text.

#include "saver/effects/lens_flare.h"
#include "tests/fuzz/fuzz_support.h"

namespace ironwood::fuzz {

void LensFlare(const std::uint8_t* data, std::size_t size) {
  ironwood::LensFlare flare;
  std::string why;
  const auto loader = [](Texture& texture, const std::string& colour, const std::string&,
                         std::string* failure) {
    if (!colour.empty() && colour[0] == '!') {
      *failure = "refused";
      return false;
    }
    return texture.LoadPixels(1, 1, true, {1, 2, 3, 4});
  };
  if (!flare.Parse(std::string(reinterpret_cast<const char*>(data), size), "LensFlare.lsf",
                   loader, &why)) {
    Check(!why.empty(), "a refused flare file gives a reason");
    Check(flare.textures().empty() && flare.elements().empty(),
          "a refused flare file keeps nothing");
    return;
  }
  Check(flare.textures().size() <= ironwood::LensFlare::kMaxTextures, "at most 400 textures");
  for (const auto& element : flare.elements()) {
    bool listed = false;
    for (const auto& entry : flare.textures()) listed = listed || element.texture == &entry.texture;
    Check(listed, "every element draws a listed texture");
  }
}

}  // namespace ironwood::fuzz

IRONWOOD_FUZZ_ENTRY(LensFlare)
