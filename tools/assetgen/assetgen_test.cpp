#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "saver/assets/texture.h"
#include "tests/support/test_files.h"
#include "tools/assetgen/font.h"
#include "tools/assetgen/image_files.h"
#include "tools/assetgen/images.h"
#include "tools/assetgen/scenery.h"

namespace ironwood::assetgen {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

// ---- The drawing toolkit ----

TEST(Toolkit, NoiseStaysInRangeAndHasNoSeamsAtLatticeLines) {
  for (int i = -400; i < 400; ++i) {
    const float x = static_cast<float>(i) * 0.037f;
    const float v = ValueNoise(x, x * 0.7f, 5u);
    EXPECT_GE(v, 0.0f);
    EXPECT_LE(v, 1.0f);
    // Just either side of a lattice line the value barely moves.
    const float lattice = std::floor(x);
    EXPECT_NEAR(ValueNoise(lattice - 1e-4f, 0.3f, 5u), ValueNoise(lattice + 1e-4f, 0.3f, 5u),
                1e-3f);
  }
  EXPECT_NE(ValueNoise(0.5f, 0.5f, 1u), ValueNoise(0.5f, 0.5f, 2u));  // the seed matters
}

TEST(Toolkit, BlurAndResizeKeepTheLightTheyMove) {
  Canvas canvas(64, 48);
  AddGlow(canvas, 30, 22, 3, {1, 0.5f, 0.25f, 1}, 1);
  auto total = [](const Canvas& c) {
    double sum = 0;
    for (int y = 0; y < c.height(); ++y) {
      for (int x = 0; x < c.width(); ++x) sum += c.at(x, y).r;
    }
    return sum;
  };
  EXPECT_NEAR(total(Blur(canvas, 2.5f)), total(canvas), total(canvas) * 1e-3);
  // Half the size in each direction: a quarter of the pixels, the same mean.
  EXPECT_NEAR(total(Resize(canvas, 32, 24)) * 4, total(canvas), total(canvas) * 0.02);
}

TEST(Font, CoverageSpansTheMeasuredWidthAndDecodesTheMiddleDot) {
  const TextStyle style{3, 1, 0};
  const std::string text =
      "A\xC2\xB7"
      "1";
  // A (5 cells), dot (1), one (3), two gaps of 1: 11 cells.
  EXPECT_FLOAT_EQ(TextWidth(text, style), 11 * 3);
  const Canvas coverage = TextCoverage(60, 30, text, 4, 2, style);
  int left = 60, right = -1;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 60; ++x) {
      if (coverage.at(x, y).a > 0.5f) {
        left = std::min(left, x);
        right = std::max(right, x);
      }
    }
  }
  EXPECT_EQ(left, 4);
  EXPECT_EQ(right, 4 + 33 - 1);
  // Nothing above the top or below the seventh row.
  for (int x = 0; x < 60; ++x) {
    EXPECT_EQ(coverage.at(x, 0).a, 0.0f);
    EXPECT_EQ(coverage.at(x, 2 + 21).a, 0.0f);
  }
}

// ---- The BMP writer, read back by the saver's own reader ----

TEST(BmpWriter, RoundTripsEveryRowPaddingThroughTheSaversReader) {
  TempFolder folder;
  // Widths 1..7 cover all four row paddings; each pixel's bytes tell where it came from.
  for (int width = 1; width <= 7; ++width) {
    const int height = 3;
    Canvas canvas(width, height);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        canvas.at(x, y) = {x / 8.0f, y / 4.0f, 1.0f - x / 16.0f, (x + y) / 10.0f};
      }
    }
    const std::string colour =
        folder.Write("c" + std::to_string(width) + ".bmp", EncodeColourBmp(canvas));
    const std::string opacity =
        folder.Write("a" + std::to_string(width) + ".bmp", EncodeOpacityBmp(canvas));
    Texture texture;
    std::string why;
    ASSERT_TRUE(texture.LoadBmp(true, colour, opacity, &why)) << why;
    ASSERT_EQ(texture.width(), width);
    ASSERT_EQ(texture.height(), height);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        // The saver keeps rows bottom-up: its row 0 is our last row.
        const std::uint8_t* p = &texture.pixels()[((height - 1 - y) * width + x) * 4];
        const Rgba& want = canvas.at(x, y);
        EXPECT_EQ(p[0], ToByte(want.r)) << width << " " << x << "," << y;
        EXPECT_EQ(p[1], ToByte(want.g)) << width << " " << x << "," << y;
        EXPECT_EQ(p[2], ToByte(want.b)) << width << " " << x << "," << y;
        EXPECT_EQ(p[3], ToByte(want.a)) << width << " " << x << "," << y;
      }
    }
  }
}

