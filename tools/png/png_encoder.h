#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ironwood::png {

// An RGB image as an uncompressed PNG (stored deflate blocks): larger than a compressed one, but
// any viewer opens it and it needs no library. Rows run from the top. Empty when the sizes do not
// match the pixel count.
std::vector<std::uint8_t> EncodeRgbPng(int width, int height, const std::vector<std::uint8_t>& rgb);

// The same with an alpha byte after each pixel's red, green and blue.
std::vector<std::uint8_t> EncodeRgbaPng(int width, int height,
                                        const std::vector<std::uint8_t>& rgba);
std::uint32_t Crc32(const std::uint8_t* data, std::size_t size);
std::uint32_t Adler32(const std::uint8_t* data, std::size_t size);

}  // namespace ironwood::png
