#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "saver/assets/texture.h"
#include "tests/support/dds_file.h"
#include "tests/support/recording_gl.h"
#include "tests/support/test_files.h"

namespace ironwood {
namespace {

using testing::Bytes;
using testing::MakeDds;
using testing::TempFolder;

// A level of `count` blocks whose bytes are all different, so a moved byte shows.
Bytes Numbered(std::size_t count, std::size_t blockSize, std::uint8_t first) {
  Bytes level(count * blockSize);
  for (std::size_t i = 0; i < level.size(); ++i) level[i] = static_cast<std::uint8_t>(first + i);
  return level;
}

// An 8x8 DXT1 image with its full chain: 2x2 blocks, then one block each for 4x4, 2x2, 1x1.
Bytes SmallChain() {
  return MakeDds("DXT1", 8, 8,
                 {Numbered(4, 8, 0), Numbered(1, 8, 40), Numbered(1, 8, 60), Numbered(1, 8, 80)});
}

std::string PointerText(const void* p) {
  char text[64];
  std::snprintf(text, sizeof text, "%p", p);
  return text;
}

TEST(DdsTexture, FullChainIsUploadedCompressedLevelByLevel) {
  TempFolder folder;
  Texture texture;
  std::string why;
  ASSERT_TRUE(texture.LoadDds(folder.Write("Sky.dds", SmallChain()), &why)) << why;
  EXPECT_EQ(texture.width(), 8);
  EXPECT_EQ(texture.height(), 8);
  EXPECT_FALSE(texture.HasAlpha());
  EXPECT_TRUE(texture.pixels().empty());
  EXPECT_EQ(texture.compressedFormat(), static_cast<GLenum>(GL_COMPRESSED_RGB_S3TC_DXT1_EXT));
  ASSERT_EQ(texture.compressedLevelCount(), 4);
  // BuildLevels needs CPU pixels, which a compressed texture does not keep.
  TextureNamePool pool(true);
  EXPECT_FALSE(texture.BuildLevels(pool, 0));

  testing::RecordingGl recording;
  texture.Bind(pool);
  const auto uploads = recording.Named("glCompressedTexImage2DARB");
  ASSERT_EQ(uploads.size(), 4u);
  const int sides[] = {8, 4, 2, 1};
  const int sizes[] = {32, 8, 8, 8};
  for (int i = 0; i < 4; ++i) {
    const std::vector<std::string> expected = {"3553",
                                               std::to_string(i),
                                               std::to_string(GL_COMPRESSED_RGB_S3TC_DXT1_EXT),
                                               std::to_string(sides[i]),
                                               std::to_string(sides[i]),
                                               "0",
                                               std::to_string(sizes[i]),
                                               PointerText(texture.compressedLevel(i).data())};
    EXPECT_EQ(uploads[i].args, expected) << "level " << i;
  }
  EXPECT_EQ(recording.Count("glTexImage2D"), 0);
  EXPECT_EQ(recording.Count("glActiveTextureARB"), 1);  // unit 0 before creating
  const auto filters = recording.Named("glTexParameterf");
  ASSERT_EQ(filters.size(), 2u);
  EXPECT_EQ(filters[0].args[2], std::to_string(GL_LINEAR));                // magnification
  EXPECT_EQ(filters[1].args[2], std::to_string(GL_LINEAR_MIPMAP_LINEAR));  // minification

  recording.calls.clear();
  texture.Bind(pool);
  EXPECT_EQ(recording.Names(), std::vector<std::string>{"glBindTexture"});

  // Loading a BMP over it goes back to uncompressed pixels.
  ASSERT_TRUE(texture.LoadBmp(
      false,
      folder.Write(
          "Plain.bmp",
          testing::MakeBmp({4, 4, [](int, int) { return std::array<std::uint8_t, 3>{}; }})),
      ""));
  EXPECT_EQ(texture.compressedFormat(), 0u);
  EXPECT_EQ(texture.compressedLevelCount(), 0);
}

TEST(DdsTexture, LevelZeroAloneOrAPartialChainIsNotMipmapped) {
  TempFolder folder;
  testing::RecordingGl recording;
  TextureNamePool pool;
  // No chain, and a chain that stops at 4x4: a mipmapped GL texture would be incomplete.
  const Bytes files[] = {MakeDds("DXT5", 8, 4, {Numbered(2, 16, 0)}),
                         MakeDds("DXT1", 8, 8, {Numbered(4, 8, 0), Numbered(1, 8, 40)})};
  const GLenum formats[] = {GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, GL_COMPRESSED_RGB_S3TC_DXT1_EXT};
  for (int f = 0; f < 2; ++f) {
    Texture texture;
    std::string why;
    ASSERT_TRUE(texture.LoadDds(folder.Write("T.dds", files[f]), &why)) << why;
    EXPECT_EQ(texture.compressedLevelCount(), 1);
    recording.calls.clear();
    texture.Bind(pool);
    const auto uploads = recording.Named("glCompressedTexImage2DARB");
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_EQ(uploads[0].args[2], std::to_string(formats[f]));
    EXPECT_EQ(uploads[0].args[6], "32");  // two 16-byte blocks, four 8-byte ones
    EXPECT_EQ(recording.Named("glTexParameterf")[1].args[2], std::to_string(GL_LINEAR));
  }
}

// The file's first block row is the top of the picture; GL's is the bottom, as in the BMPs.
TEST(DdsTexture, BlocksAreTurnedBottomUpWithTheRowsInsideThem) {
  TempFolder folder;
  std::string why;

  // DXT1, 4x8: two blocks, top then bottom. Bytes 0-3 are the colours, 4-7 one row each.
  {
    Texture texture;
    const Bytes top = {1, 2, 3, 4, 10, 11, 12, 13}, bottom = {5, 6, 7, 8, 20, 21, 22, 23};
    Bytes level = top;
    level.insert(level.end(), bottom.begin(), bottom.end());
    ASSERT_TRUE(texture.LoadDds(folder.Write("a.dds", MakeDds("DXT1", 4, 8, {level})), &why));
    EXPECT_EQ(texture.compressedLevel(0),
              (Bytes{5, 6, 7, 8, 23, 22, 21, 20, 1, 2, 3, 4, 13, 12, 11, 10}));
  }
  // A level only two rows high uses two rows of its block: those two change places.
  {
    Texture texture;
    ASSERT_TRUE(texture.LoadDds(
        folder.Write("b.dds", MakeDds("DXT1", 4, 2, {{1, 2, 3, 4, 10, 11, 12, 13}})), &why));
    EXPECT_EQ(texture.compressedLevel(0), (Bytes{1, 2, 3, 4, 11, 10, 12, 13}));
  }
  // DXT3: 2 bytes of 4-bit alpha a row, then the colour block.
  {
    Texture texture;
    const Bytes block = {1, 2, 3, 4, 5, 6, 7, 8, 9, 9, 9, 9, 10, 11, 12, 13};
    ASSERT_TRUE(texture.LoadDds(folder.Write("c.dds", MakeDds("DXT3", 4, 4, {block})), &why));
    EXPECT_EQ(texture.compressedLevel(0),
              (Bytes{7, 8, 5, 6, 3, 4, 1, 2, 9, 9, 9, 9, 13, 12, 11, 10}));
  }
  // DXT5: two alpha endpoints, then 48 bits of 3-bit indices, 12 bits a row.
  {
    Texture texture;
    const std::uint64_t rows[4] = {0x123, 0x456, 0x789, 0xABC};
    std::uint64_t bits = 0;
    for (int r = 0; r < 4; ++r) bits |= rows[r] << (12 * r);
    Bytes block = {200, 100};
    for (int i = 0; i < 6; ++i) block.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
    block.insert(block.end(), {9, 9, 9, 9, 10, 11, 12, 13});
    ASSERT_TRUE(texture.LoadDds(folder.Write("d.dds", MakeDds("DXT5", 4, 4, {block})), &why));
    const Bytes& flipped = texture.compressedLevel(0);
    EXPECT_EQ(flipped[0], 200);
    EXPECT_EQ(flipped[1], 100);
    std::uint64_t got = 0;
    for (int i = 0; i < 6; ++i) got |= std::uint64_t{flipped[2 + i]} << (8 * i);
    for (int r = 0; r < 4; ++r) EXPECT_EQ((got >> (12 * r)) & 0xFFF, rows[3 - r]) << r;
    EXPECT_EQ(Bytes(flipped.begin() + 12, flipped.end()), (Bytes{13, 12, 11, 10}));
  }
}

TEST(DdsTexture, MalformedFilesAreRefusedWithTheTextureUnchanged) {
  TempFolder folder;
  const Bytes valid = SmallChain();
  auto refused = [&](const Bytes& file, const std::string& label) {
    Texture texture;
    std::string why;
    EXPECT_TRUE(texture.LoadDds(folder.Write("Good.dds", valid), &why)) << why;
    why.clear();
    EXPECT_FALSE(texture.LoadDds(folder.Write("Bad.dds", file), &why)) << label;
    EXPECT_FALSE(why.empty()) << label;
    EXPECT_EQ(texture.width(), 8) << label;  // the good load is still there
    EXPECT_EQ(texture.compressedLevelCount(), 4) << label;
    return why;
  };

  // Every cut short of the last level's end, the header included.
  for (std::size_t size = 0; size < valid.size(); ++size) {
    refused(Bytes(valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(size)),
            "cut at " + std::to_string(size));
  }
  auto with = [&](std::size_t at, std::uint32_t value) {
    Bytes file = valid;
    testing::Put32(file, at, value);
    return file;
  };
  refused(with(0, 0x20534444u + 1), "magic");
  refused(with(4, 128), "header size");
  refused(with(76, 24), "pixel format size");
  refused(with(80, 0x40), "uncompressed pixel format");
  for (const char* fourCc : {"DXT2", "DXT4", "ATI2", "DX10", "\x01\x02\x03\x04"}) {
    refused(MakeDds(fourCc, 8, 8, {Numbered(4, 16, 0)}), fourCc);
  }
  refused(with(16, 0), "width 0");
  refused(with(12, 0), "height 0");
  refused(with(16, 4097), "width 4097");
  refused(with(12, 0x80000000u), "negative height");
  refused(with(28, 5), "more levels than 8x8 has");
  // A level 6 rows high cannot be turned bottom-up by whole blocks.
  EXPECT_NE(refused(MakeDds("DXT1", 4, 6, {Numbered(2, 8, 0)}), "height 6").find("height"),
            std::string::npos);
  // Claimed sizes the data does not hold: 4096x4096 in a 184-byte file.
  EXPECT_NE(refused(with(16, 4096), "wide").find("level 0"), std::string::npos);

  Texture missing;
  std::string why;
  EXPECT_FALSE(missing.LoadDds((folder.Path() / "None.dds").string(), &why));
  EXPECT_NE(why.find("None.dds"), std::string::npos);
}

TEST(DdsTexture, LargestSideAndTrailingBytesAreAccepted) {
  TempFolder folder;
  // 4096x4 DXT1, level 0 only, with junk after the blocks.
  Bytes file = MakeDds("DXT1", 4096, 4, {Numbered(1024, 8, 0)});
  file.insert(file.end(), 16, 0xEE);
  Texture texture;
  std::string why;
  ASSERT_TRUE(texture.LoadDds(folder.Write("Wide.dds", file), &why)) << why;
  EXPECT_EQ(texture.compressedLevel(0).size(), 8192u);
}

}  // namespace
}  // namespace ironwood
