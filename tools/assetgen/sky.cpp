#include "tools/assetgen/sky.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>

#include "tools/assetgen/ase_writer.h"
#include "tools/assetgen/dds.h"
#include "tools/assetgen/font.h"
#include "tools/assetgen/image_files.h"
#include "tools/assetgen/vec3.h"

namespace ironwood::assetgen {

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr std::uint32_t kSeed = 0x5C1E5u;

struct Face {
  const char* name;
  Vec3 normal, right, up;  // right and up as seen from inside
};

// In the saver's name order.
constexpr Face kFaces[6] = {
    {"Top", {0, 1, 0}, {1, 0, 0}, {0, 0, 1}},    {"Front", {0, 0, -1}, {1, 0, 0}, {0, 1, 0}},
    {"Back", {0, 0, 1}, {-1, 0, 0}, {0, 1, 0}},  {"Bottom", {0, -1, 0}, {1, 0, 0}, {0, 0, -1}},
    {"Left", {-1, 0, 0}, {0, 0, -1}, {0, 1, 0}}, {"Right", {1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
};

// A face is sampled on a grid of 511 x 511 directions; tile (tx, ty) takes columns
// 255 tx .. 255 tx + 255 and rows 255 ty .. 255 ty + 255, so the middle line is shared.
constexpr int kSpan = kSkyTileSize - 1;
constexpr int kGrid = 2 * kSpan + 1;

Vec3 GridDirection(const Face& face, float column, float row) {
  const float a = column / kSpan - 1.0f, b = 1.0f - row / kSpan;
  return Normalized(face.normal + face.right * a + face.up * b);
}

// ---- Gradient noise in three dimensions, from our own hash ----

class Noise3 {
 public:
  explicit Noise3(std::uint32_t seed) {
    for (int i = 0; i < 256; ++i) perm_[i] = static_cast<std::uint8_t>(i);
    for (int i = 255; i > 0; --i) {
      const int j = static_cast<int>(Hash(seed, static_cast<std::uint32_t>(i), 0xB1u) % (i + 1));
      std::swap(perm_[i], perm_[j]);
    }
    for (int i = 0; i < 256; ++i) perm_[256 + i] = perm_[i];
  }

  // About -1 .. 1, 0 on every lattice point.
  float At(Vec3 p) const {
    const float fx = std::floor(p.x), fy = std::floor(p.y), fz = std::floor(p.z);
    const int x = static_cast<int>(fx) & 255, y = static_cast<int>(fy) & 255,
              z = static_cast<int>(fz) & 255;
    const float dx = p.x - fx, dy = p.y - fy, dz = p.z - fz;
    const float u = Fade(dx), v = Fade(dy), w = Fade(dz);
    const int a = perm_[x] + y, b = perm_[x + 1] + y;
    const int aa = perm_[a] + z, ab = perm_[a + 1] + z, ba = perm_[b] + z, bb = perm_[b + 1] + z;
    const float x00 = Lerp(u, Grad(perm_[aa], dx, dy, dz), Grad(perm_[ba], dx - 1, dy, dz));
    const float x10 = Lerp(u, Grad(perm_[ab], dx, dy - 1, dz), Grad(perm_[bb], dx - 1, dy - 1, dz));
    const float x01 =
        Lerp(u, Grad(perm_[aa + 1], dx, dy, dz - 1), Grad(perm_[ba + 1], dx - 1, dy, dz - 1));
    const float x11 = Lerp(u, Grad(perm_[ab + 1], dx, dy - 1, dz - 1),
                           Grad(perm_[bb + 1], dx - 1, dy - 1, dz - 1));
    return Lerp(w, Lerp(v, x00, x10), Lerp(v, x01, x11));
  }

  // Octaves at a little more than twice the frequency each (so their lattices never line up),
  // half the weight each, scaled back to about -1 .. 1.
  float Fbm(Vec3 p, int octaves) const {
    float sum = 0, weight = 1, total = 0;
    for (int i = 0; i < octaves; ++i) {
      sum += At(p + Vec3{17.3f * i, -9.1f * i, 5.7f * i}) * weight;
      total += weight;
      p = p * 2.07f;
      weight *= 0.5f;
    }
    return sum / total * 1.6f;
  }

 private:
  static float Fade(float t) { return t * t * t * (t * (t * 6 - 15) + 10); }
  static float Lerp(float t, float a, float b) { return a + t * (b - a); }
  // One of the twelve edge directions of a cube.
  static float Grad(int hash, float x, float y, float z) {
    const int h = hash & 15;
    const float u = h < 8 ? x : y;
    const float v = h < 4 ? y : (h == 12 || h == 14 ? x : z);
    return ((h & 1) ? -u : u) + ((h & 2) ? -v : v);
  }

  std::uint8_t perm_[512];
};

// ---- The sky as a function of direction: backdrop, nebulae, sun ----

struct Backdrop {
  Noise3 warp{Hash(kSeed, 1)};
  Noise3 shapes{Hash(kSeed, 2)};
  Noise3 detail{Hash(kSeed, 3)};
  Vec3 sun;
  Vec3 sunEast, sunNorth;  // a frame across the sun's direction, for its corona's streaks

  Backdrop() {
    const std::array<float, 3> s = SunDirection();
    sun = {s[0], s[1], s[2]};
    sunEast = Normalized(Cross({0, 1, 0}, sun));
    sunNorth = Cross(sun, sunEast);
  }

  // Everything but the sun: slow to change across the sky, so it may be sampled sparsely.
  Rgba Clouds(Vec3 d) const {
    // Bent coordinates give the clouds wisps and folds instead of round blobs.
    const Vec3 q = d * 1.3f;
    const Vec3 bent =
        d +
        Vec3{warp.Fbm(q, 3), warp.Fbm(q + Vec3{31, 7, 3}, 3), warp.Fbm(q + Vec3{-5, 23, 11}, 3)} * 0.32f;
    // Where each family of cloud lives: large, separate regions of the sky.
    const float regionRose = SmoothStep(-0.15f, 0.35f, shapes.Fbm(d * 0.7f + Vec3{3, 1, 4}, 2));
    const float regionTeal = SmoothStep(-0.25f, 0.3f, shapes.Fbm(d * 0.75f + Vec3{-8, 2, 6}, 2));
    const float rose = SmoothStep(-0.05f, 0.7f, detail.Fbm(bent * 1.7f + Vec3{1, 2, 3}, 5));
    const float teal = SmoothStep(0.0f, 0.75f, detail.Fbm(bent * 1.9f + Vec3{-4, 9, 2}, 5));
    const float dust = SmoothStep(0.05f, 0.6f, shapes.Fbm(bent * 2.6f + Vec3{12, -3, 7}, 4));
    const float glow = 0.5f + 0.5f * detail.Fbm(bent * 0.9f + Vec3{6, 6, -6}, 3);

    Rgba sky{0.006f, 0.008f, 0.018f, 1};
    sky = sky + Rgba{0.010f, 0.008f, 0.016f, 0} * glow;  // a faint unevenness everywhere
    const float shade = 1.0f - 0.55f * dust;             // dark lanes across the clouds
    sky = sky + Rgba{0.16f, 0.036f, 0.085f, 0} * (rose * regionRose * shade);
    sky = sky + Rgba{0.12f, 0.05f, 0.04f, 0} * (rose * rose * regionRose * shade);
    sky = sky + Rgba{0.035f, 0.11f, 0.19f, 0} * (teal * regionTeal * shade);
    sky = sky + Rgba{0.04f, 0.08f, 0.07f, 0} * (teal * teal * regionTeal * shade);
    return sky;
  }

  Rgba Sun(Vec3 d) const {
    const Vec3 off = d - sun;
    const float c = std::sqrt(Dot(off, off));  // the chord: the angle, for small angles
    if (Dot(d, sun) < -0.2f) return {};
    constexpr float kRadius = 0.011f;
    const float disc = 1.0f - SmoothStep(kRadius * 0.75f, kRadius * 1.25f, c);
    // Soft streaks round the disc, varying slowly outwards; far out they no longer show.
    float streaks = 1.0f;
    if (c < 0.6f) {
      const float around = std::atan2(Dot(off, sunNorth), Dot(off, sunEast));
      streaks += 0.35f * warp.Fbm({std::cos(around) * 2.5f, std::sin(around) * 2.5f, c * 6.0f}, 3) *
                 (1.0f - SmoothStep(0.3f, 0.6f, c));
    }
    Rgba light = Rgba{1.0f, 0.97f, 0.9f, 0} * (2.5f * disc);
    light = light + Rgba{1.0f, 0.86f, 0.62f, 0} * (1.1f * std::exp(-c / 0.016f));
    light = light + Rgba{1.0f, 0.7f, 0.42f, 0} * (0.32f * std::exp(-c / 0.06f) * streaks);
    light = light + Rgba{0.8f, 0.55f, 0.38f, 0} * (0.06f * std::exp(-c / 0.28f));
    return light;
  }
};

// ---- Stars ----

struct Star {
  Vec3 direction;
  float peak;   // brightness at the centre
  float sigma;  // gaussian radius, in radians
  float halo;   // share of a wide faint glow, for the brightest
  Rgba colour;
};

std::vector<Star> MakeStars() {
  const Rgba kBlueWhite{0.70f, 0.80f, 1.0f, 1}, kWhite{1, 1, 1, 1}, kYellow{1.0f, 0.93f, 0.72f, 1},
      kOrange{1.0f, 0.74f, 0.48f, 1}, kRed{1.0f, 0.5f, 0.36f, 1};
  const Noise3 density(Hash(kSeed, 4));
  Sequence random(Hash(kSeed, 5));
  std::vector<Star> stars;
  for (int i = 0; i < 15000; ++i) {
    const float z = random.Range(-1, 1), angle = random.Range(0, 2 * kPi);
    const float r = std::sqrt(std::max(0.0f, 1 - z * z));
    const Vec3 d{r * std::cos(angle), r * std::sin(angle), z};
    // Thicker and thinner patches, so the field is not evenly sown.
    const float keep = 0.3f + 0.7f * SmoothStep(-0.4f, 0.5f, density.Fbm(d * 1.4f, 3));
    const float draw = random.Next();
    const float tier = random.Next(), amount = random.Next(), size = random.Next();
    const float hue = random.Next();
    if (draw > keep) continue;
    Star star{d, 0, 0, 0, {}};
    if (tier < 0.004f) {
      star.peak = 0.65f + 0.2f * amount;
      star.sigma = 0.0032f + 0.001f * size;
      star.halo = 0.12f;
    } else if (tier < 0.05f) {
      star.peak = 0.3f + 0.3f * amount;
      star.sigma = 0.0025f + 0.0007f * size;
    } else {
      star.peak = 0.04f + 0.22f * amount * amount;
      star.sigma = 0.0019f + 0.0005f * size;
    }
    const Rgba tint = hue < 0.28f   ? kBlueWhite
                      : hue < 0.62f ? kWhite
                      : hue < 0.82f ? kYellow
                      : hue < 0.95f ? kOrange
                                    : kRed;
    // The faint ones show their colour less.
    star.colour = Mix(kWhite, tint, star.peak < 0.3f ? 0.6f : 1.0f);
    stars.push_back(star);
  }
  return stars;
}

// Adds each star's gaussian, measured as an angle between directions, onto the face's grid.
void SplatStars(const Face& face, const std::vector<Star>& stars, std::vector<Rgba>& light) {
  for (const Star& star : stars) {
    const float facing = Dot(star.direction, face.normal);
    if (facing < 0.5f) continue;
    const float a = Dot(star.direction, face.right) / facing;
    const float b = Dot(star.direction, face.up) / facing;
    if (std::abs(a) > 1.08f || std::abs(b) > 1.08f) continue;
    const float reach = 3.5f * star.sigma * (star.halo > 0 ? 4.0f : 1.0f);
    // Grid steps per radian are least at the face's centre: (1 + a^2 + b^2) / 255 at most.
    const int radius = static_cast<int>(reach * kSpan / (facing * facing)) + 1;
    const int column = static_cast<int>(std::lround((a + 1) * kSpan));
    const int row = static_cast<int>(std::lround((1 - b) * kSpan));
    const float inverse = 1.0f / (2 * star.sigma * star.sigma);
    const float haloInverse = inverse / 16.0f;
    for (int m = std::max(0, row - radius); m <= std::min(kGrid - 1, row + radius); ++m) {
      for (int k = std::max(0, column - radius); k <= std::min(kGrid - 1, column + radius); ++k) {
        const Vec3 off =
            GridDirection(face, static_cast<float>(k), static_cast<float>(m)) - star.direction;
        const float chord2 = Dot(off, off);
        const float weight =
            star.peak * (std::exp(-chord2 * inverse) + star.halo * std::exp(-chord2 * haloInverse));
        if (weight < 1e-4f) continue;
        light[static_cast<std::size_t>(m) * kGrid + k] =
            light[static_cast<std::size_t>(m) * kGrid + k] + star.colour * weight;
      }
    }
  }
}

// One face's grid of colours.
std::vector<Rgba> RenderFace(int faceIndex, const Backdrop& backdrop,
                             const std::vector<Star>& stars) {
  const Face& face = kFaces[faceIndex];
  std::vector<Rgba> starLight(static_cast<std::size_t>(kGrid) * kGrid);
  SplatStars(face, stars, starLight);
  // The clouds on every third grid line, joined linearly. The face's edges are grid lines of
  // both spacings, so the faces still meet without a seam.
  constexpr int kStep = 3;
  constexpr int kCoarse = (kGrid - 1) / kStep + 1;
  static_assert((kGrid - 1) % kStep == 0);
  std::vector<Rgba> clouds(static_cast<std::size_t>(kCoarse) * kCoarse);
  for (int m = 0; m < kCoarse; ++m) {
    for (int k = 0; k < kCoarse; ++k) {
      clouds[static_cast<std::size_t>(m) * kCoarse + k] = backdrop.Clouds(
          GridDirection(face, static_cast<float>(k * kStep), static_cast<float>(m * kStep)));
    }
  }
  std::vector<Rgba> grid(starLight.size());
  for (int m = 0; m < kGrid; ++m) {
    const int m0 = std::min(m / kStep, kCoarse - 2);
    const float fm = static_cast<float>(m - m0 * kStep) / kStep;
    for (int k = 0; k < kGrid; ++k) {
      const int k0 = std::min(k / kStep, kCoarse - 2);
      const float fk = static_cast<float>(k - k0 * kStep) / kStep;
      auto cloud = [&](int dm, int dk) {
        return clouds[static_cast<std::size_t>(m0 + dm) * kCoarse + k0 + dk];
      };
      const std::size_t at = static_cast<std::size_t>(m) * kGrid + k;
      const Rgba sky =
          Mix(Mix(cloud(0, 0), cloud(0, 1), fk), Mix(cloud(1, 0), cloud(1, 1), fk), fm) +
          backdrop.Sun(GridDirection(face, static_cast<float>(k), static_cast<float>(m)));
      // Stars are screened over the backdrop: they brighten it without ever burning out
      // (only the sun reaches full white).
      const Rgba s = starLight[at];
      auto screen = [](float base, float star) {
        return 1.0f - (1.0f - std::min(base, 1.0f)) * (1.0f - std::min(star, 0.92f));
      };
      grid[at] = {screen(sky.r, s.r), screen(sky.g, s.g), screen(sky.b, s.b), 1};
    }
  }
  return grid;
}

std::string TwoDigits(int n) {
  return (n < 10 ? "0" : "") + std::to_string(n);
}

// ---- Files ----

std::vector<std::uint8_t> RgbBytes(const Canvas& canvas) {
  std::vector<std::uint8_t> rgb;
  rgb.reserve(static_cast<std::size_t>(canvas.width()) * canvas.height() * 3);
  for (int y = 0; y < canvas.height(); ++y) {
    for (int x = 0; x < canvas.width(); ++x) {
      const Rgba& p = canvas.at(x, y);
      rgb.insert(rgb.end(), {ToByte(p.r), ToByte(p.g), ToByte(p.b)});
    }
  }
  return rgb;
}

Canvas FromRgb(int width, int height, const std::vector<std::uint8_t>& rgb) {
  Canvas canvas(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
      canvas.at(x, y) = {p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f, 1};
    }
  }
  return canvas;
}

// Every level of a tile for the compressed file: the bytes themselves, then 2 x 2 averages.
std::vector<std::vector<std::uint8_t>> MipLevels(const Canvas& tile) {
  std::vector<std::vector<std::uint8_t>> levels;
  Canvas level = FromRgb(tile.width(), tile.height(), RgbBytes(tile));
  levels.push_back(RgbBytes(level));
  while (level.width() > 1 || level.height() > 1) {
    const int w = std::max(1, level.width() / 2), h = std::max(1, level.height() / 2);
    Canvas half(w, h);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const int x1 = std::min(2 * x + 1, level.width() - 1);
        const int y1 = std::min(2 * y + 1, level.height() - 1);
        half.at(x, y) = (level.at(2 * x, 2 * y) + level.at(x1, 2 * y) + level.at(2 * x, y1) +
                         level.at(x1, y1)) *
                        0.25f;
      }
    }
    level = std::move(half);
    levels.push_back(RgbBytes(level));
  }
  return levels;
}

