#include "tools/assetgen/image_files.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>

namespace ironwood::assetgen {

namespace {

void PutLe(Bytes& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PutBe32(Bytes& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<std::uint8_t>(value >> shift));
}

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> entries{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      entries[n] = c;
    }
    return entries;
  }();
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

std::uint32_t Adler32(const std::uint8_t* data, std::size_t size) {
  std::uint32_t a = 1;
  std::uint32_t b = 0;
  for (std::size_t i = 0; i < size; ++i) {
    a = (a + data[i]) % 65521u;
    b = (b + a) % 65521u;
  }
  return (b << 16) | a;
}

void PutChunk(Bytes& out, const char type[4], const Bytes& data) {
  PutBe32(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t typeAt = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutBe32(out, Crc32(out.data() + typeAt, out.size() - typeAt));
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
  // Each row starts with filter type 0 (none).
  const std::size_t row = static_cast<std::size_t>(width) * 3;
  Bytes raw;
  raw.reserve((row + 1) * static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);
    const auto begin =
        rgbTopDown.begin() + static_cast<std::ptrdiff_t>(row * static_cast<std::size_t>(y));
    raw.insert(raw.end(), begin, begin + static_cast<std::ptrdiff_t>(row));
  }
  // A zlib stream of stored deflate blocks, at most 65535 bytes each.
  Bytes zlib = {0x78, 0x01};
  std::size_t at = 0;
  do {
    const std::size_t length = std::min<std::size_t>(raw.size() - at, 65535);
    const bool last = at + length == raw.size();
    zlib.push_back(last ? 1 : 0);
    PutLe(zlib, static_cast<std::uint32_t>(length), 2);
    PutLe(zlib, static_cast<std::uint32_t>(~length & 0xFFFF), 2);
    zlib.insert(zlib.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
                raw.begin() + static_cast<std::ptrdiff_t>(at + length));
    at += length;
  } while (at < raw.size());
  PutBe32(zlib, Adler32(raw.data(), raw.size()));

  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes header;
  PutBe32(header, static_cast<std::uint32_t>(width));
  PutBe32(header, static_cast<std::uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter, no interlace
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", zlib);
  PutChunk(png, "IEND", {});
  return png;
}

bool WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

}  // namespace ironwood::assetgen
