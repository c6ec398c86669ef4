#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/support/image.h"
#include "tests/support/test_files.h"

namespace ironwood::testing {
namespace {

std::vector<std::uint8_t> TextBytes(const std::string& text) {
  return {text.begin(), text.end()};
}

Image Gradient(int width, int height) {
  Image image{width, height,
              std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 3)};
  for (std::size_t i = 0; i < image.rgb.size(); ++i)
    image.rgb[i] = static_cast<std::uint8_t>(i * 7);
  return image;
}

std::uint32_t BigEndian(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return (std::uint32_t{bytes[at]} << 24) | (std::uint32_t{bytes[at + 1]} << 16) |
         (std::uint32_t{bytes[at + 2]} << 8) | bytes[at + 3];
}

TEST(Ppm, RoundTripsThroughAFile) {
  const Image image = Gradient(5, 3);
  const TempFolder folder;
  const std::string path = (folder.Path() / "image.ppm").string();
  ASSERT_TRUE(WritePpm(image, path));
  Image read;
  std::string error;
  ASSERT_TRUE(ReadPpm(path, read, &error)) << error;
  EXPECT_EQ(read.width, 5);
  EXPECT_EQ(read.height, 3);
  EXPECT_EQ(read.rgb, image.rgb);
  std::remove(path.c_str());
  EXPECT_FALSE(ReadPpm(path, read, &error));
  EXPECT_FALSE(WritePpm(Image{2, 2, {1, 2, 3}}, path));  // fewer bytes than its size
}

TEST(Ppm, AcceptsCommentsAndRefusesHeadersThatDoNotMatchTheBytes) {
  Image image;
  std::string error;
  ASSERT_TRUE(
      ParsePpm(TextBytes("P6\n# made by hand\n2 1 # two pixels\n255\n\x01\x02\x03\x04\x05\x06"),
               image, &error))
      << error;
  EXPECT_EQ(image.rgb, (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6}));

  const char* refused[] = {
      "P3\n1 1\n255\n000",                         // text PPM
      "P6\n2 1\n255\n\x01\x02\x03",                // pixels cut short
      "P6\n65535 65535\n255\n\x01",                // a huge size over a few bytes
      "P6\n99999999999999999999 1\n255\n",         // a number that would overflow
      "P6\n0 4\n255\n",                            // no pixels
      "P6\n-1 1\n255\n\x01\x02\x03",               // a sign is not a digit
      "P6\n1 1\n65535\n\x01\x02\x03\x04\x05\x06",  // 16 bits a channel
      "P6\n1 1\n255",                              // no separator after the header
      "P6 1",
      "",
  };
  for (const char* text : refused) {
    Image untouched{1, 1, {9, 9, 9}};
    error.clear();
    EXPECT_FALSE(ParsePpm(TextBytes(text), untouched, &error)) << text;
    EXPECT_FALSE(error.empty()) << text;
    EXPECT_EQ(untouched.rgb, (std::vector<std::uint8_t>{9, 9, 9})) << text;
  }
}

TEST(Png, ChecksumsMatchTheirPublishedCheckValues) {
  const std::string digits = "123456789";
  const std::string word = "Wikipedia";
  EXPECT_EQ(Crc32(reinterpret_cast<const std::uint8_t*>(digits.data()), digits.size()),
            0xCBF43926u);
  EXPECT_EQ(Adler32(reinterpret_cast<const std::uint8_t*>(word.data()), word.size()), 0x11E60398u);
  EXPECT_EQ(Adler32(nullptr, 0), 1u);
}