// ---- The preview ----

// A face put together from its four tiles (the shared middle line once).
Canvas FaceFromTiles(const std::vector<Canvas>& tiles, int face) {
  Canvas out(kGrid, kGrid);
  for (int t = 0; t < 4; ++t) {
    const Canvas& tile = tiles[static_cast<std::size_t>(4 * face + t)];
    for (int y = 0; y < kSkyTileSize; ++y) {
      for (int x = 0; x < kSkyTileSize; ++x)
        out.at(kSpan * (t % 2) + x, kSpan * (t / 2) + y) = tile.at(x, y);
    }
  }
  return out;
}

// A face's grid averaged over square cells to `side` x `side` pixels (the last line left over).
Canvas Shrink(const Canvas& face, int side) {
  const int cell = face.width() / side;
  Canvas out(side, side);
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      Rgba sum;
      for (int j = 0; j < cell; ++j) {
        for (int i = 0; i < cell; ++i) sum = sum + face.at(x * cell + i, y * cell + j);
      }
      out.at(x, y) = sum * (1.0f / static_cast<float>(cell * cell));
    }
  }
  return out;
}

// The cube unfolded: Top above Front, then Left, Front, Right, Back, and Bottom below Front.
void DrawCross(Canvas& sheet, const std::vector<Canvas>& tiles, int left, int top, int side) {
  constexpr int kCells[6][2] = {{1, 0}, {1, 1}, {3, 1}, {1, 2}, {0, 1}, {2, 1}};
  for (int face = 0; face < 6; ++face) {
    const Canvas image = Shrink(FaceFromTiles(tiles, face), side);
    for (int y = 0; y < side; ++y) {
      for (int x = 0; x < side; ++x) {
        sheet.at(left + kCells[face][0] * side + x, top + kCells[face][1] * side + y) =
            image.at(x, y);
      }
    }
  }
}

