#include "tools/assetgen/dds.h"

#include <algorithm>
#include <cmath>

namespace ironwood::assetgen {

namespace {

Rgb8 Expand(std::uint16_t c) {
  const int r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
  return {static_cast<std::uint8_t>(r << 3 | r >> 2), static_cast<std::uint8_t>(g << 2 | g >> 4),
          static_cast<std::uint8_t>(b << 3 | b >> 2)};
}

// The 5- or 6-bit code whose expansion lies nearest to v (rounding v * 31 / 255 is off by one
// for a few values, since the expansion is not exactly linear).
int NearestCode(float v, int bits) {
  const int top = (1 << bits) - 1;
  const int guess = static_cast<int>(std::lround(std::clamp(v, 0.0f, 255.0f) * top / 255.0f));
  int best = guess;
  float bestError = 1e9f;
  for (int code = std::max(0, guess - 1); code <= std::min(top, guess + 1); ++code) {
    const int expanded = bits == 5 ? (code << 3 | code >> 2) : (code << 2 | code >> 4);
    const float error = std::abs(static_cast<float>(expanded) - v);
    if (error < bestError) {
      bestError = error;
      best = code;
    }
  }
  return best;
}

std::uint16_t Quantize(const float c[3]) {
  return static_cast<std::uint16_t>(NearestCode(c[0], 5) << 11 | NearestCode(c[1], 6) << 5 |
                                    NearestCode(c[2], 5));
}

// The palette a decoder builds from the two stored colours.
std::array<Rgb8, 4> Palette(std::uint16_t c0, std::uint16_t c1) {
  const Rgb8 a = Expand(c0), b = Expand(c1);
  std::array<Rgb8, 4> p{a, b, {}, {}};
  auto mix = [](int x, int y, int wx, int wy, int d) {
    return static_cast<std::uint8_t>((wx * x + wy * y) / d);
  };
  if (c0 > c1) {
    p[2] = {mix(a.r, b.r, 2, 1, 3), mix(a.g, b.g, 2, 1, 3), mix(a.b, b.b, 2, 1, 3)};
    p[3] = {mix(a.r, b.r, 1, 2, 3), mix(a.g, b.g, 1, 2, 3), mix(a.b, b.b, 1, 2, 3)};
  } else {
    p[2] = {mix(a.r, b.r, 1, 1, 2), mix(a.g, b.g, 1, 1, 2), mix(a.b, b.b, 1, 1, 2)};
    p[3] = {0, 0, 0};
  }
  return p;
}

int Distance(const Rgb8& x, const Rgb8& y) {
  const int dr = x.r - y.r, dg = x.g - y.g, db = x.b - y.b;
  return dr * dr + dg * dg + db * db;
}

struct Candidate {
  std::uint16_t c0 = 0, c1 = 0;
  std::array<std::uint8_t, 16> index{};
  long error = -1;  // sum of squared differences; -1 before the first try
};

// Scores one pair of endpoints in four-colour mode, turning it round so that c0 > c1. A pair
// that quantized to one colour still has to be stored as two different ones: the neighbour just
// below (or above, for black) becomes the unused second endpoint.
Candidate Score(std::uint16_t x, std::uint16_t y, const std::array<Rgb8, 16>& pixels) {
  Candidate c;
  if (x == y) {
    const bool black = x == 0;
    c.c0 = black ? 1 : x;
    c.c1 = black ? 0 : static_cast<std::uint16_t>(x - 1);
    const std::uint8_t used = black ? 1 : 0;
    const Rgb8 colour = Expand(x);
    c.error = 0;
    for (int i = 0; i < 16; ++i) {
      c.index[i] = used;
      c.error += Distance(pixels[i], colour);
    }
    return c;
  }
  c.c0 = std::max(x, y);
  c.c1 = std::min(x, y);
  const std::array<Rgb8, 4> palette = Palette(c.c0, c.c1);
  c.error = 0;
  for (int i = 0; i < 16; ++i) {
    int best = 0, bestDistance = Distance(pixels[i], palette[0]);
    for (int k = 1; k < 4; ++k) {
      const int d = Distance(pixels[i], palette[k]);
      if (d < bestDistance) {
        bestDistance = d;
        best = k;
      }
    }
    c.index[i] = static_cast<std::uint8_t>(best);
    c.error += bestDistance;
  }
  return c;
}

// Least-squares endpoints for a fixed assignment of palette entries: each pixel is taken as
// w0 * colour0 + w1 * colour1 with the weights of its entry. False when the assignment uses a
// single weight pair and so fixes nothing.
bool FitEndpoints(const Candidate& c, const std::array<Rgb8, 16>& pixels, float e0[3],
                  float e1[3]) {
  static constexpr float kWeight0[4] = {1.0f, 0.0f, 2.0f / 3.0f, 1.0f / 3.0f};
  float aa = 0, ab = 0, bb = 0, ax[3] = {}, bx[3] = {};
  for (int i = 0; i < 16; ++i) {
    const float w0 = kWeight0[c.index[i]], w1 = 1.0f - w0;
    const float p[3] = {static_cast<float>(pixels[i].r), static_cast<float>(pixels[i].g),
                        static_cast<float>(pixels[i].b)};
    aa += w0 * w0;
    ab += w0 * w1;
    bb += w1 * w1;
    for (int k = 0; k < 3; ++k) {
      ax[k] += w0 * p[k];
      bx[k] += w1 * p[k];
    }
  }
  const float det = aa * bb - ab * ab;
  if (std::abs(det) < 1e-6f) return false;
  for (int k = 0; k < 3; ++k) {
    e0[k] = (ax[k] * bb - bx[k] * ab) / det;
    e1[k] = (bx[k] * aa - ax[k] * ab) / det;
  }
  return true;
}

void Keep(Candidate& best, const Candidate& tried) {
  if (best.error < 0 || tried.error < best.error) best = tried;
}

}  // namespace

std::array<std::uint8_t, 8> EncodeDxt1Block(const std::array<Rgb8, 16>& pixels) {
  float mean[3] = {};
  float low[3] = {255, 255, 255}, high[3] = {0, 0, 0};
  for (const Rgb8& p : pixels) {
    const float v[3] = {static_cast<float>(p.r), static_cast<float>(p.g), static_cast<float>(p.b)};
    for (int k = 0; k < 3; ++k) {
      mean[k] += v[k] / 16.0f;
      low[k] = std::min(low[k], v[k]);
      high[k] = std::max(high[k], v[k]);
    }
  }
  float cov[3][3] = {};
  for (const Rgb8& p : pixels) {
    const float d[3] = {p.r - mean[0], p.g - mean[1], p.b - mean[2]};
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) cov[i][j] += d[i] * d[j];
    }
  }
  // The principal axis by power iteration, started from the bounding box's diagonal.
  float axis[3] = {high[0] - low[0], high[1] - low[1], high[2] - low[2]};
  for (int round = 0; round < 8; ++round) {
    float next[3];
    for (int i = 0; i < 3; ++i)
      next[i] = cov[i][0] * axis[0] + cov[i][1] * axis[1] + cov[i][2] * axis[2];
    const float length = std::sqrt(next[0] * next[0] + next[1] * next[1] + next[2] * next[2]);
    if (length < 1e-6f) break;
    for (int i = 0; i < 3; ++i) axis[i] = next[i] / length;
  }
  const float length = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);

  Candidate best;
  if (length < 1e-6f) {
    // Every pixel alike.
    Keep(best, Score(Quantize(mean), Quantize(mean), pixels));
  } else {
    for (float& a : axis) a /= length;
    float tLow = 1e9f, tHigh = -1e9f;
    for (const Rgb8& p : pixels) {
      const float t =
          (p.r - mean[0]) * axis[0] + (p.g - mean[1]) * axis[1] + (p.b - mean[2]) * axis[2];
      tLow = std::min(tLow, t);
      tHigh = std::max(tHigh, t);
    }
    float e0[3], e1[3];
    for (int k = 0; k < 3; ++k) {
      e0[k] = mean[k] + axis[k] * tHigh;
      e1[k] = mean[k] + axis[k] * tLow;
    }
    Keep(best, Score(Quantize(e0), Quantize(e1), pixels));
    // The bounding box's corners along the axis's signs.
    for (int k = 0; k < 3; ++k) {
      e0[k] = axis[k] >= 0 ? high[k] : low[k];
      e1[k] = axis[k] >= 0 ? low[k] : high[k];
    }
    Keep(best, Score(Quantize(e0), Quantize(e1), pixels));
    // Refit the endpoints to the assignment they produced, a few times over.
    for (int round = 0; round < 3; ++round) {
      if (!FitEndpoints(best, pixels, e0, e1)) break;
      const long before = best.error;
      Keep(best, Score(Quantize(e0), Quantize(e1), pixels));
      if (best.error >= before) break;
    }
    // Last, one step of each endpoint channel either way, which rounding may have missed; not
    // worth it where every pixel is already within a step or so.
    const Candidate start = best;
    const bool closeEnough = best.error <= 16 * 6;
    static constexpr std::uint16_t kUnit[3] = {1 << 11, 1 << 5, 1};
    static constexpr std::uint16_t kMask[3] = {31 << 11, 63 << 5, 31};
    for (int endpoint = 0; endpoint < 2 && !closeEnough; ++endpoint) {
      for (int channel = 0; channel < 3; ++channel) {
        for (int step : {-1, 1}) {
          std::uint16_t e[2] = {start.c0, start.c1};
          const int field = e[endpoint] & kMask[channel];
          const int moved = field + step * kUnit[channel];
          if (moved < 0 || moved > kMask[channel]) continue;
          e[endpoint] = static_cast<std::uint16_t>((e[endpoint] & ~kMask[channel]) | moved);
          Keep(best, Score(e[0], e[1], pixels));
        }
      }
    }
  }

  std::array<std::uint8_t, 8> block{};
  block[0] = static_cast<std::uint8_t>(best.c0);
  block[1] = static_cast<std::uint8_t>(best.c0 >> 8);
  block[2] = static_cast<std::uint8_t>(best.c1);
  block[3] = static_cast<std::uint8_t>(best.c1 >> 8);
  for (int row = 0; row < 4; ++row) {
    std::uint8_t bits = 0;
    for (int x = 0; x < 4; ++x)
      bits |= static_cast<std::uint8_t>(best.index[row * 4 + x] << (2 * x));
    block[4 + row] = bits;
  }
  return block;
}

