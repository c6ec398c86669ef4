#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "saver/assets/texture.h"
#include "tests/support/recording_gl.h"
#include "tests/support/test_files.h"

namespace ironwood {
namespace {

using testing::BgrImage;
using testing::Bytes;
using testing::MakeBmp;
using testing::Put32;

// The recorder prints pointers with %p, whose form differs between C runtimes.
std::string PointerText(const void* p) {
  char text[64];
  std::snprintf(text, sizeof text, "%p", p);
  return text;
}

std::string Upload(int level, int width, int height, const Bytes& pixels) {
  return std::to_string(level) + " " + std::to_string(width) + "x" + std::to_string(height) + " " +
         PointerText(pixels.data());
}
std::vector<std::string> Uploads(const testing::RecordingGl& recording) {
  std::vector<std::string> uploads;
  for (const auto& call : recording.Named("glTexImage2D")) {
    uploads.push_back(call.args[1] + " " + call.args[3] + "x" + call.args[4] + " " + call.args[8]);
  }
  return uploads;
}

// ---- Embedded records ----

std::string Record(int width, bool tall, bool alpha, int ratio, std::size_t pixelBytes,
                   const std::function<std::uint8_t(std::size_t)>& pixel = nullptr) {
  const std::uint32_t header = static_cast<std::uint32_t>(width) | (tall ? 1u << 9 : 0u) |
                               (alpha ? 1u << 10 : 0u) | static_cast<std::uint32_t>(ratio) << 11;
  std::string record(4 + pixelBytes, '\0');
  for (int i = 0; i < 4; ++i) record[i] = static_cast<char>(header >> (8 * i));
  for (std::size_t i = 0; pixel && i < pixelBytes; ++i) record[4 + i] = static_cast<char>(pixel(i));
  return record;
}

TEST(TextureNamePool, HandsOutTheLowestFreeNameAndTakesNamesBack) {
  TextureNamePool pool;
  EXPECT_FALSE(pool.initialised());
  EXPECT_EQ(pool.AcquireName(), 0u);
  EXPECT_TRUE(pool.initialised());
  EXPECT_EQ(pool.AcquireName(), 1u);
  EXPECT_EQ(pool.AcquireName(), 2u);
  pool.ReleaseName(1);
  pool.ReleaseName(Texture::kNoName);  // ignored
  EXPECT_EQ(pool.AcquireName(), 1u);
  EXPECT_EQ(pool.AcquireName(), 3u);

  // Full: 0 is shared (the loop ends on the first shared 0, then one more), and it stays in
  // use until the last of its three holders lets go.
  while (pool.AcquireName() != 0) {
  }
  EXPECT_TRUE(pool.InUse(399));
  EXPECT_EQ(pool.AcquireName(), 0u);
  pool.ReleaseName(0);
  pool.ReleaseName(0);
  EXPECT_TRUE(pool.InUse(0));
  pool.ReleaseName(0);
  EXPECT_FALSE(pool.InUse(0));
  EXPECT_EQ(pool.AcquireName(), 0u);
}

TEST(TextureNamePool, TexturesReturnTheirNamesOnceEvenAfterMoves) {
  testing::RecordingGl recording;
  TextureNamePool pool;
  {
    Texture a;
    std::istringstream in(Record(2, false, true, 1, 16));
    ASSERT_TRUE(a.ReadEmbedded(in));
    a.Bind(pool);
    a.BindInverse(pool);
    EXPECT_EQ(a.glName(), 0u);
    EXPECT_EQ(a.glInverseName(), 1u);
    Texture b(std::move(a));
    EXPECT_EQ(a.glName(), Texture::kNoName);
    Texture c;
    c.Bind(pool);      // name 2
    c = std::move(b);  // c gives back 2 and takes 0 and 1
    EXPECT_FALSE(pool.InUse(2));
    EXPECT_TRUE(pool.InUse(0));
    EXPECT_TRUE(pool.InUse(1));
    // The object goes with its name, so that its storage is given back.
    EXPECT_EQ(recording.Names().back(), "glDeleteTextures");
    EXPECT_EQ(recording.Count("glDeleteTextures"), 1);
  }
  EXPECT_FALSE(pool.InUse(0));
  EXPECT_FALSE(pool.InUse(1));
  // 1 is deleted too, the default texture 0 never.
  EXPECT_EQ(recording.Count("glDeleteTextures"), 2);
}

// A texture given a new image gives back the object of the old one, and the next bind uploads
// the new image rather than showing the old.
TEST(TextureBind, ANewImageGivesBackTheOldObject) {
  testing::RecordingGl recording;
  TextureNamePool pool;
  pool.AcquireName();  // 0, the default texture, which is never deleted
  Texture reloaded;
  ASSERT_TRUE(reloaded.LoadPixels(1, 1, false, {1, 2, 3}));
  reloaded.Bind(pool);  // 1
  ASSERT_TRUE(reloaded.LoadPixels(2, 1, true, {1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(reloaded.glName(), Texture::kNoName);
  EXPECT_FALSE(pool.InUse(1));
  EXPECT_EQ(recording.Count("glDeleteTextures"), 1);
  reloaded.Bind(pool);
  reloaded.BindInverse(pool);
  EXPECT_EQ(reloaded.glName(), 1u);
  EXPECT_EQ(reloaded.glInverseName(), 2u);
  ASSERT_EQ(recording.Count("glTexImage2D"), 3);
  EXPECT_EQ(recording.Named("glTexImage2D")[1].Text(),
            "glTexImage2D(3553, 0, 4, 2, 1, 0, 6408, 5121, " +
                PointerText(reloaded.pixels().data()) + ")");
}

TEST(TextureEmbedded, HeaderGivesSizeAlphaAndRecordsFollowEachOther) {
  // 8 wide, ratio 3 → 8/3 = 2 high, RGB; then 2 wide, tall ratio 3 → 6 high, RGBA, with the
  // unused high bits set.
  std::string file = Record(8, false, false, 3, 8 * 2 * 3, [](std::size_t i) { return i; }) +
                     Record(2, true, true, 3, 2 * 6 * 4, [](std::size_t i) { return 200 + i; });
  file[4 + 48 + 3] = static_cast<char>(0xFC);
  std::istringstream in(file);
  Texture t;
  ASSERT_TRUE(t.ReadEmbedded(in));
  EXPECT_EQ(t.width(), 8);
  EXPECT_EQ(t.height(), 2);
  EXPECT_FALSE(t.HasAlpha());
  EXPECT_EQ(t.pixels().size(), 48u);
  EXPECT_EQ(t.pixels()[47], 47);
  EXPECT_TRUE(t.inversePixels().empty());

  ASSERT_TRUE(t.ReadEmbedded(in));
  EXPECT_EQ(t.width(), 2);
  EXPECT_EQ(t.height(), 6);
  EXPECT_TRUE(t.HasAlpha());
  ASSERT_EQ(t.inversePixels().size(), 48u);
  EXPECT_EQ(t.pixels()[3], 203);
  EXPECT_EQ(t.inversePixels()[3], 255 - 203);
  EXPECT_EQ(t.inversePixels()[2], 202);  // colour is kept
  EXPECT_FALSE(t.ReadEmbedded(in));      // end of file
}

TEST(TextureEmbedded, BadRecordsAreRefusedWithTheTextureUnchanged) {
  const std::vector<std::pair<const char*, std::string>> bad = {
      {"ratio 0", Record(4, false, false, 0, 48)},  {"width 0", Record(0, false, false, 1, 0)},
      {"height 0", Record(3, false, false, 4, 0)},  {"height 512", Record(256, true, false, 2, 0)},
      {"short header", std::string("\x04\x08", 2)}, {"short pixels", Record(4, false, true, 1, 63)},
  };
  for (const auto& [name, record] : bad) {
    Texture t;
    std::istringstream good(Record(2, false, true, 1, 16, [](std::size_t i) { return i; }));
    ASSERT_TRUE(t.ReadEmbedded(good));
    const Bytes pixels = t.pixels();
    std::istringstream in(record);
    std::string why;
    EXPECT_FALSE(t.ReadEmbedded(in, &why)) << name;
    EXPECT_FALSE(why.empty()) << name;
    EXPECT_EQ(t.width(), 2) << name;
    EXPECT_EQ(t.height(), 2) << name;
    EXPECT_TRUE(t.HasAlpha()) << name;
    EXPECT_EQ(t.pixels(), pixels) << name;
    EXPECT_EQ(t.inversePixels().size(), 16u) << name;
  }
}

// ---- Levels ----

TEST(TextureLevels, BoxFilterReducesToOnePixel) {
  testing::RecordingGl recording;
  TextureNamePool pool;
  // 64x32 RGB: red on the left half, a green checkerboard, blue rising 8 a row.
  std::istringstream in(Record(64, false, false, 2, 64 * 32 * 3, [](std::size_t i) {
    const std::size_t x = i / 3 % 64, y = i / 3 / 64;
    switch (i % 3) {
      case 0:
        return x < 32 ? 255 : 0;
      case 1:
        return (x + y) % 2 ? 255 : 0;
      default:
        return static_cast<int>(y * 8);
    }
  }));
  Texture t;
  ASSERT_TRUE(t.ReadEmbedded(in));
  ASSERT_TRUE(t.BuildLevels(pool, 0));
  ASSERT_EQ(t.levelCount(), 7);
  const int sizes[7][2] = {{64, 32}, {32, 16}, {16, 8}, {8, 4}, {4, 2}, {2, 1}, {1, 1}};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(t.levels(i).size(), static_cast<std::size_t>(sizes[i][0] * sizes[i][1] * 3)) << i;
  }
  EXPECT_EQ(t.levels(0), t.pixels());
  auto px = [&](int level, int x, int y) {
    const Bytes& l = t.levels(level);
    const std::size_t at = (static_cast<std::size_t>(y) * sizes[level][0] + x) * 3;
    return std::array<int, 3>{l[at], l[at + 1], l[at + 2]};
  };
  EXPECT_EQ(px(1, 0, 0), (std::array<int, 3>{255, 127, 4}));
  EXPECT_EQ(px(1, 16, 3), (std::array<int, 3>{0, 127, 52}));
  EXPECT_EQ(px(2, 0, 1), (std::array<int, 3>{255, 127, 44}));
  EXPECT_EQ(px(5, 0, 0), (std::array<int, 3>{255, 127, 124}));
  EXPECT_EQ(px(5, 1, 0), (std::array<int, 3>{0, 127, 124}));
  // The last level comes from a single row: its two pixels, not memory beyond them.
  EXPECT_EQ(px(6, 0, 0), (std::array<int, 3>{127, 127, 124}));
  EXPECT_TRUE(t.hasLevels());
  EXPECT_EQ(t.glName(), 0u);  // bound on the way out
}

TEST(TextureLevels, SingleColumnLevelsAndInverseLevels) {
  testing::RecordingGl recording;
  TextureNamePool pool;
  // 4x16 RGBA, opaque in the top half.
  std::istringstream in(Record(4, true, true, 4, 4 * 16 * 4,
                               [](std::size_t i) { return i % 4 == 3 && i / 16 >= 8 ? 255 : 0; }));
  Texture t;
  ASSERT_TRUE(t.ReadEmbedded(in));
  ASSERT_TRUE(t.BuildLevels(pool, 0));
  ASSERT_EQ(t.levelCount(), 5);  // 4x16 2x8 1x4 1x2 1x1
  EXPECT_EQ(t.levels(2), (Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 0, 0, 0, 255}));
  EXPECT_EQ(t.levels(3), (Bytes{0, 0, 0, 0, 0, 0, 0, 255}));
  EXPECT_EQ(t.levels(4), (Bytes{0, 0, 0, 127}));
  EXPECT_EQ(t.inverseLevels(4), (Bytes{0, 0, 0, 127}));
  EXPECT_EQ(t.inverseLevels(3), (Bytes{0, 0, 0, 255, 0, 0, 0, 0}));
  EXPECT_EQ(t.glInverseName(), 1u);
}

TEST(TextureLevels, RefusedWithoutAnImage) {
  testing::RecordingGl recording;
  TextureNamePool pool;
  Texture empty;
  EXPECT_FALSE(empty.BuildLevels(pool, 0));
  EXPECT_EQ(recording.calls.size(), 0u);
}

// ---- Binding ----

TEST(TextureBind, FirstBindCreatesAndUploadsLaterBindsOnlyBind) {
  TextureNamePool single(false), multi(true);  // pools outlive their textures
  std::istringstream in(Record(2, false, false, 1, 12) + Record(2, false, true, 1, 16));
  Texture plain, alpha;
  ASSERT_TRUE(plain.ReadEmbedded(in));
  ASSERT_TRUE(alpha.ReadEmbedded(in));
  {
    testing::RecordingGl recording;
    plain.Bind(single);
    plain.Bind(single);
    const std::vector<std::string> expected = {
        "glBindTexture(3553, 0)",
        "glTexParameterf(3553, 10240, 9729)",
        "glTexParameterf(3553, 10241, 9729)",
        "glTexEnvf(8960, 8704, 8448)",
        "glTexImage2D(3553, 0, 3, 2, 2, 0, 6407, 5121, " + PointerText(plain.pixels().data()) + ")",
        "glBindTexture(3553, 0)",
    };
    ASSERT_EQ(recording.calls.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
      EXPECT_EQ(recording.calls[i].Text(), expected[i]);
  }
  {
    testing::RecordingGl recording;
    multi.AcquireName();
    alpha.BindInverse(multi);
    alpha.BindInverse(multi);
    EXPECT_EQ(recording.calls[0].Text(), "glActiveTextureARB(33984)");
    EXPECT_EQ(recording.calls[1].Text(), "glBindTexture(3553, 1)");
    ASSERT_EQ(recording.Count("glTexImage2D"), 1);
    EXPECT_EQ(recording.Named("glTexImage2D")[0].Text(),
              "glTexImage2D(3553, 0, 4, 2, 2, 0, 6408, 5121, " +
                  PointerText(alpha.inversePixels().data()) + ")");
    EXPECT_EQ(recording.Count("glActiveTextureARB"), 1);
    EXPECT_EQ(alpha.glName(), Texture::kNoName);  // the image itself is not made yet
  }
}

TEST(TextureBind, SkippedLevelsStartTheChainLower) {
  TextureNamePool bigPool;
  Texture big;
  std::istringstream in(Record(256, false, false, 1, 256 * 256 * 3));
  ASSERT_TRUE(big.ReadEmbedded(in));
  {
    testing::RecordingGl recording;
    ASSERT_TRUE(big.BuildLevels(bigPool, 2));
    ASSERT_EQ(big.levelCount(), 9);
    EXPECT_EQ(recording.Named("glTexParameterf")[1].args[2], "9987");  // mipmapped
    std::vector<std::string> expected = {Upload(0, 256, 256, big.pixels())};
    for (int i = 2; i < 9; ++i)
      expected.push_back(Upload(i - 2, 256 >> i, 256 >> i, big.levels(i)));
    EXPECT_EQ(Uploads(recording), expected);
  }
  std::istringstream in2(Record(4, false, false, 1, 48));
  for (const auto& [skip, expectedSkip] : {std::pair{0, 0}, std::pair{7, 2}, std::pair{-1, 0}}) {
    testing::RecordingGl recording;
    TextureNamePool pool;
    Texture small;
    in2.clear();
    in2.seekg(0);
    ASSERT_TRUE(small.ReadEmbedded(in2));
    ASSERT_TRUE(small.BuildLevels(pool, skip));
    EXPECT_EQ(small.skipLevels(), expectedSkip);
    std::vector<std::string> expected = {Upload(0, 4, 4, small.pixels())};
    if (expectedSkip == 0) {
      expected.push_back(Upload(1, 2, 2, small.levels(1)));
      expected.push_back(Upload(2, 1, 1, small.levels(2)));
    } else {  // beyond the chain the smallest level stays, so GL still has a complete texture
      expected.push_back(Upload(0, 1, 1, small.levels(2)));
    }
    EXPECT_EQ(Uploads(recording), expected) << skip;
  }
}

// ---- BMP files ----

class BmpFiles : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const Bytes& bytes) { return folder_.Write(name, bytes); }
  testing::TempFolder folder_;
};

std::array<std::uint8_t, 3> Pattern(int x, int y) {
  return {static_cast<std::uint8_t>(10 * x + y), static_cast<std::uint8_t>(100 + x),
          static_cast<std::uint8_t>(200 + y)};
}

TEST_F(BmpFiles, PaddedRowsTopDownFilesAndOffsetsLoadTheRightWayUp) {
  const std::string bottomUp = Write("a.bmp", MakeBmp({5, 3, Pattern}));
  const std::string topDown = Write("b.bmp", MakeBmp({5, -3, Pattern}, 16));
  for (const std::string& path : {bottomUp, topDown}) {
    Texture t;
    ASSERT_TRUE(t.LoadBmp(false, path, "")) << path;
    EXPECT_EQ(t.width(), 5);
    EXPECT_EQ(t.height(), 3);
    EXPECT_FALSE(t.HasAlpha());
    ASSERT_EQ(t.pixels().size(), 45u);
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 5; ++x) {
        const std::size_t at = (y * 5 + x) * 3;
        EXPECT_EQ(t.pixels()[at], 200 + y) << path << " " << x << "," << y;
        EXPECT_EQ(t.pixels()[at + 1], 100 + x);
        EXPECT_EQ(t.pixels()[at + 2], 10 * x + y);
      }
    }
  }
}