// Decodes what EncodePng wrote: chunk checksums, then the stored deflate blocks, which a viewer
// must be able to follow across the 65535-byte block limit.
TEST(Png, StoresRowsInValidChunksAndBlocks) {
  const Image image = Gradient(200, 120);  // 72120 filtered bytes: two stored blocks
  const std::vector<std::uint8_t> png = EncodePng(image);
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(std::vector<std::uint8_t>(png.begin(), png.begin() + 8),
            (std::vector<std::uint8_t>{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));

  std::vector<std::string> types;
  std::vector<std::uint8_t> zlib;
  for (std::size_t at = 8; at < png.size();) {
    ASSERT_LE(at + 12, png.size());
    const std::uint32_t length = BigEndian(png, at);
    ASSERT_LE(at + 12 + length, png.size());
    types.emplace_back(png.begin() + at + 4, png.begin() + at + 8);
    EXPECT_EQ(Crc32(png.data() + at + 4, length + 4), BigEndian(png, at + 8 + length))
        << types.back();
    if (types.back() == "IHDR") {
      EXPECT_EQ(BigEndian(png, at + 8), 200u);
      EXPECT_EQ(BigEndian(png, at + 12), 120u);
      EXPECT_EQ(png[at + 16], 8);  // bits a channel
      EXPECT_EQ(png[at + 17], 2);  // RGB
    }
    if (types.back() == "IDAT") zlib.assign(png.begin() + at + 8, png.begin() + at + 8 + length);
    at += 12 + length;
  }
  EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));

  ASSERT_GE(zlib.size(), 6u);
  EXPECT_EQ((zlib[0] * 256 + zlib[1]) % 31, 0);  // the zlib header check
  std::vector<std::uint8_t> raw;
  std::size_t at = 2;
  int blocks = 0;
  bool final = false;
  while (!final) {
    ASSERT_LE(at + 5, zlib.size());
    final = zlib[at] & 1;
    EXPECT_EQ(zlib[at] >> 1, 0) << "stored block";
    const unsigned length = zlib[at + 1] | (zlib[at + 2] << 8);
    const unsigned complement = zlib[at + 3] | (zlib[at + 4] << 8);
    EXPECT_EQ(length ^ 0xFFFFu, complement);
    ASSERT_LE(at + 5 + length, zlib.size());
    raw.insert(raw.end(), zlib.begin() + at + 5, zlib.begin() + at + 5 + length);
    at += 5 + length;
    ++blocks;
  }
  EXPECT_EQ(blocks, 2);
  ASSERT_EQ(at + 4, zlib.size());
  EXPECT_EQ(Adler32(raw.data(), raw.size()), BigEndian(zlib, at));

  ASSERT_EQ(raw.size(), 120u * (1 + 600));
  for (int y = 0; y < 120; ++y) {
    const std::size_t row = static_cast<std::size_t>(y) * 601;
    ASSERT_EQ(raw[row], 0) << "filter of row " << y;
    ASSERT_TRUE(std::equal(raw.begin() + row + 1, raw.begin() + row + 601,
                           image.rgb.begin() + static_cast<std::ptrdiff_t>(y) * 600))
        << "row " << y;
  }

  EXPECT_TRUE(EncodePng(Image{}).empty());
  EXPECT_TRUE(EncodePng(Image{2, 2, {1, 2, 3}}).empty());
}

TEST(CompareImages, CountsPixelsBeyondToleranceAgainstTheAllowedShare) {
  const Image base = Gradient(10, 10);
  Image changed = base;
  changed.rgb[0] = static_cast<std::uint8_t>(base.rgb[0] + 5);    // within a tolerance of 5
  changed.rgb[31] = static_cast<std::uint8_t>(base.rgb[31] + 6);  // pixel 10, beyond it
  changed.rgb[95] = static_cast<std::uint8_t>(base.rgb[95] ^ 0x80);

  ImageComparison result = CompareImages(base, changed, 5, 0.02);
  EXPECT_TRUE(result.sameSize);
  EXPECT_EQ(result.badPixels, 2u);
  EXPECT_EQ(result.largestDifference, 128);
  EXPECT_TRUE(result.matches);  // 2 of 100 pixels, 2% allowed
  EXPECT_FALSE(CompareImages(base, changed, 5, 0.01).matches);
  EXPECT_TRUE(CompareImages(base, base, 0, 0.0).matches);

  const Image difference = DifferenceImage(base, changed, 5);
  ASSERT_TRUE(IsWellFormed(difference));
  EXPECT_EQ(difference.rgb[30], 255);  // pixel 10 marked red
  EXPECT_EQ(difference.rgb[31], 0);
  EXPECT_NE(difference.rgb[1], 0);  // pixel 0 is within tolerance: a dimmed copy
  EXPECT_LT(difference.rgb[1], base.rgb[1]);

  // Images that cannot be compared never match, and are never read past their bytes.
  EXPECT_FALSE(CompareImages(base, Gradient(10, 9), 255, 1.0).matches);
  EXPECT_FALSE(CompareImages(base, Gradient(10, 9), 255, 1.0).sameSize);
  EXPECT_FALSE(CompareImages(Image{10, 10, {1, 2, 3}}, base, 255, 1.0).matches);
  EXPECT_TRUE(DifferenceImage(base, Gradient(9, 10), 0).rgb.empty());
}

}  // namespace
}  // namespace ironwood::testing