// What the saver shows through its frustum (4:3, 0.4444 by 0.3333 at distance 1) looking along
// `forward`, sampling the tiles as linear filtering does.
void DrawView(Canvas& sheet, const std::vector<Canvas>& tiles, int left, int top, int width,
              int height, Vec3 forward) {
  forward = Normalized(forward);
  const Vec3 right = Normalized(Cross(forward, {0, 1, 0}));
  const Vec3 up = Cross(right, forward);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const float ex = (2 * (x + 0.5f) / width - 1) * 0.4444f;
      const float ey = (1 - 2 * (y + 0.5f) / height) * 0.3333f;
      const Vec3 d = forward + right * ex + up * ey;
      int best = 0;
      for (int f = 1; f < 6; ++f) {
        if (Dot(d, kFaces[f].normal) > Dot(d, kFaces[best].normal)) best = f;
      }
      const Face& face = kFaces[best];
      const float facing = Dot(d, face.normal);
      const float column = (Dot(d, face.right) / facing + 1) * kSpan;
      const float row = (1 - Dot(d, face.up) / facing) * kSpan;
      const int tx = column >= kSpan ? 1 : 0, ty = row >= kSpan ? 1 : 0;
      const Canvas& tile = tiles[static_cast<std::size_t>(4 * best + 2 * ty + tx)];
      sheet.at(left + x, top + y) =
          tile.Sample(column - kSpan * tx + 0.5f, row - kSpan * ty + 0.5f);
    }
  }
}

