#include "tools/assetgen/canvas.h"
#include "tools/assetgen/mix.h"

#include <algorithm>
#include <cmath>

namespace ironwood::assetgen {

Rgba operator+(Rgba x, Rgba y) {
  return {x.r + y.r, x.g + y.g, x.b + y.b, x.a + y.a};
}
Rgba operator*(Rgba x, float s) {
  return {x.r * s, x.g * s, x.b * s, x.a * s};
}
Rgba Mix(Rgba x, Rgba y, float t) {
  return x * (1 - t) + y * t;
}

Canvas::Canvas(int width, int height, Rgba fill)
    : width_(width), height_(height), pixels_(static_cast<std::size_t>(width) * height, fill) {}

Rgba Canvas::Sample(float x, float y) const {
  const float fx = std::clamp(x - 0.5f, 0.0f, static_cast<float>(width_ - 1));
  const float fy = std::clamp(y - 0.5f, 0.0f, static_cast<float>(height_ - 1));
  const int x0 = static_cast<int>(fx);
  const int y0 = static_cast<int>(fy);
  const int x1 = std::min(x0 + 1, width_ - 1);
  const int y1 = std::min(y0 + 1, height_ - 1);
  const float tx = fx - x0;
  const float ty = fy - y0;
  return Mix(Mix(at(x0, y0), at(x1, y0), tx), Mix(at(x0, y1), at(x1, y1), tx), ty);
}

void Canvas::Add(int x, int y, Rgba colour, float weight) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  at(x, y) = at(x, y) + colour * weight;
}

void Canvas::Over(int x, int y, Rgba colour, float coverage) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  Rgba& p = at(x, y);
  const float top = Clamp01(colour.a * coverage);
  const float below = Clamp01(p.a) * (1 - top);
  const float out = top + below;
  if (out <= 0) return;
  p.r = (colour.r * top + p.r * below) / out;
  p.g = (colour.g * top + p.g * below) / out;
  p.b = (colour.b * top + p.b * below) / out;
  p.a = out;
}

// ---- Numbers ----

std::uint32_t Hash(std::uint32_t a, std::uint32_t b, std::uint32_t c) {
  // Three words folded in with multiply-xorshift rounds; every input bit reaches every output
  // bit, so neighbouring lattice points get unrelated values.
  return Mix32(a * 0x9E3779B1u ^ (b + 0x7F4A7C15u) * 0x85EBCA77u ^ (c + 0x2545F491u) * 0xC2B2AE3Du);
}

float HashUnit(std::uint32_t a, std::uint32_t b, std::uint32_t c) {
  return static_cast<float>(Hash(a, b, c) >> 8) * (1.0f / 16777216.0f);
}

float Clamp01(float v) {
  return std::clamp(v, 0.0f, 1.0f);
}

float SmoothStep(float edge0, float edge1, float v) {
  const float t = Clamp01((v - edge0) / (edge1 - edge0));
  return t * t * (3 - 2 * t);
}

namespace {

float Fade(float t) {
  return t * t * (3 - 2 * t);
}

float Lattice(int x, int y, std::uint32_t seed) {
  return HashUnit(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), seed);
}

}  // namespace

float ValueNoise(float x, float y, std::uint32_t seed) {
  const float fx = std::floor(x);
  const float fy = std::floor(y);
  const int ix = static_cast<int>(fx);
  const int iy = static_cast<int>(fy);
  const float tx = Fade(x - fx);
  const float ty = Fade(y - fy);
  const float top = Lattice(ix, iy, seed) * (1 - tx) + Lattice(ix + 1, iy, seed) * tx;
  const float bottom = Lattice(ix, iy + 1, seed) * (1 - tx) + Lattice(ix + 1, iy + 1, seed) * tx;
  return top * (1 - ty) + bottom * ty;
}

float Fbm(float x, float y, int octaves, std::uint32_t seed, float gain) {
  float sum = 0, weight = 1, total = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += ValueNoise(x, y, seed + static_cast<std::uint32_t>(i) * 1013u) * weight;
    total += weight;
    weight *= gain;
    // Each octave is also shifted, so lattice lines of the octaves never line up.
    x = x * 2 + 17.31f;
    y = y * 2 - 9.77f;
  }
  return sum / total;
}