std::array<Rgb8, 16> DecodeDxt1Block(const std::uint8_t* block) {
  const auto c0 = static_cast<std::uint16_t>(block[0] | block[1] << 8);
  const auto c1 = static_cast<std::uint16_t>(block[2] | block[3] << 8);
  const std::array<Rgb8, 4> palette = Palette(c0, c1);
  std::array<Rgb8, 16> pixels;
  for (int row = 0; row < 4; ++row) {
    for (int x = 0; x < 4; ++x) pixels[row * 4 + x] = palette[(block[4 + row] >> (2 * x)) & 3];
  }
  return pixels;
}

std::size_t Dxt1Size(int width, int height) {
  return static_cast<std::size_t>(std::max(1, (width + 3) / 4)) *
         static_cast<std::size_t>(std::max(1, (height + 3) / 4)) * 8;
}

Bytes EncodeDxt1(int width, int height, const std::vector<std::uint8_t>& rgb) {
  Bytes out;
  out.reserve(Dxt1Size(width, height));
  for (int by = 0; by < height; by += 4) {
    for (int bx = 0; bx < width; bx += 4) {
      std::array<Rgb8, 16> pixels;
      for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
          const int sx = std::min(bx + x, width - 1), sy = std::min(by + y, height - 1);
          const std::uint8_t* p = &rgb[(static_cast<std::size_t>(sy) * width + sx) * 3];
          pixels[y * 4 + x] = {p[0], p[1], p[2]};
        }
      }
      const auto block = EncodeDxt1Block(pixels);
      out.insert(out.end(), block.begin(), block.end());
    }
  }
  return out;
}

