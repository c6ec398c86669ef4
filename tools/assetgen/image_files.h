#pragma once

// The files images are written as: the saver's 24-bit uncompressed BMP (rows bottom-up, each
// padded to four bytes), colour and opacity as two files, and PNG for pictures people look at.

#include <cstdint>
#include <string>
#include <vector>

#include "tools/assetgen/canvas.h"

namespace ironwood::assetgen {

using Bytes = std::vector<std::uint8_t>;

// A channel value in [0, 1] as a byte, rounded; values beyond are clamped.
std::uint8_t ToByte(float value);

// 24-bit BMP of B,G,R triples given top row first, as `width` x `height` pixels.
Bytes EncodeBmp(int width, int height, const std::vector<std::uint8_t>& rgbTopDown);
// The canvas's colour, and its opacity as grey (the saver reads the blue byte as alpha).
Bytes EncodeColourBmp(const Canvas& canvas);
Bytes EncodeOpacityBmp(const Canvas& canvas);

// PNG, 8-bit RGB, stored (uncompressed) deflate blocks: any viewer opens it and no zlib is
// needed here.
Bytes EncodePng(int width, int height, const std::vector<std::uint8_t>& rgbTopDown);

bool WriteFile(const std::string& path, const Bytes& bytes);

}  // namespace ironwood::assetgen