Canvas SkyPreview(const std::vector<Canvas>& tiles, const std::vector<Canvas>& decoded) {
  constexpr int kSide = kGrid / 3, kGap = 10, kLabel = 24;
  const int crossWidth = 4 * kSide, crossHeight = 3 * kSide;
  const int width = 2 * crossWidth + 3 * kGap;
  const int height = 2 * (kLabel + crossHeight) + 3 * kGap;
  Canvas sheet(width, height, {0.12f, 0.12f, 0.13f, 1});
  const TextStyle label{2, 1, 0};
  const Rgba ink{0.85f, 0.87f, 0.9f, 1};
  const int row2 = kGap + kLabel + crossHeight + kGap;
  DrawText(sheet, "SKY BOX, BMP TILES", kGap, kGap, label, ink);
  DrawText(sheet, "DXT1 TILES, DECODED", 2 * kGap + crossWidth, kGap, label, ink);
  DrawCross(sheet, tiles, kGap, kGap + kLabel, kSide);
  DrawCross(sheet, decoded, 2 * kGap + crossWidth, kGap + kLabel, kSide);
  const std::array<float, 3> s = SunDirection();
  DrawText(sheet, "IN THE SAVER: LOOKING AT THE SUN", kGap, row2, label, ink);
  DrawText(sheet, "IN THE SAVER: LOOKING ALONG -Z", 2 * kGap + crossWidth, row2, label, ink);
  DrawView(sheet, tiles, kGap, row2 + kLabel, crossWidth, crossHeight, {s[0], s[1], s[2]});
  DrawView(sheet, tiles, 2 * kGap + crossWidth, row2 + kLabel, crossWidth, crossHeight, {0, 0, -1});
  return sheet;
}

}  // namespace