TEST_F(BmpFiles, OpacityBlueBecomesAlphaAndItsInverse) {
  const std::string colour = Write("c.bmp", MakeBmp({3, 2, Pattern}));
  // Green and red differ from blue, so only blue can be the opacity.
  auto opacityPattern = [](int x, int y) {
    const std::uint8_t a[] = {255, 0, 0x40};
    return std::array<std::uint8_t, 3>{a[x], static_cast<std::uint8_t>(y), 7};
  };
  const std::string opacity = Write("o.bmp", MakeBmp({3, -2, opacityPattern}));
  Texture t;
  ASSERT_TRUE(t.LoadBmp(true, colour, opacity));
  EXPECT_TRUE(t.HasAlpha());
  ASSERT_EQ(t.pixels().size(), 24u);
  ASSERT_EQ(t.inversePixels().size(), 24u);
  const int alpha[] = {255, 0, 0x40};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(t.pixels()[i * 4 + 3], alpha[i % 3]) << i;
    EXPECT_EQ(t.inversePixels()[i * 4 + 3], 255 - alpha[i % 3]) << i;
    EXPECT_EQ(t.inversePixels()[i * 4], t.pixels()[i * 4]);
  }
  EXPECT_EQ(t.pixels()[4 * 4], 201);  // (1, 1) red

  // A later load replaces everything, levels included.
  testing::RecordingGl recording;
  TextureNamePool pool;
  ASSERT_TRUE(t.BuildLevels(pool, 0));
  ASSERT_TRUE(t.LoadBmp(false, colour, ""));
  EXPECT_FALSE(t.HasAlpha());
  EXPECT_TRUE(t.inversePixels().empty());
  EXPECT_FALSE(t.hasLevels());
  EXPECT_EQ(t.levelCount(), 0);
}