// ---- The generated folder ----

struct Expected {
  std::string colour;
  std::string opacity;  // empty: colour only
  int width;
  int height;
};

std::vector<Expected> ExpectedImages() {
  std::vector<Expected> list = {
      {"TitleTest2.bmp", "", 1024, 1024},
      {"ShockWaveColor.bmp", "ShockWaveOpacity.bmp", 256, 256},
      {"explosionflarecolor.bmp", "explosionflareopacity.bmp", 256, 256},
      {"PhaserFlareColor.bmp", "PhaserFlare.bmp", 64, 64},
  };
  for (const char* n : {"01", "02", "03", "04", "05"}) {
    list.push_back({std::string("TitleScreen") + n + ".bmp",
                    std::string("TitleScreen") + n + "Opacity.bmp", 512, 128});
  }
  for (int i = 1; i <= 32; ++i) {
    const std::string n = (i < 10 ? "0" : "") + std::to_string(i);
    list.push_back({"Explosion" + n + "Color.bmp", "Explosion" + n + "Alpha.bmp", 128, 128});
  }
  for (const char* flare : {"FlareGlow", "FlareStreak", "FlareRing", "FlareHalo"}) {
    list.push_back(
        {std::string(flare) + "Color.bmp", std::string(flare) + "Opacity.bmp", 256, 256});
  }
  for (const char* flare : {"FlareHexagon", "FlareDisc"}) {
    list.push_back(
        {std::string(flare) + "Color.bmp", std::string(flare) + "Opacity.bmp", 128, 128});
  }
  for (const char* n : {"01", "02", "03"}) {
    list.push_back({std::string("StarTunnel") + n + "Color.bmp",
                    std::string("StarTunnel") + n + "Opacity.bmp", 256, 512});
  }
  list.push_back({"DebrisPlatingColor.bmp", "", 256, 256});
  list.push_back({"DebrisCharredColor.bmp", "", 256, 256});
  return list;
}

class GeneratedFolder : public ::testing::Test {
 public:
  static void SetUpTestSuite() {
    first_ = new TempFolder;
    std::string error;
    ASSERT_TRUE(WriteImages(first_->Path().string(), &error)) << error;
    ASSERT_TRUE(WriteScenery(first_->Path().string(), &error)) << error;
  }
  static void TearDownTestSuite() {
    delete first_;
    first_ = nullptr;
  }
  static std::string Gfx(const std::string& name) {
    return (first_->Path() / "Gfx" / name).string();
  }
  static Texture Load(const Expected& image) {
    Texture texture;
    std::string why;
    EXPECT_TRUE(texture.LoadBmp(!image.opacity.empty(), Gfx(image.colour),
                                image.opacity.empty() ? "" : Gfx(image.opacity), &why))
        << why;
    return texture;
  }

 protected:
  static TempFolder* first_;
};

TempFolder* GeneratedFolder::first_ = nullptr;

TEST_F(GeneratedFolder, EveryImageLoadsInTheSaverAtItsSize) {
  const auto images = ExpectedImages();
  std::size_t files = 0;
  for (const Expected& image : images) {
    files += image.opacity.empty() ? 1 : 2;
    const Texture texture = Load(image);
    EXPECT_EQ(texture.width(), image.width) << image.colour;
    EXPECT_EQ(texture.height(), image.height) << image.colour;
    EXPECT_EQ(texture.HasAlpha(), !image.opacity.empty()) << image.colour;
    // Power-of-two sides load on every driver; below 512 they can have reduced levels too.
    const bool powerOfTwo =
        (image.width & (image.width - 1)) == 0 && (image.height & (image.height - 1)) == 0;
    EXPECT_TRUE(powerOfTwo) << image.colour;
  }
  // Nothing else in Gfx/: a stray or misspelt name would show up here.
  std::size_t present = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(first_->Path() / "Gfx"))
    ++present;
  EXPECT_EQ(present, files);

  const auto sheet = TempFolder::Read(first_->Path() / "Preview" / "images.png");
  ASSERT_GT(sheet.size(), 8u);
  EXPECT_EQ(sheet[1], 'P');
  EXPECT_EQ(sheet[2], 'N');
  EXPECT_EQ(sheet[3], 'G');
}