std::string SkyTileName(int index) {
  return std::string("Background") + kFaces[index / 4].name + TwoDigits(index % 4 + 1);
}

std::array<float, 3> SunDirection() {
  // The flare's light point (0, -220, -1375) goes in with its z negated, through the saved
  // projection glFrustum(-0.4444, 0.4444, -0.3333, 0.3333, 1, 5000) first and the camera's
  // rotation after it. The projection scales y by 2 / 0.6666 and maps z to
  // -(5001 z + 10000) / 4999, and the flare shows when the rotated point lies behind the eye
  // (positive eye z), where it moves across the screen exactly as the opposite direction does.
  const double y = 220.0 * 2.0 / 0.6666;
  const double z = (5001.0 * 1375.0 + 10000.0) / 4999.0;
  const double length = std::sqrt(y * y + z * z);
  return {0.0f, static_cast<float>(y / length), static_cast<float>(z / length)};
}

std::vector<Canvas> SkyTiles() {
  const Backdrop backdrop;
  const std::vector<Star> stars = MakeStars();
  std::vector<Canvas> tiles;
  for (int face = 0; face < 6; ++face) {
    const std::vector<Rgba> grid = RenderFace(face, backdrop, stars);
    for (int t = 0; t < 4; ++t) {
      const int tx = t % 2, ty = t / 2;
      Canvas tile(kSkyTileSize, kSkyTileSize);
      for (int y = 0; y < kSkyTileSize; ++y) {
        for (int x = 0; x < kSkyTileSize; ++x) {
          const int k = kSpan * tx + x, m = kSpan * ty + y;
          Rgba p = grid[static_cast<std::size_t>(m) * kGrid + k];
          // Less than a step of 8 bits either way, so the dark gradients do not band. Seeded by
          // the face's grid point, so tiles repeat each other's shared pixels exactly.
          const float d = (HashUnit(static_cast<std::uint32_t>(k), static_cast<std::uint32_t>(m),
                                    static_cast<std::uint32_t>(face) + kSeed) -
                           0.5f) /
                          255.0f;
          p.r += d;
          p.g += d;
          p.b += d;
          tile.at(x, y) = p;
        }
      }
      tiles.push_back(std::move(tile));
    }
  }
  return tiles;
}