std::vector<std::uint8_t> DecodeDxt1(int width, int height, const std::uint8_t* blocks) {
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
  for (int by = 0; by < height; by += 4) {
    for (int bx = 0; bx < width; bx += 4, blocks += 8) {
      const std::array<Rgb8, 16> pixels = DecodeDxt1Block(blocks);
      for (int y = 0; y < 4 && by + y < height; ++y) {
        for (int x = 0; x < 4 && bx + x < width; ++x) {
          std::uint8_t* p = &rgb[(static_cast<std::size_t>(by + y) * width + bx + x) * 3];
          const Rgb8& c = pixels[y * 4 + x];
          p[0] = c.r;
          p[1] = c.g;
          p[2] = c.b;
        }
      }
    }
  }
  return rgb;
}

namespace {

void Put32(Bytes& out, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t Get32(const Bytes& in, std::size_t at) {
  return static_cast<std::uint32_t>(in[at]) | static_cast<std::uint32_t>(in[at + 1]) << 8 |
         static_cast<std::uint32_t>(in[at + 2]) << 16 |
         static_cast<std::uint32_t>(in[at + 3]) << 24;
}

constexpr std::uint32_t FourCc(char a, char b, char c, char d) {
  return static_cast<std::uint32_t>(static_cast<std::uint8_t>(a)) |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(b)) << 8 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(c)) << 16 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(d)) << 24;
}

