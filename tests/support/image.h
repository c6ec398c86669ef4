#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/headless/offscreen_renderer.h"
#include "tools/png/png_encoder.h"

namespace ironwood::testing {

// RGB, 3 bytes a pixel, rows from the top down: what the offscreen renderer reads back.
using Image = platform::RgbImage;

// Whether the image has a size and exactly the bytes that size needs.
bool IsWellFormed(const Image& image);

// Binary PPM (P6, maximum 255). Reading treats the file as untrusted: a wrong header, a size
// that does not match the bytes present or a maximum other than 255 is refused with `error`.
bool WritePpm(const Image& image, const std::string& path);
bool ParsePpm(const std::vector<std::uint8_t>& bytes, Image& image, std::string* error = nullptr);
bool ReadPpm(const std::string& path, Image& image, std::string* error = nullptr);

// PNG with uncompressed deflate blocks, so any image viewer opens it without a zlib here.
std::vector<std::uint8_t> EncodePng(const Image& image);  // empty for a malformed image
bool WritePng(const Image& image, const std::string& path);
using png::Adler32;
using png::Crc32;

struct ImageComparison {
  bool sameSize = false;
  std::size_t badPixels = 0;  // pixels with a channel further off than the tolerance
  int largestDifference = 0;  // over all channels
  bool matches = false;       // same size and bad pixels within the allowed fraction
  std::string Summary() const;
};

// Rendering differs a little between drivers (edges, rounding), so images are compared with a
// per-channel tolerance and a share of pixels allowed beyond it, never byte for byte.
ImageComparison CompareImages(const Image& a, const Image& b, int perChannelTolerance,
                              double maxBadFraction);

// An image of the same size with the pixels beyond tolerance in red over a dimmed copy of `a`.
Image DifferenceImage(const Image& a, const Image& b, int perChannelTolerance);

}  // namespace ironwood::testing