std::vector<ModelMesh> SkyBoxMeshes() {
  constexpr float kLow = 0.5f / kSkyTileSize, kHigh = (kSkyTileSize - 0.5f) / kSkyTileSize;
  std::vector<ModelMesh> meshes;
  for (int index = 0; index < kSkyTileCount; ++index) {
    const Face& face = kFaces[index / 4];
    const int tx = index % 2, ty = (index % 4) / 2;
    // The tile's span of the face, -1 .. 1 rightwards and upwards.
    const float a0 = static_cast<float>(tx) - 1, a1 = a0 + 1;
    const float b1 = 1.0f - static_cast<float>(ty), b0 = b1 - 1;
    ModelMesh mesh;
    mesh.name = SkyTileName(index);
    auto corner = [&](float a, float b, float u, float v) {
      const Vec3 p = (face.normal + face.right * a + face.up * b) * kSkyBoxHalfSize;
      // Seen from inside: the normal points back at the origin.
      mesh.vertices.push_back(
          {p.x, p.y, p.z, -face.normal.x, -face.normal.y, -face.normal.z, u, v});
    };
    // Bottom left, bottom right, top right, top left: counter-clockwise from inside. The
    // picture's top row is the texture's last (BMP rows run bottom-up, v = 0 at the bottom).
    corner(a0, b0, kLow, kLow);
    corner(a1, b0, kHigh, kLow);
    corner(a1, b1, kHigh, kHigh);
    corner(a0, b1, kLow, kHigh);
    mesh.faces = {{0, 1, 2}, {0, 2, 3}};
    meshes.push_back(std::move(mesh));
  }
  return meshes;
}

