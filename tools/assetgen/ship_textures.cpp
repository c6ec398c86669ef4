#include "tools/assetgen/ship_textures.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "tools/assetgen/image_files.h"

namespace ironwood::assetgen {

namespace {

constexpr float kTwoPi = 2.0f * std::numbers::pi_v<float>;

enum class View { kTop, kSide, kFront, kRear };

// A texel of the atlas as the point of the hull it shows: the view and two model coordinates,
// (x, z) from above, (y, z) from the side, (x, y) from the front or behind, plus the size of
// one texel in those coordinates.
struct AtlasPoint {
  View view;
  float a, b;
  float texelA, texelB;
};

AtlasPoint Locate(const HullAtlas& atlas, int px, int py, int size) {
  const float u = (static_cast<float>(px) + 0.5f) / static_cast<float>(size);
  const float v = 1.0f - (static_cast<float>(py) + 0.5f) / static_cast<float>(size);
  const float width = 2 * atlas.halfWidth, height = atlas.yHigh - atlas.yLow;
  const float length = atlas.zHigh - atlas.zLow;
  const float texel = 1.0f / static_cast<float>(size);
  if (u < 0.5f) {
    return {View::kTop, -atlas.halfWidth + u / 0.5f * width, atlas.zLow + v * length,
            texel / 0.5f * width, texel * length};
  }
  if (v >= 0.25f) {
    return {View::kSide, atlas.yLow + (u - 0.5f) / 0.5f * height,
            atlas.zLow + (v - 0.25f) / 0.75f * length, texel / 0.5f * height,
            texel / 0.75f * length};
  }
  const bool front = u < 0.75f;
  const float across = front ? u - 0.5f : u - 0.75f;
  return {front ? View::kFront : View::kRear, -atlas.halfWidth + across / 0.25f * width,
          atlas.yLow + v / 0.25f * height, texel / 0.25f * width, texel / 0.25f * height};
}

Rgba Scaled(Rgba c, float s) {
  return {c.r * s, c.g * s, c.b * s, c.a};
}

std::uint32_t Cell(float value) {
  return static_cast<std::uint32_t>(static_cast<std::int32_t>(std::floor(value)) + 100000);
}

// Plating: panels of pa x pb model units, every other row shifted by half a panel, with a
// seam line one texel wide. Returns the panel's own brightness factor and sets `seam` to 1 on
// a seam (and `lit` to 1 on the seam's lit side, for raised plates).
float Panels(const AtlasPoint& p, float pa, float pb, std::uint32_t seed, float* seam, float* lit) {
  const float row = std::floor(p.b / pb);
  const float shift = (static_cast<std::int32_t>(row) & 1) ? 0.5f : 0.0f;
  const float ca = p.a / pa + shift;
  const float fa = ca - std::floor(ca), fb = p.b / pb - row;
  const float ea = std::min(fa, 1 - fa) * pa / p.texelA;
  const float eb = std::min(fb, 1 - fb) * pb / p.texelB;
  *seam = (ea < 0.8f || eb < 0.8f) ? 1.0f : 0.0f;
  *lit = (*seam == 0 && ((fa < 0.5f && ea < 1.8f) || (fb > 0.5f && eb < 1.8f))) ? 1.0f : 0.0f;
  return HashUnit(Cell(ca), Cell(row), seed);
}

// The fleet's emblem in model units about its centre (x across, z along); coverage and colour.
float Emblem(int fleet, float x, float z, float size, Rgba* colour) {
  const float r = size / 2;
  if (fleet == 1) {
    // A ring around a four-pointed star, the long points fore and aft.
    const float d = std::sqrt(x * x + z * z);
    const float ring = 1 - SmoothStep(0.06f * r, 0.1f * r, std::abs(d - 0.82f * r));
    const float long_ = std::abs(x) / (0.16f * r) + std::abs(z) / (0.95f * r);
    const float wide = std::abs(x) / (0.62f * r) + std::abs(z) / (0.16f * r);
    const float star = 1 - SmoothStep(0.9f, 1.0f, std::min(long_, wide));
    *colour = star > ring ? Rgba{0.95f, 0.97f, 1.0f, 1} : Rgba{0.16f, 0.38f, 0.92f, 1};
    return std::max(ring, star);
  }
  // A hexagonal frame around a blade pointing forward.
  const float hex = std::max(std::abs(z) * 0.866f + std::abs(x) * 0.5f, std::abs(x));
  const float frame = 1 - SmoothStep(0.07f * r, 0.11f * r, std::abs(hex - 0.8f * r));
  const float t = (z + 0.55f * r) / (1.15f * r);  // 0 at the blade's base, 1 at its point
  const float blade = (t > 0 && t < 1)
                          ? 1 - SmoothStep(-0.03f * r, 0.03f * r, std::abs(x) - 0.38f * r * (1 - t))
                          : 0.0f;
  *colour = blade > frame ? Rgba{1.0f, 0.62f, 0.12f, 1} : Rgba{0.78f, 0.1f, 0.06f, 1};
  return std::max(frame, blade);
}

struct Palette {
  Rgba plate, seam, accent, window, glow;
  float variation;
};

Palette FleetPalette(int fleet) {
  if (fleet == 1) {
    return {{0.8f, 0.83f, 0.87f, 1}, {0.5f, 0.54f, 0.6f, 1},  {0.16f, 0.4f, 0.93f, 1},
            {0.78f, 0.92f, 1.0f, 1}, {0.45f, 0.72f, 1.0f, 1}, 0.08f};
  }
  return {{0.27f, 0.25f, 0.26f, 1}, {0.08f, 0.07f, 0.07f, 1}, {1.0f, 0.56f, 0.1f, 1},
          {1.0f, 0.72f, 0.32f, 1},  {1.0f, 0.42f, 0.1f, 1},   0.22f};
}

}  // namespace

std::array<float, 2> HullAtlas::Uv(Vec3 p, Vec3 n) const {
  const float xn = (p.x + halfWidth) / (2 * halfWidth);
  const float yn = (p.y - yLow) / (yHigh - yLow);
  const float zn = (p.z - zLow) / (zHigh - zLow);
  const float ax = std::abs(n.x), ay = std::abs(n.y), az = std::abs(n.z);
  if (ay >= ax && ay >= az) return {0.5f * xn, zn};
  if (ax >= az) return {0.5f + 0.5f * yn, 0.25f + 0.75f * zn};
  if (n.z > 0) return {0.5f + 0.25f * xn, 0.25f * yn};
  return {0.75f + 0.25f * xn, 0.25f * yn};
}

Canvas HullTexture(const HullAtlas& atlas, const HullPaint& paint) {
  const int size = kHullTextureSize;
  const Palette palette = FleetPalette(paint.fleet);
  Canvas canvas(size, size);
  for (int py = 0; py < size; ++py) {
    for (int px = 0; px < size; ++px) {
      const AtlasPoint p = Locate(atlas, px, py, size);
      float seam = 0, lit = 0;
      const bool square = paint.fleet == 2;
      const float shade = Panels(p, square ? 0.7f : 0.45f, square ? 0.7f : 0.95f,
                                 paint.seed + static_cast<std::uint32_t>(p.view), &seam, &lit);
      Rgba c = Scaled(palette.plate, 1 - palette.variation + 2 * palette.variation * shade);
      if (p.view == View::kRear) c = Scaled(c, paint.fleet == 1 ? 0.45f : 0.6f);
      if (seam > 0) c = Mix(c, palette.seam, 0.75f);
      if (lit > 0 && square) c = c + Rgba{0.07f, 0.06f, 0.05f, 0};
      const float grime = Fbm(p.a * 0.9f, p.b * 0.9f, 4, paint.seed ^ 0x6A11u);
      c = Scaled(c, 0.84f + 0.24f * grime);

      if (p.view == View::kTop) {
        const float x = p.a, z = p.b;
        if (paint.fleet == 1) {
          // A thin stripe down the spine, broken by the emblem.
          if (std::abs(x) < 0.05f) c = Mix(c, palette.accent, 0.9f);
        } else {
          // Chevrons pointing forward along the spine.
          const float phase = z * 1.4f + std::abs(x) * 1.1f;
          const float f = phase - std::floor(phase);
          if (std::abs(x) < 0.55f && f < 0.22f && std::fmod(std::abs(z) + 0.3f, 4.0f) < 2.2f)
            c = Mix(c, palette.accent, 0.85f);
        }
        Rgba emblem;
        const float cover = Emblem(paint.fleet, x, z - paint.emblemZ, paint.emblemSize, &emblem);
        if (cover > 0) c = Mix(c, emblem, cover);
      } else if (p.view == View::kSide) {
        const float y = p.a, z = p.b;
        // One stripe below the windows, and the windows: small lit ports in a row, some dark.
        const float stripe = paint.windowY - 0.14f;
        if (std::abs(y - stripe) < (paint.fleet == 1 ? 0.035f : 0.05f))
          c = Mix(c, paint.fleet == 1 ? palette.accent : Rgba{0.75f, 0.1f, 0.06f, 1}, 0.9f);
        const float pitch = paint.fleet == 1 ? 0.2f : 0.34f;
        const float slot = z / pitch;
        const float fz = slot - std::floor(slot);
        const float halfHeight = paint.fleet == 1 ? 0.035f : 0.022f;
        const bool lit = HashUnit(Cell(slot), 7u, paint.seed) > 0.3f;
        if (std::abs(y - paint.windowY) < halfHeight && fz > 0.3f && fz < 0.7f)
          c = lit ? palette.window : Rgba{0.05f, 0.06f, 0.08f, 1};
      } else if (p.view == View::kRear) {
        for (const EngineGlow& e : paint.engines) {
          const float d = std::hypot(p.a - e.x, p.b - e.y) / e.radius;
          if (d < 1.0f) {
            const float core = 1 - SmoothStep(0.0f, 0.75f, d);
            c = Mix(palette.glow, {1, 1, 1, 1}, core * 0.85f);
          } else if (d < 1.18f) {
            c = Scaled(palette.seam, 1.6f);
          }
        }
      }
      c.a = 1;
      canvas.at(px, py) = c;
    }
  }
  return canvas;
}

Canvas DamageTexture(const HullAtlas& atlas, const HullPaint& paint) {
  const int size = kHullTextureSize;
  Canvas canvas(size, size);
  for (int py = 0; py < size; ++py) {
    for (int px = 0; px < size; ++px) {
      const AtlasPoint p = Locate(atlas, px, py, size);
      const std::uint32_t seed = paint.seed * 31u + 0xDA3Au;
      // Holes are the tops of a noise field; their ragged rims glow.
      const float n = Fbm(p.a * 1.1f, p.b * 1.1f, 5, seed, 0.55f);
      const float hole = SmoothStep(0.56f, 0.575f, n);
      const float rim = SmoothStep(0.49f, 0.56f, n) * (1 - hole);
      const float char_ = Fbm(p.a * 3.0f, p.b * 3.0f, 3, seed + 1);
      Rgba c{0.09f, 0.075f, 0.065f, 1};
      c = Scaled(c, 0.6f + 0.9f * char_);
      float seam = 0, lit = 0;
      Panels(p, 0.6f, 0.8f, seed, &seam, &lit);
      if (seam > 0) c = Scaled(c, 0.5f);
      // Cracks: thin glowing lines along a second field's middle.
      const float crack = Fbm(p.a * 2.2f, p.b * 2.2f, 3, seed + 2);
      const float line = 1 - SmoothStep(0.008f, 0.02f, std::abs(crack - 0.5f));
      const Rgba ember{1.0f, 0.45f, 0.08f, 1};
      c = Mix(c, ember, std::max(rim * rim, line * 0.8f));
      c = Mix(c, Rgba{1.0f, 0.85f, 0.5f, 1}, rim * rim * rim * 0.6f);
      c.a = std::max(hole, 0.25f * rim);
      canvas.at(px, py) = c;
    }
  }
  return canvas;
}

Canvas ShieldTexture(int fleet) {
  const int size = 128;
  Canvas canvas(size, size);
  const Rgba tint = fleet == 1 ? Rgba{0.3f, 0.62f, 1.0f, 1} : Rgba{1.0f, 0.42f, 0.14f, 1};
  // Whole wave numbers only: every term repeats over the texture, so it tiles both ways.
  const int waves[][2] = {{6, 0}, {3, 5}, {-3, 5}};
  for (int py = 0; py < size; ++py) {
    for (int px = 0; px < size; ++px) {
      const float u = (static_cast<float>(px) + 0.5f) / size;
      const float v = (static_cast<float>(py) + 0.5f) / size;
      float lattice = 0;
      for (const auto& w : waves) lattice += std::cos(kTwoPi * (w[0] * u + w[1] * v));
      lattice /= 3;  // -0.5 .. 1, peaks at the cell centres
      const float edge = 1 - SmoothStep(-0.45f, -0.1f, lattice);  // bright cell borders
      float swirl = 0;
      for (std::uint32_t k = 0; k < 5; ++k) {
        const int ku = static_cast<int>(Hash(k, 1u, 0x5A1Du) % 5u) - 2;
        const int kv = static_cast<int>(Hash(k, 2u, 0x5A1Du) % 4u) + 1;
        swirl += std::cos(kTwoPi * (ku * u + kv * v + HashUnit(k, 3u, 0x5A1Du)));
      }
      swirl = 0.5f + swirl / 10;
      const float glow = Clamp01(0.35f * swirl + 0.65f * edge * (0.6f + 0.4f * swirl));
      Rgba c = Mix(tint, {1, 1, 1, 1}, glow * glow * 0.7f);
      c.a = 0.2f + 0.75f * glow;
      canvas.at(px, py) = c;
    }
  }
  return canvas;
}

Canvas BeamTexture(int fleet) {
  const int width = 32, height = 128;
  Canvas canvas(width, height);
  const Rgba tint = fleet == 1 ? Rgba{0.35f, 0.65f, 1.0f, 1} : Rgba{1.0f, 0.3f, 0.08f, 1};
  for (int py = 0; py < height; ++py) {
    const float v = (static_cast<float>(py) + 0.5f) / height;
    // Pulses travelling along the beam: two whole periods and a finer ripple per texture.
    const float pulse =
        0.72f + 0.18f * std::cos(kTwoPi * 2 * v) + 0.1f * std::cos(kTwoPi * (7 * v + 0.3f));
    for (int px = 0; px < width; ++px) {
      const float d = std::abs((static_cast<float>(px) + 0.5f) / width - 0.5f) * 2;
      const float core = std::exp(-(d / 0.16f) * (d / 0.16f));
      const float halo = std::exp(-(d / 0.45f) * (d / 0.45f)) * (1 - SmoothStep(0.8f, 1.0f, d));
      Rgba c = Mix(tint, {1, 1, 1, 1}, core);
      c.a = Clamp01((core + 0.75f * halo) * pulse);
      canvas.at(px, py) = c;
    }
  }
  return canvas;
}

Canvas TorpedoTexture(int fleet) {
  const int size = 64;
  Canvas canvas(size, size);
  const Rgba tint = fleet == 1 ? Rgba{0.45f, 0.85f, 1.0f, 1} : Rgba{1.0f, 0.5f, 0.15f, 1};
  for (int py = 0; py < size; ++py) {
    for (int px = 0; px < size; ++px) {
      const float x = (static_cast<float>(px) + 0.5f) / size * 2 - 1;
      const float y = (static_cast<float>(py) + 0.5f) / size * 2 - 1;
      const float d = std::sqrt(x * x + y * y);
      const float core = std::exp(-(d / 0.18f) * (d / 0.18f));
      const float halo = std::exp(-(d / 0.5f) * (d / 0.5f));
      // Four soft rays.
      const float rays =
          std::exp(-std::min(std::abs(x), std::abs(y)) / 0.04f) * std::max(0.0f, 1 - d);
      const float edge = 1 - SmoothStep(0.85f, 1.0f, d);
      Rgba c = Mix(tint, {1, 1, 1, 1}, Clamp01(core * 1.2f));
      c.a = Clamp01((core + 0.7f * halo + 0.6f * rays) * edge);
      canvas.at(px, py) = c;
    }
  }
  return canvas;
}

PluginTexture ToPluginTexture(const Canvas& canvas, bool withAlpha) {
  PluginTexture texture;
  texture.width = canvas.width();
  texture.height = canvas.height();
  texture.hasAlpha = withAlpha;
  texture.pixels.reserve(static_cast<std::size_t>(texture.width) * texture.height *
                         (withAlpha ? 4 : 3));
  for (int row = 0; row < texture.height; ++row) {
    const int y = texture.height - 1 - row;  // the record starts with the bottom row
    for (int x = 0; x < texture.width; ++x) {
      const Rgba& p = canvas.at(x, y);
      texture.pixels.insert(texture.pixels.end(), {ToByte(p.r), ToByte(p.g), ToByte(p.b)});
      if (withAlpha) texture.pixels.push_back(ToByte(p.a));
    }
  }
  return texture;
}

}  // namespace ironwood::assetgen
