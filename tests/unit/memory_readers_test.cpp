// The readers' from-memory entries (what the fuzz targets call) against their file versions:
// the same refusals, reasons without a file name, and nothing kept from a refused input.

#include <gtest/gtest.h>

#include <string>

#include "saver/assets/texture.h"
#include "saver/battle/scenario.h"
#include "saver/effects/lens_flare.h"
#include "tests/support/test_files.h"

namespace ironwood {
namespace {

using testing::BgrImage;
using testing::Bytes;
using testing::MakeBmp;

std::string AsText(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST(MemoryReaders, BmpPairsFromBytes) {
  const auto colourOf = [](int x, int y) {
    return std::array<std::uint8_t, 3>{static_cast<std::uint8_t>(x), 7, static_cast<std::uint8_t>(y)};
  };
  const std::string colour = AsText(MakeBmp(BgrImage{3, 2, colourOf}));
  const std::string opacity =
      AsText(MakeBmp(BgrImage{3, 2, [](int, int) { return std::array<std::uint8_t, 3>{9, 0, 0}; }}));
  Texture texture;
  std::string why;
  // Without the pairing the second file is never looked at, broken or not.
  ASSERT_TRUE(texture.DecodeBmpImages(false, colour, "not a bitmap", &why)) << why;
  EXPECT_FALSE(texture.HasAlpha());
  ASSERT_TRUE(texture.DecodeBmpImages(true, colour, opacity, &why)) << why;
  EXPECT_TRUE(texture.HasAlpha());
  EXPECT_EQ(texture.pixels()[3], 9);  // the opacity image's blue byte is alpha

  const std::string small = AsText(MakeBmp(BgrImage{2, 2, colourOf}));
  EXPECT_FALSE(texture.DecodeBmpImages(true, colour, small, &why));
  EXPECT_EQ(why, "the opacity image is not the size of the colour image");
  EXPECT_FALSE(texture.DecodeBmpImages(true, colour, colour.substr(0, 60), &why));
  EXPECT_EQ(why.rfind("opacity image: ", 0), 0u) << why;
  EXPECT_FALSE(texture.DecodeBmpImages(false, "", opacity, &why));
  EXPECT_EQ(why.rfind("colour image: ", 0), 0u) << why;
  // The refusals left the last image as it was.
  EXPECT_TRUE(texture.HasAlpha());
  EXPECT_EQ(texture.width(), 3);
}

TEST(MemoryReaders, ScenarioTextAndFileGiveTheSameListsAndReasons) {
  const std::string text = "1\r\n(2) Escort.as3\r\n1\r\n(3) Cruiser.as3\r\n";
  Scenario fromText;
  std::string why;
  ASSERT_TRUE(ParseScenarioText(text, "/inst/", &fromText, &why)) << why;
  EXPECT_TRUE(fromText.filePath.empty());
  EXPECT_EQ(fromText.alliance2.total, 3);

  testing::TempFolder folder;
  const std::string path = folder.Write("Battle.ss3", Bytes(text.begin(), text.end()));
  Scenario fromFile;
  ASSERT_TRUE(ReadScenarioFile(path, "/inst/", &fromFile, &why)) << why;
  EXPECT_EQ(fromFile.filePath, path);
  EXPECT_EQ(fromFile.alliance1.entries.at(0).pluginPath, fromText.alliance1.entries.at(0).pluginPath);

  const std::string cut = "1\r\n(2) Escort.as3\r\n";
  std::string textWhy, fileWhy;
  EXPECT_FALSE(ParseScenarioText(cut, "/inst/", &fromText, &textWhy));
  const std::string cutPath = folder.Write("Cut.ss3", Bytes(cut.begin(), cut.end()));
  EXPECT_FALSE(ReadScenarioFile(cutPath, "/inst/", &fromFile, &fileWhy));
  EXPECT_EQ(fileWhy, cutPath + ": " + textWhy);
  // A refusal leaves what the caller had.
  EXPECT_EQ(fromText.alliance2.total, 3);
  EXPECT_EQ(fromFile.filePath, path);
}

TEST(MemoryReaders, FlareTextWithItsOwnTextureLoader) {
  std::vector<std::string> asked;
  const auto loader = [&asked](Texture& texture, const std::string& colour,
                               const std::string& opacity, std::string* why) {
    asked.push_back(colour + "+" + opacity);
    if (colour == "Broken.bmp") {
      *why = "no such image";
      return false;
    }
    return texture.LoadPixels(1, 1, true, {1, 2, 3, 4});
  };
  LensFlare flare;
  std::string why;
  ASSERT_TRUE(flare.Parse("Textures: 1 Texture: Glow GlowC.bmp GlowO.bmp "
                          "Elements: 2 Element: Glow 40 0 0.5 Element: Ring 10 0 1",
                          "Flare.lsf", loader, &why))
      << why;
  EXPECT_EQ(asked, std::vector<std::string>{"GlowC.bmp+GlowO.bmp"});
  ASSERT_EQ(flare.elements().size(), 1u);
  EXPECT_EQ(flare.elements()[0].texture, &flare.textures()[0].texture);
  EXPECT_EQ(flare.problems().size(), 1u);  // the element naming "Ring"

  EXPECT_FALSE(flare.Parse("Textures: 1 Texture: Bad Broken.bmp BadO.bmp Elements: 0", "Flare.lsf",
                           loader, &why));
  EXPECT_EQ(why, "Flare.lsf: texture Bad: no such image");
  EXPECT_TRUE(flare.textures().empty() && flare.elements().empty());
  // Without a place for the reason a broken file is still only refused.
  EXPECT_FALSE(flare.Parse("Textures: 1 Texture:", "Flare.lsf", loader, nullptr));
  EXPECT_FALSE(flare.Parse("Textures: 900000", "Flare.lsf", loader, nullptr));
}

}  // namespace
}  // namespace ironwood