bool WriteSky(const std::string& folder, std::string* error) {
  namespace fs = std::filesystem;
  auto fail = [error](const std::string& why) {
    if (error != nullptr) *error = why;
    return false;
  };
  const fs::path gfx = fs::path(folder) / "Gfx";
  const fs::path preview = fs::path(folder) / "Preview";
  std::error_code failure;
  fs::create_directories(gfx, failure);
  if (!failure) fs::create_directories(preview, failure);
  if (failure) return fail("cannot create the folders in " + folder + ": " + failure.message());

  const std::vector<Canvas> tiles = SkyTiles();
  std::vector<Canvas> decoded;
  for (int i = 0; i < kSkyTileCount; ++i) {
    const Canvas& tile = tiles[static_cast<std::size_t>(i)];
    const fs::path bmp = gfx / (SkyTileName(i) + ".bmp");
    if (!WriteFile(bmp.string(), EncodeColourBmp(tile)))
      return fail("cannot write " + bmp.string());
    const Bytes dds = EncodeDds(kSkyTileSize, kSkyTileSize, MipLevels(tile));
    const fs::path ddsPath = gfx / (SkyTileName(i) + ".dds");
    if (!WriteFile(ddsPath.string(), dds)) return fail("cannot write " + ddsPath.string());
    DdsImage image;
    std::string why;
    if (!DecodeDds(dds, &image, &why))
      return fail("the compressed tile does not read back: " + why);
    decoded.push_back(FromRgb(image.width, image.height, image.levels[0]));
  }
  const fs::path ase = fs::path(folder) / "Background.ase";
  const std::string text = EncodeAse(SkyBoxMeshes(), {}, "Ironwood sky box");
  if (!WriteFile(ase.string(), Bytes(text.begin(), text.end())))
    return fail("cannot write " + ase.string());

  const Canvas sheet = SkyPreview(tiles, decoded);
  const fs::path sheetPath = preview / "sky.png";
  if (!WriteFile(sheetPath.string(), EncodePng(sheet.width(), sheet.height(), RgbBytes(sheet))))
    return fail("cannot write " + sheetPath.string());
  return true;
}

}  // namespace ironwood::assetgen