float PeriodicNoise(float x, int period, std::uint32_t seed) {
  const float fx = std::floor(x);
  const int i = static_cast<int>(fx);
  const auto wrap = [period](int v) {
    return static_cast<std::uint32_t>(((v % period) + period) % period);
  };
  const float t = Fade(x - fx);
  return HashUnit(wrap(i), seed, 77u) * (1 - t) + HashUnit(wrap(i + 1), seed, 77u) * t;
}

// ---- Drawing ----

void AddGlow(Canvas& canvas, float cx, float cy, float radius, Rgba colour, float strength) {
  const float reach = radius * 3.2f;
  const int x0 = std::max(0, static_cast<int>(cx - reach));
  const int x1 = std::min(canvas.width() - 1, static_cast<int>(cx + reach) + 1);
  const int y0 = std::max(0, static_cast<int>(cy - reach));
  const int y1 = std::min(canvas.height() - 1, static_cast<int>(cy + reach) + 1);
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      const float dx = (x + 0.5f - cx) / radius;
      const float dy = (y + 0.5f - cy) / radius;
      canvas.Add(x, y, colour, strength * std::exp(-(dx * dx + dy * dy)));
    }
  }
}

void FillDisc(Canvas& canvas, float cx, float cy, float radius, Rgba colour) {
  const int x0 = std::max(0, static_cast<int>(cx - radius - 2));
  const int x1 = std::min(canvas.width() - 1, static_cast<int>(cx + radius + 2));
  const int y0 = std::max(0, static_cast<int>(cy - radius - 2));
  const int y1 = std::min(canvas.height() - 1, static_cast<int>(cy + radius + 2));
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      const float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
      const float coverage = Clamp01(radius - d + 0.5f);
      if (coverage > 0) canvas.Over(x, y, colour, coverage);
    }
  }
}

Canvas Blur(const Canvas& source, float sigma) {
  const int reach = std::max(1, static_cast<int>(std::ceil(sigma * 3)));
  std::vector<float> kernel(static_cast<std::size_t>(2 * reach + 1));
  float total = 0;
  for (int i = -reach; i <= reach; ++i) {
    kernel[static_cast<std::size_t>(i + reach)] = std::exp(-0.5f * (i * i) / (sigma * sigma));
    total += kernel[static_cast<std::size_t>(i + reach)];
  }
  for (float& k : kernel) k /= total;
  const int w = source.width();
  const int h = source.height();
  // Beyond the edge counts as empty, so a glow fades out rather than smearing the border.
  Canvas across(w, h), out(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      Rgba sum;
      for (int i = -reach; i <= reach; ++i) {
        const int sx = x + i;
        if (sx >= 0 && sx < w)
          sum = sum + source.at(sx, y) * kernel[static_cast<std::size_t>(i + reach)];
      }
      across.at(x, y) = sum;
    }
  }
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      Rgba sum;
      for (int i = -reach; i <= reach; ++i) {
        const int sy = y + i;
        if (sy >= 0 && sy < h)
          sum = sum + across.at(x, sy) * kernel[static_cast<std::size_t>(i + reach)];
      }
      out.at(x, y) = sum;
    }
  }
  return out;
}

void AddLayer(Canvas& canvas, const Canvas& layer, float strength) {
  const int w = std::min(canvas.width(), layer.width());
  const int h = std::min(canvas.height(), layer.height());
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const Rgba& p = layer.at(x, y);
      canvas.Add(x, y, {p.r * p.a, p.g * p.a, p.b * p.a, p.a}, strength);
    }
  }
}

Canvas Resize(const Canvas& source, int width, int height) {
  Canvas out(width, height);
  const float sx = static_cast<float>(source.width()) / width;
  const float sy = static_cast<float>(source.height()) / height;
  // Enough samples per new pixel to cover the old pixels it spans.
  const int nx = std::clamp(static_cast<int>(std::ceil(sx)) * 2, 2, 16);
  const int ny = std::clamp(static_cast<int>(std::ceil(sy)) * 2, 2, 16);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      Rgba sum;
      for (int j = 0; j < ny; ++j) {
        for (int i = 0; i < nx; ++i) {
          sum = sum + source.Sample((x + (i + 0.5f) / nx) * sx, (y + (j + 0.5f) / ny) * sy);
        }
      }
      out.at(x, y) = sum * (1.0f / static_cast<float>(nx * ny));
    }
  }
  return out;
}

}  // namespace ironwood::assetgen