// Opacity summed over the frame, and its largest value.
struct OpacityFigures {
  double total = 0;
  int largest = 0;
};

OpacityFigures Opacity(const Texture& texture) {
  OpacityFigures figures;
  for (std::size_t i = 3; i < texture.pixels().size(); i += 4) {
    figures.total += texture.pixels()[i];
    figures.largest = std::max<int>(figures.largest, texture.pixels()[i]);
  }
  return figures;
}

Texture ExplosionFrame(int n) {
  const std::string number = (n < 10 ? "0" : "") + std::to_string(n);
  return GeneratedFolder::Load(
      {"Explosion" + number + "Color.bmp", "Explosion" + number + "Alpha.bmp", 128, 128});
}

TEST_F(GeneratedFolder, ExplosionGrowsThenFadesOutByTheLastFrame) {
  const OpacityFigures first = Opacity(ExplosionFrame(1)), middle = Opacity(ExplosionFrame(12));
  const OpacityFigures late = Opacity(ExplosionFrame(28)), last = Opacity(ExplosionFrame(32));
  EXPECT_GE(first.largest, 250);         // a solid flash to begin with
  EXPECT_GT(middle.total, first.total);  // the fireball spreads
  EXPECT_LT(late.total, middle.total);   // and thins out
  EXPECT_LE(last.largest, 2);            // gone by frame 32
  // The fireball stays inside its square, so no frame shows a cut edge.
  for (int n = 1; n <= 32; ++n) {
    const Texture texture = ExplosionFrame(n);
    int edge = 0;
    for (int i = 0; i < 128; ++i) {
      for (int at : {i, 127 * 128 + i, i * 128, i * 128 + 127}) {
        edge = std::max<int>(edge, texture.pixels()[static_cast<std::size_t>(at) * 4 + 3]);
      }
    }
    EXPECT_LE(edge, 4) << "frame " << n;
  }
}

TEST_F(GeneratedFolder, GlowsAreTransparentAtTheirBordersAndShockWaveInItsCentre) {
  for (const Expected& image : ExpectedImages()) {
    if (image.colour.rfind("Explosion", 0) == 0 || image.colour.rfind("Title", 0) == 0) continue;
    // Faint flare elements, tiled tunnel layers and opaque plating: see scenery_test.cpp.
    if (image.colour.rfind("Flare", 0) == 0 || image.colour.rfind("StarTunnel", 0) == 0 ||
        image.colour.rfind("Debris", 0) == 0) {
      continue;
    }
    const Texture texture = Load(image);
    const int w = texture.width(), h = texture.height();
    auto alpha = [&](int x, int y) {
      return texture.pixels()[(static_cast<std::size_t>(y) * w + x) * 4 + 3];
    };
    EXPECT_LE(alpha(0, 0), 2) << image.colour;
    EXPECT_LE(alpha(w / 2, 0), 2) << image.colour;
    EXPECT_LE(alpha(0, h / 2), 2) << image.colour;
    EXPECT_GT(Opacity(texture).largest, 200) << image.colour;
    if (image.colour == "ShockWaveColor.bmp") {
      EXPECT_LE(alpha(w / 2, h / 2), 2);
    }
  }
}

TEST_F(GeneratedFolder, ASecondRunWritesTheSameBytes) {
  TempFolder second;
  std::string error;
  ASSERT_TRUE(WriteImages(second.Path().string(), &error)) << error;
  ASSERT_TRUE(WriteScenery(second.Path().string(), &error)) << error;
  std::size_t compared = 0;
  for (const auto& entry : fs::recursive_directory_iterator(first_->Path())) {
    if (!entry.is_regular_file()) continue;
    const fs::path relative = fs::relative(entry.path(), first_->Path());
    EXPECT_EQ(TempFolder::Read(entry.path()), TempFolder::Read(second.Path() / relative))
        << relative;
    ++compared;
  }
  // Every image's colour file and, where it has one, its opacity file.
  std::size_t bmpFiles = 0;
  for (const Expected& image : ExpectedImages()) bmpFiles += image.opacity.empty() ? 1 : 2;
  // The contact sheet, and the models and lens-flare description in the folder's root.
  EXPECT_EQ(compared, bmpFiles + 1 + SceneryFiles().size());
}

}  // namespace
}  // namespace ironwood::assetgen
