#pragma once

// DXT1 (S3TC) compression and the ".dds" container the compressed sky tiles are shipped in.
//
// Rows are top-down everywhere here, as the container defines them: the first block row of a
// level is the top of the picture. A loader that hands the blocks to OpenGL as they stand gets
// the picture upside down compared with a bottom-up BMP of it, so it must reverse the block rows
// (and the four pixel rows inside each block) first.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace ironwood::assetgen {

using Bytes = std::vector<std::uint8_t>;

struct Rgb8 {
  std::uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb8&, const Rgb8&) = default;
};

// One 4x4 block, pixels row by row. The result is always in four-colour mode (colour0 greater
// than colour1 as 16-bit numbers), so no pixel ever decodes as transparent black.
std::array<std::uint8_t, 8> EncodeDxt1Block(const std::array<Rgb8, 16>& pixels);
// Both modes: four colours when colour0 > colour1, else three and transparent black (decoded
// as black here, since the sky has no opacity).
std::array<Rgb8, 16> DecodeDxt1Block(const std::uint8_t* block);

// A whole level of `width` x `height` pixels (rgb, top row first): blocks left to right, top to
// bottom; a block that reaches past the edge repeats the edge pixels.
Bytes EncodeDxt1(int width, int height, const std::vector<std::uint8_t>& rgb);
std::vector<std::uint8_t> DecodeDxt1(int width, int height, const std::uint8_t* blocks);
std::size_t Dxt1Size(int width, int height);

// Header constants of the container, named as in the format's description.
namespace dds {
constexpr std::uint32_t kHeaderSize = 124;
constexpr std::uint32_t kCaps = 0x1, kHeight = 0x2, kWidth = 0x4, kPixelFormat = 0x1000,
                        kMipmapCount = 0x20000, kLinearSize = 0x80000;
constexpr std::uint32_t kFourCcFlag = 0x4;
constexpr std::uint32_t kCapsComplex = 0x8, kCapsTexture = 0x1000, kCapsMipmap = 0x400000;
}  // namespace dds

// A DXT1 ".dds" file from the levels of one picture: level 0 is width x height, each further
// level halves both sides (not below 1) and there may be any number of them up to 1 x 1. Every
// level is rgb bytes, top row first. More than one level adds the mip-map count and flags.
Bytes EncodeDds(int width, int height, const std::vector<std::vector<std::uint8_t>>& levels);

struct DdsImage {
  int width = 0;
  int height = 0;
  std::vector<std::vector<std::uint8_t>> levels;  // decoded rgb, top row first
};

// Reads back what EncodeDds writes (a DXT1 file with or without mip-maps); false with a reason
// for anything else, a short file included.
bool DecodeDds(const Bytes& file, DdsImage* image, std::string* why);

}  // namespace ironwood::assetgen
