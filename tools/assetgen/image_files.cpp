#include "tools/assetgen/image_files.h"

#include "tools/png/png_encoder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>

namespace ironwood::assetgen {

namespace {

void PutLe(Bytes& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::vector<std::uint8_t> Channels(const Canvas& canvas, bool opacity) {
  std::vector<std::uint8_t> rgb;
  rgb.reserve(static_cast<std::size_t>(canvas.width()) * canvas.height() * 3);
  for (int y = 0; y < canvas.height(); ++y) {
    for (int x = 0; x < canvas.width(); ++x) {
      const Rgba& p = canvas.at(x, y);
      if (opacity) {
        rgb.insert(rgb.end(), 3, ToByte(p.a));
      } else {
        rgb.push_back(ToByte(p.r));
        rgb.push_back(ToByte(p.g));
        rgb.push_back(ToByte(p.b));
      }
    }
  }
  return rgb;
}

}  // namespace

std::uint8_t ToByte(float value) {
  return static_cast<std::uint8_t>(std::lround(Clamp01(value) * 255.0f));
}

Bytes EncodeBmp(int width, int height, const std::vector<std::uint8_t>& rgbTopDown) {
  const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
  const std::uint32_t dataSize = stride * static_cast<std::uint32_t>(height);
  constexpr std::uint32_t kHeaders = 14 + 40;
  Bytes out;
  out.reserve(kHeaders + dataSize);
  out.push_back('B');
  out.push_back('M');
  PutLe(out, kHeaders + dataSize, 4);
  PutLe(out, 0, 4);         // reserved
  PutLe(out, kHeaders, 4);  // offset of the pixels
  PutLe(out, 40, 4);        // BITMAPINFOHEADER
  PutLe(out, static_cast<std::uint32_t>(width), 4);
  PutLe(out, static_cast<std::uint32_t>(height), 4);  // positive: bottom-up
  PutLe(out, 1, 2);                                   // planes
  PutLe(out, 24, 2);                                  // bits per pixel
  PutLe(out, 0, 4);                                   // no compression
  PutLe(out, dataSize, 4);
  PutLe(out, 2835, 4);  // 72 dots per inch, both ways
  PutLe(out, 2835, 4);
  PutLe(out, 0, 4);  // no palette
  PutLe(out, 0, 4);
  for (int row = height - 1; row >= 0; --row) {
    const std::uint8_t* p = rgbTopDown.data() + static_cast<std::size_t>(row) * width * 3;
    for (int x = 0; x < width; ++x, p += 3) {
      out.push_back(p[2]);
      out.push_back(p[1]);
      out.push_back(p[0]);
    }
    out.insert(out.end(), stride - static_cast<std::uint32_t>(width) * 3, 0);
  }
  return out;
}

Bytes EncodeColourBmp(const Canvas& canvas) {
  return EncodeBmp(canvas.width(), canvas.height(), Channels(canvas, false));
}

Bytes EncodeOpacityBmp(const Canvas& canvas) {
  return EncodeBmp(canvas.width(), canvas.height(), Channels(canvas, true));
}

Bytes EncodePng(int width, int height, const std::vector<std::uint8_t>& rgbTopDown) {
  return png::EncodeRgbPng(width, height, rgbTopDown);
}

bool WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

}  // namespace ironwood::assetgen