TEST_F(BmpFiles, MalformedFilesAreRefusedWithTheTextureUnchanged) {
  const Bytes good = MakeBmp({4, 4, Pattern});
  auto with = [&](std::size_t at, std::uint32_t value) {
    Bytes b = good;
    Put32(b, at, value);
    return b;
  };
  auto cut = [&](std::size_t size) { return Bytes(good.begin(), good.begin() + size); };
  auto bits = [&](std::uint16_t count, std::uint32_t compression) {
    Bytes b = with(30, compression);
    b[28] = static_cast<std::uint8_t>(count);
    return b;
  };
  Bytes huge = with(18, 100000);
  Put32(huge, 22, 100000);
  const std::string valid = Write("valid.bmp", good);
  const std::string smaller = Write("smaller.bmp", MakeBmp({4, 3, Pattern}));
  const std::string eightBit = Write("eight.bmp", bits(8, 0));
  struct Case {
    const char* name;
    std::string colour;
    std::string opacity;  // empty: no opacity image
  };
  const std::vector<Case> cases = {
      {"missing file", (folder_.Path() / "absent.bmp").string(), ""},
      {"empty", Write("t0.bmp", cut(0)), ""},
      {"cut in file header", Write("t10.bmp", cut(10)), ""},
      {"cut in info header", Write("t30.bmp", cut(30)), ""},
      {"headers only", Write("t54.bmp", cut(54)), ""},
      {"cut in pixels", Write("t80.bmp", cut(80)), ""},
      {"one byte short", Write("t1.bmp", cut(good.size() - 1)), ""},
      {"not BM", Write("magic.bmp", with(0, 0x4D42 + 1)), ""},
      {"core header", Write("core.bmp", with(14, 12)), ""},
      {"two planes", Write("planes.bmp", with(26, 2 | 24 << 16)), ""},
      {"8-bit", eightBit, ""},
      {"RLE8", Write("rle8.bmp", bits(8, 1)), ""},
      {"24-bit compressed", Write("bitfields.bmp", bits(24, 3)), ""},
      {"huge", Write("huge.bmp", huge), ""},
      {"negative width", Write("negw.bmp", with(18, static_cast<std::uint32_t>(-4))), ""},
      {"zero height", Write("zeroh.bmp", with(22, 0)), ""},
      {"lowest height", Write("minh.bmp", with(22, 0x80000000u)), ""},
      {"offset past end", Write("off1.bmp", with(10, static_cast<std::uint32_t>(good.size()))), ""},
      {"offset wraps", Write("off2.bmp", with(10, 0xFFFFFFF0u)), ""},
      {"offset inside headers", Write("off3.bmp", with(10, 20)), ""},
      {"opacity missing", valid, (folder_.Path() / "absent.bmp").string()},
      {"opacity 8-bit", valid, eightBit},
      {"pair of different sizes", valid, smaller},
  };
  const std::string keptColour = Write("kc.bmp", MakeBmp({2, 2, Pattern}));
  for (const Case& c : cases) {
    Texture t;
    ASSERT_TRUE(t.LoadBmp(true, keptColour, keptColour));
    const Bytes pixels = t.pixels(), inverse = t.inversePixels();
    std::string why;
    EXPECT_FALSE(t.LoadBmp(!c.opacity.empty(), c.colour, c.opacity, &why)) << c.name;
    EXPECT_FALSE(why.empty()) << c.name;
    EXPECT_EQ(t.width(), 2) << c.name;
    EXPECT_EQ(t.height(), 2) << c.name;
    EXPECT_TRUE(t.HasAlpha()) << c.name;
    EXPECT_EQ(t.pixels(), pixels) << c.name;
    EXPECT_EQ(t.inversePixels(), inverse) << c.name;
  }
  Texture t;
  EXPECT_TRUE(t.LoadBmp(false, valid, ""));  // the corpus is cut from a file that loads
  std::string why;
  EXPECT_FALSE(t.LoadBmp(false, (folder_.Path() / "planes.bmp").string(), "", &why));
  EXPECT_NE(why.find("gives 2 colour planes"), std::string::npos) << why;
}

TEST_F(BmpFiles, LargeImagesLoadButGetNoLevels) {
  testing::RecordingGl recording;
  TextureNamePool pool;
  Texture t;
  ASSERT_TRUE(t.LoadBmp(false, Write("wide.bmp", MakeBmp({512, 1, Pattern})), ""));
  EXPECT_FALSE(t.BuildLevels(pool, 0));
  EXPECT_FALSE(t.hasLevels());
  EXPECT_EQ(recording.calls.size(), 0u);
}

}  // namespace
}  // namespace ironwood