// Offsets from the start of the file: the four-byte magic, then the 124-byte header.
constexpr std::size_t kFlagsAt = 8, kHeightAt = 12, kWidthAt = 16, kLinearSizeAt = 20,
                      kMipCountAt = 28, kFormatAt = 76, kCapsAt = 108;
constexpr std::size_t kDataAt = 4 + dds::kHeaderSize;

}  // namespace

Bytes EncodeDds(int width, int height, const std::vector<std::vector<std::uint8_t>>& levels) {
  Bytes out(kDataAt, 0);
  out[0] = 'D';
  out[1] = 'D';
  out[2] = 'S';
  out[3] = ' ';
  const bool mipmapped = levels.size() > 1;
  Put32(out, 4, dds::kHeaderSize);
  Put32(out, kFlagsAt,
        dds::kCaps | dds::kHeight | dds::kWidth | dds::kPixelFormat | dds::kLinearSize |
            (mipmapped ? dds::kMipmapCount : 0));
  Put32(out, kHeightAt, static_cast<std::uint32_t>(height));
  Put32(out, kWidthAt, static_cast<std::uint32_t>(width));
  Put32(out, kLinearSizeAt, static_cast<std::uint32_t>(Dxt1Size(width, height)));
  Put32(out, kMipCountAt, mipmapped ? static_cast<std::uint32_t>(levels.size()) : 0);
  Put32(out, kFormatAt, 32);  // the pixel format record's own size
  Put32(out, kFormatAt + 4, dds::kFourCcFlag);
  Put32(out, kFormatAt + 8, FourCc('D', 'X', 'T', '1'));
  Put32(out, kCapsAt, dds::kCapsTexture | (mipmapped ? dds::kCapsComplex | dds::kCapsMipmap : 0));
  int w = width, h = height;
  for (const auto& level : levels) {
    const Bytes blocks = EncodeDxt1(w, h, level);
    out.insert(out.end(), blocks.begin(), blocks.end());
    w = std::max(1, w / 2);
    h = std::max(1, h / 2);
  }
  return out;
}

bool DecodeDds(const Bytes& file, DdsImage* image, std::string* why) {
  auto fail = [why](const std::string& reason) {
    if (why != nullptr) *why = reason;
    return false;
  };
  if (file.size() < kDataAt || file[0] != 'D' || file[1] != 'D' || file[2] != 'S' || file[3] != ' ')
    return fail("not a DDS file");
  if (Get32(file, 4) != dds::kHeaderSize) return fail("unexpected header size");
  if (Get32(file, kFormatAt + 8) != FourCc('D', 'X', 'T', '1') ||
      (Get32(file, kFormatAt + 4) & dds::kFourCcFlag) == 0)
    return fail("not DXT1");
  const std::uint32_t width = Get32(file, kWidthAt), height = Get32(file, kHeightAt);
  if (width == 0 || height == 0 || width > 8192 || height > 8192) return fail("bad size");
  std::uint32_t levelCount = 1;
  if ((Get32(file, kFlagsAt) & dds::kMipmapCount) != 0) {
    levelCount = std::max<std::uint32_t>(1, Get32(file, kMipCountAt));
    if (levelCount > 14) return fail("bad mip-map count");
  }
  DdsImage result;
  result.width = static_cast<int>(width);
  result.height = static_cast<int>(height);
  std::size_t at = kDataAt;
  int w = result.width, h = result.height;
  for (std::uint32_t i = 0; i < levelCount; ++i) {
    const std::size_t size = Dxt1Size(w, h);
    if (file.size() - at < size) return fail("file too short for its levels");
    result.levels.push_back(DecodeDxt1(w, h, file.data() + at));
    at += size;
    w = std::max(1, w / 2);
    h = std::max(1, h / 2);
  }
  *image = std::move(result);
  return true;
}

}  // namespace ironwood::assetgen
